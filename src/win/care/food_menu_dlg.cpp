#include "win/care/food_menu_dlg.h"

#include <cstddef>
#include <string>

#include "resource_ids.h"

namespace pomki::win {

CFoodMenuDlg::CFoodMenuDlg(PetState& pet, PetSaver& saver) : CDialog(IDD_FOOD_MENU), menu_(pet, saver) {}

BOOL CFoodMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    feedButton_ = GetDlgItem(IDC_FEED);
    for (std::size_t i = 0; i < kFoodRadios.size(); ++i) {
        if (!IsOffered(menu_.pet(), static_cast<int>(i) + 1)) EnableWindow(GetDlgItem(kFoodRadios[i]), FALSE);
    }
    ShowMoney();
    return TRUE;  // the feed button stays disabled until a food is picked
}

bool CFoodMenuDlg::OnClicked(WORD id) {
    if (id == IDC_FEED) {
        if (menu_.Feed()) {
            ShowMoney();
            OnOK();
        } else {
            EnableWindow(feedButton_, FALSE);
        }
        return true;
    }
    if (const int food = FoodOfRadio(id)) {
        EnableWindow(feedButton_, menu_.Select(food) ? TRUE : FALSE);
        return true;
    }
    return false;
}

void CFoodMenuDlg::ShowMoney() { SetDlgItemText(IDC_MONEY, std::to_wstring(menu_.pet().money).c_str()); }

}  // namespace pomki::win
