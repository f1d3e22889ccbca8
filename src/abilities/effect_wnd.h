// CEffectWnd: the screen-saver sweep that the ScreenSaver ability starts: a shaped,
// borderless, always-on-top hamster that jumps 50 pixels every 10 ms, row by row over the
// whole screen. Modeless; the care menu starts it and destroys it at the first mouse
// movement, and the object frees itself once its window is gone.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "render/frame_region_win.h"
#include "render/geometry.h"

namespace pomki::win {

class CEffectWnd final : public CDialog {
public:
    // Makes the sweep's window and shows it. Returns the new effect window (also held in
    // effectWnd), or nullptr when the window could not be made.
    static CEffectWnd* Open();
    ~CEffectWnd() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override { CDialog::OnOK(); }
    void OnCancel() override { CDialog::OnCancel(); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    CEffectWnd();

    void OnTimer();
    void OnPaint();
    void OnDestroy();
    // Shapes the window like the front picture, as the pet window is shaped like its frame.
    void ApplyEffectRegion();
    void PlaceEffect();

    Size effectScreenSize_;
    Frame effect_;  // effectImages and effectRegion: bitmap 129, made at set-up
    WindowTimer sweepTimer_;
    bool freedWithWindow_ = false;  // set once the window owns this object
};

// The running sweep, or nullptr when there is none: the object clears it when it is freed,
// so a pointer held here is never stale.
extern CEffectWnd* effectWnd;

}  // namespace pomki::win
