// vemo-tile: shows what the notification-area icon would show.
//   vemo-tile [--size N] PICTURE OUT.bmp            the N x N tile of PICTURE (N 16 .. 256,
//                                                   16 without --size)
//   vemo-tile [--size N] --blend RATIO A B OUT.bmp  the tiles of A and B blended at RATIO
//   vemo-tile --resize METHOD WxH PICTURE OUT.bmp   PICTURE as loaded, resized
// METHOD is canvas, nearest, bilinear or area. Errors end it with status 1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/TextTable.h"
#include "framework/BmpFile.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "picture/ZoBLibResize.h"
#include "picture/vemoSub.h"

namespace {

constexpr int32_t kTileSide = 16;
constexpr int32_t kLargestSide = 256;

const char kUsage[] =
    "usage: vemo-tile [--size N] PICTURE OUT.bmp              (N: 16 to 256, default 16)\n"
    "       vemo-tile [--size N] --blend RATIO A B OUT.bmp\n"
    "       vemo-tile --resize METHOD WxH PICTURE OUT.bmp   (METHOD: canvas, nearest, bilinear, area)\n";

struct TUsageError {};

std::unique_ptr<TBitmap> NewTile(int32_t side) { return std::make_unique<TBitmap>(side, side, pf24bit); }

std::unique_ptr<TBitmap> TileOf(const std::string& picture, int32_t side) {
  auto tile = NewTile(side);
  MakeTile(picture, *tile, uint16_t(side));
  return tile;
}

int32_t ParseSide(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const long side = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != 0 || errno == ERANGE || side < kTileSide || side > kLargestSide)
    throw Exception("タイルの大きさは16～256でなければなりません: " + text);
  return int32_t(side);
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

int Run(std::vector<std::string> args) {
  int32_t side = kTileSide;
  if (args.size() >= 2 && args[0] == "--size") {
    side = ParseSide(args[1]);
    args.erase(args.begin(), args.begin() + 2);
    if (!args.empty() && args[0] == "--resize") throw TUsageError{};
  }
  if (args.size() == 2 && args[0].rfind("--", 0) != 0) {
    SaveBitmapToFile(args[1], *TileOf(args[0], side));
  } else if (args.size() == 5 && args[0] == "--blend") {
    const float ratio = ParseRatio(args[1]);
    auto a = TileOf(args[2], side);
    auto b = TileOf(args[3], side);
    auto mix = NewTile(side);
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
  // The tool speaks as its own messages do.
  UseTextTable(lgJapanese);
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
#include "framework/WinHandles_win.h"
#include "picture/SystemDecoders_win.h"

// The wide entry point, so that any Unicode file name arrives intact.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  TComApartment com;
  InstallSystemPictureFormats();
  return Main(args);
}
#else
int main(int argc, char** argv) { return Main(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
