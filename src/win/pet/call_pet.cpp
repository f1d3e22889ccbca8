#include "win/pet/call_pet.h"

namespace pomki::win {

namespace {

constexpr wchar_t kPetProperty[] = L"Pomki.DesktopHamster.Pet";
constexpr wchar_t kCallPetMessage[] = L"Pomki.DesktopHamster.CallPet";
// Any value but none marks the window.
const HANDLE kMarked = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1));

BOOL CALLBACK FindMarked(HWND window, LPARAM found) {
    if (GetPropW(window, kPetProperty) != kMarked) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

UINT CallPetMessage() {
    static const UINT message = RegisterWindowMessageW(kCallPetMessage);
    return message;
}

void MarkAsThePet(HWND window) {
    if (CallPetMessage() != 0) ChangeWindowMessageFilterEx(window, CallPetMessage(), MSGFLT_ALLOW, nullptr);
    SetPropW(window, kPetProperty, kMarked);
}

void UnmarkThePet(HWND window) { RemovePropW(window, kPetProperty); }

bool CallRunningPet() {
    HWND pet = nullptr;
    EnumWindows(&FindMarked, reinterpret_cast<LPARAM>(&pet));
    return pet && CallPetMessage() != 0 && PostMessageW(pet, CallPetMessage(), 0, 0);
}

}  // namespace pomki::win
