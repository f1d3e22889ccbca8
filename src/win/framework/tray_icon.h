// A window's icon in the notification area. The shell sends the icon's mouse activity to the
// window as the callback message (version 4 notifications where the shell has them: a
// click's release is followed by NIN_SELECT or WM_CONTEXTMENU). The icon is drawn at the
// shell's small-icon size for the DPI of the taskbar's monitor, and loaded again when that
// changes. A shell that is not up yet (a program started at sign-in) is asked again a few
// times on a timer; when the shell re-creates the notification area (Explorer restarted) it
// broadcasts "TaskbarCreated", and the icon is added again.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "win/framework/handles.h"
#include "win/framework/window_timer.h"

namespace pomki::win {

class TrayIcon {
public:
    TrayIcon() = default;
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon of `owner` (icon id 0): icon resource `iconId` of `module`, with the tip.
    // When the shell refuses it, it is asked again on `owner`'s timer `retryTimerId`, whose
    // messages the owner hands to OnTimer. An elevated program still hears the shell, which
    // runs unelevated: the callback message and "TaskbarCreated" are let through to `owner`.
    void Add(HWND owner, UINT callbackMessage, HINSTANCE module, int iconId, const wchar_t* tip,
             UINT_PTR retryTimerId);
    void Remove();
    // True when `message` is the shell's "TaskbarCreated"; the icon was added again.
    bool OnTaskbarCreated(UINT message);
    // True when `id` is the retry timer; the shell was asked again.
    bool OnTimer(UINT_PTR id);
    // A DPI or a setting changed: the icon is loaded again if the shell's size for it changed.
    void Refresh();

private:
    // The icon at the shell's size now, taken into data_ (the one before kept until the shell
    // has the new one); false when it is the size already loaded.
    bool LoadForShell();
    void DropFormerIcon() { formerIcon_.reset(); }
    // NIM_ADD, or NIM_MODIFY when the shell has the icon already (an add whose answer was lost
    // on a busy shell); then version 4 notifications. True when the shell shows the icon.
    bool Show();
    void RetryLater();

    NOTIFYICONDATAW data_{};
    HINSTANCE module_ = nullptr;
    int iconId_ = 0;
    UniqueIcon icon_;        // ours: loaded at a size of our choosing, not shared
    UniqueIcon formerIcon_;  // the one the shell may still show, until it has icon_
    int iconSide_ = 0;
    bool wanted_ = false;  // added and not removed since
    bool shown_ = false;   // the shell has it
    UINT taskbarCreated_ = 0;
    UINT_PTR retryTimerId_ = 0;
    int retriesLeft_ = 0;
    WindowTimer retry_;
};

}  // namespace pomki::win
