#include "picture/Pinwheel.h"

#include <cstddef>

namespace {

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
