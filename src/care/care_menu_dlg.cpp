#include "care/care_menu_dlg.h"

#include "resource_ids.h"

namespace pomki::win {

CCareMenuDlg::CCareMenuDlg(HWND parent, PetState& pet) : CDialog(IDD_CARE_MENU, parent), pet_(pet) {}

BOOL CCareMenuDlg::OnInitDialog() { return CDialog::OnInitDialog(); }

}  // namespace pomki::win
