#include "picture/SystemDecoders_win.h"

// The GUIDs the imaging header declares are defined here, once.
#include <initguid.h>
// clang-format off
#include <windows.h>
#include <wincodec.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/WinHandles_win.h"
#include "picture/OtherFormats.h"

namespace {

// COM and an imaging factory for each thread that decodes: the window's
// thread (whose apartment COM already is) and the worker. The factory goes
// before COM does.
struct TThreadImaging {
  TComApartment Com{COINIT_MULTITHREADED};
  TComPtr<IWICImagingFactory> Factory;
};

IWICImagingFactory* ThreadFactory() {
  thread_local TThreadImaging imaging;
  if (!imaging.Factory)
    CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(imaging.Factory.Put()));
  return imaging.Factory.Get();
}

struct TDecoder {
  CLSID Id;
  std::string Name;
  std::vector<std::string> Extensions;
};

// Fixed after start-up; read by every thread.
std::vector<TDecoder> gDecoders;

// Decoders that turned out to lack a part they need (a codec from the Store,
// typically), by index into gDecoders.
std::mutex gBrokenLock;
std::set<size_t> gBroken;

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

// The name users know a format by, from its decoder's extensions.
std::string FormatName(const std::vector<std::string>& extensions) {
  static const struct {
    const char* Extension;
    const char* Name;
  } kNames[] = {{"heic", "HEIC"},   {"heif", "HEIF"},   {"webp", "WebP"}, {"avif", "AVIF"},
                {"jxr", "JPEG XR"}, {"wdp", "JPEG XR"}, {"dng", "RAW"},   {"tif", "TIFF"}};
  for (const auto& known : kNames)
    if (std::find(extensions.begin(), extensions.end(), known.Extension) != extensions.end())
      return known.Name;
  std::string name = extensions.front();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return name;
}

// WIC's lists mix "," and ";", with or without dots and spaces.
std::vector<std::string> SplitExtensions(const std::string& list) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find_first_of(",;", start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    item.erase(0, item.find_first_not_of(" ."));
    item.erase(item.find_last_not_of(' ') + 1);
    if (!item.empty() && item.find_first_of("*?\\/") == std::string::npos) result.push_back(LowerAscii(item));
    start = end + 1;
  }
  return result;
}

std::vector<TDecoder> EnumerateDecoders() {
  std::vector<TDecoder> decoders;
  IWICImagingFactory* factory = ThreadFactory();
  if (!factory) return decoders;
  TComPtr<IEnumUnknown> components;
  if (FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, components.Put())))
    return decoders;
  for (;;) {
    TComPtr<IUnknown> component;
    ULONG got = 0;
    if (components->Next(1, component.Put(), &got) != S_OK || got != 1) break;
    TComPtr<IWICBitmapDecoderInfo> info;
    if (FAILED(component->QueryInterface(IID_IWICBitmapDecoderInfo, reinterpret_cast<void**>(info.Put()))))
      continue;
    TDecoder decoder{};
    if (FAILED(info->GetCLSID(&decoder.Id))) continue;
    if (IsEqualCLSID(decoder.Id, CLSID_WICBmpDecoder) || IsEqualCLSID(decoder.Id, CLSID_WICJpegDecoder))
      continue;
    UINT length = 0;
    if (FAILED(info->GetFileExtensions(0, nullptr, &length)) || length == 0 || length > 4096) continue;
    std::wstring text(length, L'\0');
    if (FAILED(info->GetFileExtensions(length, text.data(), &length))) continue;
    text.resize(wcsnlen(text.c_str(), text.size()));
    decoder.Extensions = SplitExtensions(Utf8Of(text));
    if (decoder.Extensions.empty()) continue;
    decoder.Name = FormatName(decoder.Extensions);
    decoders.push_back(std::move(decoder));
  }
  return decoders;
}

// Failures that mean the decoder is there but a part it relies on is not
// (HEIF without the HEVC extension, for example), rather than a bad file.
bool IsMissingPart(HRESULT result) {
  // Not WINCODEC_ERR_COMPONENTNOTFOUND: a damaged file gives that too, and one
  // bad file must not silence every file of its format.
  return result == REGDB_E_CLASSNOTREG || result == WINCODEC_ERR_COMPONENTINITIALIZEFAILURE ||
         HRESULT_FACILITY(result) == 0xD /* Media Foundation: a codec the decoder relies on */;
}

struct TLayoutOf {
  const GUID* Format;
  TRowLayout Layout;
};

