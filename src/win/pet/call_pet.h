// A second copy of the program calls the running pet: it finds the pet window by a property
// that only that window carries (asking no other window anything, and broadcasting nothing) and
// posts it a message registered under the program's own name.
#pragma once

#include <windows.h>

namespace pomki::win {

// The registered message that calls the pet.
UINT CallPetMessage();

// Marks the window as the running pet, and lets the call through even when the pet runs
// elevated and the second copy does not. UnmarkThePet before the window is destroyed.
void MarkAsThePet(HWND window);
void UnmarkThePet(HWND window);

// Calls the running pet's window, if there is one marked; false when none was found.
bool CallRunningPet();

}  // namespace pomki::win
