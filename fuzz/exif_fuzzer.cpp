// Feeds arbitrary bytes to the EXIF reader as an APP1 payload: whatever they
// hold, it must answer an orientation from 1 to 8 and read nothing outside them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/Exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the size given, so that the sanitizer sees any read
  // past its end.
  std::vector<uint8_t> payload(data, data + size);
  const TOrientation orientation = ExifOrientation(payload.data(), payload.size());
  if (orientation < orNormal || orientation > orTurnAnticlockwise) std::abort();
  return 0;
}
