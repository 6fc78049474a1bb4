#include "picture/vemoSub.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "framework/BmpFile.h"
#include "framework/FloatControl.h"
#include "framework/PictureDecoder.h"
#include "framework/Streams.h"
#include "picture/AreaAverageStream.h"
#include "picture/JpegDecoder.h"
#include "picture/OtherFormats.h"
#include "picture/ZoBLibResize.h"

namespace {

bool IsNameDelimiter(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

enum class TPictureKind { None, Bmp, Jpeg, Other };

TPictureKind KindOf(const std::string& fileName) {
  const std::string ext = PictureExtension(fileName);
  if (ext == "bmp") return TPictureKind::Bmp;
  if (ext == "jpg" || ext == "jpeg") return TPictureKind::Jpeg;
  if (IsOtherPictureExtension(ext)) return TPictureKind::Other;
  return TPictureKind::None;
}

// A picture of one of the other formats on offer, refused before it is read
// when it has too many pixels.
std::unique_ptr<TPictureDecoder> OpenOther(const std::string& fileName) {
  // Some decoders take in the whole frame as soon as they open, so a size
  // that can be read cheaply is refused before any decoder sees the file.
  RefuseOversizedFile(fileName);
  std::unique_ptr<TRawPicture> picture = OpenOtherPicture(fileName);
  if (!picture) throw EInvalidGraphic(IDS_PICTURE_READ_FAILED, {fileName});
  if (uint64_t(std::max(picture->Width(), 0)) * uint64_t(std::max(picture->Height(), 0)) >
      kMaxPicturePixels) {
    std::string format = PictureExtension(fileName);
    for (char& c : format) c = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    throw EInvalidGraphic(PictureTooLargeMessage(format));
  }
  return picture;
}

// The decoder for a picture of any kind, with the file it reads from. Rows
// come in the picture's own pixel format; other formats come as pf24bit,
// laid over black.
class TPictureRows {
public:
  TPictureRows(const std::string& fileName, TPictureKind kind) {
    if (kind == TPictureKind::Other) {
      FDecoder = OpenOther(fileName);
      return;
    }
    FStream = std::make_unique<TFileStream>(fileName, TFileStream::TMode::Read);
    if (kind == TPictureKind::Bmp)
      FDecoder = std::make_unique<TBmpDecoder>(*FStream);
    else
      FDecoder = std::make_unique<TJpegDecoder>(*FStream);
  }
  TPictureDecoder& Decoder() { return *FDecoder; }

private:
  // Declared first, so that it outlives the decoder reading it.
  std::unique_ptr<TFileStream> FStream;
  std::unique_ptr<TPictureDecoder> FDecoder;
};

// The picture shrunk to width x height by area averaging, as
// ResizeBitmap(picture converted to pf32bit, w, h, rmAreaAverage) would make
// it, without holding more than a row of the picture at a time.
std::unique_ptr<TBitmap> StreamAreaAverage(TPictureDecoder& rows, int32_t width, int32_t height) {
  const TPixelFormat format = rows.PixelFormat();
  // Converted to pf32bit, a picture's fourth byte is 0 unless it had one.
  const int channels = format == pf32bit ? 4 : 3;
  TAreaAverageStream averager(rows.Width(), rows.Height(), width, height, channels);
  if (format == pf24bit || format == pf32bit) {
    const int pixelBytes = format == pf24bit ? 3 : 4;
    rows.ReadRows([&](int32_t, const uint8_t* row) { averager.AddRow(row, pixelBytes); });
  } else {
    // Other formats are converted a row at a time, through the same colour
    // conversion a whole bitmap would get.
    TBitmap source;
    source.SetPixelFormat(format);
    source.Palette() = rows.Palette();
    source.SetSize(rows.Width(), 1);
    std::vector<uint8_t> bgr(size_t(rows.Width()) * 3);
    const size_t stride = source.RowStride();
    rows.ReadRows([&](int32_t, const uint8_t* row) {
      std::memcpy(source.ScanLine(0), row, stride);
      for (int32_t x = 0; x < rows.Width(); ++x) {
        const TColor c = source.PixelColor(x, 0);
        bgr[size_t(x) * 3] = BlueOf(c);
        bgr[size_t(x) * 3 + 1] = GreenOf(c);
        bgr[size_t(x) * 3 + 2] = RedOf(c);
      }
      averager.AddRow(bgr.data(), 3);
    });
  }
  auto result = std::make_unique<TBitmap>();
  result->SetPixelFormat(pf32bit);
  result->SetSize(width, height);
  averager.Finish(*result);
  return result;
}

}  // namespace

std::string PictureExtension(const std::string& FileName) {
  size_t dot = std::string::npos;
  for (size_t i = FileName.size(); i-- > 0;) {
    if (IsNameDelimiter(FileName[i])) break;
    if (FileName[i] == '.') {
      dot = i;
      break;
    }
  }
  if (dot == std::string::npos) return {};
  std::string ext = FileName.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return ext;
}

void LoadPicture(const std::string& FileName, TBitmap& Bitmap, TOrientation* Orientation) {
  if (Orientation) *Orientation = orNormal;
  const TPictureKind kind = KindOf(FileName);
  if (kind == TPictureKind::None) return;
  TPictureRows rows(FileName, kind);
  rows.Decoder().Load(Bitmap);
  if (Orientation) *Orientation = rows.Decoder().Orientation();
}

void FitSize(int32_t Side, int32_t& Width, int32_t& Height) {
  if (Side >= Width && Side >= Height) return;
  // The products wrap like the 32-bit arithmetic they are specified in.
  if (Width > Height) {
    Height = int32_t(uint32_t(Height) * uint32_t(Side)) / Width;
    Width = Side;
  } else {
    Width = int32_t(uint32_t(Width) * uint32_t(Side)) / Height;
    Height = Side;
  }
}

void FitStoredSize(int32_t Side, TOrientation orientation, int32_t& Width, int32_t& Height) {
  if (!SwapsSides(orientation)) {
    FitSize(Side, Width, Height);
    return;
  }
  FitSize(Side, Height, Width);
}

int32_t ScaledForDpi(int32_t Pixels96, int32_t Dpi) {
  if (Dpi <= 0) Dpi = 96;
  const int64_t product = int64_t(Pixels96) * Dpi;
  return int32_t((product >= 0 ? product + 48 : product - 48) / 96);
}

TColor TileBackColor() { return clBlack; }

void MakeTile(const std::string& FileName, TBitmap& Tile, uint16_t Side) {
  std::unique_ptr<TBitmap> resized;
  const TPictureKind kind = KindOf(FileName);
  if (kind == TPictureKind::None) {
    // Nothing is loaded: an empty picture, which resizes to an empty copy.
    resized = std::make_unique<TBitmap>();
    resized->SetPixelFormat(pf32bit);
  } else {
    TPictureRows picture(FileName, kind);
    TPictureDecoder& rows = picture.Decoder();
    int32_t w = rows.Width(), h = rows.Height();
    // The picture is averaged as stored and only the small result is turned,
    // so that rows still stream from the decoder one at a time.
    const TOrientation orientation = rows.Orientation();
    FitStoredSize(Side, orientation, w, h);
    if (w == rows.Width() && h == rows.Height()) {
      // Already fits: the resampler would hand back an unchanged copy.
      resized = std::make_unique<TBitmap>();
      rows.Load(*resized);
      resized->SetPixelFormat(pf32bit);
    } else {
      resized = StreamAreaAverage(rows, w, h);
    }
    if (orientation != orNormal) resized = OrientBitmap(*resized, orientation);
  }
  // The tile is touched only now that the picture exists.
  Tile.Canvas().Brush.Color = TileBackColor();
  Tile.Canvas().FillRect({0, 0, Tile.Width(), Tile.Height()});
  Tile.Canvas().Draw((Tile.Width() - resized->Width()) / 2, (Tile.Height() - resized->Height()) / 2,
                     *resized);
}

void BlendBitmaps(TBitmap& Dest, const TBitmap& Source1, const TBitmap& Source2, float Ratio) {
  if (Dest.PixelFormat() != pf24bit || Source1.PixelFormat() != pf24bit || Source2.PixelFormat() != pf24bit)
    throw Exception(IDS_PIXEL_FORMAT_NOT_24BIT);
  if (!(Ratio >= 0.0f && Ratio <= 1.0f)) throw Exception(IDS_BLEND_RATIO);
  TExtendedPrecision precision;
  const long double ratio = Ratio;
  const long double inverse = 1.0L - ratio;
  const int32_t width = Dest.Width();
  for (int32_t y = 0; y < Dest.Height(); ++y) {
    uint8_t* d = Dest.ScanLine(y);
    const uint8_t* a = Source1.ScanLine(y);
    const uint8_t* b = Source2.ScanLine(y);
    for (int32_t x = 0; x < width; ++x, d += 3, a += 3, b += 3) {
      for (int c = 2; c >= 0; --c) d[c] = uint8_t(std::rint(inverse * a[c] + b[c] * ratio));
    }
  }
}
