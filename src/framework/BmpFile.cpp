#include "framework/BmpFile.h"

#include "framework/CancelToken.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaxHeaderSize = 124;

// The largest side a picture may have. Wider or taller bitmaps cannot be shown
// by this program anyway: GDI's coordinates on the older systems it supports
// are 16-bit signed, and a picture is converted to 32 bits per pixel before it
// is shrunk, so 32767 x 32767 already needs four times kMaxBitmapBytes. Larger
// headers are far more likely corrupt than real, and refusing them at once keeps
// every size product far from overflow.
constexpr int32_t kMaxSide = 32767;

// An RLE stream cannot honestly describe arbitrarily many pixels per byte: an
// encoded run makes at most 255 pixels of two bytes, and real encoders code
// every pixel that way. Deltas and line ends can skip more, so allow four times
// the densest run coding, and always allow a small picture whatever its data.
constexpr uint64_t kRlePixelsPerByte = 512;
constexpr uint64_t kRleMinPixels = 65536;

// The compressed data is read through a buffer of this size.
constexpr size_t kRleChunk = 16384;

const TTextId kNotBitmap = IDS_BMP_NOT_BITMAP;
const TTextId kCorrupt = IDS_BMP_CORRUPT;
const TTextId kBadSize = IDS_BMP_BAD_SIZE;
const TTextId kUnsupported = IDS_BMP_UNSUPPORTED;
const TTextId kBadColours = IDS_BMP_BAD_COLOURS;
const TTextId kBadMasks = IDS_BMP_BAD_MASKS;

[[noreturn]] void Fail(TTextId message) { throw EInvalidGraphic(message); }

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// One colour channel of a bit-field pixel, widened to 8 bits by rounding.
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;  // the channel's largest value

  explicit TChannel(uint32_t mask = 0) : Mask(mask) {
    if (mask == 0) return;
    Shift = std::countr_zero(mask);
    Max = mask >> Shift;
  }
  uint8_t Scale(uint32_t pixel) const {
    if (Mask == 0) return 0;
    const uint64_t v = (pixel & Mask) >> Shift;
    return uint8_t((v * 255 + Max / 2) / Max);
  }
};

bool Contiguous(uint32_t mask) {
  if (mask == 0) return false;
  const uint32_t v = mask >> std::countr_zero(mask);
  return (v & (v + 1)) == 0;
}

std::vector<uint8_t> AllocatePixels(size_t size) {
  try {
    return std::vector<uint8_t>(size, 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(IDS_BITMAP_NO_MEMORY);
  }
}

// The compressed data of an RLE file, read in chunks; running out of it in the
// middle of an instruction means the file is cut short.
class TRleReader {
public:
  TRleReader(TStream& stream, uint64_t start, uint64_t size) : FStream(stream), FLeft(size) {
    FStream.Seek(start);
    FBuffer.resize(size_t(std::min<uint64_t>(size, kRleChunk)));
  }
  bool AtEnd() const { return FPos == FFill && FLeft == 0; }
  uint8_t Next() {
    if (FPos == FFill) Refill();
    return FBuffer[FPos++];
  }
  void Skip(size_t count) {
    for (size_t i = 0; i < count; ++i) Next();
  }

private:
  void Refill() {
    if (FLeft == 0) Fail(kCorrupt);
    const size_t n = size_t(std::min<uint64_t>(FLeft, FBuffer.size()));
    FStream.ReadExact(FBuffer.data(), n, kCorrupt);
    FLeft -= n;
    FPos = 0;
    FFill = n;
  }

  TStream& FStream;
  uint64_t FLeft;
  std::vector<uint8_t> FBuffer;
  size_t FPos = 0;
  size_t FFill = 0;
};

}  // namespace

struct TBmpDecoder::TImpl {
  explicit TImpl(TStream& stream) : FStream(stream) {}

