#include "win/framework/dialog.h"

#include "win/framework/app.h"

namespace pomki::win {

HWND CDialog::CreateFromTemplate(HWND owner) {
    return CreateDialogParamW(CWinApp::ResourceModule(), MAKEINTRESOURCEW(templateId_), owner,
                              &StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

// The dialog procedure only attaches the object; from WM_INITDIALOG on the window is
// subclassed, every message reaches CWnd's one switch, and Default() is the dialog manager's
// own processing (this procedure answers FALSE to everything else).
INT_PTR CALLBACK CDialog::StaticDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lParam);
    self->Subclass(window);
    try {
        return self->OnInitDialog();
    } catch (...) {
        return TRUE;
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    endModal_ = false;
    result_ = -1;
    HWND window = CreateFromTemplate(owner);
    if (!window) return -1;
    // Only an owner that took input before is given it back at the end.
    const bool disabledOwner = owner && EnableWindow(owner, FALSE) == FALSE;
    if (!endModal_ && !IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNORMAL);
    // A dialog that stands alone opens in answer to the user (a click on the pet or on its
    // icon, which lets the program take the foreground): it comes to the front, where showing
    // it alone may leave it behind the user's window.
    if (!owner && !endModal_) SetForegroundWindow(window);

    MSG msg;
    while (!endModal_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            result_ = -1;
            break;
        }
        if (got == -1) break;
        if (!PreTranslateMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    // The owner takes input again before the dialog goes, so that it becomes the active window.
    if (disabledOwner) EnableWindow(owner, TRUE);
    if (GetSafeHwnd()) ::DestroyWindow(GetSafeHwnd());
    modal_ = false;
    return result_;
}

BOOL CDialog::Create() {
    modal_ = false;
    return CreateFromTemplate() != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    if (modal_) {
        endModal_ = true;
        // Wake the loop: a dialog ended from a sent message would otherwise wait for the
        // next posted one before its loop looked at endModal_ again.
        if (GetSafeHwnd()) PostMessageW(GetSafeHwnd(), WM_NULL, 0, 0);
    } else if (GetSafeHwnd()) {
        ::ShowWindow(GetSafeHwnd(), SW_HIDE);
    }
}

bool CDialog::PreTranslateMessage(MSG& msg) {
    if (!msg.hwnd || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!dynamic_cast<CDialog*>(FromHandlePermanent(root))) return false;
    return IsDialogMessageW(root, &msg) != FALSE;
}

bool CDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (code == BN_CLICKED && OnClicked(id)) return true;
    // The dialog manager sends OK and Cancel for Enter and Escape with no control.
    if (id == IDOK && (code == BN_CLICKED || !control)) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL && (code == BN_CLICKED || !control)) {
        OnCancel();
        return true;
    }
    return false;
}

HBRUSH CDialog::OnCtlColor(HDC dc) {
    const DialogColours& colours = CWinApp::Colours();
    if (!colours.background) return nullptr;
    SetTextColor(dc, colours.text);
    SetBkColor(dc, colours.backgroundColour);
    return colours.background.get();
}

}  // namespace pomki::win
