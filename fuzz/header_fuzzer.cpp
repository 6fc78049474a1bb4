// Feeds arbitrary first bytes of a file to the size check that runs before a
// system decoder sees a PNG or GIF. Besides reading nothing beyond the bytes
// it is given, the check must refuse exactly the headers that announce more
// than the limit's pixels, name the format in its message, look at nothing
// past the header, and give the same verdict on the bytes as a file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "picture/OtherFormats.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The pixels a header announces, read from the formats' own definitions:
// PNG's signature then IHDR as the first chunk with two big-endian sizes, or
// GIF's signature then a logical screen of two little-endian sizes.
std::optional<std::pair<const char*, uint64_t>> Announced(const std::vector<uint8_t>& head) {
  auto at = [&](size_t i) { return uint64_t(head[i]); };
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (head.size() >= 24 && std::memcmp(head.data(), png, 8) == 0 &&
      std::memcmp(head.data() + 12, "IHDR", 4) == 0) {
    uint64_t width = 0, height = 0;
    for (size_t i = 0; i < 4; ++i) {
      width = width * 256 + at(16 + i);
      height = height * 256 + at(20 + i);
    }
    return std::make_pair("PNG", width * height);
  }
  if (head.size() >= 10 && std::memcmp(head.data(), "GIF8", 4) == 0 && (head[4] == '7' || head[4] == '9') &&
      head[5] == 'a')
    return std::make_pair("GIF", (at(6) + at(7) * 256) * (at(8) + at(9) * 256));
  return std::nullopt;
}

// The message of the refusal, or nothing when the header passes.
std::optional<std::string> Verdict(const std::vector<uint8_t>& head) {
  try {
    RefuseOversizedHeader(head.data(), head.size());
  } catch (const EInvalidGraphic& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

std::optional<std::string> FileVerdict(const std::vector<uint8_t>& bytes) {
  static const std::string file = [] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/vemo-fuzz-header-" + std::to_string(getpid());
  }();
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  try {
    RefuseOversizedFile(file);
  } catch (const EInvalidGraphic& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A buffer of exactly the given length, so that reading past it is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  const std::optional<std::string> verdict = Verdict(bytes);

  const auto announced = Announced(bytes);
  const bool oversized = announced && announced->second > kMaxPicturePixels;
  Require(verdict.has_value() == oversized);
  if (verdict) Require(*verdict == PictureTooLargeMessage(announced->first));

  // Only the header counts: the first 24 bytes alone give the same verdict.
  if (size > 24) Require(Verdict(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 24)) == verdict);
  Require(FileVerdict(bytes) == verdict);
  return 0;
}
