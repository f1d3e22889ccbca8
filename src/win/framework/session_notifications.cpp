#include "win/framework/session_notifications.h"

#include <wtsapi32.h>

#include "win/framework/system_library.h"

namespace pomki::win {

namespace {
// wtsapi32 is looked up in the system folder when it is first needed, as every library the
// program does not import.
template <typename Function>
Function Wts(const char* name) {
    return SystemFunction<Function>(L"wtsapi32.dll", name);
}
}  // namespace

bool SessionNotifications::Register(HWND window) {
    Unregister();
    using RegisterFunction = BOOL(WINAPI*)(HWND, DWORD);
    static const auto registerFor = Wts<RegisterFunction>("WTSRegisterSessionNotification");
    if (!registerFor || !registerFor(window, NOTIFY_FOR_THIS_SESSION)) return false;
    window_ = window;
    return true;
}

void SessionNotifications::Unregister() {
    if (!window_) return;
    using UnregisterFunction = BOOL(WINAPI*)(HWND);
    static const auto unregister = Wts<UnregisterFunction>("WTSUnRegisterSessionNotification");
    if (unregister) unregister(window_);
    window_ = nullptr;
}

}  // namespace pomki::win
