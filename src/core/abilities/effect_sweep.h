// The screen-saver sweep: a 60 by 60 hamster that jumps 50 pixels to the right at each step,
// row after row down a monitor, then on to the next monitor, and starts again at the first
// monitor's top-left corner. On a scaled monitor its size and steps are times that monitor's
// pixel scale. Platform-free; the effect window moves itself to each position.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "core/base/geometry.h"
#include "core/base/monitor.h"

namespace pomki {

inline constexpr int kSweepStep = 50;   // pixels per step, right and down, at 100 %
inline constexpr int kEffectSize = 60;  // the window's width and height at 100 %

// The position after `position` on a screen of `screen` pixels. A coordinate beyond
// screen − 50 wraps to 0; one exactly at that limit is kept, so the window may reach 10
// pixels past the right or bottom edge before it wraps.
Point NextSweepPosition(Point position, Size screen);

// The same sweep over `area` (one monitor, whose corner need not be (0, 0)) in steps of
// `step` pixels. A position left above or left of the area, from monitors arranged otherwise,
// starts again at its top-left corner; one below its last row starts again at the top.
Point NextSweepPosition(Point position, Rect area, int step);

// ---- Over every monitor, each at its own scale ----

// Where the sweep stands: on which monitor (an index into the monitors in sweep order) and the
// window's corner there.
struct SweepPosition {
    std::size_t monitor = 0;
    Point at{};
    friend bool operator==(const SweepPosition&, const SweepPosition&) = default;
};

// The monitors in the order the sweep visits them: from left to right, and from top to bottom
// where they stand one above the other. No area between them is ever swept.
std::vector<Monitor> SweepOrder(std::vector<Monitor> monitors);

// The step and the window's side on a monitor: 50 and 60 times its pixel scale.
int SweepStepOn(const Monitor& monitor);
int EffectSideOn(const Monitor& monitor);

// Where a sweep starts: where the last one of this run stopped while that is still a place on
// these monitors (the first monitor's top-left corner before any, or once the monitors have
// changed under it).
SweepPosition FirstSweepPosition(std::optional<SweepPosition> last, std::span<const Monitor> monitors);

// The position after `from`: along its monitor's rows as on one screen, at that monitor's
// step; after the monitor's last row, the next monitor's top-left corner, and after the last
// monitor the first one's again. With no monitors the sweep stands.
SweepPosition NextSweepPosition(SweepPosition from, std::span<const Monitor> monitors);

}  // namespace pomki
