// vemo-tile: shows what the notification-area icon would show.
//   vemo-tile PICTURE OUT.bmp                       the 16 x 16 tile of PICTURE
//   vemo-tile --blend RATIO A B OUT.bmp             the tiles of A and B blended at RATIO
//   vemo-tile --resize METHOD WxH PICTURE OUT.bmp   PICTURE as loaded, resized
// METHOD is canvas, nearest, bilinear or area. Errors end it with status 1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/BmpFile.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "picture/ZoBLibResize.h"
#include "picture/vemoSub.h"

namespace {

constexpr uint16_t kTileSide = 16;

const char kUsage[] =
    "usage: vemo-tile PICTURE OUT.bmp\n"
    "       vemo-tile --blend RATIO A B OUT.bmp\n"
    "       vemo-tile --resize METHOD WxH PICTURE OUT.bmp   (METHOD: canvas, nearest, bilinear, area)\n";

struct TUsageError {};

std::unique_ptr<TBitmap> NewTile() { return std::make_unique<TBitmap>(kTileSide, kTileSide, pf24bit); }

std::unique_ptr<TBitmap> TileOf(const std::string& picture) {
  auto tile = NewTile();
  MakeTile(picture, *tile, kTileSide);
  return tile;
}

float ParseRatio(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const float ratio = std::strtof(text.c_str(), &end);
  if (text.empty() || *end != 0 || errno == ERANGE) throw Exception("混合率が数値ではありません: " + text);
  return ratio;
}

TResizeMethod ParseMethod(const std::string& text) {
  if (text == "canvas") return rmCanvasCopy;
  if (text == "nearest") return rmNearestNeighbor;
  if (text == "bilinear") return rmBilinear;
  if (text == "area") return rmAreaAverage;
  throw TUsageError{};
}

void ParseSize(const std::string& text, int32_t& width, int32_t& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) throw TUsageError{};
  char* end = nullptr;
  const long w = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + x) throw TUsageError{};
  const long h = std::strtol(text.c_str() + x + 1, &end, 10);
  if (*end != 0 || w < 0 || h < 0 || w > 65535 || h > 65535) throw TUsageError{};
  width = int32_t(w);
  height = int32_t(h);
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0].rfind("--", 0) != 0) {
    SaveBitmapToFile(args[1], *TileOf(args[0]));
  } else if (args.size() == 5 && args[0] == "--blend") {
    const float ratio = ParseRatio(args[1]);
    auto a = TileOf(args[2]);
    auto b = TileOf(args[3]);
    auto mix = NewTile();
    BlendBitmaps(*mix, *a, *b, ratio);
    SaveBitmapToFile(args[4], *mix);
  } else if (args.size() == 5 && args[0] == "--resize") {
    const TResizeMethod method = ParseMethod(args[1]);
    int32_t width = 0, height = 0;
    ParseSize(args[2], width, height);
    TBitmap picture;
    LoadPicture(args[3], picture);
    std::unique_ptr<TBitmap> result = ResizeBitmap(picture, width, height, method, false);
    if (!result) throw Exception("サイズを変更できませんでした");
    SaveBitmapToFile(args[4], *result);
  } else {
    throw TUsageError{};
  }
  return 0;
}

int Main(const std::vector<std::string>& args) {
  try {
    return Run(args);
  } catch (const TUsageError&) {
    std::fputs(kUsage, stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vemo-tile: %s\n", e.what());
  }
  return 1;
}

}  // namespace

#ifdef _WIN32
// The wide entry point, so that any Unicode file name arrives intact.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  return Main(args);
}
#else
int main(int argc, char** argv) { return Main(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
