#include "win/framework/window_timer.h"

#include "win/framework/system_library.h"

namespace pomki::win {

void WindowTimer::Start(HWND window, UINT_PTR id, UINT periodMs, ULONG toleranceMs) {
    using SetCoalescable = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
    static const auto setCoalescable = SystemFunction<SetCoalescable>(L"user32.dll", "SetCoalescableTimer");
    window_ = window;
    id_ = id;
    const UINT_PTR set = setCoalescable ? setCoalescable(window, id, periodMs, nullptr, toleranceMs)
                                        : SetTimer(window, id, periodMs, nullptr);
    running_ = set != 0;
}

void WindowTimer::Stop() {
    if (running_ && IsWindow(window_)) KillTimer(window_, id_);
    running_ = false;
}

}  // namespace pomki::win
