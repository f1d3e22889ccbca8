// Which window in front the pet may play its tricks on and walk to, and when a program
// holds the whole screen so that the pet plays no tricks at all. The desktop reports plain
// facts about a window; the rules that read them live here.
#pragma once

#include <string>
#include <string_view>

#include "core/base/geometry.h"
#include "core/pet/desktop_port.h"

namespace pomki {

// Whether the shell's window class names this window: the desktop, the taskbars, Start and
// search, the task switcher, the notification area's overflow.
bool IsShellClass(std::wstring_view className);

// A window counts as the user's window in front only when it is an ordinary window of
// another program that answers its messages: not the shell's, not hidden by the
// compositor, not a tool window, not one of ours, not hung.
bool CountsAsUserWindow(const WindowFacts& facts);

// A program holds the screen: the desktop says the user is busy with a full-screen program,
// a full-screen Direct3D program or a presentation, or the window in front covers its whole
// monitor with neither caption nor frame (and is neither the shell's nor ours). A maximised
// window keeps its caption: on a monitor without a taskbar (or with one that hides itself) it
// covers the monitor too, and is still only a window the user works in.
bool IsFullScreen(const WindowFacts* front, UserNotificationState state);

// What the tick learns about the window in front, each fact asked of the desktop at most
// once per tick and only when a rule needs it.
class FrontWindow {
public:
    FrontWindow(DesktopPort& desktop, WindowRef foreground) : desktop_(desktop), foreground_(foreground) {}

    // The window in front when it is the user's own window; 0 otherwise.
    WindowRef UserWindow();
    // A program holds the whole screen: the pet plays no tricks and seeks no window.
    bool FullScreen();

private:
    const WindowFacts* Facts();

    DesktopPort& desktop_;
    WindowRef foreground_;
    bool described_ = false;
    WindowFacts facts_{};
    int fullScreen_ = -1;  // -1 not asked yet
};

}  // namespace pomki
