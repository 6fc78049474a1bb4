#include "support/PortableFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "framework/Streams.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::filesystem::path FsPath(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// The system's error for a file that could not be made, in Windows numbering.
int CreateErrorCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return 5;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return 3;
    case EMFILE:
    case ENFILE: return 4;
    default: return error;
  }
}

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

}  // namespace

bool TPortableFileSystem::FileExists(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(FsPath(path), error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

int TPortableFileSystem::CreateEmptyFile(const std::string& path) {
  errno = 0;
  std::FILE* file = OpenFileUtf8(path, "wb");
  if (!file) return CreateErrorCode(errno != 0 ? errno : EIO);
  return std::fclose(file) == 0 ? 0 : CreateErrorCode(errno != 0 ? errno : EIO);
}

bool TPortableFileSystem::RemoveFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::remove(FsPath(path), error) && !error;
}

TFileReadResult TPortableFileSystem::ReadWholeFile(const std::string& path, size_t limit, std::string& data) {
  data.clear();
  if (!FileExists(path)) {
    std::error_code error;
    return std::filesystem::exists(FsPath(path), error) ? frFailed : frMissing;
  }
  TFilePtr file(OpenFileUtf8(path, "rb"));
  if (!file) return frFailed;
  // Grows in steps up to one byte past the limit, so that a huge file is
  // never allocated whole.
  constexpr size_t kStep = 64 * 1024;
  for (;;) {
    const size_t before = data.size();
    const size_t want = std::min(kStep, limit + 1 - before);
    data.resize(before + want);
    const size_t got = std::fread(data.data() + before, 1, want, file.get());
    data.resize(before + got);
    if (data.size() > limit) {
      data.clear();
      return frTooLarge;
    }
    if (got < want) break;
  }
  if (std::ferror(file.get())) {
    data.clear();
    return frFailed;
  }
  return frRead;
}

namespace {

std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Opens a new file for writing, never one that is there already.
std::FILE* CreateNewFile(const std::filesystem::path& path) {
#ifdef _WIN32
  const int descriptor =
      _wopen(path.wstring().c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (!file) _close(descriptor);
#else
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = ::fdopen(descriptor, "wb");
  if (!file) ::close(descriptor);
#endif
  return file;
}

// Writes data into an open file and makes it reach the disk.
bool WriteAndFlush(std::FILE* file, std::string_view data) {
  bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size() && std::fflush(file) == 0;
#ifndef _WIN32
  written = written && ::fsync(fileno(file)) == 0;
#endif
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool TPortableFileSystem::WriteFileAtomically(const std::string& path, std::string_view data) {
  std::error_code error;
  // A link stays a link: the file it leads to is the one replaced, beside itself.
  std::filesystem::path target = FsPath(path);
  if (std::filesystem::is_symlink(target, error)) {
    const std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (!error) target = resolved;
  }
  // A name of our own: "x" (exclusive) never opens a file that is there already.
  std::FILE* file = nullptr;
  std::filesystem::path temporary;
  for (int attempt = 0; !file && attempt < 100; ++attempt) {
    temporary = target;
    temporary += ".~" + std::to_string(attempt) + ".tmp";
    file = CreateNewFile(temporary);
    if (!file && errno != EEXIST) break;
  }
  if (file) {
    bool swapped = WriteAndFlush(file, data);
#ifdef _WIN32
    // The C runtime cannot rename over an existing file here.
    if (swapped && std::filesystem::exists(target, error)) std::filesystem::remove(target, error);
#endif
    if (swapped) std::filesystem::rename(temporary, target, error);
    swapped = swapped && !error;
    if (swapped) return true;
    std::filesystem::remove(temporary, error);
  }
  // Where only the file itself may be written, it is rewritten in place.
  const std::string targetName = Utf8OfPath(target);
  std::FILE* inPlace = OpenFileUtf8(targetName, "r+b");
  if (!inPlace) inPlace = OpenFileUtf8(targetName, "wb");
  if (!inPlace) return false;
  if (!WriteAndFlush(inPlace, data)) return false;
  std::filesystem::resize_file(target, data.size(), error);
  return !error;
}
