// Dialogs made from resource templates, modal (with a modal loop of our own) or modeless,
// all painted in the program's dialog colours. A dialog stands alone unless it is run
// modally over an owner.
#pragma once

#include <windows.h>

#include "win/framework/wnd.h"

namespace pomki::win {

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId) : templateId_(templateId) {}

    // Runs the dialog until EndDialog or a quit request. A quit request ends the loop and is
    // posted again, so every modal loop further out ends as well; the result is then -1.
    // With an owner, the dialog is owned by it (no taskbar button of its own) and the owner
    // takes no input until the dialog ends; without one it is brought to the front.
    INT_PTR DoModal(HWND owner = nullptr);

    // Creates the dialog modeless; its messages are dispatched by whichever loop runs.
    BOOL Create();

    // Modal: ends the loop with this result. Modeless: hides the window, as dialogs do.
    void EndDialog(INT_PTR result);

    // Gives a message of any loop to the dialog manager of the dialog it belongs to
    // (keyboard navigation, Enter and Escape). Returns true when it was handled.
    static bool PreTranslateMessage(MSG& msg);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A click on a button of the dialog; true when the dialog handled it.
    virtual bool OnClicked(WORD /*id*/) { return false; }

    // Clicks go to OnClicked; OK and Cancel (also from Enter and Escape) to OnOK and OnCancel.
    bool OnCommand(WORD id, WORD code, HWND control) final;
    HBRUSH OnCtlColor(HDC dc) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND owner = nullptr);

    int templateId_;
    bool modal_ = false;
    bool endModal_ = false;
    INT_PTR result_ = -1;
};

}  // namespace pomki::win
