// What the pet does at start-up, when it is petted, and around the care menu. The pet window
// turns its messages into these calls; the tick is in behaviour.h.
#pragma once

#include "core/pet/behaviour.h"
#include "core/pet/pet_port.h"
#include "core/state/pet_state.h"

namespace pomki {

inline constexpr int kSlowIntervalMs = 400;
inline constexpr int kFastIntervalMs = 100;  // with FastMove

// BehaviourTimer's interval, chosen each time the timer is started.
int BehaviourIntervalMs(const PetState& pet);
void StartBehaviourTimer(const PetState& pet, PetPort& port);

// The flags that cannot hold at start: no clock window exists yet, so Clock is off. The
// screen saver's flag is kept (no sweep runs either; the next click on its box clears it).
void ClearStartUpFlags(PetState& pet);

// Start-up once the pet is loaded: the start-up flags, the first frame shown, the timer
// started.
void StartPet(PetState& pet, const Behaviour& behaviour, PetPort& port);

// A left click on the pet: a squeak, one stress less (not below 0), the random walk again,
// the timer restarted, and the user drags the pet.
void PetThePet(PetState& pet, Behaviour& behaviour, PetPort& port);

// A right click on the pet or a click on its icon: the pet stops and is shown where the
// last tick left it, the care menu runs, and only OK starts the pet again. One menu at a time.
void OpenCareMenu(PetState& pet, Behaviour& behaviour, PetPort& port);

}  // namespace pomki
