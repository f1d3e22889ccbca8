// Between the core's plain geometry and the Win32 structures, and the few reads of the
// desktop that every window of ours makes the same way.
#pragma once

#include <windows.h>

#include "core/base/geometry.h"
#include "win/framework/system_library.h"

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

// The dots per inch of a monitor (96 is 100 %): its own from Windows 8.1 on; before that one
// DPI, the system's, for every monitor.
inline UINT MonitorDpi(HMONITOR monitor) {
    using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto forMonitor = SystemFunction<ForMonitor>(L"shcore.dll", "GetDpiForMonitor");
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    UINT x = 0;
    UINT y = 0;
    if (forMonitor && monitor && SUCCEEDED(forMonitor(monitor, kEffectiveDpi, &x, &y)) && x) return x;
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace pomki::win
