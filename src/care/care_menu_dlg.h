// CCareMenuDlg: the care menu. Shows the pet's condition, switches its unlocked abilities,
// opens the food menu and quits the program. Ends with IDOK from both "メニュー閉じる" and
// Escape; the quit button ends its modal loop through the quit request instead.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "state/pet_state.h"

namespace pomki::win {

class CCareMenuDlg final : public CDialog {
public:
    CCareMenuDlg(HWND parent, PetState& pet);

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override { CDialog::OnOK(); }

private:
    PetState& pet_;
};

}  // namespace pomki::win
