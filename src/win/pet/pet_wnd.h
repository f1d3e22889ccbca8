// CPetWnd: the hamster itself, a borderless dialog shaped like its sprite frame. It runs
// modally for the program's whole life. It hands its messages to the pet's rules
// (PetEvents, core/pet/pet.h) and is the window they drive (PetWindowPort).
#pragma once

#include <windows.h>

#include "core/app/program.h"
#include "core/pet/crt_random.h"
#include "core/pet/pet_window_port.h"
#include "win/framework/dialog.h"
#include "win/framework/handles.h"
#include "win/framework/window_timer.h"
#include "win/framework/session_notifications.h"
#include "win/framework/tray_icon.h"
#include "win/pet/desktop_win.h"
#include "win/render/frame_region_win.h"

namespace pomki::win {

class CPetWnd final : public CDialog, private PetWindowPort {
public:
    // `screenDC` is a DC of the whole screen, the application's, for the shot marks.
    CPetWnd(Program& program, HDC screenDC);

protected:
    BOOL OnInitDialog() override;
    // Enter, Escape and the system close command leave the pet where it is.
    void OnOK() override {}
    void OnCancel() override {}

    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return petIcon_; }
    void OnDestroy() override;
    void OnLButtonDown(UINT, POINT) override { events_->LeftButtonDown(); }
    void OnRButtonDown(UINT, POINT) override { events_->RightButtonDown(); }
    void OnTimer(UINT_PTR id) override;
    void OnEndSession(bool ending) override;
    void OnSessionChange(WPARAM code) override;
    void OnPowerBroadcast(WPARAM event, LPARAM data) override;
    bool OnDpiChanged(UINT dpi, const RECT& suggested) override;
    // The notification-area callback, Explorer's "TaskbarCreated", and a second copy's call.
    std::optional<LRESULT> OnProgramMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The frame covers every pixel of the window's shape: nothing is erased under it.
    bool OnEraseBkgnd(HDC) override;
    // The size of the frames at that DPI, as the pet will take them.
    std::optional<SIZE> OnGetDpiScaledSize(UINT dpi) override;
    void OnSettingChange() override { trayIconArea_.Refresh(); }

private:
    // PetWindowPort
    WindowRef PetWindow() override;
    Rect PetRect() override;
    int Dpi() override;
    void LoadFrames(int scale) override;
    void ReleaseFrames() override { frames_.Release(); }
    void ApplyFrameRegion(int frameSlot) override;
    void SetRect(const Rect& rect) override;
    void PlacePet(ZOrder z, int32_t x, int32_t y) override;
    void Show() override { ShowWindow(SW_SHOWNORMAL); }
    void StartTimer(PetTimer timer, int intervalMs) override;
    void StopTimer(PetTimer timer) override;
    void HoldPose(double seconds) override;
    void DragPet() override { DragByCaption(); }
    bool RunCareMenu() override;
    void ShowNotice(const FileNotice& notice) override;
    void BringCareMenuToFront() override;
    void AddTrayIcon() override;
    void RemoveTrayIcon() override { trayIconArea_.Remove(); }
    void Quit() override { PostQuitMessage(0); }

    WindowTimer& TimerOf(PetTimer timer);

    Program& program_;
    PetEvents* events_ = nullptr;  // the pet's rules, from set-up on
    HICON petIcon_;                // shared resource icon, never destroyed
    FrameSet frames_;              // frameImages and frameRegions
    int frameSide_ = 0;            // the frames' width and height in pixels
    WinDesktop desktop_;
    CrtRandom random_;
    TrayIcon trayIconArea_;
    CDialog* careMenu_ = nullptr;  // the care menu while it runs (not ours: RunCareMenu's)
    WindowTimer behaviourTimer_;
    WindowTimer autosaveTimer_;
    WindowTimer presenceTimer_;
    // The system tells the window of the session's locks and switches and of the display's
    // state, from set-up until it is destroyed.
    SessionNotifications sessionNotifications_;
    UniquePowerNotification displayNotifications_;
};

}  // namespace pomki::win
