// Byte streams over files and memory. File names are UTF-8; on Windows they
// are opened through the wide C runtime functions, so any Unicode name works.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Texts.h"

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (fewer only at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual void Seek(uint64_t position) = 0;
  virtual uint64_t Position() const = 0;
  virtual uint64_t Size() const = 0;
  // Reads exactly count bytes or raises EInvalidGraphic with message.
  void ReadExact(void* buffer, size_t count, const char* message);
  void ReadExact(void* buffer, size_t count, TTextId message);
};

class TFileStream : public TStream {
public:
  enum class TMode { Read, Write };
  // Raises EFileError naming the file when it cannot be opened.
  TFileStream(const std::string& fileName, TMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  void Seek(uint64_t position) override;
  uint64_t Position() const override;
  uint64_t Size() const override { return FSize; }
  // Raises EFileError when the bytes cannot all be written.
  void Write(const void* buffer, size_t count);
  // Flushes and closes; raises EFileError when that fails.
  void Close();
  std::FILE* Handle() const { return FFile; }

private:
  std::FILE* FFile = nullptr;
  std::string FFileName;
  uint64_t FSize = 0;
};

class TMemoryStream : public TStream {
public:
  TMemoryStream(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  size_t Read(void* buffer, size_t count) override;
  void Seek(uint64_t position) override { FPosition = position; }
  uint64_t Position() const override { return FPosition; }
  uint64_t Size() const override { return FSize; }

private:
  const uint8_t* FData;
  size_t FSize;
  uint64_t FPosition = 0;
};

// UTF-8 to UTF-16 and back; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
// Appends one code point (at most U+10FFFF, not a surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// Opens a file by its UTF-8 name with a C runtime mode ("rb", "wb", ...).
std::FILE* OpenFileUtf8(const std::string& fileName, const char* mode);
