// CPetWnd: the hamster itself, a borderless dialog shaped like its current sprite frame.
// It runs modally for the program's whole life. It turns its messages into calls of the
// pet's rules (pet_events.h, behaviour.h) and carries out what they ask through PetPort.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <vector>
// PetPort has an operation named MessageBox; keep <windows.h> from renaming it here.
#undef MessageBox

#include "win/framework/dialog.h"
#include "win/framework/handles.h"
#include "core/pet/behaviour.h"
#include "core/pet/crt_random.h"
#include "core/pet/pet_port.h"
#include "win/render/frame_region_win.h"
#include "core/state/pet_saver.h"
#include "core/state/pet_state.h"

namespace pomki::win {

// What the pet window leaves to the application at the two ends of its life, and the saving
// as it goes in between (PetSaver: the autosave timer, and the menus it runs).
class PetHost : public PetSaver {
public:
    virtual ~PetHost() = default;
    // Set-up has made the window, its icon and its frames: the pet is loaded now, and a
    // refused file is told in a box that the pet window owns.
    virtual void PetWindowReady(HWND petWindow) = 0;
    // The window is being destroyed, its icon and frames already gone: the pet is saved.
    virtual void PetWindowGone() = 0;
    // Windows may end the process without destroying the window: the pet is saved now.
    virtual void SessionEnding() = 0;
};

class CPetWnd final : public CDialog, private PetPort {
public:
    CPetWnd(PetState& pet, PetHost& host, HDC screenDC);

protected:
    BOOL OnInitDialog() override;
    // Enter, Escape and the system close command leave the pet where it is.
    void OnOK() override {}
    void OnCancel() override {}

    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return petIcon_; }
    void OnDestroy() override;
    void OnLButtonDown(UINT keyFlags, POINT at) override;
    void OnRButtonDown(UINT keyFlags, POINT at) override;
    void OnTimer(UINT_PTR id) override;
    void OnEndSession(bool ending) override;
    bool OnDpiChanged(UINT dpi, const RECT& suggested) override;
    // The notification-area callback and Explorer's "TaskbarCreated".
    std::optional<LRESULT> OnProgramMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AddTrayIcon();

    // PetPort: what the pet's rules ask of the desktop.
    Rect PetRect() override;
    WindowRef PetWindow() override;
    WindowRef ForegroundWindow() override;
    Rect WindowRect(WindowRef window) override;
    Point CursorPos() override;
    void ApplyFrameRegion(int frameSlot) override;
    void PlacePet(ZOrder z, int32_t x, int32_t y) override;
    void StartTimer(int intervalMs) override;
    void StopTimer() override;
    void HoldPose(double seconds) override;
    void PlaySoundEffect(int soundId) override;
    void DrawShotMark(Point at) override;
    void MessageBox(std::wstring_view text, std::wstring_view caption) override;
    void Retitle(WindowRef window, std::wstring_view title) override;
    void Minimise(WindowRef window) override;
    void DragPet() override;
    bool RunCareMenu() override;
    // Other programs' windows
    WindowFacts DescribeWindow(WindowRef window) override;
    UserNotificationState NotificationState() override;

    // Screens: monitors and scale
    std::vector<Rect> WorkAreas() override;
    int PixelScale() override { return scale_; }

    PetState& pet_;
    PetHost& host_;
    HDC screenDC_;     // the whole screen; the application owns it
    HICON petIcon_;    // shared resource icon, never destroyed
    HICON trayIcon_;   // shared resource icon, never destroyed
    FrameSet frames_;  // frameImages and frameRegions
    Behaviour behaviour_;
    CrtRandom random_;
    NOTIFYICONDATAW trayIconData_{};
    WindowTimer behaviourTimer_;
    // Saving as it goes: a timer of its own, so that a pet whose behaviour timer is stopped
    // (menu open, hiding) still has its changes written.
    WindowTimer autosaveTimer_;
    UINT taskbarCreatedMessage_ = 0;
    int scale_ = 1;  // the pixel scale the frames are loaded at: that of the pet's monitor
};

}  // namespace pomki::win
