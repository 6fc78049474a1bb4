// The bitmap's own file format: reading every common BMP variant and writing
// uncompressed ones. Every input is treated as hostile: headers are checked
// against the file before anything is allocated, and every failure raises
// EInvalidGraphic (or EFileError for a file that cannot be opened).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Streams.h"

class TBmpDecoder {
public:
  // Reads and checks the headers; the stream must outlive the decoder.
  explicit TBmpDecoder(TStream& stream);
  ~TBmpDecoder();
  TBmpDecoder(const TBmpDecoder&) = delete;
  TBmpDecoder& operator=(const TBmpDecoder&) = delete;

  int32_t Width() const;
  int32_t Height() const;
  // The format the picture keeps in memory: pf1bit, pf4bit, pf8bit, pf15bit,
  // pf16bit, pf24bit or pf32bit.
  TPixelFormat PixelFormat() const;
  // The colour table for the palette formats (empty otherwise).
  const std::vector<TRGBQuad>& Palette() const;

  // Delivers the rows top to bottom (y = 0 first), each laid out exactly as a
  // TBitmap row of PixelFormat() (TBitmap::StrideFor bytes). Uncompressed
  // files are read one row at a time, so memory stays at a row or two.
  void ReadRows(const std::function<void(int32_t y, const uint8_t* row)>& sink);
  // Reads the whole picture into bitmap (size, format and colour table).
  void Load(TBitmap& bitmap);

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// Loads a BMP file into bitmap in the file's own pixel format.
void LoadBitmapFromFile(const std::string& fileName, TBitmap& bitmap);
// Writes bitmap as an uncompressed BMP with a 40-byte info header, bottom-up,
// in its own bit depth (1, 4, 8, 16, 24 or 32; pf15bit as 16-bit RGB555,
// pf16bit with BI_BITFIELDS 565, pfDevice as 32).
std::vector<uint8_t> SaveBitmapToMemory(const TBitmap& bitmap);
void SaveBitmapToFile(const std::string& fileName, const TBitmap& bitmap);
