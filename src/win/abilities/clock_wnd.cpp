#include "win/abilities/clock_wnd.h"

#include "resource_ids.h"

namespace pomki::win {

CClockWnd* clockWnd = nullptr;

namespace {
// Up to this much late: the new minute still shows within a tenth of a second of its start.
constexpr ULONG kClockToleranceMs = 40;
}  // namespace

CClockWnd::CClockWnd() : CModelessDialog(IDD_CLOCK_WND) {}

BOOL CClockWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    ShowNow();
    return FALSE;  // no focus for any control: the clock is only looked at
}

// Reads the time, shows it if it changed, and sleeps until the next minute begins: the clock
// wakes once a minute.
void CClockWnd::ShowNow() {
    SYSTEMTIME clockTime;
    GetLocalTime(&clockTime);
    const ClockText text = FormatClockText(clockTime.wHour, clockTime.wMinute);
    if (shownText_.Update(text)) SetDlgItemText(IDC_CLOCK_TEXT, text.c_str());
    clockTimer_.Start(GetSafeHwnd(), CLOCK_TIMER_ID,
                      static_cast<UINT>(MsUntilNextMinute(clockTime.wSecond, clockTime.wMilliseconds)), kClockToleranceMs);
}

// The system drags the captionless window with the mouse until the button is released.
// The picture and the time text are statics that let the click through to the window.
void CClockWnd::OnLButtonDown(UINT, POINT) { DragByCaption(); }

}  // namespace pomki::win
