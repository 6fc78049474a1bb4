#include "picture/Pinwheel.h"

#include "picture/vemoSub.h"

#include <cstddef>
#include <iterator>

namespace {

// The 16-pixel picture, tuned by hand: one grey level per pixel, rows from
// the top.
constexpr int32_t kTunedSide = 16;
const uint8_t kPinwheel[kTunedSide * kTunedSide] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   35,
    177, 135, 28,  0,   0,   0,   7,   170, 35,  0,   0,   0,   0,   0,   71,  248, 255, 255, 241, 71,
    0,   0,   0,   149, 248, 71,  0,   0,   0,   35,  248, 255, 255, 255, 255, 248, 35,  0,   0,   128,
    255, 248, 35,  0,   0,   170, 149, 128, 128, 177, 255, 255, 156, 0,   0,   128, 255, 255, 177, 0,
    0,   7,   0,   0,   0,   0,   64,  241, 212, 0,   0,   177, 255, 255, 135, 0,   0,   0,   0,   0,
    0,   0,   0,   99,  191, 0,   64,  255, 255, 241, 28,  0,   0,   0,   0,   35,  156, 212, 191, 149,
    149, 99,  241, 255, 248, 71,  0,   0,   0,   0,   71,  248, 255, 241, 99,  149, 149, 191, 212, 156,
    35,  0,   0,   0,   0,   28,  241, 255, 255, 64,  0,   191, 99,  0,   0,   0,   0,   0,   0,   0,
    0,   135, 255, 255, 177, 0,   0,   212, 241, 64,  0,   0,   0,   0,   7,   0,   0,   177, 255, 255,
    128, 0,   0,   156, 255, 255, 177, 128, 128, 149, 170, 0,   0,   35,  248, 255, 128, 0,   0,   35,
    248, 255, 255, 255, 255, 248, 35,  0,   0,   0,   71,  248, 149, 0,   0,   0,   71,  241, 255, 255,
    248, 71,  0,   0,   0,   0,   0,   35,  170, 7,   0,   0,   0,   28,  135, 177, 35,  0,   0,   0,
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
};

// One arm in a 16-unit square centred on (8, 8): a half disc whose flat edge
// faces the centre's row, and a wedge from that edge to the centre. The other
// three arms are the same turned by quarter turns.
constexpr double kDiscX = 5.08, kDiscY = 4.75, kRadius = 3.43;
constexpr double kTipX = 8.89, kTipY = 8.18;
constexpr int kSamples = 8;

double Cross(double ax, double ay, double bx, double by, double px, double py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

bool InArm(double x, double y) {
  const double dx = x - kDiscX, dy = y - kDiscY;
  if (y <= kDiscY && dx * dx + dy * dy <= kRadius * kRadius) return true;
  const double ax = kDiscX + 0.3 * kRadius, bx = kDiscX + kRadius;
  const double d1 = Cross(ax, kDiscY, bx, kDiscY, x, y);
  const double d2 = Cross(bx, kDiscY, kTipX, kTipY, x, y);
  const double d3 = Cross(kTipX, kTipY, ax, kDiscY, x, y);
  return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

bool InPinwheel(double u, double v) {
  double x = u - 8, y = v - 8;
  for (int turn = 0; turn < 4; ++turn) {
    if (InArm(x + 8, y + 8)) return true;
    const double t = x;
    x = y;
    y = -t;
  }
  return false;
}

}  // namespace

std::vector<uint8_t> PinwheelGreys(int32_t side) {
  if (side <= 0) return {};
  if (side == kTunedSide) return std::vector<uint8_t>(std::begin(kPinwheel), std::end(kPinwheel));
  std::vector<uint8_t> greys(std::size_t(side) * std::size_t(side));
  const double unit = 16.0 / side;
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      int covered = 0;
      for (int j = 0; j < kSamples; ++j)
        for (int i = 0; i < kSamples; ++i)
          covered += InPinwheel((x + (i + 0.5) / kSamples) * unit, (y + (j + 0.5) / kSamples) * unit);
      greys[std::size_t(y) * std::size_t(side) + std::size_t(x)] = uint8_t((covered * 255 + 32) / 64);
    }
  return greys;
}

std::unique_ptr<TBitmap> MakeDefaultTile(int32_t side) {
  auto tile = std::make_unique<TBitmap>(side, side, pf24bit);
  tile->Canvas().Brush.Color = TileBackColor();
  tile->Canvas().FillRect(TRect{0, 0, side, side});
  TBitmap picture(side, side, pf24bit);
  const std::vector<uint8_t> greys = PinwheelGreys(side);
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      const uint8_t grey = greys[std::size_t(y) * std::size_t(side) + std::size_t(x)];
      picture.SetPixelColor(x, y, RGBColor(grey, grey, grey));
    }
  tile->Canvas().Draw(0, 0, picture);
  return tile;
}