  void ReadHeaders();
  void ChooseFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);
  void ReadPalette(uint64_t start, uint32_t count, uint32_t entrySize);
  void CheckPixelData();
  void ReadUncompressed(const std::function<void(int32_t, const uint8_t*)>& sink);
  void ConvertRow(const uint8_t* in, uint8_t* out) const;
  std::vector<uint8_t> DecodeRle();

  TStream& FStream;
  uint64_t FFileSize = 0;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  bool FTopDown = false;
  uint16_t FBitCount = 0;
  uint32_t FCompression = kBiRgb;
  TPixelFormat FFormat = pf24bit;
  std::vector<TRGBQuad> FPalette;
  uint64_t FPixelOffset = 0;
  uint64_t FFileStride = 0;  // bytes of one stored row (uncompressed files)
  size_t FStride = 0;        // bytes of one delivered row
  bool FConvert = false;     // bit fields that need widening to 8 bits
  TChannel FRed, FGreen, FBlue, FAlpha;
};

void TBmpDecoder::TImpl::ReadHeaders() {
  FFileSize = FStream.Size();
  FStream.Seek(0);
  uint8_t fileHeader[kFileHeaderSize];
  const size_t got = FStream.Read(fileHeader, sizeof fileHeader);
  if (got >= 2 && (fileHeader[0] != 'B' || fileHeader[1] != 'M')) Fail(kNotBitmap);
  if (got < sizeof fileHeader) Fail(got < 2 ? kNotBitmap : kCorrupt);
  FPixelOffset = Get32(fileHeader + 10);

  uint8_t header[kMaxHeaderSize] = {};
  FStream.ReadExact(header, 4, kCorrupt);
  const uint32_t headerSize = Get32(header);
  if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize && headerSize != 52 &&
      headerSize != 56 && headerSize != 108 && headerSize != 124)
    Fail(kUnsupported);
  FStream.ReadExact(header + 4, headerSize - 4, kCorrupt);

  int64_t width, height;
  uint16_t planes;
  uint32_t colourCount = 0;
  uint32_t masks[4] = {};
  if (headerSize == kCoreHeaderSize) {
    width = Get16(header + 4);
    height = Get16(header + 6);
    planes = Get16(header + 8);
    FBitCount = Get16(header + 10);
  } else {
    width = int32_t(Get32(header + 4));
    height = int32_t(Get32(header + 8));
    planes = Get16(header + 12);
    FBitCount = Get16(header + 14);
    FCompression = Get32(header + 16);
    colourCount = Get32(header + 32);
    if (headerSize >= 52)
      for (int i = 0; i < 3; ++i) masks[i] = Get32(header + 40 + 4 * i);
    if (headerSize >= 56) masks[3] = Get32(header + 52);
  }
  if (height < 0) {
    FTopDown = true;
    height = -height;
  }
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) Fail(kBadSize);
  FWidth = int32_t(width);
  FHeight = int32_t(height);
  if (planes != 1) Fail(kCorrupt);

  const uint16_t b = FBitCount;
  const bool knownDepth =
      b == 1 || b == 4 || b == 8 || b == 24 || (headerSize != kCoreHeaderSize && (b == 16 || b == 32));
  if (!knownDepth) Fail(kUnsupported);
  switch (FCompression) {
    case kBiRgb: break;
    case kBiRle8:
      if (b != 8) Fail(kUnsupported);
      break;
    case kBiRle4:
      if (b != 4) Fail(kUnsupported);
      break;
    case kBiBitfields:
      if (b != 16 && b != 32) Fail(kUnsupported);
      break;
    default: Fail(kUnsupported);
  }
  // Compressed rows run upwards by their nature; a negative height with them
  // has no meaning.
  if (FTopDown && (FCompression == kBiRle8 || FCompression == kBiRle4)) Fail(kUnsupported);

  uint64_t tableStart = kFileHeaderSize + headerSize;
  if (FCompression == kBiBitfields && headerSize == kInfoHeaderSize) {
    uint8_t maskBytes[12];
    FStream.ReadExact(maskBytes, sizeof maskBytes, kCorrupt);
    for (int i = 0; i < 3; ++i) masks[i] = Get32(maskBytes + 4 * i);
    tableStart += sizeof maskBytes;
  }
  ChooseFormat(masks[0], masks[1], masks[2], masks[3]);

  uint64_t headersEnd = tableStart;
  if (b <= 8) {
    const uint32_t limit = 1u << b;
    const uint32_t count = colourCount == 0 ? limit : colourCount;
    if (count > limit) Fail(kBadColours);
    const uint32_t entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
    headersEnd += uint64_t(count) * entrySize;
    if (headersEnd > FFileSize) Fail(kBadColours);
    ReadPalette(tableStart, count, entrySize);
  }
  if (FPixelOffset < headersEnd || FPixelOffset > FFileSize) Fail(kCorrupt);
  CheckPixelData();
}

