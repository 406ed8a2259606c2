#include "reset_icon.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSize = 32;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

// A rounded blue tile with a white circular arrow: "start again".
bool InTile(double x, double y) {
  const double radius = 6.0;
  const double cx = std::clamp(x, radius, kSize - radius);
  const double cy = std::clamp(y, radius, kSize - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool InArrow(double x, double y) {
  const double cx = 16.0, cy = 16.5;
  const double dx = x - cx, dy = cy - y;  // y upwards
  const double distance = std::hypot(dx, dy);
  double angle = std::atan2(dy, dx) * 180.0 / kPi;
  if (angle < 0) angle += 360.0;
  // The ring, open between 20 and 80 degrees (upper right).
  if (distance >= 7.0 && distance <= 10.5 && !(angle > 20.0 && angle < 80.0)) return true;
  // The arrowhead at the ring's 80-degree end, pointing clockwise.
  const double theta = 80.0 * kPi / 180.0;
  const double px = cx + 8.75 * std::cos(theta), py = cy - 8.75 * std::sin(theta);
  const double tx = std::sin(theta), ty = std::cos(theta);   // clockwise, screen y down
  const double nx = std::cos(theta), ny = -std::sin(theta);  // outwards
  const double ax = px + 6.0 * tx, ay = py + 6.0 * ty;
  const double bx = px + 5.5 * nx, by = py + 5.5 * ny;
  const double qx = px - 5.5 * nx, qy = py - 5.5 * ny;
  const auto side = [](double x1, double y1, double x2, double y2, double x3, double y3) {
    return (x1 - x3) * (y2 - y3) - (x2 - x3) * (y1 - y3);
  };
  const double d1 = side(x, y, ax, ay, bx, by), d2 = side(x, y, bx, by, qx, qy),
               d3 = side(x, y, qx, qy, ax, ay);
  const bool negative = d1 < 0 || d2 < 0 || d3<0, positive = d1> 0 || d2 > 0 || d3 > 0;
  return !(negative && positive);
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, unsigned value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> MakeResetIcon() {
  constexpr unsigned kPixelBytes = kSize * kSize * 3;
  constexpr unsigned kMaskBytes = kSize * 4;
  constexpr unsigned kImageBytes = 40 + kPixelBytes + kMaskBytes;
  std::vector<std::uint8_t> ico;
  // Icon header and the one directory entry.
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, 1);
  ico.insert(ico.end(), {kSize, kSize, 0, 0});
  Put16(ico, 1);
  Put16(ico, 24);
  Put32(ico, kImageBytes);
  Put32(ico, 22);
  // The image: a bitmap header of twice the height (colour and mask).
  Put32(ico, 40);
  Put32(ico, kSize);
  Put32(ico, kSize * 2);
  Put16(ico, 1);
  Put16(ico, 24);
  Put32(ico, 0);
  Put32(ico, kPixelBytes + kMaskBytes);
  for (int i = 0; i < 4; ++i) Put32(ico, 0);

  std::vector<std::uint8_t> mask(kMaskBytes, 0);
  for (int row = kSize - 1; row >= 0; --row) {  // bottom-up
    for (int column = 0; column < kSize; ++column) {
      // Four by four samples per pixel smooth the arrow's edges.
      int tile = 0, arrow = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const double x = column + (sx + 0.5) / 4, y = row + (sy + 0.5) / 4;
          if (InTile(x, y)) {
            ++tile;
            if (InArrow(x, y)) ++arrow;
          }
        }
      }
      Rgb colour{0, 0, 0};
      if (tile >= 8) {
        const double shade = 1.0 - 0.35 * row / kSize;  // lighter at the top
        const Rgb blue{0.10 * shade, 0.45 * shade, 0.85 * shade};
        const double white = static_cast<double>(arrow) / tile;
        colour = {blue.r + (1 - blue.r) * white, blue.g + (1 - blue.g) * white,
                  blue.b + (1 - blue.b) * white};
      } else {
        const int bit = (kSize - 1 - row) * kSize + column;
        mask[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
      }
      ico.push_back(static_cast<std::uint8_t>(std::lround(colour.b * 255)));
      ico.push_back(static_cast<std::uint8_t>(std::lround(colour.g * 255)));
      ico.push_back(static_cast<std::uint8_t>(std::lround(colour.r * 255)));
    }
  }
  ico.insert(ico.end(), mask.begin(), mask.end());
  return ico;
}
