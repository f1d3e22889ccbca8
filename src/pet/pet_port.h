// What the pet's rules (the tick, the mischief acts, start-up, petting, the care menu's
// opening) need from the desktop, and nothing more. The Windows pet window implements it;
// the unit tests use a recording fake.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/geometry.h"

namespace pomki {

// An opaque reference to a top-level window of any program; 0 means none.
using WindowRef = std::uintptr_t;

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
