// CPetWnd: the hamster itself, a borderless dialog shaped like its current sprite frame.
// It is the program's main window and runs modally for the program's whole life.
#pragma once

#include <windows.h>
#include <shellapi.h>
// The tick's port has an operation named MessageBox; keep <windows.h> from renaming it here.
#undef MessageBox

#include <string>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "pet/behaviour.h"
#include "pet/crt_random.h"
#include "pet/pet_port.h"
#include "render/frame_region_win.h"
#include "state/pet_state.h"

namespace pomki::win {

class CPetWnd final : public CDialog, private PetPort {
public:
    CPetWnd(HWND parent, PetState& pet, HDC screenDC);

protected:
    BOOL OnInitDialog() override;
    // Enter, Escape and the system close command leave the pet where it is.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void OnDestroy();
    void OnLButtonDown();
    void OnRButtonDown();
    void OnTimer();
    LRESULT OnTrayNotify(LPARAM mouseMessage);
    void OnEndSession(bool ending);

    void AddTrayIcon();
    void StartBehaviourTimer();
    // Writes the pet to its file; false when it could not be written.
    bool SavePet();

    // PetPort: what the tick asks of the desktop.
    Rect PetRect() override;
    WindowRef PetWindow() override;
    WindowRef ForegroundWindow() override;
    Rect WindowRect(WindowRef window) override;
    Point CursorPos() override;
    Size ScreenSize() override;
    void ApplyFrameRegion(int frameSlot) override;
    void PlacePet(ZOrder z, int32_t x, int32_t y) override;
    void StopTimer() override;
    void HoldPose(double seconds) override;
    void PlaySoundEffect(int soundId) override;
    void DrawShotMark(Point at) override;
    void MessageBox(std::wstring_view text, std::wstring_view caption) override;
    void Retitle(WindowRef window, std::wstring_view title) override;
    void Minimise(WindowRef window) override;

    PetState& pet_;
    HDC screenDC_;     // the whole screen; the application owns it
    HICON petIcon_;    // shared resource icon, never destroyed
    HICON trayIcon_;   // shared resource icon, never destroyed
    FrameSet frames_;  // frameImages and frameRegions
    Behaviour behaviour_;
    CrtRandom random_;
    NOTIFYICONDATAW trayIconData_{};
    WindowTimer behaviourTimer_;
    std::wstring savePath_;
    UINT taskbarCreatedMessage_ = 0;
    bool careMenuOpen_ = false;
};

}  // namespace pomki::win
