// The decisions of the repaint-below walk: after the pet changes its shape, the windows
// beneath it redraw the area that the old shape covered, nearest first, until one of them
// is known to hide everything further down.
#pragma once

#include <optional>

#include "core/base/geometry.h"

namespace pomki {

// The windows below a window in z-order, nearest first, one at a time. Each question is
// about the current window and is asked only when the walk needs its answer, so the
// desktop is never queried further than the walk goes.
class WindowsBelow {
public:
    virtual ~WindowsBelow() = default;

    // Moves to the next window down (the first call: the one just below). False when
    // there is none.
    virtual bool Next() = 0;

    virtual bool IsVisible() = 0;
    // The window rectangle in screen coordinates; nothing when it cannot be read.
    virtual std::optional<Rect> WindowRect() = 0;
    // Where the screen point (0, 0) lies in the window's client coordinates.
    virtual Point ScreenOriginInClient() = 0;
    virtual bool HasOwnRegion() = 0;
    // The window belongs to the thread that walks, which can paint it at once; any other
    // program may be slow or hung and is never waited for.
    virtual bool IsOnThisThread() = 0;

    // Moves the old shape by `shapeOffset` (it then lies in this window's client
    // coordinates) and has the window redraw that shape: at once when `now`, otherwise
    // whenever its own thread next paints.
    virtual void Redraw(Point shapeOffset, bool now) = 0;
};

// Walks `below` with `box`, the old shape's bounding box in screen coordinates. Every
// visible window whose rectangle can be read and overlaps the box is redrawn; the shape
// starts in screen coordinates and each redraw moves it by the difference between this
// window's client origin and the previously redrawn one's. The walk stops after a redrawn
// window that covers the whole box and has no region of its own, or when no window is left.
void RepaintBelow(const Rect& box, WindowsBelow& below);

}  // namespace pomki
