// What the pet's rules (the tick, the mischief acts, start-up, petting, the care menu's
// opening) need from the desktop, and nothing more. The Windows pet window implements it;
// the unit tests use a recording fake.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/geometry.h"

namespace pomki {

// An opaque reference to a top-level window of any program; 0 means none.
using WindowRef = std::uintptr_t;

// Other programs' windows: what the desktop tells about one, as plain facts; the rules that
// read them are in target_window.h.
struct WindowFacts {
    std::wstring className;
    bool shellWindow = false;  // the shell's desktop window or the desktop window itself
    bool toolWindow = false;   // a tool window (no taskbar button, not the user's work)
    bool cloaked = false;      // kept hidden by the compositor (another virtual desktop, ...)
    bool ownProgram = false;   // one of this program's windows
    bool hung = false;         // has stopped answering its messages
    Rect rect{};               // the window's rectangle
    Rect monitor{};            // the rectangle of the monitor that holds most of it
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

// Where PlacePet puts the pet in the z-order.
enum class ZOrder { TopMost, NoTopMost, Bottom };

class PetPort {
public:
    virtual ~PetPort() = default;

    virtual Rect PetRect() = 0;                       // the pet window's rectangle
    virtual WindowRef PetWindow() = 0;                // the pet window itself
    virtual WindowRef ForegroundWindow() = 0;         // 0 when the desktop reports none
    virtual Rect WindowRect(WindowRef window) = 0;    // any top-level window's rectangle
    virtual Point CursorPos() = 0;

    virtual void ApplyFrameRegion(int frameSlot) = 0;  // shape and repaint the pet in this slot
    virtual void PlacePet(ZOrder z, int32_t x, int32_t y) = 0;  // 60 x 60 at (x, y)
    virtual void StartTimer(int intervalMs) = 0;      // BehaviourTimer; restarts a running one
    virtual void StopTimer() = 0;                      // BehaviourTimer
    virtual void HoldPose(double seconds) = 0;         // block for more than this time
    virtual void PlaySoundEffect(int soundId) = 0;
    virtual void DrawShotMark(Point at) = 0;           // on the whole screen
    virtual void MessageBox(std::wstring_view text, std::wstring_view caption) = 0;  // modal, OK
    virtual void Retitle(WindowRef window, std::wstring_view title) = 0;
    virtual void Minimise(WindowRef window) = 0;
    virtual void DragPet() = 0;       // the user drags the pet until the button is released
    virtual bool RunCareMenu() = 0;   // modal; true when it closed with OK

    // Other programs' windows
    virtual WindowFacts DescribeWindow(WindowRef window) = 0;
    virtual UserNotificationState NotificationState() = 0;

    // Screens: monitors and scale
    // Each monitor's work area (the monitor less its taskbar), in screen pixels, read afresh.
    virtual std::vector<Rect> WorkAreas() = 0;
    // The whole-number scale the pet's pixels are drawn at (PixelScaleForDpi of its monitor);
    // the pet window is kPetSize times this wide and high.
    virtual int PixelScale() = 0;
};

// Uniform draws in a fixed order; Next(m) is one draw reduced modulo m (0..m-1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual int Next(int modulus) = 0;
};

}  // namespace pomki
