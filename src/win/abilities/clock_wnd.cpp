#include "win/abilities/clock_wnd.h"

#include "core/base/pixel_scale.h"
#include "resource_ids.h"
#include "win/framework/app.h"
#include "win/render/screens_win.h"
#include "win/render/sprite_region_win.h"

namespace pomki::win {

CClockWnd* clockWnd = nullptr;

namespace {
// Up to this much late: the new minute still shows within a tenth of a second of its start.
constexpr ULONG kClockToleranceMs = 40;
}  // namespace

CClockWnd::CClockWnd() : CModelessDialog(IDD_CLOCK_WND) {}

BOOL CClockWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    ShowPicture(WindowDpi(GetSafeHwnd()));
    ShowNow();
    return FALSE;  // no focus for any control: the clock is only looked at
}

// Reads the time, shows it if it changed, and sleeps until the next minute begins: the clock
// wakes once a minute.
void CClockWnd::ShowNow() {
    SYSTEMTIME clockTime;
    GetLocalTime(&clockTime);
    const ClockText text = FormatClockText(clockTime.wHour, clockTime.wMinute);
    if (shownText_.Update(text)) ShowTime(text);
    clockTimer_.Start(GetSafeHwnd(), CLOCK_TIMER_ID,
                      static_cast<UINT>(MsUntilNextMinute(clockTime.wSecond, clockTime.wMilliseconds)), kClockToleranceMs);
}

void CClockWnd::ShowTime(const ClockText& text) { SetDlgItemText(IDC_CLOCK_TEXT, text.c_str()); }

// The template's picture is the bitmap as it is, which a scaled clock's text outgrows. The
// control sizes itself to the picture it is given.
void CClockWnd::ShowPicture(UINT dpi) {
    UniqueBitmap picture =
        LoadBitmapAtScale(CWinApp::ResourceModule(), IDB_FRONT, PixelScaleForDpi(static_cast<int>(dpi)));
    if (!picture) return;
    const auto shown = reinterpret_cast<HBITMAP>(
        ::SendMessageW(GetDlgItem(IDC_CLOCK_PICTURE), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.get())));
    // What the control showed is ours now: the picture it loaded from the template, or a copy
    // it made of ours (it copies pictures with an alpha channel). Ours goes with picture_.
    if (shown && shown != picture_.get()) DeleteObject(shown);
    picture_ = std::move(picture);
}

void CClockWnd::TakePictureBack() {
    HWND control = GetDlgItem(IDC_CLOCK_PICTURE);
    if (!control) return;
    const auto shown = reinterpret_cast<HBITMAP>(::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (shown && shown != picture_.get()) DeleteObject(shown);
    picture_.reset();
}

// Its controls still exist: they are destroyed after it.
void CClockWnd::OnDestroy() {
    clockTimer_.Stop();
    TakePictureBack();
}

bool CClockWnd::OnDpiChanged(UINT dpi, const RECT&) {
    Default();
    ShowPicture(dpi);
    return true;
}

// The system drags the captionless window with the mouse until the button is released.
// The picture and the time text are statics that let the click through to the window.
void CClockWnd::OnLButtonDown(UINT, POINT) { DragByCaption(); }

}  // namespace pomki::win
