#include "win/care/care_menu_dlg.h"

#include <commctrl.h>

#include "resource_ids.h"
#include "win/abilities/clock_wnd.h"
#include "win/abilities/effect_wnd.h"
#include "win/care/food_menu_dlg.h"
#include "win/framework/convert.h"

namespace pomki::win {

namespace {
constexpr UINT kCursorWatchPeriodMs = 100;
}  // namespace

CCareMenuDlg::CCareMenuDlg(Program& program) : CDialog(IDD_CARE_MENU), program_(program) {}

BOOL CCareMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (const AbilityInfo& info : kAbilities) abilityBoxes_[info.ability] = GetDlgItem(info.boxId);
    stressBar_ = GetDlgItem(IDC_STRESS_BAR);
    ::SendMessageW(stressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, kStressMax));
    rules_ = program_.ConnectCareMenu(*this);
    rules_->events().Open();
    return TRUE;
}

bool CCareMenuDlg::OnClicked(WORD id) {
    if (id == IDC_QUIT) {
        rules_->events().Quit();
    } else if (id == IDC_FOOD_MENU) {
        rules_->events().OpenFoodMenu();
    } else if (const int ability = AbilityOfBox(id); ability >= 0) {
        rules_->events().Toggle(static_cast<Ability>(ability));
    } else {
        return false;
    }
    return true;
}

// Only ever adds: names, enabled boxes and check marks are never taken away here.
void CCareMenuDlg::Show(const CareMenuView& view) {
    for (const AbilityInfo& info : kAbilities) {
        if (view.boxes[info.ability].named) {
            SetDlgItemText(info.boxId, info.name);
            EnableWindow(abilityBoxes_[info.ability], TRUE);
        }
    }
    for (const AbilityInfo& info : kAbilities) {
        if (view.boxes[info.ability].checked) SetCheck(info.ability, true);
    }
    ::SendMessageW(stressBar_, PBM_SETPOS, static_cast<WPARAM>(view.stress), 0);
    SetDlgItemText(IDC_MONEY, view.money.c_str());
    SetDlgItemText(IDC_FULLNESS, view.fullnessWord.c_str());
    SetDlgItemText(IDC_LEVEL, view.level.c_str());
}

void CCareMenuDlg::SetCheck(Ability ability, bool checked) {
    ::SendMessageW(abilityBoxes_[ability], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

Point CCareMenuDlg::CursorPos() { return win::CursorPos(); }

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
    CFoodMenuDlg food(program_);
    food.DoModal(GetSafeHwnd());
}

}  // namespace pomki::win
