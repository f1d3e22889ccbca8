#include "abilities/effect_sweep.h"

namespace pomki {

Point NextSweepPosition(Point position, Size screen) {
    Point next = position;
    next.x += kSweepStep;
    if (next.x > screen.cx - kSweepStep) {
        next.x = 0;
        next.y += kSweepStep;
    }
    // Checked at every step, not only after a row ends: a position left from a larger screen
    // returns to the top at once.
    if (next.y > screen.cy - kSweepStep) next.y = 0;
    return next;
}

}  // namespace pomki
