#include "win/framework/tray_icon.h"

#include <commctrl.h>

#include "win/framework/convert.h"
#include "win/framework/system_library.h"

namespace pomki::win {

namespace {

// shell32 is looked up once the search for libraries is restricted (see main.cpp), so that
// whatever it loads comes from System32 too.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
    using NotifyIconFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
    static const auto notify = SystemFunction<NotifyIconFunction>(L"shell32.dll", "Shell_NotifyIconW");
    return notify && notify(message, data);
}

// A shell that is starting up answers within seconds: five more tries, two seconds apart.
constexpr int kAddRetries = 5;
constexpr UINT kRetryPeriodMs = 2000;

// The DPI the shell draws the notification area at: that of the taskbar's monitor (the
// primary one where no taskbar is found).
UINT ShellDpi() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const POINT origin{0, 0};
    HMONITOR monitor = taskbar ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                               : MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
    return MonitorDpi(monitor);
}

// The small-icon size at that DPI (Windows 10 1607 and later); before, the one size the
// system has, which follows its one DPI.
int SmallIconSide(UINT dpi) {
    using ForDpi = int(WINAPI*)(int, UINT);
    static const auto forDpi = SystemFunction<ForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi) {
        if (const int side = forDpi(SM_CXSMICON, dpi); side > 0) return side;
    }
    return GetSystemMetrics(SM_CXSMICON);
}

// The icon resource at exactly this size: scaled down from a larger image of it where it has
// none of that size (Windows Vista and later), else the system's nearest fit. Ours to destroy.
HICON LoadIconAtSide(HINSTANCE module, int iconId, int side) {
    using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown = SystemFunction<ScaleDown>(L"comctl32.dll", "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(module, MAKEINTRESOURCEW(iconId), side, side, &icon)) && icon) return icon;
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, side, side, 0));
}

}  // namespace

void TrayIcon::Add(HWND owner, UINT callbackMessage, HINSTANCE module, int iconId, const wchar_t* tip,
                   UINT_PTR retryTimerId) {
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    if (taskbarCreated_ != 0) ChangeWindowMessageFilterEx(owner, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(owner, callbackMessage, MSGFLT_ALLOW, nullptr);

    module_ = module;
    iconId_ = iconId;
    retryTimerId_ = retryTimerId;
    data_ = {};
    data_.cbSize = sizeof(data_);
    data_.hWnd = owner;
    data_.uID = 0;
    // With version 4 the shell shows the tip only when asked to (NIF_SHOWTIP).
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data_.uCallbackMessage = callbackMessage;
    lstrcpynW(data_.szTip, tip, ARRAYSIZE(data_.szTip));
    iconSide_ = 0;
    LoadForShell();
    DropFormerIcon();
    wanted_ = true;
    if (!Show()) {
        retriesLeft_ = kAddRetries;
        RetryLater();
    }
}

void TrayIcon::Remove() {
    retry_.Stop();
    if (shown_) NotifyIcon(NIM_DELETE, &data_);
    shown_ = false;
    wanted_ = false;
}

bool TrayIcon::OnTaskbarCreated(UINT message) {
    if (message == 0 || message != taskbarCreated_) return false;
    if (!wanted_) return true;
    // A new shell starts without our icon, perhaps on another monitor or at another scale.
    shown_ = false;
    LoadForShell();
    const bool shown = Show();
    DropFormerIcon();
    if (!shown) {
        retriesLeft_ = kAddRetries;
        RetryLater();
    }
    return true;
}

bool TrayIcon::OnTimer(UINT_PTR id) {
    if (retryTimerId_ == 0 || id != retryTimerId_) return false;
    if (!wanted_ || shown_ || Show() || --retriesLeft_ <= 0) retry_.Stop();
    return true;
}

void TrayIcon::Refresh() {
    if (!wanted_ || !LoadForShell()) return;
    if (shown_) NotifyIcon(NIM_MODIFY, &data_);
    DropFormerIcon();
}

bool TrayIcon::LoadForShell() {
    const int side = SmallIconSide(ShellDpi());
    if (side == iconSide_ && icon_) return false;
    UniqueIcon icon(LoadIconAtSide(module_, iconId_, side));
    if (!icon) return false;
    formerIcon_ = std::move(icon_);
    icon_ = std::move(icon);
    iconSide_ = side;
    data_.hIcon = icon_.get();
    return true;
}

bool TrayIcon::Show() {
    shown_ = NotifyIcon(NIM_ADD, &data_) || NotifyIcon(NIM_MODIFY, &data_);
    if (shown_) {
        NOTIFYICONDATAW version = data_;
        version.uVersion = NOTIFYICON_VERSION_4;
        NotifyIcon(NIM_SETVERSION, &version);
    }
    return shown_;
}

void TrayIcon::RetryLater() {
    if (retryTimerId_ != 0) retry_.Start(data_.hWnd, retryTimerId_, kRetryPeriodMs, kRetryPeriodMs / 10);
}

}  // namespace pomki::win
