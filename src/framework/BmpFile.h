// The bitmap's own file format: reading every common BMP variant and writing
// uncompressed ones. Every input is treated as hostile: headers are checked
// against the file before anything is allocated, and every failure raises
// EInvalidGraphic (or EFileError for a file that cannot be opened).
//
// Read: core (12-byte) and info headers of 40, 52, 56, 108 and 124 bytes;
// 1, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, BI_BITFIELDS, BI_RLE4 and
// BI_RLE8; rows bottom-up or top-down (not with RLE). Palette files keep their
// colour table (biClrUsed entries, at most 2^bits; indices beyond it show
// black). 16-bit files keep pf15bit (5-5-5) or pf16bit (5-6-5), 32-bit ones
// pf32bit with the bytes as stored; bit fields with other masks are widened to
// pf24bit (16-bit files) or pf32bit (blue, green, red, alpha or 0), each
// channel scaled to 8 bits by rounding. Sides are limited to 32767 pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/PictureDecoder.h"
#include "framework/Streams.h"

class TBmpDecoder : public TPictureDecoder {
public:
  // Reads and checks the headers; the stream must outlive the decoder.
  explicit TBmpDecoder(TStream& stream);
  ~TBmpDecoder() override;

  int32_t Width() const override;
  int32_t Height() const override;
  // The format the picture keeps in memory: pf1bit, pf4bit, pf8bit, pf15bit,
  // pf16bit, pf24bit or pf32bit.
  TPixelFormat PixelFormat() const override;
  // The colour table for the palette formats (empty otherwise).
  const std::vector<TRGBQuad>& Palette() const override;

  // Delivers the rows top to bottom (y = 0 first), each laid out exactly as a
  // TBitmap row of PixelFormat() (TBitmap::StrideFor bytes). Uncompressed
  // files are read one row at a time, so memory stays at a row or two.
  void ReadRows(const TRowSink& sink) override;
  // Reads the whole picture into bitmap (size, format and colour table),
  // through ReadRows. A broken file leaves bitmap as it was; a read failing
  // after the first row (a file cut while it is read) leaves it empty.
  void Load(TBitmap& bitmap) override;

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// Loads a BMP file into bitmap in the file's own pixel format.
void LoadBitmapFromFile(const std::string& fileName, TBitmap& bitmap);
// Writes bitmap as an uncompressed BMP with a 40-byte info header, bottom-up,
// in its own bit depth (1, 4, 8, 16, 24 or 32; pf15bit as 16-bit RGB555,
// pf16bit with BI_BITFIELDS 565, pfDevice as 32). Palette formats write their
// colour table as it is (at most 2^bits entries; an empty one as one black
// entry). An empty bitmap has no BMP form and raises EInvalidGraphic.
std::vector<uint8_t> SaveBitmapToMemory(const TBitmap& bitmap);
void SaveBitmapToFile(const std::string& fileName, const TBitmap& bitmap);
