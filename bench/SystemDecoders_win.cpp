// A 24-megapixel PNG made into a tile through the band path (the system's
// decoder read a band of rows at a time into the streaming area average),
// against the system's own full decode of the same file to a 32-bit bitmap,
// measured in the same run, with the process's peak working set after each.
// bench/formats.sh builds and runs it under Wine.
#include <windows.h>
// After windows.h.
#include <psapi.h>
#include <wincodec.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/WinHandles_win.h"
#include "picture/SystemDecoders_win.h"
#include "picture/vemoSub.h"

namespace {

constexpr UINT kWidth = 6000, kHeight = 4000;

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) {
    std::fprintf(stderr, "%s failed: 0x%08lX\n", what, static_cast<unsigned long>(result));
    std::exit(1);
  }
}

// A photo-like 24-bit picture, written a band at a time by the system's PNG encoder.
void WritePng(IWICImagingFactory* factory, const std::wstring& path) {
  TComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.Put()), "CreateStream");
  Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "InitializeFromFilename");
  TComPtr<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()), "CreateEncoder");
  Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "Initialize");
  TComPtr<IWICBitmapFrameEncode> frame;
  Check(encoder->CreateNewFrame(frame.Put(), nullptr), "CreateNewFrame");
  Check(frame->Initialize(nullptr), "frame Initialize");
  Check(frame->SetSize(kWidth, kHeight), "SetSize");
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  Check(frame->SetPixelFormat(&format), "SetPixelFormat");
  std::vector<BYTE> band(size_t(kWidth) * 3 * 100);
  uint32_t noise = 12345;
  for (UINT y = 0; y < kHeight; y += 100) {
    for (UINT i = 0; i < 100; ++i)
      for (UINT x = 0; x < kWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        BYTE* p = &band[(size_t(i) * kWidth + x) * 3];
        p[0] = BYTE(x / 24 + (noise >> 29));
        p[1] = BYTE((y + i) / 16 + (noise >> 28));
        p[2] = BYTE((x + y + i) / 40);
      }
    Check(frame->WritePixels(100, kWidth * 3, UINT(band.size()), band.data()), "WritePixels");
  }
  Check(frame->Commit(), "frame Commit");
  Check(encoder->Commit(), "Commit");
}

double Seconds(const std::chrono::steady_clock::duration& d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  TComApartment com;
  TComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(factory.Put())),
        "CoCreateInstance");
  const std::wstring path = argc > 1 ? argv[1] : L"bench-24mp.png";
  WritePng(factory.Get(), path);
  InstallSystemPictureFormats();
  const size_t before = PeakWorkingSet();
  const int runs = 3;

  double bands = 1e9;
  for (int i = 0; i < runs; ++i) {
    TBitmap tile(16, 16, pf24bit);
    const auto start = std::chrono::steady_clock::now();
    MakeTile(Utf8Of(path), tile, 16);
    bands = std::min(bands, Seconds(std::chrono::steady_clock::now() - start));
  }
  const size_t peakBands = PeakWorkingSet();

  double whole = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    TComPtr<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                             WICDecodeMetadataCacheOnDemand, decoder.Put()),
          "CreateDecoderFromFilename");
    TComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.Put()), "GetFrame");
    TComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Put()), "CreateFormatConverter");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                0, WICBitmapPaletteTypeCustom),
          "converter Initialize");
    TComPtr<IWICBitmap> bitmap;
    Check(factory->CreateBitmapFromSource(converter.Get(), WICBitmapCacheOnLoad, bitmap.Put()),
          "CreateBitmapFromSource");
    whole = std::min(whole, Seconds(std::chrono::steady_clock::now() - start));
  }
  const size_t peakWhole = PeakWorkingSet();

  std::printf("input: %ux%u 24-bit PNG (%.1f megapixels), best of %d runs each\n", kWidth, kHeight,
              kWidth * double(kHeight) / 1e6, runs);
  std::printf("band path (16x16 tile):        %.3f s, peak working set %.1f MB (%.1f MB before)\n", bands,
              peakBands / 1048576.0, before / 1048576.0);
  std::printf("system full decode to bitmap:  %.3f s, peak working set %.1f MB\n", whole,
              peakWhole / 1048576.0);
  std::printf("time ratio band path / full decode: %.2f\n", bands / whole);
  DeleteFileW(path.c_str());
  return 0;
}
