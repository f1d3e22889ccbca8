#include "win/framework/message_box.h"

#include "win/framework/handles.h"

namespace pomki::win {

namespace {

// While it lives, the first dialog activated on this thread (the message box) is made topmost.
class TopmostBoxGuard {
public:
    TopmostBoxGuard() {
        done_ = false;
        hook_.reset(SetWindowsHookExW(WH_CBT, &TopmostBoxGuard::Hook, nullptr, GetCurrentThreadId()));
    }
    TopmostBoxGuard(const TopmostBoxGuard&) = delete;
    TopmostBoxGuard& operator=(const TopmostBoxGuard&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && !done_) {
            HWND box = reinterpret_cast<HWND>(wParam);
            wchar_t className[16] = {};
            GetClassNameW(box, className, ARRAYSIZE(className));
            if (lstrcmpW(className, L"#32770") == 0) {
                done_ = true;
                SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline thread_local bool done_ = false;
    UniqueHook hook_;
};

}  // namespace

int TopmostMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    TopmostBoxGuard topmost;
    return MessageBoxW(owner, text, caption, type | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace pomki::win
