// The screen-saver sweep: a 60 by 60 hamster that jumps 50 pixels to the right at each step,
// row after row down the screen, and starts again at the top-left corner.
// Platform-free; the effect window moves itself to each position.
#pragma once

#include "core/base/geometry.h"

namespace pomki {

inline constexpr int kSweepStep = 50;   // pixels per step, right and down
inline constexpr int kEffectSize = 60;  // the window's width and height

// The position after `position` on a screen of `screen` pixels. A coordinate beyond
// screen − 50 wraps to 0; one exactly at that limit is kept, so the window may reach 10
// pixels past the right or bottom edge before it wraps.
Point NextSweepPosition(Point position, Size screen);

// The same sweep over `area` (the rectangle around every monitor, whose corner need not be
// (0, 0)) in steps of `step` pixels (50 times the pixel scale). A position left above or
// left of the area, from monitors arranged otherwise, starts again at its top-left corner.
Point NextSweepPosition(Point position, Rect area, int step);

}  // namespace pomki
