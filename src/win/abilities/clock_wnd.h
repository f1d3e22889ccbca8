// CClockWnd: the small clock that the Clock ability opens: the hamster's front picture and
// the local time, captionless, dragged by any point of it. Modeless; the care menu opens
// and closes it, and the object frees itself once its window is gone. Enter and Escape only
// hide it (the dialog's own OK and Cancel): the Clock switch still closes it.
#pragma once

#include <windows.h>

#include "core/abilities/clock_text.h"
#include "win/framework/modeless_dialog.h"
#include "win/framework/handles.h"
#include "win/framework/window_timer.h"

namespace pomki::win {

class CClockWnd;
// The clock window of the program, or nullptr when there is none: the object clears it when
// it is freed, so a pointer held here is never stale.
extern CClockWnd* clockWnd;

class CClockWnd final : public CModelessDialog<CClockWnd> {
public:
    // Makes the window and shows it; clockWnd names it until it is destroyed.
    // Shown without taking the focus: Enter and Escape stay with the window the user is in.
    static CClockWnd* Open() { return CModelessDialog::Open(clockWnd, SW_SHOWNOACTIVATE); }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR) override { ShowNow(); }
    // The clock was set (or the time zone changed): the time is shown afresh at once.
    void OnTimeChange() override { ShowNow(); }
    void OnLButtonDown(UINT keyFlags, POINT at) override;
    void OnDestroy() override;
    // The system rescales the dialog, its font and controls; the picture follows.
    bool OnDpiChanged(UINT dpi, const RECT& suggested) override;

private:
    friend class CModelessDialog<CClockWnd>;
    CClockWnd();

    void ShowNow();
    void ShowTime(const ClockText& text);
    // The hamster's front picture at the clock's scale, nearest neighbour, as sharp as the pet.
    void ShowPicture(UINT dpi);
    // Takes the picture back from its control (which never frees a picture it was given).
    void TakePictureBack();

    WindowTimer clockTimer_;
    ShownClockText shownText_;
    UniqueBitmap picture_;  // the picture its control shows
};

}  // namespace pomki::win