void TBmpDecoder::TImpl::ChooseFormat(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  switch (FBitCount) {
    case 1: FFormat = pf1bit; return;
    case 4: FFormat = pf4bit; return;
    case 8: FFormat = pf8bit; return;
    case 24: FFormat = pf24bit; return;
    default: break;
  }
  if (FCompression == kBiRgb) {
    FFormat = FBitCount == 16 ? pf15bit : pf32bit;
    return;
  }
  const uint32_t all = FBitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  for (uint32_t m : {red, green, blue})
    if (!Contiguous(m) || (m & ~all) != 0) Fail(kBadMasks);
  if (alpha != 0 && (!Contiguous(alpha) || (alpha & ~all) != 0)) Fail(kBadMasks);
  if ((red & green) || (red & blue) || (green & blue) || (alpha & (red | green | blue))) Fail(kBadMasks);

  if (FBitCount == 16) {
    // A fourth mask over the spare top bit of 5-5-5 changes no colour.
    if (red == 0x7C00 && green == 0x3E0 && blue == 0x1F && (alpha == 0 || alpha == 0x8000)) {
      FFormat = pf15bit;
      return;
    }
    if (red == 0xF800 && green == 0x7E0 && blue == 0x1F) {
      FFormat = pf16bit;
      return;
    }
    FFormat = pf24bit;
  } else {
    if (red == 0xFF0000 && green == 0xFF00 && blue == 0xFF && (alpha == 0 || alpha == 0xFF000000)) {
      FFormat = pf32bit;
      return;
    }
    FFormat = pf32bit;
  }
  FConvert = true;
  FRed = TChannel(red);
  FGreen = TChannel(green);
  FBlue = TChannel(blue);
  FAlpha = TChannel(alpha);
}

void TBmpDecoder::TImpl::ReadPalette(uint64_t start, uint32_t count, uint32_t entrySize) {
  std::vector<uint8_t> raw(size_t(count) * entrySize);
  FStream.Seek(start);
  FStream.ReadExact(raw.data(), raw.size(), kBadColours);
  FPalette.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* p = raw.data() + size_t(i) * entrySize;
    FPalette[i] = TRGBQuad{p[0], p[1], p[2], 0};
  }
}

void TBmpDecoder::TImpl::CheckPixelData() {
  FStride = TBitmap::StrideFor(FWidth, FFormat);
  if (FStride > kMaxBitmapBytes / size_t(FHeight)) Fail(kBadSize);
  const uint64_t available = FFileSize - FPixelOffset;
  if (FCompression == kBiRle8 || FCompression == kBiRle4) {
    // Two bytes are the least any stream holds (an end of bitmap).
    if (available < 2) Fail(kCorrupt);
    const uint64_t pixels = uint64_t(FWidth) * uint64_t(FHeight);
    const uint64_t leastData = (pixels + kRlePixelsPerByte - 1) / kRlePixelsPerByte;
    if (pixels > kRleMinPixels && available < leastData) Fail(kCorrupt);
    return;
  }
  FFileStride = (uint64_t(FWidth) * FBitCount + 31) / 32 * 4;
  if (FFileStride * uint64_t(FHeight) > available) Fail(kCorrupt);
}

void TBmpDecoder::TImpl::ConvertRow(const uint8_t* in, uint8_t* out) const {
  if (FBitCount == 16) {
    for (int32_t x = 0; x < FWidth; ++x, in += 2, out += 3) {
      const uint32_t v = Get16(in);
      out[0] = FBlue.Scale(v);
      out[1] = FGreen.Scale(v);
      out[2] = FRed.Scale(v);
    }
  } else {
    for (int32_t x = 0; x < FWidth; ++x, in += 4, out += 4) {
      const uint32_t v = Get32(in);
      out[0] = FBlue.Scale(v);
      out[1] = FGreen.Scale(v);
      out[2] = FRed.Scale(v);
      out[3] = FAlpha.Scale(v);
    }
  }
}

