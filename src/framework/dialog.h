// Dialogs made from resource templates, modal (with a modal loop of our own) or modeless,
// all painted in the program's dialog colours.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

namespace pomki::win {

class CDialog : public CWnd {
public:
    CDialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

    // Runs the dialog until EndDialog or a quit request. A quit request ends the loop and is
    // posted again, so every modal loop further out ends as well; the result is then -1.
    INT_PTR DoModal();

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
    // Button clicks and other commands that the dialog handles itself.
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/) { return false; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate();

    int templateId_;
    HWND parent_;
    bool modal_ = false;
    bool endModal_ = false;
    INT_PTR result_ = -1;
};

}  // namespace pomki::win
