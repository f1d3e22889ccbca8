#include "win/care/food_menu_dlg.h"

#include <cstddef>

#include "resource_ids.h"

namespace pomki::win {

CFoodMenuDlg::CFoodMenuDlg(Program& program) : CDialog(IDD_FOOD_MENU), program_(program) {}

BOOL CFoodMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    rules_ = program_.ConnectFoodMenu(*this);
    rules_->events().Open();
    return TRUE;
}

bool CFoodMenuDlg::OnClicked(WORD id) {
    if (id == IDC_FEED) {
        rules_->events().Feed();
        return true;
    }
    if (const int food = FoodOfRadio(id)) {
        rules_->events().Select(food);
        return true;
    }
    return false;
}

// Only ever takes away: a food not offered has its radio button disabled.
void CFoodMenuDlg::Show(const FoodMenuView& view) {
    for (std::size_t i = 0; i < kFoodRadios.size(); ++i) {
        if (!view.offered[i]) EnableWindow(GetDlgItem(kFoodRadios[i]), FALSE);
    }
    SetDlgItemText(IDC_MONEY, view.money.c_str());
}

void CFoodMenuDlg::EnableFeed(bool enabled) { EnableWindow(GetDlgItem(IDC_FEED), enabled ? TRUE : FALSE); }

}  // namespace pomki::win
