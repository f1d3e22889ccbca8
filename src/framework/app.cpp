#include "framework/app.h"

#include <commctrl.h>

namespace pomki::win {

CWinApp* CWinApp::current_ = nullptr;

namespace {
DialogColours& ColourStore() {
    static DialogColours colours;
    return colours;
}
}  // namespace

CWinApp::CWinApp() { current_ = this; }

CWinApp::~CWinApp() {
    if (current_ == this) current_ = nullptr;
}

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
    DialogColours& colours = ColourStore();
    colours.backgroundColour = background;
    colours.text = text;
    colours.background.reset(CreateSolidBrush(background));
}

const DialogColours& CWinApp::Colours() { return ColourStore(); }

HINSTANCE CWinApp::ResourceModule() { return GetModuleHandleW(nullptr); }

// Resource icons are shared by the system and are never destroyed.
HICON CWinApp::LoadIcon(int id) const { return ::LoadIconW(ResourceModule(), MAKEINTRESOURCEW(id)); }

int CWinApp::Run() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (InitInstance()) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return ExitInstance();
}

}  // namespace pomki::win
