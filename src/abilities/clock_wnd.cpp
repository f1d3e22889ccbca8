#include "abilities/clock_wnd.h"

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
    return TRUE;
}

LRESULT CClockWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnTimer();
        return Default();
    case WM_LBUTTONDOWN:
        OnLButtonDown();
        return Default();
    case WM_DESTROY:
        clockTimer_.Stop();
        return Default();
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

void CClockWnd::ShowTime(const ClockText& text) { SetDlgItemText(IDC_CLOCK_TEXT, text.c_str()); }

// The time is read ten times a second, but the text is replaced only when the minute has
// changed, so the control repaints once a minute.
void CClockWnd::OnTimer() {
    const ClockText text = LocalClockText();
    if (!(text == clockShownText_)) ShowTime(text);
    clockShownText_ = text;
}

// The system drags the captionless window with the mouse until the button is released.
// The picture and the time text are statics that let the click through to the window.
void CClockWnd::OnLButtonDown() { SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0); }

}  // namespace pomki::win
