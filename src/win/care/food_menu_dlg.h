// CFoodMenuDlg: the food menu, run modally by the care menu. Its rules are FoodMenu's
// (core/care/food_menu.h): the dialog hands them its clicks and carries out what they ask.
#pragma once

#include <windows.h>

#include <memory>

#include "core/app/program.h"
#include "core/care/food_menu.h"
#include "win/framework/dialog.h"

namespace pomki::win {

class CFoodMenuDlg final : public CDialog, private FoodPort {
public:
    explicit CFoodMenuDlg(Program& program);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override { rules_->events().Ok(); }
    void OnCancel() override { rules_->events().Cancel(); }
    bool OnClicked(WORD id) override;
    void OnDestroy() override { rules_->events().Destroyed(); }

private:
    // FoodPort
    void Show(const FoodMenuView& view) override;
    void EnableFeed(bool enabled) override;
    void Close(bool ok) override { EndDialog(ok ? IDOK : IDCANCEL); }

    Program& program_;
    std::unique_ptr<MenuRules<FoodMenuEvents>> rules_;  // from set-up on
};

}  // namespace pomki::win
