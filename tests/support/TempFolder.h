// A fresh folder below the system's temporary folder, removed with everything
// in it when the object goes. Paths are UTF-8 both ways, on both platforms.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vemo_test {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

class TTempFolder {
public:
  explicit TTempFolder(const std::string& stem = "vemo-test") {
    std::mt19937_64 random(std::random_device{}() ^
                           uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::filesystem::path candidate = base / (stem + "-" + std::to_string(random() % 1000000000));
      if (std::filesystem::create_directory(candidate)) {
        FPath = candidate;
        return;
      }
    }
    throw std::runtime_error("no fresh temporary folder");
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }

  const std::filesystem::path& FsPath() const { return FPath; }
  // The folder's UTF-8 path in the platform's own spelling, without a
  // trailing delimiter.
  std::string Path() const { return Utf8FromPath(FPath.lexically_normal()); }

  // relative is UTF-8 with "/" between the components.
  std::filesystem::path MakeFolder(const std::string& relative) const {
    std::filesystem::path path = (FPath / PathFromUtf8(relative)).lexically_normal();
    std::filesystem::create_directories(path);
    return path;
  }
  std::filesystem::path MakeFile(const std::string& relative, const std::string& content = "") const {
    std::filesystem::path path = (FPath / PathFromUtf8(relative)).lexically_normal();
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + Utf8FromPath(path));
    return path;
  }

private:
  std::filesystem::path FPath;
};

}  // namespace vemo_test
