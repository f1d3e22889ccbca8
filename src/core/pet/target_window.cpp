#include "core/pet/target_window.h"

#include <array>

namespace pomki {

namespace {

// The shell's own top-level windows, which are often the foreground window on a desktop.
constexpr std::array<std::wstring_view, 12> kShellClasses{{
    L"#32769",                        // the desktop window
    L"Progman",                       // the desktop's icons
    L"WorkerW",                       // the desktop behind its wallpaper
    L"Shell_TrayWnd",                 // the taskbar
    L"Shell_SecondaryTrayWnd",        // the taskbar on another monitor
    L"Windows.UI.Core.CoreWindow",    // Start, search, the action centre
    L"MultitaskingViewFrame",         // Alt+Tab and Task View
    L"TaskSwitcherWnd",               // Alt+Tab, older systems
    L"XamlExplorerHostIslandWindow",  // Alt+Tab and Task View on Windows 11
    L"ForegroundStaging",             // a stand-in while the switcher hands over
    L"NotifyIconOverflowWindow",      // the hidden icons of the notification area
    L"TopLevelWindowForOverflowXamlIsland",  // the same on Windows 11
}};

}  // namespace

bool IsShellClass(std::wstring_view className) {
    for (const std::wstring_view shell : kShellClasses) {
        if (className == shell) return true;
    }
    return false;
}

bool CountsAsUserWindow(const WindowFacts& facts) {
    return !facts.shellWindow && !IsShellClass(facts.className) && !facts.cloaked &&
           !facts.toolWindow && !facts.ownProgram && !facts.hung;
}

bool IsFullScreen(const WindowFacts* front, UserNotificationState state) {
    switch (state) {
        case UserNotificationState::Busy:
        case UserNotificationState::RunningD3DFullScreen:
        case UserNotificationState::PresentationMode:
            return true;
        default:
            break;
    }
    if (front == nullptr) return false;
    // The desktop covers every monitor, and so may our own sweep: neither holds the screen.
    if (front->shellWindow || IsShellClass(front->className) || front->ownProgram || front->cloaked) {
        return false;
    }
    if (front->framed) return false;
    return !front->monitor.IsEmpty() && Contains(front->rect, front->monitor);
}

const WindowFacts* FrontWindow::Facts() {
    if (foreground_ == 0) return nullptr;
    if (!described_) {
        facts_ = desktop_.DescribeWindow(foreground_);
        described_ = true;
    }
    return &facts_;
}

WindowRef FrontWindow::UserWindow() {
    const WindowFacts* facts = Facts();
    return facts != nullptr && CountsAsUserWindow(*facts) ? foreground_ : 0;
}

bool FrontWindow::FullScreen() {
    if (fullScreen_ < 0) fullScreen_ = IsFullScreen(Facts(), desktop_.NotificationState()) ? 1 : 0;
    return fullScreen_ == 1;
}

}  // namespace pomki
