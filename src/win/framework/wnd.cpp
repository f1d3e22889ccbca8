#include "win/framework/wnd.h"

#include <windowsx.h>

namespace pomki::win {

namespace {
// Windows 8.1 and later; not in the headers for Windows 7.
constexpr UINT kWmDpiChanged = 0x02E0;
// Windows 10 1703 and later.
constexpr UINT kWmGetDpiScaledSize = 0x02E4;
}  // namespace

CWnd::~CWnd() {
    // An object that dies before its window: detach so the trampoline never sees a dead object.
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
        ::DestroyWindow(hwnd_);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    if (!window) return nullptr;
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&StaticWindowProc)) return nullptr;
    return reinterpret_cast<CWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

BOOL CWnd::DestroyWindow() { return hwnd_ ? ::DestroyWindow(hwnd_) : FALSE; }

void CWnd::Subclass(HWND window) {
    hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    originalProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWindowProc)));
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_DESTROY: {
        const LRESULT result = Default();
        OnDestroy();
        return result;
    }
    case WM_PAINT:
        if (OnPaint()) return 0;
        break;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        break;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), at);
        break;
    case WM_RBUTTONDOWN:
        OnRButtonDown(static_cast<UINT>(wParam), at);
        break;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        break;
    case WM_WTSSESSION_CHANGE:
        OnSessionChange(wParam);
        break;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam, lParam);
        return TRUE;
    case WM_TIMECHANGE:
        OnTimeChange();
        break;
    case WM_QUERYDRAGICON:
        if (HICON icon = OnQueryDragIcon()) return reinterpret_cast<LRESULT>(icon);
        break;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
        break;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam))) return reinterpret_cast<LRESULT>(brush);
        break;
    case kWmDpiChanged:
        if (lParam && OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam))) return 0;
        break;
    case WM_ERASEBKGND:
        if (OnEraseBkgnd(reinterpret_cast<HDC>(wParam))) return 1;
        break;
    case kWmGetDpiScaledSize:
        if (lParam) {
            if (const std::optional<SIZE> size = OnGetDpiScaledSize(LOWORD(wParam))) {
                *reinterpret_cast<SIZE*>(lParam) = *size;
                return TRUE;
            }
        }
        break;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
        OnSettingChange();
        break;
    default:
        if (message >= WM_USER) {
            if (const std::optional<LRESULT> result = OnProgramMessage(message, wParam, lParam)) return *result;
        }
        break;
    }
    return Default();
}

LRESULT CWnd::Default() {
    return CallWindowProcW(originalProc_, hwnd_, current_.message, current_.wParam, current_.lParam);
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);

    // Handlers nest (a modal loop inside a handler dispatches to the same window), so the
    // message that Default() refers to is saved and restored around each one.
    const Message outer = self->current_;
    self->current_ = {message, wParam, lParam};
    LRESULT result = 0;
    try {
        result = self->WindowProc(message, wParam, lParam);
    } catch (...) {
        // No exception may cross the system's window procedure.
        result = self->Default();
    }
    self->current_ = outer;

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->originalProc_));
        self->hwnd_ = nullptr;
        self->PostNcDestroy();
    }
    return result;
}

}  // namespace pomki::win
