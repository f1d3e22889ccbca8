#include "core/pet/call_back.h"

#include <algorithm>

#include "core/pet/screen_bounds.h"

namespace pomki {

Point CallBackCorner(std::span<const Rect> workAreas, Point cursor, int32_t side) {
    Point corner{cursor.x - side / 2, cursor.y - side / 2};
    const std::optional<Rect> home = HomeWorkArea(workAreas, cursor);
    if (!home) return corner;
    // Not std::clamp: the bounds cross on a work area narrower than the pet.
    corner.x = std::max(std::min(corner.x, home->right - side), home->left);
    corner.y = std::max(std::min(corner.y, home->bottom - side), home->top);
    return corner;
}

ZOrder CallBackPlacement(const PetState& pet) { return pet.IsOn(ShowOff) ? ZOrder::TopMost : ZOrder::Top; }

}  // namespace pomki
