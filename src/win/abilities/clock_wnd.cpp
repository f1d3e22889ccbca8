#include "win/abilities/clock_wnd.h"

#include "resource_ids.h"

namespace pomki::win {

CClockWnd* clockWnd = nullptr;

namespace {
constexpr UINT kClockPeriodMs = 100;

ClockText LocalClockText() {
    SYSTEMTIME clockTime;
    GetLocalTime(&clockTime);
    return FormatClockText(clockTime.wHour, clockTime.wMinute);
}
}  // namespace

CClockWnd::CClockWnd() : CModelessDialog(IDD_CLOCK_WND) {}

BOOL CClockWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    ShowTime(LocalClockText());
    clockTimer_.Start(GetSafeHwnd(), CLOCK_TIMER_ID, kClockPeriodMs);
    return FALSE;  // no focus for any control: the clock is only looked at
}

void CClockWnd::ShowTime(const ClockText& text) { SetDlgItemText(IDC_CLOCK_TEXT, text.c_str()); }

// Ten times a second; the text changes once a minute.
void CClockWnd::OnTimer(UINT_PTR) {
    const ClockText text = LocalClockText();
    if (shownText_.Update(text)) ShowTime(text);
}

// The system drags the captionless window with the mouse until the button is released.
// The picture and the time text are statics that let the click through to the window.
void CClockWnd::OnLButtonDown(UINT, POINT) { DragByCaption(); }

}  // namespace pomki::win
