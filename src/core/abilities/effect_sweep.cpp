#include "core/abilities/effect_sweep.h"

namespace pomki {

Point NextSweepPosition(Point position, Size screen) {
    return NextSweepPosition(position, Rect{0, 0, screen.cx, screen.cy}, kSweepStep);
}

Point NextSweepPosition(Point position, Rect area, int step) {
    if (position.x < area.left || position.y < area.top) return Point{area.left, area.top};
    Point next = position;
    next.x += step;
    if (next.x > area.right - step) {
        next.x = area.left;
        next.y += step;
    }
    // Checked at every step, not only after a row ends: a position left from a larger screen
    // returns to the top at once.
    if (next.y > area.bottom - step) next.y = area.top;
    return next;
}

}  // namespace pomki
