#include "win/framework/tray_icon.h"

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

}  // namespace

void TrayIcon::Add(HWND owner, UINT callbackMessage, HICON icon, const wchar_t* tip) {
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    if (taskbarCreated_ != 0) ChangeWindowMessageFilterEx(owner, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(owner, callbackMessage, MSGFLT_ALLOW, nullptr);

    data_ = {};
    data_.cbSize = sizeof(data_);
    data_.hWnd = owner;
    data_.uID = 0;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    lstrcpynW(data_.szTip, tip, ARRAYSIZE(data_.szTip));
    NotifyIcon(NIM_ADD, &data_);
    added_ = true;
}

void TrayIcon::Remove() {
    if (!added_) return;
    NotifyIcon(NIM_DELETE, &data_);
    added_ = false;
}

bool TrayIcon::OnTaskbarCreated(UINT message) {
    if (message == 0 || message != taskbarCreated_) return false;
    if (added_) NotifyIcon(NIM_ADD, &data_);
    return true;
}

}  // namespace pomki::win
