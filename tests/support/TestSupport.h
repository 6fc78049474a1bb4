// Helpers shared by the tests: test data, temporary folders, reference
// pictures and pseudo-random bitmaps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/Graphics.h"

// Absolute path of a file below tests/data, in the platform's form.
std::string TestDataPath(const std::string& relative);

// A fresh, empty folder removed with everything in it when this goes.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::filesystem::path& Path() const { return FPath; }
  // A path inside the folder as a UTF-8 string.
  std::string File(const std::string& name) const;

private:
  std::filesystem::path FPath;
};

// A binary PPM (P6, maxval 255) as rows of red, green, blue bytes.
struct TPpm {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
};
TPpm ReadPpm(const std::string& fileName);

std::vector<uint8_t> ReadWholeFile(const std::string& fileName);
void WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes);

// A bitmap of the format filled from a fixed-seed generator.
void FillRandom(TBitmap& bitmap, uint32_t seed);

// FNV-1a over the used bytes of every row (padding excluded).
uint64_t PixelHash(const TBitmap& bitmap);
