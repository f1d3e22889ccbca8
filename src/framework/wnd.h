// The window base of the program's small dialog framework: one trampoline that finds the
// C++ object of a window and hands it the message; typed handlers live in the subclasses,
// and whatever a handler does not finish goes to Default().
#pragma once

#include <windows.h>

namespace pomki::win {

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return hwnd_; }

    // The object attached to a window of ours, or nullptr for any other window.
    static CWnd* FromHandlePermanent(HWND window);

    BOOL DestroyWindow();
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    void SetDlgItemText(int id, const wchar_t* text) const { ::SetDlgItemTextW(hwnd_, id, text); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(hwnd_, message, wParam, lParam);
    }
    BOOL ShowWindow(int command) const { return ::ShowWindow(hwnd_, command); }

protected:
    // One switch per window class; cases it does not handle fall through to the base.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The system's own processing of the message being handled.
    LRESULT Default();

    // Called after the window is gone (WM_NCDESTROY); objects that own themselves delete here.
    virtual void PostNcDestroy() {}

    // Attaches this object to a window that already exists and routes its messages here.
    void Subclass(HWND window);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    HWND hwnd_ = nullptr;
    WNDPROC originalProc_ = nullptr;
    Message current_{};
};

}  // namespace pomki::win
