// Writes a large colour JPEG row by row (so that it needs no memory for the
// whole picture), for the stall benchmark: MakeBigJpeg WIDTH HEIGHT OUT.jpg
#include <cstdio>
#include <cstdlib>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: MakeBigJpeg WIDTH HEIGHT OUT.jpg\n");
    return 2;
  }
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  if (width <= 0 || height <= 0 || width > 65500 || height > 65500) return 2;
  std::FILE* out = std::fopen(argv[3], "wb");
  if (!out) return 1;
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 85, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(size_t(width) * 3);
  // Some grain, so that the picture costs what a photograph costs to decode.
  unsigned grain = 1;
  while (info.next_scanline < info.image_height) {
    const int y = int(info.next_scanline);
    for (int x = 0; x < width; ++x) {
      grain = grain * 1103515245u + 12345u;
      const int noise = int((grain >> 16) & 31);
      row[size_t(x) * 3 + 0] = JSAMPLE((x * 200) / width + noise);
      row[size_t(x) * 3 + 1] = JSAMPLE((y * 200) / height + noise);
      row[size_t(x) * 3 + 2] = JSAMPLE(((x / 64 + y / 64) % 2) * 200 + noise);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(out) == 0 ? 0 : 1;
}
