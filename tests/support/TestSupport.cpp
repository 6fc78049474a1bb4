#include "support/TestSupport.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "framework/Streams.h"

std::string TestDataPath(const std::string& relative) {
  std::string path = std::string(VEMO_TEST_DATA_DIR) + "/" + relative;
#ifdef _WIN32
  for (char& c : path)
    if (c == '/') c = '\\';
#endif
  return path;
}

TTempDir::TTempDir() {
  static std::mt19937 generator{std::random_device{}()};
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("vemo-test-" + std::to_string(generator()));
    if (std::filesystem::create_directory(candidate)) {
      FPath = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

std::string TTempDir::File(const std::string& name) const {
  const auto u8 = (FPath / std::filesystem::u8path(name)).u8string();
  return std::string(u8.begin(), u8.end());
}

std::vector<uint8_t> ReadWholeFile(const std::string& fileName) {
  std::FILE* f = OpenFileUtf8(fileName, "rb");
  if (!f) throw std::runtime_error("cannot open " + fileName);
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

void WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes) {
  std::FILE* f = OpenFileUtf8(fileName, "wb");
  if (!f) throw std::runtime_error("cannot create " + fileName);
  const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (written != bytes.size()) throw std::runtime_error("cannot write " + fileName);
}

TPpm ReadPpm(const std::string& fileName) {
  const std::vector<uint8_t> bytes = ReadWholeFile(fileName);
  size_t pos = 0;
  auto token = [&]() {
    while (pos < bytes.size() && (isspace(bytes[pos]) || bytes[pos] == '#')) {
      if (bytes[pos] == '#')
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      else
        ++pos;
    }
    std::string t;
    while (pos < bytes.size() && !isspace(bytes[pos])) t.push_back(char(bytes[pos++]));
    return t;
  };
  if (token() != "P6") throw std::runtime_error("not a binary PPM: " + fileName);
  TPpm ppm;
  ppm.Width = std::stoi(token());
  ppm.Height = std::stoi(token());
  if (std::stoi(token()) != 255) throw std::runtime_error("PPM maxval is not 255: " + fileName);
  ++pos;
  const size_t size = size_t(ppm.Width) * size_t(ppm.Height) * 3;
  if (bytes.size() < pos + size) throw std::runtime_error("short PPM: " + fileName);
  ppm.Rgb.assign(bytes.begin() + ptrdiff_t(pos), bytes.begin() + ptrdiff_t(pos + size));
  return ppm;
}

void FillRandom(TBitmap& bitmap, uint32_t seed) {
  std::mt19937 generator(seed);
  const size_t used = (size_t(bitmap.Width()) * size_t(TBitmap::BitsPerPixel(bitmap.PixelFormat())) + 7) / 8;
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (size_t i = 0; i < used; ++i) row[i] = uint8_t(generator());
  }
}

uint64_t PixelHash(const TBitmap& bitmap) {
  uint64_t hash = 14695981039346656037ull;
  const size_t used = (size_t(bitmap.Width()) * size_t(TBitmap::BitsPerPixel(bitmap.PixelFormat())) + 7) / 8;
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (size_t i = 0; i < used; ++i) {
      hash ^= row[i];
      hash *= 1099511628211ull;
    }
  }
  return hash;
}
