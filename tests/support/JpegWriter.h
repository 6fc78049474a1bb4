// JPEG files made on the spot, for tests that need pictures larger than the
// ones kept as test data.
#pragma once

#include <cstdint>
#include <vector>

namespace vemo_test {

// A width x height picture of noise (hard to compress, so the file is large),
// baseline or progressive.
std::vector<uint8_t> NoiseJpeg(int32_t width, int32_t height, bool progressive);

}  // namespace vemo_test
