#include "core/pet/dpi_change.h"

#include <algorithm>
#include <cstdlib>

#include "core/base/pixel_scale.h"
#include "core/pet/walk_state.h"

namespace pomki {

namespace {

// More than half of `r` lies on `monitor`: no other monitor can hold as much of it.
bool MostlyOn(const Rect& r, const Rect& monitor) {
    return OverlapArea(r, monitor) * 2 > int64_t{r.Width()} * r.Height();
}

// Where an edge of `side` pixels that starts at `start` comes to lie inside lo..hi with the
// least move; at lo when it does not fit.
int32_t InsideAxis(int32_t start, int32_t side, int32_t lo, int32_t hi) {
    if (int64_t{hi} - lo < side) return lo;
    return std::max(std::min(start, hi - side), lo);
}

// The corner a dragged pet takes so that the point the cursor holds it by stays under the
// cursor: the same fraction of the way across the new, larger or smaller, picture.
int32_t GrabbedAxis(int32_t cursor, int32_t beforeStart, int32_t beforeSide, int32_t side) {
    const int64_t grab = std::clamp<int64_t>(int64_t{cursor} - beforeStart, 0, beforeSide);
    return static_cast<int32_t>(cursor - grab * side / beforeSide);
}

}  // namespace

int32_t PetSideForDpi(int dpi) { return kPetSize * PixelScaleForDpi(dpi); }

std::optional<Monitor> MonitorTaken(const Rect& before, int dpi, std::span<const Monitor> monitors) {
    const Monitor* best = nullptr;
    int64_t most = 0;
    for (const bool sameDpiOnly : {true, false}) {
        for (const Monitor& m : monitors) {
            if (sameDpiOnly && m.dpi != dpi) continue;
            const int64_t held = OverlapArea(before, m.rect);
            if (held > most) {
                most = held;
                best = &m;
            }
        }
        if (best) return *best;
    }
    const Point centre = Centre(before);
    for (const Monitor& m : monitors) {
        if (!best || DistanceSquared(m.rect, centre) < DistanceSquared(best->rect, centre)) best = &m;
    }
    if (!best) return std::nullopt;
    return *best;
}

Rect RectAfterDpiChange(const DpiChangeFacts& facts) {
    const int32_t side = PetSideForDpi(facts.dpi);
    const Rect& before = facts.before;
    Point corner;
    if (facts.dragCursor && before.Width() > 0 && before.Height() > 0) {
        corner.x = GrabbedAxis(facts.dragCursor->x, before.left, before.Width(), side);
        corner.y = GrabbedAxis(facts.dragCursor->y, before.top, before.Height(), side);
    } else {
        const Point centre = Centre(before);
        corner = Point{centre.x - side / 2, centre.y - side / 2};
    }
    const Rect placed = SquareAt(corner, side);

    const std::optional<Monitor> taken = MonitorTaken(before, facts.dpi, facts.monitors);
    if (!taken || MostlyOn(placed, taken->rect)) return placed;

    // On the straight way to lying wholly on that monitor, the share on it only grows: the
    // first point of the way from which more than half lies on it.
    const Rect& m = taken->rect;
    const int64_t dx = int64_t{InsideAxis(placed.left, side, m.left, m.right)} - placed.left;
    const int64_t dy = int64_t{InsideAxis(placed.top, side, m.top, m.bottom)} - placed.top;
    const int64_t steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0) return placed;  // a monitor smaller than the pet: as much as fits is on it
    const auto at = [&](int64_t k) {
        return SquareAt(Point{static_cast<int32_t>(placed.left + dx * k / steps),
                              static_cast<int32_t>(placed.top + dy * k / steps)},
                        side);
    };
    int64_t off = 0;       // not enough on the monitor there
    int64_t on = steps;    // enough there, or as much as can lie on a monitor smaller than the pet
    while (on - off > 1) {
        const int64_t mid = off + (on - off) / 2;
        if (MostlyOn(at(mid), m)) on = mid;
        else off = mid;
    }
    return at(on);
}

}  // namespace pomki
