#include "picture/OtherFormats.h"

#include <algorithm>
#include <mutex>

#include "framework/CancelToken.h"
#include "framework/Streams.h"
#include "picture/JpegDecoder.h"

namespace {

struct TFormats {
  std::vector<std::string> Extensions;
  std::vector<std::string> Names;
  TRawPictureOpener Opener;
};

std::mutex gFormatsLock;
std::shared_ptr<const TFormats> gFormats = std::make_shared<TFormats>();

std::shared_ptr<const TFormats> Formats() {
  std::lock_guard lock(gFormatsLock);
  return gFormats;
}

bool IsOwnExtension(const std::string& extension) {
  return extension == "bmp" || extension == "jpg" || extension == "jpeg";
}

// A band of rows is read at a time: large enough that the decoder is not
// called per row, small enough to stay far below a whole frame.
constexpr size_t kBandBytes = 1 << 20;
// A row wider than this is not a picture anyone shows, and its buffers
// would not fit a 32-bit process.
constexpr uint32_t kMaxRowPixels = 1u << 24;

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

}  // namespace

void SetOtherPictureFormats(std::vector<TOtherFormat> formats, TRawPictureOpener opener) {
  auto state = std::make_shared<TFormats>();
  for (TOtherFormat& format : formats) {
    std::erase_if(format.Extensions, [](const std::string& e) { return e.empty() || IsOwnExtension(e); });
    if (format.Extensions.empty()) continue;
    state->Extensions.insert(state->Extensions.end(), format.Extensions.begin(), format.Extensions.end());
    if (std::find(state->Names.begin(), state->Names.end(), format.Name) == state->Names.end())
      state->Names.push_back(format.Name);
  }
  std::sort(state->Extensions.begin(), state->Extensions.end());
  state->Extensions.erase(std::unique(state->Extensions.begin(), state->Extensions.end()),
                          state->Extensions.end());
  state->Opener = std::move(opener);
  std::lock_guard lock(gFormatsLock);
  gFormats = std::move(state);
}

bool IsOtherPictureExtension(const std::string& extension) {
  const auto formats = Formats();
  return std::binary_search(formats->Extensions.begin(), formats->Extensions.end(), extension);
}

std::vector<std::string> OtherPictureExtensions() { return Formats()->Extensions; }

std::vector<std::string> ShownFormatNames() {
  std::vector<std::string> names{"BMP", "JPEG"};
  const auto formats = Formats();
  names.insert(names.end(), formats->Names.begin(), formats->Names.end());
  return names;
}

std::string FoldersNoteText() {
  // Two formats read "A and B" in the note's own words, more "A, B ... and Z";
  // with BMP and JPEG alone it is the note the dialog's template holds.
  const std::vector<std::string> names = ShownFormatNames();
  std::string list;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) list += LoadText(i + 1 == names.size() ? IDS_FORMAT_LAST_SEPARATOR : IDS_FORMAT_SEPARATOR);
    list += FormatText(IDS_FORMAT_NAME, {names[i]});
  }
  return FormatText(IDS_FORMATS_NOTE, {list});
}

std::unique_ptr<TRawPicture> OpenOtherPicture(const std::string& fileName) {
  const auto formats = Formats();
  return formats->Opener ? formats->Opener(fileName) : nullptr;
}

bool IsPassedOver(const std::exception_ptr& error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const EPicturePassedOver&) {
    return true;
  } catch (...) {
  }
  return false;
}

std::string PictureTooLargeMessage(const std::string& format) {
  return FormatText(IDS_PICTURE_TOO_LARGE, {format});
}

void RefuseOversizedHeader(const uint8_t* head, size_t size) {
  static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  uint64_t width = 0, height = 0;
  const char* format = nullptr;
  if (size >= 24 && std::equal(kPng, kPng + 8, head) && std::equal(head + 12, head + 16, "IHDR")) {
    width = BigEndian32(head + 16);
    height = BigEndian32(head + 20);
    format = "PNG";
  } else if (size >= 10 && (std::equal(head, head + 6, "GIF87a") || std::equal(head, head + 6, "GIF89a"))) {
    width = uint64_t(head[6] | head[7] << 8);
    height = uint64_t(head[8] | head[9] << 8);
    format = "GIF";
  }
  if (format && width * height > kMaxPicturePixels) throw EInvalidGraphic(PictureTooLargeMessage(format));
}

void RefuseOversizedFile(const std::string& fileName) {
  TFileStream stream(fileName, TFileStream::TMode::Read);
  uint8_t head[24];
  size_t got = 0;
  while (got < sizeof head) {
    const size_t n = stream.Read(head + got, sizeof head - got);
    if (n == 0) break;
    got += n;
  }
  RefuseOversizedHeader(head, got);
}

void TRawPicture::ReadRows(const TRowSink& sink) {
  const int32_t width = Width(), height = Height();
  if (width <= 0 || height <= 0) throw EInvalidGraphic(IDS_PICTURE_SIZE_INVALID);
  if (uint32_t(width) > kMaxRowPixels) throw EInvalidGraphic(IDS_PICTURE_TOO_WIDE);
  const TRowFormat& format = Format();
  const size_t stride = (RowBytes(format.Layout, uint32_t(width)) + 3) & ~size_t(3);
  const int32_t bandRows = int32_t(std::clamp<size_t>(kBandBytes / stride, 1, size_t(height)));
  std::vector<uint8_t> band(stride * size_t(bandRows));
  std::vector<uint8_t> bgra(size_t(width) * 4), bgr(size_t(width) * 3);
  const bool premultiplied = IsPremultiplied(format.Layout);
  for (int32_t y = 0; y < height; y += bandRows) {
    TCancelScope::ThrowIfCancelled();
    const int32_t count = std::min(bandRows, height - y);
    CopyRows(y, count, stride, band.data());
    for (int32_t i = 0; i < count; ++i) {
      RowToBgra(format, band.data() + size_t(i) * stride, uint32_t(width), bgra.data());
      BgraOverBlack(bgra.data(), uint32_t(width), premultiplied, bgr.data());
      sink(y + i, bgr.data());
    }
  }
}
