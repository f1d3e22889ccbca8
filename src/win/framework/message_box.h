// Message boxes of the program.
#pragma once

#include <windows.h>

namespace pomki::win {

// A modal message box in front of every window. Some systems ignore MB_TOPMOST and a program
// in the background may not take the foreground, so the box is made topmost by hand the
// moment it is activated. Returns what MessageBoxW returns.
int TopmostMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

}  // namespace pomki::win
