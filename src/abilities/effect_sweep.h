// The screen-saver sweep: a 60 by 60 hamster that jumps 50 pixels to the right at each step,
// row after row down the screen, and starts again at the top-left corner.
// Platform-free; the effect window moves itself to each position.
#pragma once

#include "base/geometry.h"

namespace pomki {

inline constexpr int kSweepStep = 50;   // pixels per step, right and down
inline constexpr int kEffectSize = 60;  // the window's width and height

// The position after `position` on a screen of `screen` pixels. A coordinate beyond
// screen − 50 wraps to 0; one exactly at that limit is kept, so the window may reach 10
// pixels past the right or bottom edge before it wraps.
Point NextSweepPosition(Point position, Size screen);

}  // namespace pomki
