// Picture formats beyond BMP and JPEG, decoded by whatever the system offers
// (on Windows the Imaging Component's decoders, installed at start-up). The
// core sees them only through this: a set of extensions, a way to open a
// file as rows of raw pixels, and the band loop that turns those rows into
// the 24-bit rows a tile is made from.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/PictureDecoder.h"
#include "picture/Exif.h"
#include "picture/PixelRows.h"

// A decoded picture read a band of rows at a time. Its rows reach the
// program as Width() pixels of blue, green and red over black.
class TRawPicture : public TPictureDecoder {
public:
  TOrientation Orientation() const override = 0;
  virtual const TRowFormat& Format() const = 0;
  // Rows y .. y + count - 1 into buffer, stride bytes apart (stride is at
  // least RowBytes of the format and width).
  virtual void CopyRows(int32_t y, int32_t count, size_t stride, uint8_t* buffer) = 0;
  // Reads the bands top to bottom, checking between them whether decoding
  // on this thread has been cancelled.
  void ReadRows(const TRowSink& sink) final;
};

using TRawPictureOpener = std::function<std::unique_ptr<TRawPicture>(const std::string& fileName)>;

// A file of a format whose decoder is known not to work on this system, met
// again after the first report: it is passed over without a word.
class EPicturePassedOver : public EInvalidGraphic {
public:
  using EInvalidGraphic::EInvalidGraphic;
};

// Whether error is one to pass over silently.
bool IsPassedOver(const std::exception_ptr& error);

// One format on offer: its name as users know it ("PNG") and its extensions
// in lower case without their dot ("png").
struct TOtherFormat {
  std::string Name;
  std::vector<std::string> Extensions;
};

// Replaces the formats on offer. Extensions of BMP and JPEG are ignored (their
// own decoders stay), and so is a format left without extensions.
void SetOtherPictureFormats(std::vector<TOtherFormat> formats, TRawPictureOpener opener);
// extension as PictureExtension gives it.
bool IsOtherPictureExtension(const std::string& extension);
// The extensions on offer, sorted.
std::vector<std::string> OtherPictureExtensions();
// The names of every format the program shows: BMP, JPEG, then the others.
std::vector<std::string> ShownFormatNames();
// The settings' note on which folders to choose, naming those formats.
std::string FoldersNoteText();
// Opens fileName with the installed opener; null when none is installed.
std::unique_ptr<TRawPicture> OpenOtherPicture(const std::string& fileName);

// The message for a picture refused for its size; format as users know it ("PNG").
std::string PictureTooLargeMessage(const std::string& format);

// Where the size sits in the first bytes of a file (PNG's IHDR, GIF's
// logical screen), refuses a file over kMaxPicturePixels before any decoder
// reads further. Files of other formats, and short ones, pass.
void RefuseOversizedHeader(const uint8_t* head, size_t size);
void RefuseOversizedFile(const std::string& fileName);
