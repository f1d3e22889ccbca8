// Between the core's plain geometry and the Win32 structures, and the few reads of the
// desktop that every window of ours makes the same way.
#pragma once

#include <windows.h>

#include "core/base/geometry.h"

namespace pomki::win {

inline Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }
inline RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline Point ToPoint(POINT p) { return Point{p.x, p.y}; }
inline POINT ToPOINT(Point p) { return POINT{p.x, p.y}; }

// The cursor's position on the screen; (0, 0) when the system cannot tell it (a secure
// desktop is shown).
inline Point CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return ToPoint(p);
}

// A window's rectangle on the screen; empty when it cannot be read.
inline Rect WindowRectOf(HWND window) {
    RECT r{};
    if (!GetWindowRect(window, &r)) return Rect{};
    return ToRect(r);
}

}  // namespace pomki::win