void TBmpDecoder::TImpl::ReadUncompressed(const std::function<void(int32_t, const uint8_t*)>& sink) {
  // Only the bits of real pixels are kept; the padding after them is cleared,
  // so that equal pictures give equal rows.
  const size_t usedBits = size_t(FWidth) * FBitCount;
  const size_t usedBytes = (usedBits + 7) / 8;
  std::vector<uint8_t> stored(static_cast<size_t>(FFileStride));
  std::vector<uint8_t> row(FStride, 0);
  uint64_t next = std::numeric_limits<uint64_t>::max();
  for (int32_t y = 0; y < FHeight; ++y) {
    TCancelScope::ThrowIfCancelled();
    const int32_t fileRow = FTopDown ? y : FHeight - 1 - y;
    const uint64_t position = FPixelOffset + uint64_t(fileRow) * FFileStride;
    if (position != next) FStream.Seek(position);
    FStream.ReadExact(stored.data(), stored.size(), kCorrupt);
    next = position + FFileStride;
    if (FConvert) {
      ConvertRow(stored.data(), row.data());
    } else {
      std::memcpy(row.data(), stored.data(), usedBytes);
      if (usedBits % 8) row[usedBytes - 1] &= uint8_t(0xFF << (8 - usedBits % 8));
    }
    sink(y, row.data());
  }
}

std::vector<uint8_t> TBmpDecoder::TImpl::DecodeRle() {
  std::vector<uint8_t> pixels = AllocatePixels(FStride * size_t(FHeight));
  TRleReader in(FStream, FPixelOffset, FFileSize - FPixelOffset);
  const bool four = FCompression == kBiRle4;
  const int64_t width = FWidth, height = FHeight;
  // Some encoders (ImageMagick among them) code whole stored rows, padding
  // included; pixels that fall into the padding are dropped. Only what goes
  // beyond the stored row is corrupt.
  const int64_t room = int64_t(FStride) * (four ? 2 : 1);
  int64_t x = 0, row = 0;  // row 0 is the bottom one
  auto put = [&](uint32_t value) {
    if (x < width) {
      uint8_t* line = pixels.data() + size_t(height - 1 - row) * FStride;
      if (four)
        line[x >> 1] |= uint8_t((value & 15) << ((x & 1) ? 0 : 4));
      else
        line[x] = uint8_t(value);
    }
    ++x;
  };
  for (;;) {
    if (in.AtEnd()) {
      // Some writers leave out the final end of bitmap after the last line.
      if (row >= height) break;
      Fail(kCorrupt);
    }
    const uint8_t count = in.Next();
    const uint8_t code = in.Next();
    if (count > 0) {
      if (row >= height || x + count > room) Fail(kCorrupt);
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? code & 15 : code >> 4) : code);
    } else if (code == 0) {  // end of line
      TCancelScope::ThrowIfCancelled();
      x = 0;
      row = std::min(row + 1, height);
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta: move right and up
      const uint8_t dx = in.Next();
      const uint8_t dy = in.Next();
      if (x + dx > room || row + dy > height) Fail(kCorrupt);
      x += dx;
      row += dy;
    } else {  // absolute run of `code` pixels, padded to 16 bits
      if (row >= height || x + code > room) Fail(kCorrupt);
      const size_t bytes = four ? (size_t(code) + 1) / 2 : code;
      uint8_t value = 0;
      for (int i = 0; i < code; ++i) {
        if (!four) {
          put(in.Next());
        } else {
          if ((i & 1) == 0) value = in.Next();
          put((i & 1) ? value & 15 : value >> 4);
        }
      }
      in.Skip(bytes & 1);
    }
  }
  return pixels;
}

TBmpDecoder::TBmpDecoder(TStream& stream) : FImpl(std::make_unique<TImpl>(stream)) { FImpl->ReadHeaders(); }

TBmpDecoder::~TBmpDecoder() = default;

int32_t TBmpDecoder::Width() const { return FImpl->FWidth; }
int32_t TBmpDecoder::Height() const { return FImpl->FHeight; }
TPixelFormat TBmpDecoder::PixelFormat() const { return FImpl->FFormat; }
const std::vector<TRGBQuad>& TBmpDecoder::Palette() const { return FImpl->FPalette; }

