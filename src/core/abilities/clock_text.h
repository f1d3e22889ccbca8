// The clock window's text: the local time as hours and minutes, "%02d:%02d", 24-hour.
// Platform-free; the clock window reads the time and shows the text when it changes.
#pragma once

#include <array>
#include <cstddef>

namespace pomki {

// A formatted time, held in place so that formatting ten times a second allocates nothing.
class ClockText {
public:
    const wchar_t* c_str() const { return chars_.data(); }
    friend bool operator==(const ClockText&, const ClockText&) = default;

private:
    friend ClockText FormatClockText(int hour, int minute);
    // "HH:MM" for a real time; room for any two ints should a caller pass other values.
    std::array<wchar_t, 24> chars_{};
};

// hour 0..23 and minute 0..59 as "HH:MM", both zero-padded to two digits.
ClockText FormatClockText(int hour, int minute);

// How long the clock sleeps before it reads the time again: until just after the next minute
// begins (a little after, so that the time it reads is surely the new minute's). `second` and
// `millisecond` are the time read now.
inline constexpr int kClockMarginMs = 50;
int MsUntilNextMinute(int second, int millisecond);

// The text the clock last found. The control's text is replaced only when it changes, so the
// control repaints once a minute.
class ShownClockText {
public:
    // Records `now`; true when it differs from the text found before (the first text
    // always differs from the empty one the clock starts with).
    bool Update(const ClockText& now) {
        const bool changed = !(now == shown_);
        shown_ = now;
        return changed;
    }

private:
    ClockText shown_;  // empty until the first tick
};

}  // namespace pomki
