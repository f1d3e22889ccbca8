#include "core/pet/pet_events.h"

#include "resource_ids.h"

namespace pomki {

int BehaviourIntervalMs(const PetState& pet) { return pet.IsOn(FastMove) ? kFastIntervalMs : kSlowIntervalMs; }

void StartBehaviourTimer(const PetState& pet, PetPort& port) { port.StartTimer(BehaviourIntervalMs(pet)); }

void ClearStartUpFlags(PetState& pet) { pet.abilityOn[Clock] = 0; }

void StartPet(PetState& pet, const Behaviour& behaviour, PetPort& port) {
    ClearStartUpFlags(pet);
    port.ApplyFrameRegion(behaviour.FrameSlot());
    StartBehaviourTimer(pet, port);
}

void PetThePet(PetState& pet, Behaviour& behaviour, PetPort& port) {
    port.PlaySoundEffect(IDS_SOUND_PET);
    pet.stress = pet.stress > kStressMin ? pet.stress - 1 : kStressMin;
    behaviour.roamMode = RoamFree;
    StartBehaviourTimer(pet, port);
    port.DragPet();
}

void OpenCareMenu(PetState& pet, Behaviour& behaviour, PetPort& port) {
    if (behaviour.careMenuOpen) return;
    port.StopTimer();
    port.ApplyFrameRegion(behaviour.FrameSlot());
    port.PlacePet(ShowOffPlacement(pet), behaviour.petX, behaviour.petY);
    behaviour.careMenuOpen = true;
    const bool ok = port.RunCareMenu();
    behaviour.careMenuOpen = false;
    // The menu changes FastMove: the interval is chosen now.
    if (ok) StartBehaviourTimer(pet, port);
}

}  // namespace pomki
