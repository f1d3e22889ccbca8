// CClockWnd: the small clock that the Clock ability opens: the hamster's front picture and
// the local time, captionless, dragged by any point of it. Modeless; the care menu opens
// and closes it, and the object frees itself once its window is gone.
#pragma once

#include <windows.h>

#include "abilities/clock_text.h"
#include "framework/modeless_dialog.h"
#include "framework/handles.h"

namespace pomki::win {

class CClockWnd;
// The clock window of the program, or nullptr when there is none: the object clears it when
// it is freed, so a pointer held here is never stale.
extern CClockWnd* clockWnd;

class CClockWnd final : public CModelessDialog<CClockWnd> {
public:
    // Makes the window and shows it; clockWnd names it until it is destroyed.
    static CClockWnd* Open() { return CModelessDialog::Open(clockWnd); }

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape hide the clock (the dialog's own OK and Cancel); it stays open and
    // the Clock switch still closes it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CModelessDialog<CClockWnd>;
    CClockWnd();

    void OnTimer();
    void OnLButtonDown();
    void ShowTime(const ClockText& text);

    WindowTimer clockTimer_;
    ClockText clockShownText_;     // the text the last tick found; empty until then
};

}  // namespace pomki::win
