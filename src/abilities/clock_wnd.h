// CClockWnd: the small clock that the Clock ability opens: the hamster's front picture and
// the local time, captionless, dragged by any point of it. Modeless; the care menu opens
// and closes it, and the object frees itself once its window is gone.
#pragma once

#include <windows.h>

#include "abilities/clock_text.h"
#include "framework/dialog.h"
#include "framework/handles.h"

namespace pomki::win {

class CClockWnd final : public CDialog {
public:
    // Makes a clock window and shows it. Returns the new clock (also held in clockWnd), or
    // nullptr when the window could not be made.
    static CClockWnd* Open();
    ~CClockWnd() override;

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape hide the clock; it stays open and the Clock switch still closes it.
    void OnOK() override { CDialog::OnOK(); }
    void OnCancel() override { CDialog::OnCancel(); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    CClockWnd();

    void OnTimer();
    void OnLButtonDown();
    void ShowTime(const ClockText& text);

    WindowTimer clockTimer_;
    ClockText clockShownText_;     // the text the last tick found; empty until then
    bool freedWithWindow_ = false;  // set once the window owns this object
};

// The clock window of the program, or nullptr when there is none: the object clears it when
// it is freed, so a pointer held here is never stale.
extern CClockWnd* clockWnd;

}  // namespace pomki::win
