#include "core/pet/screen_bounds.h"

#include <algorithm>
#include <cstdint>

namespace pomki {

namespace {

bool Contains(const Rect& area, Point p) {
    return area.left <= p.x && p.x <= area.right && area.top <= p.y && p.y <= area.bottom;
}

// How far `p` lies outside `area` on each axis, squared and summed; 0 inside.
int64_t DistanceSquared(const Rect& area, Point p) {
    const int64_t dx = std::max<int64_t>({int64_t{area.left} - p.x, 0, int64_t{p.x} - area.right});
    const int64_t dy = std::max<int64_t>({int64_t{area.top} - p.y, 0, int64_t{p.y} - area.bottom});
    return dx * dx + dy * dy;
}

int64_t OverlapArea(const Rect& a, const Rect& b) {
    const int64_t w = int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const int64_t h = int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

Point Centre(const Rect& r) {
    return Point{static_cast<int32_t>((int64_t{r.left} + r.right) / 2),
                 static_cast<int32_t>((int64_t{r.top} + r.bottom) / 2)};
}

}  // namespace

int PixelScaleForDpi(int dpi) { return std::max(1, (dpi + kBaseDpi / 2) / kBaseDpi); }

std::optional<Rect> HomeWorkArea(std::span<const Rect> workAreas, Point point) {
    std::optional<Rect> nearest;
    int64_t best = 0;
    for (const Rect& area : workAreas) {
        const int64_t d = DistanceSquared(area, point);
        if (!nearest || d < best) {
            nearest = area;
            best = d;
        }
    }
    return nearest;
}

bool OnAnyWorkArea(std::span<const Rect> workAreas, Point point) {
    return std::any_of(workAreas.begin(), workAreas.end(),
                       [point](const Rect& area) { return Contains(area, point); });
}

Point KeepOnWorkAreas(std::span<const Rect> workAreas, Point from, Point to, int32_t halfPet) {
    if (OnAnyWorkArea(workAreas, Point{to.x + halfPet, to.y + halfPet})) return to;
    const std::optional<Rect> home = HomeWorkArea(workAreas, Point{from.x + halfPet, from.y + halfPet});
    if (!home) return to;
    // Not std::clamp: a work area narrower than nothing must not make the bounds cross.
    Point kept = to;
    kept.x = std::max(std::min(kept.x, home->right - halfPet), home->left - halfPet);
    kept.y = std::max(std::min(kept.y, home->bottom - halfPet), home->top - halfPet);
    return kept;
}

bool CanSeekWindow(std::span<const Rect> workAreas, Rect pet, Rect window, int32_t halfPet) {
    const std::optional<Rect> home = HomeWorkArea(workAreas, Centre(pet));
    if (!home) return false;

    // The window's monitor is the one it has most of.
    const Rect* windowArea = nullptr;
    int64_t most = 0;
    for (const Rect& area : workAreas) {
        const int64_t overlap = OverlapArea(area, window);
        if (overlap > most) {
            most = overlap;
            windowArea = &area;
        }
    }
    if (!windowArea || *windowArea != *home) return false;

    const bool coversWorkArea = window.left <= home->left && window.top <= home->top &&
                                window.right >= home->right && window.bottom >= home->bottom;
    if (coversWorkArea) return false;
    return int64_t{window.left} - home->left >= halfPet;
}

}  // namespace pomki
