#include "care/care_menu_dlg.h"

#include <commctrl.h>

#include <string>

#include "abilities/clock_wnd.h"
#include "abilities/effect_wnd.h"
#include "care/feeding.h"
#include "care/food_menu_dlg.h"
#include "resource_ids.h"

namespace pomki::win {

namespace {
constexpr UINT kCursorWatchPeriodMs = 100;

std::wstring Decimal(int32_t value) { return std::to_wstring(value); }
}  // namespace

CCareMenuDlg::CCareMenuDlg(HWND parent, PetState& pet) : CDialog(IDD_CARE_MENU, parent), pet_(pet) {}

BOOL CCareMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (const AbilityInfo& info : kAbilityTable) abilityBoxes_[info.ability] = GetDlgItem(info.boxId);
    stressBar_ = GetDlgItem(IDC_STRESS_BAR);
    ::SendMessageW(stressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, kStressMax));
    ShowPet();
    return TRUE;
}

void CCareMenuDlg::ShowPet() {
    for (const AbilityInfo& info : kAbilityTable) {
        if (pet_.IsUnlocked(info.ability)) {
            SetDlgItemText(info.boxId, info.name);
            EnableWindow(abilityBoxes_[info.ability], TRUE);
        }
    }
    // A check mark follows the flag even on a locked box: the flag is what the pet uses.
    for (const AbilityInfo& info : kAbilityTable) {
        if (pet_.IsOn(info.ability)) SetCheck(info.ability, true);
    }
    ::SendMessageW(stressBar_, PBM_SETPOS, static_cast<WPARAM>(pet_.stress), 0);
    SetDlgItemText(IDC_MONEY, Decimal(pet_.money).c_str());
    SetDlgItemText(IDC_FULLNESS, FullnessWord(pet_.fullness));
    SetDlgItemText(IDC_LEVEL, Decimal(pet_.level).c_str());
}

void CCareMenuDlg::SetCheck(Ability ability, bool checked) const {
    ::SendMessageW(abilityBoxes_[ability], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CCareMenuDlg::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_QUIT) {
        OnQuit();
        return true;
    }
    if (id == IDC_FOOD_MENU) {
        OnFoodMenu();
        return true;
    }
    for (const AbilityInfo& info : kAbilityTable) {
        if (info.boxId == id) {
            OnToggleAbility(info.ability);
            return true;
        }
    }
    return false;
}

LRESULT CCareMenuDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnTimer();
        return Default();
    case WM_DESTROY:
        OnDestroy();
        return Default();
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

// The automatic check box has already flipped its own mark; the flag follows the click.
void CCareMenuDlg::OnToggleAbility(Ability ability) {
    const bool switchingOn = !pet_.IsOn(ability);
    pet_.Toggle(ability);
    if (ability == Clock) {
        if (switchingOn) {
            // One clock at a time: a clock left from before is closed first.
            if (clockWnd) clockWnd->DestroyWindow();
            CClockWnd::Open();
        } else if (clockWnd) {
            clockWnd->DestroyWindow();
        }
    } else if (ability == ScreenSaver && switchingOn) {
        StartScreenSaver();
    }
    // Switching the screen saver off leaves a running sweep to the cursor watch.
}

void CCareMenuDlg::StartScreenSaver() {
    GetCursorPos(&screenSaverCursor_);
    cursorWatch_.Start(GetSafeHwnd(), CURSOR_WATCH_TIMER_ID, kCursorWatchPeriodMs);
    // One sweep at a time: switching on again while one runs starts it afresh.
    if (effectWnd) effectWnd->DestroyWindow();
    CEffectWnd::Open();
}

// Stops the watch, destroys the sweep and switches the ability off.
void CCareMenuDlg::EndScreenSaver() {
    cursorWatch_.Stop();
    if (effectWnd) effectWnd->DestroyWindow();
    pet_.abilityOn[ScreenSaver] = 0;
}

// The cursor watch: the smallest movement of the mouse ends the screen saver.
void CCareMenuDlg::OnTimer() {
    if (!cursorWatch_.running()) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x != screenSaverCursor_.x || cursor.y != screenSaverCursor_.y) {
        EndScreenSaver();
        SetCheck(ScreenSaver, false);
    }
}

// The watch ends with the menu; a sweep left running would then go on until the program
// ends, so it ends here too.
void CCareMenuDlg::OnDestroy() {
    if (cursorWatch_.running()) EndScreenSaver();
}

void CCareMenuDlg::OnFoodMenu() {
    CFoodMenuDlg food(nullptr, pet_);
    food.DoModal();
    ShowPet();  // whatever the result: a feed may have unlocked an ability
}

// The quit request ends this menu's modal loop and then the program; the pet window saves
// the pet as it is destroyed.
void CCareMenuDlg::OnQuit() { PostQuitMessage(0); }

}  // namespace pomki::win
