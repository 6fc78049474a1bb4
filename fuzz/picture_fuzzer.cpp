// Feeds arbitrary bytes through LoadPicture and MakeTile as a BMP or a JPEG
// file (the first byte chooses), the way a picture folder would.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/Exceptions.h"
#include "picture/vemoSub.h"

namespace {

std::string ScratchFile(const char* extension) {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/vemo-fuzz-" + std::to_string(getpid()) + extension;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool jpeg = data[0] & 1;
  static const std::string bmpFile = ScratchFile(".bmp"), jpegFile = ScratchFile(".jpg");
  const std::string& file = jpeg ? jpegFile : bmpFile;
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data + 1, 1, size - 1, out);
  std::fclose(out);
  TBitmap tile(16, 16, pf24bit);
  try {
    MakeTile(file, tile, 16);
  } catch (const Exception&) {
  }
  TBitmap picture;
  try {
    LoadPicture(file, picture);
  } catch (const Exception&) {
  }
  return 0;
}
