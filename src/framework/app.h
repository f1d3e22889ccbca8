// The application object: the program's entry into the framework, and the dialog colours
// that every dialog of the program uses.
#pragma once

#include <windows.h>

#include "framework/handles.h"

namespace pomki::win {

struct DialogColours {
    COLORREF backgroundColour = 0;
    COLORREF text = 0;
    UniqueBrush background;  // null until SetDialogBkColor
};

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns false when the program should end without a message loop of the application.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return exitCode_; }

    // The background and static-text colours of every dialog of the program.
    static void SetDialogBkColor(COLORREF background, COLORREF text);
    static const DialogColours& Colours();

    static HINSTANCE ResourceModule();
    static CWinApp* Current() { return current_; }
    HICON LoadIcon(int id) const;

    HWND mainWnd = nullptr;  // the pet window while it runs

    // The program's entry: InitInstance, then (never here) a loop, then ExitInstance.
    int Run();

protected:
    int exitCode_ = 0;

private:
    static CWinApp* current_;
};

}  // namespace pomki::win
