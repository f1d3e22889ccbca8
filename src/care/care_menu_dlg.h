// CCareMenuDlg: the care menu. Shows the pet's condition, switches its unlocked abilities,
// opens the food menu and quits the program. Ends with IDOK from both "メニュー閉じる" and
// Escape; the quit button ends its modal loop through the quit request instead.
#pragma once

#include <windows.h>

#include <array>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "state/pet_state.h"

namespace pomki::win {

class CCareMenuDlg final : public CDialog {
public:
    CCareMenuDlg(HWND parent, PetState& pet);

protected:
    BOOL OnInitDialog() override;
    // Escape closes the menu as "メニュー閉じる" does, so the pet walks on afterwards.
    void OnCancel() override { CDialog::OnOK(); }
    bool OnCommand(WORD id, WORD code) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnToggleAbility(Ability ability);
    void OnFoodMenu();
    void OnQuit();
    void OnTimer();
    void OnDestroy();

    // Shows the pet's values: names and enabled state of the unlocked abilities' boxes, the
    // check marks of the abilities on, stress, money, fullness word and level. Never clears
    // a check mark nor disables a box.
    void ShowPet();
    void SetCheck(Ability ability, bool checked) const;
    void StartScreenSaver();
    void EndScreenSaver();

    PetState& pet_;
    std::array<HWND, kAbilityCount> abilityBoxes_{};  // in ability order
    HWND stressBar_ = nullptr;
    WindowTimer cursorWatch_;   // runs only while the screen saver does
    POINT screenSaverCursor_{};  // where the cursor was when the screen saver started
};

}  // namespace pomki::win
