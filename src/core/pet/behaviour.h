// The behaviour tick: the pet's economy, needs, mischief and one walking step per timer tick.
#pragma once

#include "core/pet/behaviour_timer.h"
#include "core/pet/pet_ports.h"
#include "core/pet/walk_state.h"
#include "core/state/pet_state.h"

namespace pomki {

// Moves petX/petY one step along `heading` and sets frameBase for that heading
// (the lucky pair whatever the heading while GoodLuck is on).
void StepAlongHeading(const PetState& pet, WalkState& walk);

// The show-off placement: topmost while ShowOff is on.
ZOrder ShowOffPlacement(const PetState& pet);

// The walking frames for a heading (the lucky pair whatever the heading while GoodLuck is on).
int32_t WalkingFrameBase(const PetState& pet, int32_t heading);

// One tick of BehaviourTimer against the ports, drawing in the documented order.
class BehaviourTick {
public:
    BehaviourTick(PetState& pet, WalkState& walk, const PetPorts& ports, BehaviourTimer& timer)
        : pet_(pet), walk_(walk), ports_(ports), timer_(timer) {}

    void Run();

private:
    PetState& pet_;
    WalkState& walk_;
    PetPorts ports_;
    BehaviourTimer& timer_;  // stopped on arriving behind a window, and by the minimising act
    // A grumble box is open: ticks keep running inside it, and they open no second box
    // (boxes nested without end would overflow the stack of an unattended pet).
    bool grumbleBoxOpen_ = false;
};

}  // namespace pomki
