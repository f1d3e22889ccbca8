#include "win/care/care_menu_dlg.h"

#include <commctrl.h>

#include "win/abilities/clock_wnd.h"
#include "win/abilities/effect_wnd.h"
#include "win/care/food_menu_dlg.h"
#include "resource_ids.h"

namespace pomki::win {

namespace {
constexpr UINT kCursorWatchPeriodMs = 100;
}  // namespace

CCareMenuDlg::CCareMenuDlg(PetState& pet, PetSaver& saver)
    : CDialog(IDD_CARE_MENU), pet_(pet), saver_(saver), menu_(pet, *this, saver) {}

BOOL CCareMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (const AbilityBox& box : kAbilityBoxes) abilityBoxes_[box.ability] = GetDlgItem(box.boxId);
    stressBar_ = GetDlgItem(IDC_STRESS_BAR);
    ::SendMessageW(stressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, kStressMax));
    menu_.Open();
    return TRUE;
}

bool CCareMenuDlg::OnClicked(WORD id) {
    if (id == IDC_QUIT) {
        menu_.Quit();
    } else if (id == IDC_FOOD_MENU) {
        menu_.FoodMenu();
    } else if (const std::optional<Ability> ability = AbilityOfBox(id)) {
        menu_.Toggle(*ability);
    } else {
        return false;
    }
    return true;
}

// Only ever adds: names, enabled boxes and check marks are never taken away here.
void CCareMenuDlg::Show(const CareMenuView& view) {
    for (const AbilityBox& box : kAbilityBoxes) {
        if (view.boxes[box.ability].named) {
            SetDlgItemText(box.boxId, box.name);
            EnableWindow(abilityBoxes_[box.ability], TRUE);
        }
    }
    for (const AbilityBox& box : kAbilityBoxes) {
        if (view.boxes[box.ability].checked) SetCheck(box.ability, true);
    }
    ::SendMessageW(stressBar_, PBM_SETPOS, static_cast<WPARAM>(view.stress), 0);
    SetDlgItemText(IDC_MONEY, view.money.c_str());
    SetDlgItemText(IDC_FULLNESS, view.fullnessWord);
    SetDlgItemText(IDC_LEVEL, view.level.c_str());
}

void CCareMenuDlg::SetCheck(Ability ability, bool checked) {
    ::SendMessageW(abilityBoxes_[ability], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

Point CCareMenuDlg::CursorPos() {
    POINT cursor{};
    GetCursorPos(&cursor);
    return Point{cursor.x, cursor.y};
}

void CCareMenuDlg::StartCursorWatch() {
    cursorWatch_.Start(GetSafeHwnd(), CURSOR_WATCH_TIMER_ID, kCursorWatchPeriodMs);
}

void CCareMenuDlg::OpenClock() { CClockWnd::Open(); }

void CCareMenuDlg::CloseClock() {
    if (clockWnd) clockWnd->DestroyWindow();
}

void CCareMenuDlg::OpenSweep() { CEffectWnd::Open(); }

void CCareMenuDlg::CloseSweep() {
    if (effectWnd) effectWnd->DestroyWindow();
}

void CCareMenuDlg::RunFoodMenu() {
    // Owned by the care menu and modal to it: no taskbar button, and no care-menu button works
    // while the food menu is open.
    CFoodMenuDlg food(pet_, saver_);
    food.DoModal(GetSafeHwnd());
}

}  // namespace pomki::win
