// The desktop around the pet, as its rules see it: the window the user works in and facts
// about any window, the monitors' work areas, the cursor, and the acts the pet plays on the
// desktop (sounds, shot marks, message boxes, titles and minimising of other windows).
// The Windows program implements it with a stateless adapter; the unit tests use a recording
// fake, and the trace replay one that answers from a trace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/geometry.h"
#include "core/base/monitor.h"

namespace pomki {

// An opaque reference to a top-level window of any program; 0 means none.
using WindowRef = std::uintptr_t;

// What the desktop tells about a window, as plain facts; the rules that read them are in
// target_window.h.
struct WindowFacts {
    std::wstring className;
    bool shellWindow = false;  // the shell's desktop window or the desktop window itself
    bool toolWindow = false;   // a tool window (no taskbar button, not the user's work)
    bool cloaked = false;      // kept hidden by the compositor (another virtual desktop, ...)
    bool ownProgram = false;   // one of this program's windows
    bool hung = false;         // has stopped answering its messages
    Rect rect{};               // the window's rectangle
    Rect monitor{};            // the rectangle of the monitor that holds most of it
    bool framed = false;       // has a caption or a frame (a border, a sizing frame)
    friend bool operator==(const WindowFacts&, const WindowFacts&) = default;
};

// What the desktop says about the user's attention, in the system's own order.
enum class UserNotificationState {
    Unknown = 0,
    NotPresent = 1,            // the screen saver runs, the session is locked or switched
    Busy = 2,                  // a full-screen program
    RunningD3DFullScreen = 3,  // a full-screen Direct3D program
    PresentationMode = 4,
    AcceptsNotifications = 5,
    QuietTime = 6,
    App = 7,
};

class DesktopPort {
public:
    virtual ~DesktopPort() = default;

    // ---- Facts, read afresh at every call ----
    virtual WindowRef ForegroundWindow() = 0;  // 0 when the desktop reports none
    // A top-level window's rectangle as the user sees its frame.
    virtual Rect WindowRect(WindowRef window) = 0;
    virtual WindowFacts DescribeWindow(WindowRef window) = 0;
    virtual UserNotificationState NotificationState() = 0;
    // Each monitor's work area (the monitor less its taskbar), in screen pixels.
    virtual std::vector<Rect> WorkAreas() = 0;
    virtual Point CursorPos() = 0;

    // ---- Acts ----
    virtual void PlaySoundEffect(int soundId) = 0;
    // The shot mark at this point of the whole screen, at the pet's pixel scale.
    virtual void DrawShotMark(Point at) = 0;
    // A modal box with one OK button, owned by the pet window, in front of every window.
    virtual void ShowMessageBox(std::wstring_view text, std::wstring_view caption) = 0;
    virtual void Retitle(WindowRef window, std::wstring_view title) = 0;
    virtual void Minimise(WindowRef window) = 0;

    // ---- The monitors and their scale, read afresh at every call ----
    // Every monitor, with its own DPI.
    virtual std::vector<Monitor> Monitors() = 0;
};

}  // namespace pomki
