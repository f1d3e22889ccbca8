// CFoodMenuDlg: the food menu. The user picks one of seven foods with a radio button and
// feeds it with the pet's money; one meal per opening. Modal, run by the care menu.
#pragma once

#include <windows.h>

#include <array>

#include "care/feeding.h"
#include "framework/dialog.h"
#include "state/pet_state.h"

namespace pomki::win {

class CFoodMenuDlg final : public CDialog {
public:
    CFoodMenuDlg(HWND parent, PetState& pet);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnSelectFood(int food);
    void OnFeed();
    void OnDestroy();
    void ShowMoney();

    PetState& pet_;
    std::array<HWND, kFoodCount> foodRadios_{};  // in foodTable order
    HWND feedButton_ = nullptr;
    int selectedFood_ = 0;  // 0: nothing picked; 1..7: the row of foodTable
};

}  // namespace pomki::win
