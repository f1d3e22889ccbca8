#include "care/food_menu_dlg.h"

#include <string>

#include "resource_ids.h"

namespace pomki::win {

namespace {
// The food whose radio button has this id, or 0.
int FoodOfRadio(WORD id) {
    for (int food = 1; food <= kFoodCount; ++food) {
        if (FindFood(food)->radioId == id) return food;
    }
    return 0;
}
}  // namespace

CFoodMenuDlg::CFoodMenuDlg(HWND parent, PetState& pet) : CDialog(IDD_FOOD_MENU, parent), pet_(pet) {}

BOOL CFoodMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int food = 1; food <= kFoodCount; ++food) {
        foodRadios_[static_cast<size_t>(food - 1)] = GetDlgItem(FindFood(food)->radioId);
    }
    feedButton_ = GetDlgItem(IDC_FEED);
    // The two dearest foods are on the menu only with ExtraFood.
    for (int food = 1; food <= kFoodCount; ++food) {
        if (!IsOffered(pet_, food)) EnableWindow(foodRadios_[static_cast<size_t>(food - 1)], FALSE);
    }
    ShowMoney();
    return TRUE;  // the feed button stays disabled until a food is picked
}

bool CFoodMenuDlg::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_FEED) {
        OnFeed();
        return true;
    }
    if (const int food = FoodOfRadio(id)) {
        OnSelectFood(food);
        return true;
    }
    return false;
}

LRESULT CFoodMenuDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        OnDestroy();
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// Asked afresh at each pick, against the money of the moment.
void CFoodMenuDlg::OnSelectFood(int food) {
    EnableWindow(feedButton_, CanFeed(pet_, food) ? TRUE : FALSE);
    selectedFood_ = food;
}

void CFoodMenuDlg::OnFeed() {
    if (!Feed(pet_, selectedFood_)) {
        // The money no longer covers the food (another menu spent it): nothing is fed.
        EnableWindow(feedButton_, FALSE);
        return;
    }
    ShowMoney();
    selectedFood_ = 0;
    OnOK();
}

void CFoodMenuDlg::OnDestroy() {
    Default();
    selectedFood_ = 0;
}

void CFoodMenuDlg::ShowMoney() { SetDlgItemText(IDC_MONEY, std::to_wstring(pet_.money).c_str()); }

}  // namespace pomki::win
