#include "win/render/screens_win.h"

#include "win/framework/convert.h"
#include "win/framework/handles.h"
#include "win/framework/system_library.h"

namespace pomki::win {

namespace {

// Not in the headers for Windows 7, which this program is built for.
using DpiContext = HANDLE;
const DpiContext kPerMonitorAwareV2 = reinterpret_cast<DpiContext>(static_cast<INT_PTR>(-4));
constexpr int kProcessPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
constexpr DWORD kExtendedFrameBounds = 9;      // DWMWA_EXTENDED_FRAME_BOUNDS

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<Rect>*>(data)->push_back(ToRect(info.rcWork));
    }
    return TRUE;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<Monitor>*>(data)->push_back(
            Monitor{ToRect(info.rcMonitor), static_cast<int>(MonitorDpi(monitor))});
    }
    return TRUE;
}

}  // namespace

void BecomeDpiAware() {
    // Windows 10 1703 and later: per-monitor v2 (dialogs and their fonts follow the monitor).
    using SetContext = BOOL(WINAPI*)(DpiContext);
    if (auto set = SystemFunction<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        // Fails when the manifest has already made the process aware: nothing more to do.
        if (set(kPerMonitorAwareV2) || GetLastError() == ERROR_ACCESS_DENIED) return;
    }
    // Windows 8.1: per-monitor.
    using SetAwareness = HRESULT(WINAPI*)(int);
    if (auto set = SystemFunction<SetAwareness>(L"shcore.dll", "SetProcessDpiAwareness")) {
        const HRESULT result = set(kProcessPerMonitorDpiAware);
        if (SUCCEEDED(result) || result == E_ACCESSDENIED) return;
    }
    // Windows 7: aware of the system's DPI.
    SetProcessDPIAware();
}

UINT WindowDpi(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = SystemFunction<ForWindow>(L"user32.dll", "GetDpiForWindow");
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window)) return dpi;
    }
    return MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

std::vector<Rect> MonitorWorkAreas() {
    std::vector<Rect> areas;
    EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty()) {
        RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
        areas.push_back(ToRect(r));
    }
    return areas;
}

std::vector<Monitor> DesktopMonitors() {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) {
        const POINT origin{0, 0};
        monitors.push_back(Monitor{Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                   static_cast<int>(MonitorDpi(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY)))});
    }
    return monitors;
}

Rect VisibleFrame(HWND window) {
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    static const auto getAttribute = SystemFunction<GetAttribute>(L"dwmapi.dll", "DwmGetWindowAttribute");
    RECT r{};
    // Without a compositor (or where it does not know the attribute) the window rectangle
    // is the frame the user sees.
    if (!getAttribute || FAILED(getAttribute(window, kExtendedFrameBounds, &r, sizeof r)) || IsRectEmpty(&r)) {
        if (!GetWindowRect(window, &r)) r = RECT{};
    }
    return ToRect(r);
}

}  // namespace pomki::win
