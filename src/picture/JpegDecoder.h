// JPEG pictures through libjpeg-turbo: full size, 24-bit colour, with libjpeg's
// defaults (integer IDCT, fancy upsampling). Every failure of the library
// becomes an EInvalidGraphic (ECancelled when the thread's cancel scope is
// cancelled, checked between row bands); nothing in here ever exits or unwinds through it.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/CancelToken.h"
#include "framework/Graphics.h"
#include "framework/PictureDecoder.h"
#include "framework/Streams.h"
#include "picture/Exif.h"

// Pictures of more than kMaxPicturePixels are refused when the headers are read.
class TJpegDecoder : public TPictureDecoder {
public:
  // Reads the headers. The stream must outlive the decoder.
  explicit TJpegDecoder(TStream& stream);
  ~TJpegDecoder() override;

  int32_t Width() const override;
  int32_t Height() const override;
  // From the first EXIF block among the APP1 segments; orNormal without one.
  TOrientation Orientation() const override;

  // Decodes the rows top to bottom, each as Width() pixels of blue, green and
  // red bytes, into one reused buffer. Call once; Load (into a pf24bit
  // bitmap) reads them too.
  void ReadRows(const TRowSink& sink) override;

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// Loads a JPEG file into bitmap as pf24bit, as stored; orientation, when
// given, receives its EXIF orientation.
void LoadJpegFromFile(const std::string& fileName, TBitmap& bitmap, TOrientation* orientation = nullptr);
