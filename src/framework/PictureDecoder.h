// What every picture decoder offers, whatever its format: the size, how the
// stored picture is set upright, and its rows streamed top to bottom, so that
// a tile can be made from a picture far larger than memory would hold whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/Graphics.h"

// Pictures with more pixels than this are refused before decoding starts:
// nothing the program shows needs more, and a 32-bit process could not hold
// them anyway.
constexpr uint64_t kMaxPicturePixels = 400'000'000;

// The EXIF Orientation values: how the stored picture must be turned to be
// upright. 1 (and no tag) leaves it as it is.
enum TOrientation : uint8_t {
  orNormal = 1,
  orMirrorLeftRight = 2,
  orTurn180 = 3,
  orMirrorTopBottom = 4,
  orTranspose = 5,
  orTurnClockwise = 6,
  orTransverse = 7,
  orTurnAnticlockwise = 8,
};

class TPictureDecoder {
public:
  using TRowSink = std::function<void(int32_t y, const uint8_t* row)>;

  TPictureDecoder() = default;
  virtual ~TPictureDecoder() = default;
  TPictureDecoder(const TPictureDecoder&) = delete;
  TPictureDecoder& operator=(const TPictureDecoder&) = delete;

  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // orNormal for formats that record no orientation.
  virtual TOrientation Orientation() const { return orNormal; }
  // The layout of the rows ReadRows delivers: blue, green and red bytes
  // unless the decoder keeps the file's own format.
  virtual TPixelFormat PixelFormat() const { return pf24bit; }
  // The colour table for the palette formats (empty otherwise).
  virtual const std::vector<TRGBQuad>& Palette() const {
    static const std::vector<TRGBQuad> none;
    return none;
  }

  // Delivers the rows top to bottom (y = 0 first), each laid out as a TBitmap
  // row of PixelFormat(). Between rows or bands of rows it raises ECancelled
  // once the thread's TCancelScope is cancelled, so a picture nobody wants any
  // more is not decoded to its end.
  virtual void ReadRows(const TRowSink& sink) = 0;
  // Reads the whole picture into bitmap through ReadRows; bitmap is touched
  // only once every row is there. Decoders of palette formats have their own.
  virtual void Load(TBitmap& bitmap) {
    TBitmap picture(Width(), Height(), PixelFormat());
    const size_t rowBytes = (size_t(Width()) * size_t(TBitmap::BitsPerPixel(PixelFormat())) + 7) / 8;
    ReadRows([&](int32_t y, const uint8_t* row) { std::memcpy(picture.ScanLine(y), row, rowBytes); });
    bitmap.Swap(picture);
  }
};