const TLayoutOf kLayouts[] = {
    {&GUID_WICPixelFormat24bppBGR, TRowLayout::Bgr24},
    {&GUID_WICPixelFormat24bppRGB, TRowLayout::Rgb24},
    {&GUID_WICPixelFormat32bppBGR, TRowLayout::Bgrx32},
    {&GUID_WICPixelFormat32bppRGB, TRowLayout::Rgbx32},
    {&GUID_WICPixelFormat32bppBGRA, TRowLayout::Bgra32},
    {&GUID_WICPixelFormat32bppRGBA, TRowLayout::Rgba32},
    {&GUID_WICPixelFormat32bppPBGRA, TRowLayout::Pbgra32},
    {&GUID_WICPixelFormat32bppPRGBA, TRowLayout::Prgba32},
    {&GUID_WICPixelFormat16bppBGR555, TRowLayout::Bgr555},
    {&GUID_WICPixelFormat16bppBGR565, TRowLayout::Bgr565},
    {&GUID_WICPixelFormat48bppRGB, TRowLayout::Rgb48},
    {&GUID_WICPixelFormat48bppBGR, TRowLayout::Bgr48},
    {&GUID_WICPixelFormat64bppRGB, TRowLayout::Rgbx64},
    {&GUID_WICPixelFormat64bppRGBA, TRowLayout::Rgba64},
    {&GUID_WICPixelFormat64bppBGRA, TRowLayout::Bgra64},
    {&GUID_WICPixelFormat64bppPRGBA, TRowLayout::Prgba64},
    {&GUID_WICPixelFormat64bppPBGRA, TRowLayout::Pbgra64},
    {&GUID_WICPixelFormatBlackWhite, TRowLayout::Gray1},
    {&GUID_WICPixelFormat2bppGray, TRowLayout::Gray2},
    {&GUID_WICPixelFormat4bppGray, TRowLayout::Gray4},
    {&GUID_WICPixelFormat8bppGray, TRowLayout::Gray8},
    {&GUID_WICPixelFormat16bppGray, TRowLayout::Gray16},
    {&GUID_WICPixelFormat1bppIndexed, TRowLayout::Indexed1},
    {&GUID_WICPixelFormat2bppIndexed, TRowLayout::Indexed2},
    {&GUID_WICPixelFormat4bppIndexed, TRowLayout::Indexed4},
    {&GUID_WICPixelFormat8bppIndexed, TRowLayout::Indexed8},
};

class TSystemPicture : public TRawPicture {
public:
  TSystemPicture(const std::string& fileName, size_t decoderIndex) : FDecoderIndex(decoderIndex) {
    FFactory = ThreadFactory();
    if (!FFactory) throw EInvalidGraphic(IDS_IMAGING_MISSING);
    Check(FFactory->CreateDecoderFromFilename(WideOf(fileName).c_str(), nullptr, GENERIC_READ,
                                              WICDecodeMetadataCacheOnDemand, FDecoder.Put()),
          false);
    // The decoder the content chose answers for what goes wrong from here on.
    TComPtr<IWICBitmapDecoderInfo> info;
    CLSID used{};
    if (SUCCEEDED(FDecoder->GetDecoderInfo(info.Put())) && SUCCEEDED(info->GetCLSID(&used)))
      for (size_t i = 0; i < gDecoders.size(); ++i)
        if (IsEqualCLSID(gDecoders[i].Id, used)) FDecoderIndex = i;
    Check(FDecoder->GetFrame(0, FFrame.Put()), true);
    UINT width = 0, height = 0;
    Check(FFrame->GetSize(&width, &height), true);
    FWidth = int32_t(std::min<UINT>(width, INT32_MAX));
    FHeight = int32_t(std::min<UINT>(height, INT32_MAX));
    ReadOrientation();
    WICPixelFormatGUID pixelFormat{};
    Check(FFrame->GetPixelFormat(&pixelFormat), true);
    FSource = FFrame.Get();
    const auto known = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                                    [&](const TLayoutOf& l) { return IsEqualGUID(*l.Format, pixelFormat); });
    if (known != std::end(kLayouts)) {
      FFormat.Layout = known->Layout;
      if (BitsPerPixel(FFormat.Layout) <= 8 && FFormat.Layout >= TRowLayout::Indexed1) ReadPalette();
    } else {
      // Floating-point, fixed-point, CMYK and the rarer layouts: the system's
      // converter makes them 8-bit BGRA, which our own rule lays over black.
      Check(FFactory->CreateFormatConverter(FConverter.Put()), true);
      Check(FConverter->Initialize(FFrame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0, WICBitmapPaletteTypeCustom),
            true);
      FSource = FConverter.Get();
      FFormat.Layout = TRowLayout::Bgra32;
    }
  }

  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  TOrientation Orientation() const override { return FOrientation; }
  const TRowFormat& Format() const override { return FFormat; }

  void CopyRows(int32_t y, int32_t count, size_t stride, uint8_t* buffer) override {
    const WICRect rect{0, y, FWidth, count};
    const uint64_t bytes = uint64_t(stride) * uint64_t(count);
    if (bytes > UINT_MAX) throw EInvalidGraphic(IDS_PICTURE_BAND_TOO_LARGE);
    Check(FSource->CopyPixels(&rect, UINT(stride), UINT(bytes), buffer), true);
  }

