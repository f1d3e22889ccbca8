// Plain geometry values shared by the core and its ports (screen coordinates unless said),
// and the few questions every part asks of them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace pomki {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// right and bottom are exclusive
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A square of `side` pixels with its top-left corner at `corner`.
constexpr Rect SquareAt(Point corner, int32_t side) {
    return Rect{corner.x, corner.y, corner.x + side, corner.y + side};
}

// Whether `outer` holds all of `inner`, edges included.
constexpr bool Contains(const Rect& outer, const Rect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// Whether `p` lies in `area`, its right and bottom edges included (a pet's centre may stand
// on the last edge of a work area).
constexpr bool ContainsWithEdges(const Rect& area, Point p) {
    return area.left <= p.x && p.x <= area.right && area.top <= p.y && p.y <= area.bottom;
}

// Strict overlap: rectangles that only touch along an edge do not overlap.
constexpr bool Overlaps(const Rect& a, const Rect& b) {
    return a.top < b.bottom && b.top < a.bottom && a.left < b.right && b.left < a.right;
}

// The area the two rectangles share, in square pixels (0 when they do not overlap).
constexpr int64_t OverlapArea(const Rect& a, const Rect& b) {
    const int64_t w = int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const int64_t h = int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// How far `p` lies outside `area` on each axis, squared and summed; 0 inside or on an edge.
constexpr int64_t DistanceSquared(const Rect& area, Point p) {
    const int64_t dx = std::max<int64_t>({int64_t{area.left} - p.x, 0, int64_t{p.x} - area.right});
    const int64_t dy = std::max<int64_t>({int64_t{area.top} - p.y, 0, int64_t{p.y} - area.bottom});
    return dx * dx + dy * dy;
}

constexpr Point Centre(const Rect& r) {
    return Point{static_cast<int32_t>((int64_t{r.left} + r.right) / 2),
                 static_cast<int32_t>((int64_t{r.top} + r.bottom) / 2)};
}

}  // namespace pomki
