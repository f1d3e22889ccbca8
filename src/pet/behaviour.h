// The behaviour tick: the pet's economy, needs, mischief and one walking step per timer tick.
#pragma once

#include <cstdint>

#include "pet/pet_port.h"
#include "state/pet_state.h"

namespace pomki {

enum RoamMode : int32_t {
    RoamFree = 0,      // random walk
    RoamToWindow = 1,  // walking to the foreground window's left edge
    RoamHalted = 2,    // left standing by the minimising act
};

// The frame slots that the tick and the mischief acts choose as frameBase. The walking
// pairs show their second phase at slot + 1.
inline constexpr int32_t kSlotFront = 0;      // walking south; slot 1 is also a minimising pose
inline constexpr int32_t kSlotFrontStep = 1;
inline constexpr int32_t kSlotLeft = 2;       // walking west
inline constexpr int32_t kSlotRight = 4;      // walking east
inline constexpr int32_t kSlotBack = 6;       // walking north
inline constexpr int32_t kSlotTearful = 8;    // hiding behind a window, minimising
inline constexpr int32_t kSlotLucky = 9;      // walking pair for every heading with GoodLuck
inline constexpr int32_t kSlotGun = 11;       // a single shot
inline constexpr int32_t kSlotAutoGun = 12;   // a volley

// The pet window is always this size.
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
    // A grumble box is open: ticks keep running inside it, and they open no second box
    // (boxes nested without end would overflow the stack of an unattended pet).
    bool grumbleBoxOpen = false;

    int FrameSlot() const { return frameBase + framePhase; }
};

// Moves petX/petY one step along `heading` and sets frameBase for that heading
// (the lucky pair whatever the heading while GoodLuck is on).
void StepAlongHeading(const PetState& pet, Behaviour& behaviour);

// Runs one whole tick against the port; draws from `random` in the documented order.
void RunTick(PetState& pet, Behaviour& behaviour, PetPort& port, RandomSource& random);

}  // namespace pomki
