// Driver commands about the screens: the monitors as Windows reports them, and placing a
// window where a user would drop it.
#include "driver.h"

#include <vector>

namespace e2e {

namespace {

struct MonitorList {
    std::vector<std::string> lines;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    reinterpret_cast<MonitorList*>(data)->lines.push_back(Json()
                                                              .Add("device", std::wstring(info.szDevice))
                                                              .Add("rect", info.rcMonitor)
                                                              .Add("work", info.rcWork)
                                                              .Add("primary", (info.dwFlags & MONITORINFOF_PRIMARY) != 0)
                                                              .Text());
    return TRUE;
}

// One line per monitor, then one with the system's DPI, the virtual screen and the size of a
// small icon (the notification area's).
int CmdMonitors(const Args&) {
    MonitorList list;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&list));
    for (const std::string& line : list.lines) Emit(line);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const RECT virtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    Emit(Json()
             .Add("dpi", dpi)
             .Add("virtual", virtualScreen)
             .Add("count", static_cast<int>(list.lines.size()))
             .Add("small_icon", GetSystemMetrics(SM_CXSMICON))
             .Text());
    return list.lines.empty() ? kQueryFailed : kOk;
}

// Moves a window's corner to (x, y), its size, z-order and activation untouched: as if the
// user had dropped it there. The move is posted to the window's own thread, so a program that
// is stopped makes it when it goes on, before its next timer message.
int CmdPlace(const Args& args) {
    HWND hwnd = args.Hwnd();
    const int x = static_cast<int>(args.RequiredNum(L"x"));
    const int y = static_cast<int>(args.RequiredNum(L"y"));
    if (!SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS)) {
        return kQueryFailed;
    }
    RECT r{};
    GetWindowRect(hwnd, &r);
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("rect", r).Text());
    return kOk;
}

}  // namespace

std::vector<Command> ScreenCommands() {
    return {
        {L"monitors", CmdMonitors, "monitors: each monitor's rectangle and work area, then the DPI and virtual screen"},
        {L"place", CmdPlace, "place --hwnd H --x X --y Y: move a window's corner (no size, z-order or activation change)"},
    };
}

}  // namespace e2e
