// JPEG pictures through libjpeg-turbo: full size, 24-bit colour, with libjpeg's
// defaults (integer IDCT, fancy upsampling). Every failure of the library
// becomes an EInvalidGraphic; nothing in here ever exits or unwinds through it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "framework/Graphics.h"
#include "framework/Streams.h"
#include "picture/Exif.h"

// Pictures larger than this are refused before decoding starts: nothing the
// program shows needs more, and a 32-bit process could not hold them anyway.
constexpr uint64_t kMaxJpegPixels = 400'000'000;

class TJpegDecoder {
public:
  // Reads the headers. The stream must outlive the decoder.
  explicit TJpegDecoder(TStream& stream);
  ~TJpegDecoder();
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  int32_t Width() const;
  int32_t Height() const;
  // From the first EXIF block among the APP1 segments; orNormal without one.
  TOrientation Orientation() const;

  // Decodes the rows top to bottom, each as Width() pixels of blue, green and
  // red bytes, into one reused buffer. Call once.
  void ReadRows(const std::function<void(int32_t y, const uint8_t* row)>& sink);
  // Decodes the whole picture into bitmap as pf24bit.
  void Load(TBitmap& bitmap);

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// While one lives on a thread, the row loops of the decoders on that thread
// stop with an error once flag is set, so that a picture nobody wants any more
// is not decoded to its end.
class TJpegCancelScope {
public:
  explicit TJpegCancelScope(const std::atomic<bool>& flag);
  ~TJpegCancelScope();
  TJpegCancelScope(const TJpegCancelScope&) = delete;
  TJpegCancelScope& operator=(const TJpegCancelScope&) = delete;

private:
  const std::atomic<bool>* FOuter;
};

// Whether the decoders on this thread have been asked to stop: what every
// decoder's row loop asks between rows or bands.
bool DecodingCancelled();

// Loads a JPEG file into bitmap as pf24bit, as stored; orientation, when
// given, receives its EXIF orientation.
void LoadJpegFromFile(const std::string& fileName, TBitmap& bitmap, TOrientation* orientation = nullptr);
