// A window's icon in the notification area. The shell sends the icon's mouse activity to the
// window as the callback message; when the shell re-creates the notification area (Explorer
// restarted) it broadcasts "TaskbarCreated", and the icon is added again.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace pomki::win {

class TrayIcon {
public:
    TrayIcon() = default;
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon of `owner` (icon id 0). The icon handle is not ours: a shared resource
    // icon, which nobody destroys. An elevated program still hears the shell, which runs
    // unelevated: the callback message and "TaskbarCreated" are let through to `owner`.
    void Add(HWND owner, UINT callbackMessage, HICON icon, const wchar_t* tip);
    void Remove();
    // True when `message` is the shell's "TaskbarCreated"; the icon was added again.
    bool OnTaskbarCreated(UINT message);

private:
    NOTIFYICONDATAW data_{};
    bool added_ = false;
    UINT taskbarCreated_ = 0;
};

}  // namespace pomki::win
