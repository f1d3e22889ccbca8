// CEffectWnd: the screen-saver sweep that the ScreenSaver ability starts: a shaped,
// borderless, always-on-top hamster that jumps 50 pixels every 10 ms, row by row over
// every monitor (sizes and steps times the pixel scale on a scaled display). Modeless; the care menu starts it and destroys it at the first mouse
// movement, and the object frees itself once its window is gone.
#pragma once

#include <windows.h>

#include "core/base/geometry.h"
#include "win/framework/handles.h"
#include "win/framework/window_timer.h"
#include "win/framework/modeless_dialog.h"
#include "win/render/frame_region_win.h"

namespace pomki::win {

class CEffectWnd;
// The running sweep, or nullptr when there is none: the object clears it when it is freed,
// so a pointer held here is never stale.
extern CEffectWnd* effectWnd;

class CEffectWnd final : public CModelessDialog<CEffectWnd> {
public:
    // Makes the window and shows it; effectWnd names it until it is destroyed.
    static CEffectWnd* Open() { return CModelessDialog::Open(effectWnd); }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    void OnDestroy() override;

private:
    friend class CModelessDialog<CEffectWnd>;
    CEffectWnd();

    // Shapes the window like the front picture, as the pet window is shaped like its frame.
    void ApplyEffectRegion();
    void PlaceEffect();

    Rect effectScreenArea_;  // the rectangle around every monitor, read at set-up
    int scale_ = 1;          // the whole-number pixel scale of the monitors' DPI
    Frame effect_;  // effectImages and effectRegion: bitmap 129, made at set-up
    WindowTimer sweepTimer_;
};

}  // namespace pomki::win
