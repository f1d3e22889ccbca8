// Where the pet may be on a desktop of several monitors, each with its own taskbar.
// Platform-free; the desktop port reads the monitors' work areas.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/base/geometry.h"

namespace pomki {

// The work area (a monitor less its taskbar) that `point` lies in, edges included; when it
// lies in none, the nearest one. nullopt only when there are no work areas at all.
std::optional<Rect> HomeWorkArea(std::span<const Rect> workAreas, Point point);

// True when `point` lies in one of the work areas, edges included.
bool OnAnyWorkArea(std::span<const Rect> workAreas, Point point);

// Keeps a walking pet on the desktop. `from` and `to` are its corner before and after a
// step. A step that leaves the pet's centre on some work area is kept, so the pet may walk on
// into an adjacent monitor; otherwise the corner is held within the work area it came from,
// up to half a pet past each edge (its centre on the edge), axis by axis, so the pet slides
// along the edge or treads on the spot against it.
Point KeepOnWorkAreas(std::span<const Rect> workAreas, Point from, Point to, int32_t halfPet);

// Whether a pet whose window is `pet` may walk to `window`'s left edge and hide behind it.
// Only a window on the pet's own monitor (the work area it has most of) that leaves room to
// be seen peeking out: not one that covers the whole work area (maximised or full screen),
// and not one whose left edge lies less than half a pet right of the work area's left edge.
bool CanSeekWindow(std::span<const Rect> workAreas, Rect pet, Rect window, int32_t halfPet);

}  // namespace pomki
