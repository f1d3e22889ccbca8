#include "core/care/care_menu.h"

#include "core/care/feeding.h"

namespace pomki {

CareMenuView ViewOf(const PetState& pet) {
    CareMenuView view;
    for (const AbilityInfo& info : kAbilities) {
        view.boxes[info.ability] = {pet.IsUnlocked(info.ability), pet.IsOn(info.ability)};
    }
    view.stress = pet.stress;
    view.money = std::to_wstring(pet.money);
    view.fullnessWord = FullnessWord(pet.fullness);
    view.level = std::to_wstring(pet.level);
    return view;
}

void CareMenu::Open() { port_.Show(ViewOf(pet_)); }

void CareMenu::Toggle(Ability ability) {
    const bool switchingOn = !pet_.IsOn(ability);
    pet_.Toggle(ability);
    saver_.SaveChanges();
    if (ability == Clock) {
        // One clock at a time: a clock left from before is closed first.
        port_.CloseClock();
        if (switchingOn) port_.OpenClock();
    } else if (ability == ScreenSaver && switchingOn) {
        StartScreenSaver();
    }
    // Switching the screen saver off leaves a running sweep to the cursor watch.
}

void CareMenu::StartScreenSaver() {
    screenSaverCursor_ = port_.CursorPos();
    port_.StartCursorWatch();
    watching_ = true;
    // One sweep at a time: switching on again while one runs starts it afresh.
    port_.CloseSweep();
    port_.OpenSweep();
}

void CareMenu::EndScreenSaver() {
    port_.StopCursorWatch();
    watching_ = false;
    port_.CloseSweep();
    pet_.abilityOn[ScreenSaver] = 0;
}

void CareMenu::CursorWatchTick() {
    if (!watching_) return;
    const Point cursor = port_.CursorPos();
    if (cursor == screenSaverCursor_) return;
    EndScreenSaver();
    port_.SetCheck(ScreenSaver, false);
}

void CareMenu::OpenFoodMenu() {
    port_.RunFoodMenu();
    port_.Show(ViewOf(pet_));  // a feed may have unlocked an ability
}

void CareMenu::Destroyed() {
    if (watching_) EndScreenSaver();
}

}  // namespace pomki
