#include "win/pet/desktop_win.h"

#include <shellapi.h>

#include <string>

#include "core/render/frame_slots.h"
#include "win/framework/convert.h"
#include "win/framework/message_box.h"
#include "win/framework/system_library.h"
#include "win/render/screens_win.h"
#include "win/sound/sound_win.h"

namespace pomki::win {

namespace {

// How long the pet waits for another program to take a new title.
constexpr UINT kOtherWindowTimeoutMs = 200;

constexpr DWORD kDwmCloaked = 14;  // DWMWA_CLOAKED, Windows 8 and later

HWND Handle(WindowRef window) { return reinterpret_cast<HWND>(window); }

// Kept hidden by the compositor (a window of another virtual desktop, say). Systems before
// Windows 8 know no cloaking and answer with an error: not cloaked.
bool IsCloaked(HWND window) {
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    static const auto getAttribute = SystemFunction<GetAttribute>(L"dwmapi.dll", "DwmGetWindowAttribute");
    DWORD cloaked = 0;
    return getAttribute && SUCCEEDED(getAttribute(window, kDwmCloaked, &cloaked, sizeof cloaked)) && cloaked != 0;
}

}  // namespace

WindowRef WinDesktop::ForegroundWindow() { return reinterpret_cast<WindowRef>(GetForegroundWindow()); }

// The frame the user sees: the pet peeks out from that edge, not from the invisible border.
Rect WinDesktop::WindowRect(WindowRef window) { return VisibleFrame(Handle(window)); }

// Only quick questions that no other program has to answer, so a hung one cannot stop the pet.
WindowFacts WinDesktop::DescribeWindow(WindowRef window) {
    HWND hwnd = Handle(window);
    WindowFacts facts;
    wchar_t className[256] = {};
    const int length = GetClassNameW(hwnd, className, ARRAYSIZE(className));
    facts.className.assign(className, length > 0 ? static_cast<std::size_t>(length) : 0);
    facts.shellWindow = hwnd == GetShellWindow() || hwnd == GetDesktopWindow();
    facts.toolWindow = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    // A caption (WS_CAPTION is a border and a dialog frame) or a sizing frame: a window the
    // user works in, maximised or not; a full-screen game or film has none.
    facts.framed = (GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) != 0;
    facts.cloaked = IsCloaked(hwnd);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    facts.ownProgram = process == GetCurrentProcessId();
    facts.hung = IsHungAppWindow(hwnd) != FALSE;
    facts.rect = VisibleFrame(hwnd);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        facts.monitor = ToRect(monitor.rcMonitor);
    }
    return facts;
}

UserNotificationState WinDesktop::NotificationState() {
    // shell32 is looked up once the search for libraries is restricted (see main.cpp).
    using QueryState = HRESULT(WINAPI*)(QUERY_USER_NOTIFICATION_STATE*);
    static const auto queryState = SystemFunction<QueryState>(L"shell32.dll", "SHQueryUserNotificationState");
    QUERY_USER_NOTIFICATION_STATE state{};
    if (!queryState || FAILED(queryState(&state))) return UserNotificationState::Unknown;
    return static_cast<UserNotificationState>(state);
}

// Read afresh at every step: monitors come and go, taskbars move and hide.
std::vector<Rect> WinDesktop::WorkAreas() { return MonitorWorkAreas(); }

Point WinDesktop::CursorPos() { return win::CursorPos(); }

void WinDesktop::PlaySoundEffect(int soundId) { win::PlaySoundEffect(soundId); }

void WinDesktop::DrawShotMark(Point at) { frames_.Draw(kShotMarkSlot, screen_, ToPOINT(at)); }

void WinDesktop::ShowMessageBox(std::wstring_view text, std::wstring_view caption) {
    const std::wstring textZ(text);
    const std::wstring captionZ(caption);
    TopmostMessageBox(petWindow_.GetSafeHwnd(), textZ.c_str(), captionZ.c_str(), MB_OK);
}

// Another program's window may hang: the pet waits a moment for it and goes on.
void WinDesktop::Retitle(WindowRef window, std::wstring_view title) {
    const std::wstring titleZ(title);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(Handle(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(titleZ.c_str()),
                        SMTO_BLOCK | SMTO_ABORTIFHUNG, kOtherWindowTimeoutMs, &result);
}

void WinDesktop::Minimise(WindowRef window) { ShowWindowAsync(Handle(window), SW_MINIMIZE); }

// Read afresh: a change of DPI comes with monitors rearranged or rescaled.
std::vector<Monitor> WinDesktop::Monitors() { return DesktopMonitors(); }

}  // namespace pomki::win
