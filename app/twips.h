// Window geometry in twips (1/1440 inch) and its conversion to pixels at
// the screen's actual resolution, in one place.
#pragma once

#include <cmath>

namespace app {

constexpr float kTwipsPerInch = 1440.0f;

// Pixels for a length in twips at dpi dots per inch, to the nearest pixel
// (6585 twips are 439 pixels at 96 dpi).
inline int TwipsToPixels(float twips, int dpi) {
  return static_cast<int>(std::lround(twips * static_cast<float>(dpi) / kTwipsPerInch));
}

// Twips for a length in pixels at dpi dots per inch.
inline float PixelsToTwips(int pixels, int dpi) {
  return static_cast<float>(pixels) * kTwipsPerInch / static_cast<float>(dpi);
}

// A control's rectangle in twips, relative to the client area.
struct TwipsRect {
  float left, top, width, height;
};

}  // namespace app
