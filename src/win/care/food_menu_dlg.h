// CFoodMenuDlg: the food menu, run modally by the care menu. Its rules are FoodMenu's
// (food_menu.h); the dialog maps clicks to them and shows what they decide.
#pragma once

#include <windows.h>

#include "core/care/food_menu.h"
#include "win/framework/dialog.h"
#include "core/state/pet_state.h"

namespace pomki::win {

class CFoodMenuDlg final : public CDialog {
public:
    CFoodMenuDlg(PetState& pet, PetSaver& saver);

protected:
    BOOL OnInitDialog() override;
    bool OnClicked(WORD id) override;
    void OnDestroy() override { menu_.Close(); }

private:
    void ShowMoney();

    FoodMenu menu_;
    HWND feedButton_ = nullptr;
};

}  // namespace pomki::win
