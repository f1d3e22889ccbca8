#include "win/abilities/effect_wnd.h"

#include <commctrl.h>

#include "core/abilities/effect_sweep.h"
#include "core/base/pixel_scale.h"
#include "resource_ids.h"
#include "win/framework/app.h"
#include "win/render/screens_win.h"

namespace pomki::win {

CEffectWnd* effectWnd = nullptr;

namespace {
constexpr UINT kSweepPeriodMs = 10;

// Where the sweep stands. It outlives the window: the next sweep of this run starts where
// the last one stopped.
Point effectPos{0, 0};
}  // namespace

CEffectWnd::CEffectWnd() : CModelessDialog(IDD_EFFECT_WND) {}

BOOL CEffectWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    effectScreenArea_ = VirtualScreen();
    scale_ = PixelScaleForDpi(static_cast<int>(WindowDpi(GetSafeHwnd())));
    effect_ = Frame::Load(CWinApp::ResourceModule(), IDB_FRONT, SIZE{kEffectSize, kEffectSize}, scale_);
    ApplyEffectRegion();
    PlaceEffect();
    sweepTimer_.Start(GetSafeHwnd(), SWEEP_TIMER_ID, kSweepPeriodMs);
    return TRUE;
}

void CEffectWnd::ApplyEffectRegion() { ApplyFrameRegion(GetSafeHwnd(), effect_.region.get()); }

// At the top of the always-on-top windows and shown. Without SWP_NOACTIVATE: like a screen
// saver, the sweep takes the foreground while it runs.
void CEffectWnd::PlaceEffect() {
    SetWindowPos(GetSafeHwnd(), HWND_TOPMOST, effectPos.x, effectPos.y, kEffectSize * scale_, kEffectSize * scale_,
                 SWP_SHOWWINDOW);
}

// One step of the sweep. The region and the picture were made at set-up: a step only gives
// the window its shape again, repaints what lay below and moves.
void CEffectWnd::OnTimer(UINT_PTR) {
    effectPos = NextSweepPosition(effectPos, effectScreenArea_, kSweepStep * scale_);
    ApplyEffectRegion();
    PlaceEffect();
}

bool CEffectWnd::OnPaint() {
    PaintDC paint(GetSafeHwnd());
    // White is the image list's mask colour: only the hamster's own pixels are drawn.
    if (effect_.images) ImageList_Draw(effect_.images.get(), 0, paint.get(), 0, 0, ILD_NORMAL);
    return true;
}

void CEffectWnd::OnDestroy() {
    sweepTimer_.Stop();
    effect_.images.reset();
    effect_.region.reset();
}

}  // namespace pomki::win
