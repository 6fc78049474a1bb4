// MakeTile on a 6000 x 4000 photo-like JPEG and a 6000 x 4000 24-bit BMP,
// each against merely decoding / reading the same file, in one run; then the
// peak memory MakeTile adds, measured in a child process.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "framework/BmpFile.h"
#include "picture/ZoBLibResize.h"
#include "picture/vemoSub.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

std::filesystem::path WorkDir() {
  auto dir = std::filesystem::temp_directory_path() / "vemo-bench";
  std::filesystem::create_directories(dir);
  return dir;
}

// Smooth shapes with fine texture and noise, so the encoder has photo-like work.
void PhotoRow(int y, std::vector<uint8_t>& rgb, std::mt19937& random) {
  for (int x = 0; x < kWidth; ++x) {
    const double u = x / double(kWidth), v = y / double(kHeight);
    const double base = 0.5 + 0.25 * std::sin(9 * u + 4 * v) + 0.2 * std::cos(23 * u * v + 3 * u);
    const double texture = 0.05 * std::sin(x * 0.9) * std::cos(y * 0.7);
    for (int c = 0; c < 3; ++c) {
      const double value = base * (0.7 + 0.15 * c) + texture + (int(random() % 17) - 8) / 255.0;
      rgb[size_t(x) * 3 + size_t(c)] = uint8_t(std::lround(std::clamp(value, 0.0, 1.0) * 255));
    }
  }
}

std::string JpegFile() {
  const auto path = WorkDir() / "photo-6000x4000.jpg";
  if (std::filesystem::exists(path)) return path.string();
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(kWidth) * 3);
  std::mt19937 random(1);
  for (int y = 0; y < kHeight; ++y) {
    PhotoRow(y, row, random);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
  return path.string();
}

std::string BmpFile() {
  const auto path = WorkDir() / "photo-6000x4000.bmp";
  if (std::filesystem::exists(path)) return path.string();
  TBitmap picture;
  LoadPicture(JpegFile(), picture);
  SaveBitmapToFile(path.string(), picture);
  return path.string();
}

// The reference: libjpeg-turbo alone, every row into one reused buffer.
void DecodeOnly(const std::string& file) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  jpeg_decompress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, in);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  std::vector<uint8_t> row(size_t(info.output_width) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW p = row.data();
    jpeg_read_scanlines(&info, &p, 1);
  }
  benchmark::DoNotOptimize(row.data());
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(in);
}

// The reference for the BMP: reading the whole file, a row at a time.
void ReadOnly(const std::string& file) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  std::vector<uint8_t> row(size_t(kWidth) * 3);
  while (std::fread(row.data(), 1, row.size(), in) == row.size()) benchmark::DoNotOptimize(row.data());
  std::fclose(in);
}

void BM_JpegDecodeOnly(benchmark::State& state) {
  const std::string file = JpegFile();
  for (auto _ : state) DecodeOnly(file);
}
void BM_JpegMakeTile(benchmark::State& state) {
  const std::string file = JpegFile();
  TBitmap tile(16, 16, pf24bit);
  for (auto _ : state) MakeTile(file, tile, 16);
}
void BM_BmpReadOnly(benchmark::State& state) {
  const std::string file = BmpFile();
  for (auto _ : state) ReadOnly(file);
}
void BM_BmpMakeTile(benchmark::State& state) {
  const std::string file = BmpFile();
  TBitmap tile(16, 16, pf24bit);
  for (auto _ : state) MakeTile(file, tile, 16);
}
BENCHMARK(BM_JpegDecodeOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_JpegMakeTile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BmpReadOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_BmpMakeTile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Remembers each benchmark's mean real time per iteration.
class TRecordingReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> Times, CpuTimes;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      Times[run.benchmark_name()] = run.GetAdjustedRealTime();
      CpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
  return -1;
}

// Peak resident memory that work adds, in kB, measured in a child process
// whose high-water mark is reset just before.
template <typename F>
long PeakAddedKb(F work) {
  const pid_t child = fork();
  if (child == 0) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKb("VmRSS:");
    work();
    const long peak = StatusKb("VmHWM:");
    std::FILE* out = std::fopen((WorkDir() / "peak.txt").string().c_str(), "w");
    std::fprintf(out, "%ld\n", peak - before);
    std::fclose(out);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  long kb = -1;
  std::FILE* in = std::fopen((WorkDir() / "peak.txt").string().c_str(), "r");
  if (in && std::fscanf(in, "%ld", &kb) != 1) kb = -1;
  if (in) std::fclose(in);
  return kb;
}

void WholePictureTile(const std::string& file) {
  TBitmap picture;
  LoadPicture(file, picture);
  picture.SetPixelFormat(pf32bit);
  int32_t w = picture.Width(), h = picture.Height();
  FitSize(16, w, h);
  benchmark::DoNotOptimize(ResizeBitmap(picture, w, h, rmAreaAverage, false));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::string jpeg = JpegFile(), bmp = BmpFile();
  std::printf("inputs: %s (%ju bytes), %s (%ju bytes), %d x %d\n", jpeg.c_str(),
              uintmax_t(std::filesystem::file_size(jpeg)), bmp.c_str(),
              uintmax_t(std::filesystem::file_size(bmp)), kWidth, kHeight);
  TRecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* a, const char* b) {
    if (!reporter.Times.count(a) || !reporter.Times.count(b)) return;
    std::printf("ratio %s / %s = %.3f (real time), %.3f (CPU time)\n", a, b,
                reporter.Times[a] / reporter.Times[b], reporter.CpuTimes[a] / reporter.CpuTimes[b]);
  };
  ratio("BM_JpegMakeTile/min_time:2.000", "BM_JpegDecodeOnly/min_time:2.000");
  ratio("BM_BmpMakeTile/min_time:1.000", "BM_BmpReadOnly/min_time:1.000");
  TBitmap tile(16, 16, pf24bit);
  std::printf("peak memory added by MakeTile: JPEG %.1f MB, BMP %.1f MB\n",
              PeakAddedKb([&] { MakeTile(jpeg, tile, 16); }) / 1024.0,
              PeakAddedKb([&] { MakeTile(bmp, tile, 16); }) / 1024.0);
  std::printf("peak memory added by the whole-picture pipeline (for comparison): JPEG %.1f MB, BMP %.1f MB\n",
              PeakAddedKb([&] { WholePictureTile(jpeg); }) / 1024.0,
              PeakAddedKb([&] { WholePictureTile(bmp); }) / 1024.0);
  benchmark::Shutdown();
  return 0;
}
