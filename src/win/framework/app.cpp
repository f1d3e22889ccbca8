#include "win/framework/app.h"

#include <commctrl.h>

namespace pomki::win {

namespace {
DialogColours& ColourStore() {
    static DialogColours colours;
    return colours;
}
}  // namespace

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
    DialogColours& colours = ColourStore();
    colours.backgroundColour = background;
    colours.text = text;
    colours.background.reset(CreateSolidBrush(background));
}

const DialogColours& CWinApp::Colours() { return ColourStore(); }

HINSTANCE CWinApp::ResourceModule() { return GetModuleHandleW(nullptr); }

HICON CWinApp::LoadIcon(int id) { return ::LoadIconW(ResourceModule(), MAKEINTRESOURCEW(id)); }

int CWinApp::Run() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    InitInstance();
    return ExitInstance();
}

}  // namespace pomki::win
