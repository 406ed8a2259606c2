// The reset window's fixed layout, in twips relative to the client area.
#pragma once

#include "twips.h"

namespace app::layout {

constexpr float kClientWidth = 6585;
constexpr float kClientHeight = 2535;
constexpr app::TwipsRect kLabel1 = {120, 180, 6315, 1515};
constexpr app::TwipsRect kCommand1 = {120, 1860, 4875, 495};
constexpr app::TwipsRect kCommand2 = {5280, 1860, 1215, 495};
// Arial, 8.25 points, normal weight, ANSI character set.
constexpr float kLabelFontPoints = 8.25f;

}  // namespace app::layout