private:
  void Check(HRESULT result, bool decoderChosen) {
    if (SUCCEEDED(result)) return;
    const TDecoder& decoder = gDecoders[FDecoderIndex];
    if (decoderChosen && IsMissingPart(result)) {
      std::lock_guard lock(gBrokenLock);
      if (!gBroken.insert(FDecoderIndex).second) throw EPicturePassedOver(decoder.Name);
      throw EInvalidGraphic(IDS_FORMAT_NEEDS_EXTENSION, {decoder.Name});
    }
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
    throw EInvalidGraphic(IDS_PICTURE_READ_FAILED_CODE, {decoder.Name, std::string(code)});
  }

  void ReadOrientation() {
    TComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(FFrame->GetMetadataQueryReader(reader.Put()))) return;
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(reader->GetMetadataByName(L"System.Photo.Orientation", &value)) && value.vt == VT_UI2 &&
        value.uiVal >= orNormal && value.uiVal <= orTurnAnticlockwise)
      FOrientation = TOrientation(value.uiVal);
    PropVariantClear(&value);
  }

  void ReadPalette() {
    TComPtr<IWICPalette> palette;
    Check(FFactory->CreatePalette(palette.Put()), true);
    if (FAILED(FFrame->CopyPalette(palette.Get()))) return;  // entries beyond the table are black
    UINT count = 0;
    if (FAILED(palette->GetColorCount(&count)) || count == 0 || count > 256) return;
    FFormat.Palette.resize(count);
    UINT got = 0;
    if (FAILED(palette->GetColors(count, FFormat.Palette.data(), &got))) got = 0;
    FFormat.Palette.resize(got);
  }

  size_t FDecoderIndex;
  IWICImagingFactory* FFactory = nullptr;
  TComPtr<IWICBitmapDecoder> FDecoder;
  TComPtr<IWICBitmapFrameDecode> FFrame;
  TComPtr<IWICFormatConverter> FConverter;
  IWICBitmapSource* FSource = nullptr;  // the frame or the converter, owned above
  int32_t FWidth = 0, FHeight = 0;
  TOrientation FOrientation = orNormal;
  TRowFormat FFormat;
};

std::unique_ptr<TRawPicture> OpenSystemPicture(const std::string& fileName) {
  // The decoder that claims the extension; the content may pick another.
  std::string extension = fileName.substr(fileName.find_last_of('.') + 1);
  extension = LowerAscii(extension);
  size_t index = 0;
  for (size_t i = 0; i < gDecoders.size(); ++i)
    if (std::find(gDecoders[i].Extensions.begin(), gDecoders[i].Extensions.end(), extension) !=
        gDecoders[i].Extensions.end()) {
      index = i;
      break;
    }
  if (gDecoders.empty()) throw EInvalidGraphic(IDS_PICTURE_READ_FAILED, {fileName});
  {
    std::lock_guard lock(gBrokenLock);
    if (gBroken.count(index)) throw EPicturePassedOver(gDecoders[index].Name);
  }
  return std::make_unique<TSystemPicture>(fileName, index);
}

// The formats users look for first come first in the settings' note.
size_t Rank(const std::string& name) {
  static const char* const kOrder[] = {"PNG",  "GIF",  "TIFF",    "WebP", "HEIC",
                                       "HEIF", "AVIF", "JPEG XR", "RAW"};
  const auto found = std::find(std::begin(kOrder), std::end(kOrder), name);
  return size_t(found - std::begin(kOrder));
}

}  // namespace

void InstallSystemPictureFormats() {
  gDecoders = EnumerateDecoders();
  std::stable_sort(gDecoders.begin(), gDecoders.end(),
                   [](const TDecoder& a, const TDecoder& b) { return Rank(a.Name) < Rank(b.Name); });
  std::vector<TOtherFormat> formats;
  for (const TDecoder& decoder : gDecoders) formats.push_back({decoder.Name, decoder.Extensions});
  SetOtherPictureFormats(std::move(formats), OpenSystemPicture);
}