void TBmpDecoder::ReadRows(const TRowSink& sink) {
  TImpl& d = *FImpl;
  if (d.FCompression != kBiRle8 && d.FCompression != kBiRle4) {
    d.ReadUncompressed(sink);
    return;
  }
  const std::vector<uint8_t> pixels = d.DecodeRle();
  for (int32_t y = 0; y < d.FHeight; ++y) sink(y, pixels.data() + size_t(y) * d.FStride);
}

void TBmpDecoder::Load(TBitmap& bitmap) {
  TImpl& d = *FImpl;
  // The bitmap is taken over only when the first row is there: compressed
  // pictures are wholly decoded by then, so a broken file leaves the bitmap
  // as it was. A read failing later (a file cut while it is read) leaves it
  // empty rather than half a picture.
  bool started = false;
  try {
    ReadRows([&](int32_t y, const uint8_t* row) {
      if (!started) {
        started = true;
        bitmap.SetSize(0, 0);
        bitmap.SetPixelFormat(d.FFormat);
        bitmap.Palette() = d.FPalette;
        bitmap.SetSize(d.FWidth, d.FHeight);
      }
      std::memcpy(bitmap.ScanLine(y), row, d.FStride);
    });
  } catch (...) {
    if (started) bitmap.SetSize(0, 0);
    throw;
  }
}

void LoadBitmapFromFile(const std::string& fileName, TBitmap& bitmap) {
  TFileStream stream(fileName, TFileStream::TMode::Read);
  TBmpDecoder decoder(stream);
  decoder.Load(bitmap);
}

std::vector<uint8_t> SaveBitmapToMemory(const TBitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic(IDS_BITMAP_SAVE_EMPTY);
  const TPixelFormat format = bitmap.PixelFormat();
  const int bits = TBitmap::BitsPerPixel(format);
  const bool palette = format == pf1bit || format == pf4bit || format == pf8bit;
  const bool masks = format == pf16bit;

  // A colour table holds at most 2^bits entries; an empty one is written as a
  // single black entry, which is what indices without a colour show.
  std::vector<TRGBQuad> table;
  if (palette) {
    table = bitmap.Palette();
    table.resize(std::clamp<size_t>(table.size(), 1, size_t(1) << bits));
  }
  const size_t stride = TBitmap::StrideFor(bitmap.Width(), format);
  const size_t imageSize = stride * size_t(bitmap.Height());
  const size_t offset = kFileHeaderSize + kInfoHeaderSize + (masks ? 12 : 0) + table.size() * 4;
  const uint64_t total = uint64_t(offset) + imageSize;
  if (total > std::numeric_limits<uint32_t>::max()) throw EInvalidGraphic(IDS_BITMAP_TOO_LARGE);

  std::vector<uint8_t> out = AllocatePixels(size_t(total));
  uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, uint32_t(total));
  Put32(p + 10, uint32_t(offset));
  p += kFileHeaderSize;
  Put32(p, kInfoHeaderSize);
  Put32(p + 4, uint32_t(bitmap.Width()));
  Put32(p + 8, uint32_t(bitmap.Height()));
  Put16(p + 12, 1);
  Put16(p + 14, uint32_t(bits));
  Put32(p + 16, masks ? kBiBitfields : kBiRgb);
  Put32(p + 20, uint32_t(imageSize));
  Put32(p + 32, uint32_t(table.size()));
  p += kInfoHeaderSize;
  if (masks) {
    Put32(p, 0xF800);
    Put32(p + 4, 0x7E0);
    Put32(p + 8, 0x1F);
    p += 12;
  }
  for (const TRGBQuad& q : table) {
    p[0] = q.Blue;
    p[1] = q.Green;
    p[2] = q.Red;
    p += 4;
  }
  const size_t usedBits = size_t(bitmap.Width()) * size_t(bits);
  const size_t usedBytes = (usedBits + 7) / 8;
  for (int32_t y = bitmap.Height() - 1; y >= 0; --y, p += stride) {
    std::memcpy(p, bitmap.ScanLine(y), usedBytes);
    if (usedBits % 8) p[usedBytes - 1] &= uint8_t(0xFF << (8 - usedBits % 8));
  }
  return out;
}

void SaveBitmapToFile(const std::string& fileName, const TBitmap& bitmap) {
  const std::vector<uint8_t> data = SaveBitmapToMemory(bitmap);
  TFileStream stream(fileName, TFileStream::TMode::Write);
  stream.Write(data.data(), data.size());
  stream.Close();
}
