// A window timer: SetTimer on Start, KillTimer on Stop and when it is destroyed.
#pragma once

#include <windows.h>

namespace pomki::win {

class WindowTimer {
public:
    WindowTimer() = default;
    ~WindowTimer() { Stop(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    // Starting a running timer restarts it with the new period. Where Windows offers it (8 and
    // later), the timer may come up to `toleranceMs` late so that the system can wake once for
    // several timers of the machine; 0 keeps the system's own small tolerance.
    void Start(HWND window, UINT_PTR id, UINT periodMs, ULONG toleranceMs = 0);
    void Stop();
    bool running() const { return running_; }

private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
    bool running_ = false;
};

}  // namespace pomki::win
