#include "framework/Streams.h"

#include <cerrno>
#include <cstring>

#include "framework/Exceptions.h"

#ifdef _WIN32
#include <wchar.h>
#endif

void TStream::ReadExact(void* buffer, size_t count, const char* message) {
  if (Read(buffer, count) != count) throw EInvalidGraphic(message);
}

void TStream::ReadExact(void* buffer, size_t count, TTextId message) {
  if (Read(buffer, count) != count) throw EInvalidGraphic(message);
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xF4) {
      const size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      if (i + need <= n) {
        uint32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
        bool ok = true;
        for (size_t k = 1; k < need; ++k) {
          if ((s[i + k] & 0xC0) != 0x80) {
            ok = false;
            break;
          }
          v = (v << 6) | (s[i + k] & 0x3F);
        }
        const uint32_t minimum = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
        if (ok && v >= minimum && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
          cp = v;
          len = need;
        }
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::FILE* OpenFileUtf8(const std::string& fileName, const char* mode) {
#ifdef _WIN32
  const std::u16string wideName = Utf8ToUtf16(fileName);
  const std::u16string wideMode = Utf8ToUtf16(mode);
  return _wfopen(reinterpret_cast<const wchar_t*>(wideName.c_str()),
                 reinterpret_cast<const wchar_t*>(wideMode.c_str()));
#else
  return std::fopen(fileName.c_str(), mode);
#endif
}

namespace {

int SeekTo(std::FILE* file, uint64_t position) {
#ifdef _WIN32
  return _fseeki64(file, int64_t(position), SEEK_SET);
#else
  return fseeko(file, off_t(position), SEEK_SET);
#endif
}

uint64_t TellOf(std::FILE* file) {
#ifdef _WIN32
  return uint64_t(_ftelli64(file));
#else
  return uint64_t(ftello(file));
#endif
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, TMode mode) : FFileName(fileName) {
  FFile = OpenFileUtf8(fileName, mode == TMode::Read ? "rb" : "wb");
  if (!FFile) throw EFileError(IDS_FILE_OPEN_FAILED, {fileName, std::strerror(errno)});
  if (mode == TMode::Read) {
    if (std::fseek(FFile, 0, SEEK_END) == 0) FSize = TellOf(FFile);
    SeekTo(FFile, 0);
  }
}

TFileStream::~TFileStream() {
  if (FFile) std::fclose(FFile);
}

size_t TFileStream::Read(void* buffer, size_t count) { return std::fread(buffer, 1, count, FFile); }

void TFileStream::Seek(uint64_t position) {
  if (SeekTo(FFile, position) != 0) throw EFileError(IDS_FILE_READ_FAILED, {FFileName});
}

uint64_t TFileStream::Position() const { return TellOf(FFile); }

void TFileStream::Write(const void* buffer, size_t count) {
  if (std::fwrite(buffer, 1, count, FFile) != count) throw EFileError(IDS_FILE_WRITE_FAILED, {FFileName});
}

void TFileStream::Close() {
  if (!FFile) return;
  const int result = std::fclose(FFile);
  FFile = nullptr;
  if (result != 0) throw EFileError(IDS_FILE_WRITE_FAILED, {FFileName});
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (FPosition >= FSize) return 0;
  const size_t available = size_t(FSize - FPosition);
  const size_t n = count < available ? count : available;
  std::memcpy(buffer, FData + FPosition, n);
  FPosition += n;
  return n;
}
