#include "support/JpegWriter.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

// clang-format off
#include <jpeglib.h>
// clang-format on

namespace vemo_test {

std::vector<uint8_t> NoiseJpeg(int32_t width, int32_t height, bool progressive) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(width) * 3);
  uint32_t state = 12345;
  while (info.next_scanline < info.image_height) {
    for (uint8_t& byte : row) {
      state = state * 1664525u + 1013904223u;
      byte = uint8_t(state >> 24);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const std::unique_ptr<unsigned char, decltype(&std::free)> owned(buffer, &std::free);
  return std::vector<uint8_t>(buffer, buffer + size);
}

}  // namespace vemo_test
