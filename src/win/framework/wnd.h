// The window base of the program's small dialog framework: one trampoline that finds the
// C++ object of a window, and one switch that decodes each message into a typed handler.
// A window overrides only the handlers it needs; the switch gives every message to the
// system's own processing (Default) afterwards, unless the handler answered it itself.
#pragma once

#include <windows.h>

#include <optional>

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
    // Lets the user drag a captionless window as if by its caption: the system moves it with
    // the mouse until the button is released, then this returns.
    void DragByCaption() const { SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0); }

protected:
    // ---- Typed handlers; the system's processing follows each unless said otherwise ----

    // WM_DESTROY, after the system's own processing.
    virtual void OnDestroy() {}
    // WM_PAINT. True when the window painted itself; false leaves it to the system.
    virtual bool OnPaint() { return false; }
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnLButtonDown(UINT /*keyFlags*/, POINT /*at*/) {}
    virtual void OnRButtonDown(UINT /*keyFlags*/, POINT /*at*/) {}
    // WM_ENDSESSION: `ending` is true when the session is really ending.
    virtual void OnEndSession(bool /*ending*/) {}
    // WM_WTSSESSION_CHANGE (for a window registered for them): what happened to the session.
    virtual void OnSessionChange(WPARAM /*code*/) {}
    // WM_POWERBROADCAST: a power event, with its data for a power-setting change; the system
    // takes TRUE for an answer.
    virtual void OnPowerBroadcast(WPARAM /*event*/, LPARAM /*data*/) {}
    // WM_TIMECHANGE: the system's clock was set.
    virtual void OnTimeChange() {}
    // WM_QUERYDRAGICON: the icon to drag a minimised window by; nullptr leaves it to the system.
    virtual HICON OnQueryDragIcon() { return nullptr; }
    // WM_COMMAND. True when handled; the system does nothing more then.
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    // WM_CTLCOLOR* of the window and its controls: the background brush (we keep it), or
    // nullptr to leave the colours to the system.
    virtual HBRUSH OnCtlColor(HDC /*dc*/) { return nullptr; }
    // WM_DPICHANGED: the window's monitor has another DPI now (`dpi`, 96 = 100 %) and the
    // system suggests `suggested` as its new rectangle. True when the window resized itself;
    // false leaves it to the system (which rescales a dialog made from a template).
    virtual bool OnDpiChanged(UINT /*dpi*/, const RECT& /*suggested*/) { return false; }
    // The program's own messages (a notification-area callback, a registered message): the
    // result, or nothing to leave the message to the system.
    virtual std::optional<LRESULT> OnProgramMessage(UINT /*message*/, WPARAM, LPARAM) { return std::nullopt; }

    // ---- Painting, scale and the system's settings ----

    // WM_ERASEBKGND: true when the window needs no background erased (it paints every pixel
    // itself); false leaves the erase to the system.
    virtual bool OnEraseBkgnd(HDC /*dc*/) { return false; }
    // WM_GETDPISCALEDSIZE (Windows 10 1703 and later), before a WM_DPICHANGED: the size the
    // window will take at `dpi`, or nothing to let the system scale it in proportion.
    virtual std::optional<SIZE> OnGetDpiScaledSize(UINT /*dpi*/) { return std::nullopt; }
    // WM_SETTINGCHANGE and WM_DISPLAYCHANGE: a setting of the system, the monitors or their
    // scale changed.
    virtual void OnSettingChange() {}

    // The system's own processing of the message being handled.
    LRESULT Default();

    // Called after the window is gone (WM_NCDESTROY); objects that own themselves delete here.
    virtual void PostNcDestroy() {}

    // Attaches this object to a window that already exists and routes its messages here.
    void Subclass(HWND window);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The one switch: message to handler, then Default() where the handler leaves it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

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
