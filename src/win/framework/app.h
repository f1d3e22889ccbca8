// The application object: the program's entry into the framework, and the dialog colours
// that every dialog of the program uses.
#pragma once

#include <windows.h>

#include "win/framework/handles.h"

namespace pomki::win {

struct DialogColours {
    COLORREF backgroundColour = 0;
    COLORREF text = 0;
    UniqueBrush background;  // null until SetDialogBkColor
};

class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's whole run: its windows run modally inside it. The result is ignored.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    // The background and static-text colours of every dialog of the program.
    static void SetDialogBkColor(COLORREF background, COLORREF text);
    static const DialogColours& Colours();

    static HINSTANCE ResourceModule();
    // A shared resource icon: the system keeps it, nobody destroys it.
    static HICON LoadIcon(int id);

    // The program's entry: InitInstance, then ExitInstance, whose result is the exit code.
    // The application runs no message loop of its own.
    int Run();
};

}  // namespace pomki::win
