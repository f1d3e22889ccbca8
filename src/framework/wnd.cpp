#include "framework/wnd.h"

namespace pomki::win {

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

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) { return Default(); }

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
