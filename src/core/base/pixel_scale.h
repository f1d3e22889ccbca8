// How large the pet's pixel art is drawn on a scaled display.
#pragma once

#include <algorithm>

namespace pomki {

inline constexpr int kBaseDpi = 96;

// The whole-number scale the pixel art is drawn at: the whole number nearest to dpi / 96,
// halves rounding up, never below 1 (96 and 120 give 1, 144 and 192 give 2). Whole numbers
// keep every sprite pixel a sharp square block.
constexpr int PixelScaleForDpi(int dpi) { return std::max(1, (dpi + kBaseDpi / 2) / kBaseDpi); }

}  // namespace pomki
