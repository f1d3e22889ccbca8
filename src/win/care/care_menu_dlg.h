// CCareMenuDlg: the care menu. Its rules are CareMenu's (core/care/care_menu.h): the dialog
// hands them its clicks and ticks and carries out what they ask.
#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "core/app/program.h"
#include "core/care/care_menu.h"
#include "win/framework/dialog.h"
#include "win/framework/handles.h"
#include "win/framework/window_timer.h"

namespace pomki::win {

class CCareMenuDlg final : public CDialog, private CarePort {
public:
    explicit CCareMenuDlg(Program& program);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override { rules_->events().Ok(); }
    void OnCancel() override { rules_->events().Cancel(); }
    bool OnClicked(WORD id) override;
    // The menu's one timer is the cursor watch.
    void OnTimer(UINT_PTR) override { rules_->events().CursorWatchTick(); }
    void OnDestroy() override { rules_->events().Destroyed(); }

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
    void Close(bool ok) override { EndDialog(ok ? IDOK : IDCANCEL); }

    Program& program_;
    std::unique_ptr<MenuRules<CareMenuEvents>> rules_;  // from set-up on
    std::array<HWND, kAbilityCount> abilityBoxes_{};    // in ability order
    HWND stressBar_ = nullptr;
    WindowTimer cursorWatch_;  // runs only while the screen saver does
};

}  // namespace pomki::win
