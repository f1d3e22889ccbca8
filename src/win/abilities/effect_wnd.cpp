#include "win/abilities/effect_wnd.h"

#include <commctrl.h>

#include <optional>

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
std::optional<SweepPosition> effectPos;

const Frame kNoPicture{};
}  // namespace

CEffectWnd::CEffectWnd() : CModelessDialog(IDD_EFFECT_WND) {}

// The monitors and a picture for each of their scales are made once here: a step only picks.
BOOL CEffectWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    monitors_ = SweepOrder(DesktopMonitors());
    for (const Monitor& m : monitors_) {
        const int scale = PixelScaleForDpi(m.dpi);
        if (!pictures_.count(scale)) {
            pictures_[scale] = Frame::Load(CWinApp::ResourceModule(), IDB_FRONT, SIZE{kEffectSize, kEffectSize}, scale);
        }
    }
    effectPos = FirstSweepPosition(effectPos, monitors_);
    ApplyEffectRegion();
    PlaceEffect();
    sweepTimer_.Start(GetSafeHwnd(), SWEEP_TIMER_ID, kSweepPeriodMs);
    return TRUE;
}

const Frame& CEffectWnd::Picture() const {
    if (!effectPos || effectPos->monitor >= monitors_.size()) return kNoPicture;
    const auto found = pictures_.find(PixelScaleForDpi(monitors_[effectPos->monitor].dpi));
    return found != pictures_.end() ? found->second : kNoPicture;
}

void CEffectWnd::ApplyEffectRegion() {
    ApplyFrameRegion(GetSafeHwnd(), Picture().region.get(), Picture().images.get());
}

// At the top of the always-on-top windows and shown, at the size of the monitor's scale.
// Without SWP_NOACTIVATE: like a screen saver, the sweep takes the foreground while it runs.
void CEffectWnd::PlaceEffect() {
    if (!effectPos || effectPos->monitor >= monitors_.size()) return;
    const int side = EffectSideOn(monitors_[effectPos->monitor]);
    SetWindowPos(GetSafeHwnd(), HWND_TOPMOST, effectPos->at.x, effectPos->at.y, side, side, SWP_SHOWWINDOW);
}

// One step of the sweep. The regions and pictures were made at set-up: a step only gives
// the window its shape again, repaints what lay below and moves.
void CEffectWnd::OnTimer(UINT_PTR) {
    if (!effectPos) return;
    effectPos = NextSweepPosition(*effectPos, monitors_);
    ApplyEffectRegion();
    PlaceEffect();
}

bool CEffectWnd::OnPaint() {
    PaintDC paint(GetSafeHwnd());
    // White is the image list's mask colour: only the hamster's own pixels are drawn.
    if (const Frame& picture = Picture(); picture.images) {
        ImageList_Draw(picture.images.get(), 0, paint.get(), 0, 0, ILD_NORMAL);
    }
    return true;
}

void CEffectWnd::OnDestroy() {
    sweepTimer_.Stop();
    pictures_.clear();
}

}  // namespace pomki::win
