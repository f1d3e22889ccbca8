// The behaviour tick: the pet's economy, needs, mischief and one walking step per timer tick.
#pragma once

#include <cstdint>

#include "core/pet/pet_port.h"
#include "core/render/frame_slots.h"
#include "core/state/pet_state.h"

namespace pomki {

enum RoamMode : int32_t {
    RoamFree = 0,      // random walk
    RoamToWindow = 1,  // walking to the foreground window's left edge
    RoamHalted = 2,    // left standing by the minimising act
};

// The pet window is this size at a pixel scale of 1; on a scaled display every size, step,
// bound and offset of the walk is multiplied by the scale.
inline constexpr int32_t kPetSize = 60;

// The pet window's behaviour fields: not saved, all 0 at start.
struct Behaviour {
    int32_t petX = 0;
    int32_t petY = 0;
    int32_t heading = 0;  // 0 east, 1 south-east, ... 7 north-east
    int32_t frameBase = 0;
    int32_t framePhase = 0;
    RoamMode roamMode = RoamFree;
    Point cursorPoint{};
    // The whole-number scale the pet's pixels are drawn at, read at the start of every tick.
    int32_t scale = 1;
    // A grumble box is open: ticks keep running inside it, and they open no second box
    // (boxes nested without end would overflow the stack of an unattended pet).
    bool grumbleBoxOpen = false;
    // The care menu is open; ticks are stopped, but a click on the icon still arrives.
    bool careMenuOpen = false;

    int FrameSlot() const { return frameBase + framePhase; }
};

// Moves petX/petY one step along `heading` and sets frameBase for that heading
// (the lucky pair whatever the heading while GoodLuck is on).
void StepAlongHeading(const PetState& pet, Behaviour& behaviour);

// The show-off placement: topmost while ShowOff is on.
ZOrder ShowOffPlacement(const PetState& pet);

// Runs one whole tick against the port; draws from `random` in the documented order.
void RunTick(PetState& pet, Behaviour& behaviour, PetPort& port, RandomSource& random);

}  // namespace pomki
