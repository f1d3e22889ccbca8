#include "core/render/repaint_below.h"

namespace pomki {

void RepaintBelow(const Rect& box, WindowsBelow& below) {
    // The shape is in screen coordinates until the first redraw, as if it had been in the
    // client coordinates of a window whose client origin is the screen's.
    Point shapeOrigin{0, 0};
    while (below.Next()) {
        if (!below.IsVisible()) continue;
        const std::optional<Rect> rect = below.WindowRect();
        if (!rect || !Overlaps(*rect, box)) continue;

        const Point origin = below.ScreenOriginInClient();
        below.Redraw(Point{origin.x - shapeOrigin.x, origin.y - shapeOrigin.y}, below.IsOnThisThread());
        shapeOrigin = origin;

        // An opaque rectangular window over the whole box hides everything further down.
        if (Contains(*rect, box) && !below.HasOwnRegion()) return;
    }
}

}  // namespace pomki
