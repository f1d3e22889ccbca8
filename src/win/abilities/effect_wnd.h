// CEffectWnd: the screen-saver sweep that the ScreenSaver ability starts: a shaped,
// borderless, always-on-top hamster that jumps 50 pixels every 10 ms, row by row over each
// monitor in turn (its size and steps times that monitor's pixel scale). Modeless; the care
// menu starts it and destroys it at the first mouse movement, and the object frees itself
// once its window is gone.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "core/base/monitor.h"
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
    // The picture covers every pixel of the window's shape: nothing is erased under it.
    bool OnEraseBkgnd(HDC) override { return static_cast<bool>(Picture().images); }
    void OnDestroy() override;
    // It sizes and places itself at every step: the system is not to rescale it.
    bool OnDpiChanged(UINT, const RECT&) override { return true; }

private:
    friend class CModelessDialog<CEffectWnd>;
    CEffectWnd();

    // Shapes the window like the front picture, as the pet window is shaped like its frame.
    void ApplyEffectRegion();
    void PlaceEffect();
    // The picture and shape at the scale of the monitor the sweep is on.
    const Frame& Picture() const;

    std::vector<Monitor> monitors_;  // in sweep order, read at set-up
    std::map<int, Frame> pictures_;  // effectImages and effectRegion (bitmap 129) per pixel scale
    WindowTimer sweepTimer_;
};

}  // namespace pomki::win
