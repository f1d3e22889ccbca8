// The pet's own window, as the pet's rules drive it: its rectangle and size, its shape and
// place in the z-order, its timers, its notification-area icon, and what runs modally on it
// (a drag, the care menu, a notice). The Windows pet window implements it; the unit tests
// use a recording fake, and the trace replay one that answers from a trace.
#pragma once

#include <cstdint>

#include "core/base/geometry.h"
#include "core/pet/desktop_port.h"
#include "core/state/pet_keeper.h"
#include "resource_ids.h"

namespace pomki {

// Where PlacePet puts the pet in the z-order. NoTopMost leaves a window that is not topmost
// where it is among the others; Top brings it in front of every window that is not topmost.
enum class ZOrder { TopMost, NoTopMost, Bottom, Top };

// The pet window's timers.
enum class PetTimer {
    Behaviour = BEHAVIOUR_TIMER_ID,
    Autosave = AUTOSAVE_TIMER_ID,
    PresenceCheck = PRESENCE_TIMER_ID,
};

class PetWindowPort {
public:
    virtual ~PetWindowPort() = default;

    // ---- Facts ----
    virtual WindowRef PetWindow() = 0;  // the pet window itself
    virtual Rect PetRect() = 0;         // its rectangle on the screen
    virtual int Dpi() = 0;              // the dots per inch of its monitor (96 is 100 %)

    // ---- Its pictures and shape ----
    // Loads the fourteen frames (pictures and shapes) at this whole-number pixel scale,
    // replacing the ones loaded before; ReleaseFrames lets them go.
    virtual void LoadFrames(int scale) = 0;
    virtual void ReleaseFrames() = 0;
    // Shapes the window like this frame slot and repaints it and what its old shape covered.
    virtual void ApplyFrameRegion(int frameSlot) = 0;

    // ---- Where it stands ----
    // Moves and sizes the window, its place in the z-order and the focus left as they are.
    virtual void SetRect(const Rect& rect) = 0;
    // Puts the window, the size of its frames, at (x, y) in this place of the z-order and
    // shows it, never taking the focus.
    virtual void PlacePet(ZOrder z, int32_t x, int32_t y) = 0;
    // Shows the window as a new dialog is shown: activated, where it stands.
    virtual void Show() = 0;

    // ---- Time ----
    // Starts the timer with this interval; starting a running timer restarts it.
    virtual void StartTimer(PetTimer timer, int intervalMs) = 0;
    virtual void StopTimer(PetTimer timer) = 0;
    // Blocks the thread for more than this time: the pose stays on the screen meanwhile.
    virtual void HoldPose(double seconds) = 0;

    // ---- What runs modally on it ----
    virtual void DragPet() = 0;      // the user drags the pet until the button is released
    virtual bool RunCareMenu() = 0;  // true when it closed with OK
    virtual void ShowNotice(const FileNotice& notice) = 0;  // returns once it is dismissed

    // ---- The open care menu ----
    // Brings the care menu that runs now (or the menu it runs in turn) to the front, as far as
    // the click that asked for it lets the program take the foreground.
    virtual void BringCareMenuToFront() = 0;

    // ---- The program ----
    virtual void AddTrayIcon() = 0;     // the notification-area icon, whose clicks come back as events
    virtual void RemoveTrayIcon() = 0;
    virtual void Quit() = 0;            // the quit request that ends the program
};

}  // namespace pomki
