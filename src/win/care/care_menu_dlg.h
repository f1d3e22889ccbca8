// CCareMenuDlg: the care menu. Ends with IDOK from both "メニュー閉じる" and Escape; the quit
// button ends its modal loop through the quit request instead. Its rules are CareMenu's
// (care_menu.h); the dialog maps clicks and ticks to them and shows what they decide.
#pragma once

#include <windows.h>

#include <array>

#include "core/care/care_menu.h"
#include "win/framework/dialog.h"
#include "win/framework/handles.h"
#include "core/state/pet_state.h"

namespace pomki::win {

class CCareMenuDlg final : public CDialog, private CarePort {
public:
    CCareMenuDlg(PetState& pet, PetSaver& saver);

protected:
    BOOL OnInitDialog() override;
    // Escape closes the menu as "メニュー閉じる" does, so the pet walks on afterwards.
    void OnCancel() override { CDialog::OnOK(); }
    bool OnClicked(WORD id) override;
    // The menu's one timer is the cursor watch.
    void OnTimer(UINT_PTR) override { menu_.OnCursorWatch(); }
    void OnDestroy() override { menu_.Close(); }

private:
    // CarePort
    void Show(const CareMenuView& view) override;
    void SetCheck(Ability ability, bool checked) override;
    Point CursorPos() override;
    void StartCursorWatch() override;
    void StopCursorWatch() override { cursorWatch_.Stop(); }
    void OpenClock() override;
    void CloseClock() override;
    void OpenSweep() override;
    void CloseSweep() override;
    void RunFoodMenu() override;
    void Quit() override { PostQuitMessage(0); }

    PetState& pet_;
    PetSaver& saver_;
    CareMenu menu_;
    std::array<HWND, kAbilityCount> abilityBoxes_{};  // in ability order
    HWND stressBar_ = nullptr;
    WindowTimer cursorWatch_;  // runs only while the screen saver does
};

}  // namespace pomki::win
