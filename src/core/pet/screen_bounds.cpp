#include "core/pet/screen_bounds.h"

#include <algorithm>
#include <cstdint>

namespace pomki {

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
                       [point](const Rect& area) { return ContainsWithEdges(area, point); });
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
