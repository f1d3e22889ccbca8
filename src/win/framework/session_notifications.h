// A window's registration for the session's notifications (WM_WTSSESSION_CHANGE: locked,
// unlocked, switched away or back), for its own session. The registration must end before the
// window is destroyed.
#pragma once

#include <windows.h>

namespace pomki::win {

class SessionNotifications {
public:
    SessionNotifications() = default;
    ~SessionNotifications() { Unregister(); }
    SessionNotifications(const SessionNotifications&) = delete;
    SessionNotifications& operator=(const SessionNotifications&) = delete;

    // False when the system cannot tell (no terminal services): the window hears nothing then.
    bool Register(HWND window);
    void Unregister();

private:
    HWND window_ = nullptr;
};

}  // namespace pomki::win
