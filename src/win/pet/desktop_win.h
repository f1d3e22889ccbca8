// The desktop around the pet on Windows: facts about the windows of every program, the
// monitors and the cursor, and the pet's acts on the desktop. It keeps no state of its own;
// it draws with the pet's frames and owns its boxes by the pet window, both the pet window's.
#pragma once

#include <windows.h>

#include "core/pet/desktop_port.h"
#include "win/framework/wnd.h"
#include "win/render/frame_region_win.h"

namespace pomki::win {

class WinDesktop final : public DesktopPort {
public:
    // `petWindow` owns the message boxes; `frames` hold the shot mark; `screen` is a DC of the
    // whole screen. None of them is ours.
    WinDesktop(const CWnd& petWindow, const FrameSet& frames, HDC screen)
        : petWindow_(petWindow), frames_(frames), screen_(screen) {}

    WindowRef ForegroundWindow() override;
    Rect WindowRect(WindowRef window) override;
    WindowFacts DescribeWindow(WindowRef window) override;
    UserNotificationState NotificationState() override;
    std::vector<Rect> WorkAreas() override;
    Point CursorPos() override;
    void PlaySoundEffect(int soundId) override;
    void DrawShotMark(Point at) override;
    void ShowMessageBox(std::wstring_view text, std::wstring_view caption) override;
    void Retitle(WindowRef window, std::wstring_view title) override;
    void Minimise(WindowRef window) override;
    std::vector<Monitor> Monitors() override;

private:
    const CWnd& petWindow_;
    const FrameSet& frames_;
    HDC screen_;
};

}  // namespace pomki::win
