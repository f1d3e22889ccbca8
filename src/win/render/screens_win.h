// The desktop's monitors and their dots per inch, as a per-monitor DPI-aware program sees
// them. Calls that Windows 7 lacks are looked up at run time, each with a fallback, so the
// program still starts there (its manifest declares the awareness; these only back it up).
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/geometry.h"
#include "core/base/monitor.h"

namespace pomki::win {

// Makes the process per-monitor DPI aware when its manifest did not (an old system, or the
// manifest ignored), with the best mode the system offers. Call before any window exists.
void BecomeDpiAware();

// The dots per inch of the monitor that `window` is on (96 is 100 %).
UINT WindowDpi(HWND window);

// Every monitor's work area (the monitor less its taskbar), in physical screen pixels.
std::vector<Rect> MonitorWorkAreas();

// Every monitor, whole, with its own DPI, in the order the system lists them.
std::vector<Monitor> DesktopMonitors();

// A window's rectangle as the user sees it: the visible frame where the compositor tells it,
// without the invisible resize border that Windows 10 and 11 add around it.
Rect VisibleFrame(HWND window);

}  // namespace pomki::win
