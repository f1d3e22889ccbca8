// The clock window's text and when its control is given a new one.
#include "core/abilities/clock_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pomki {
namespace {

TEST(ClockTextTest, HoursAndMinutesZeroPadded) {
    struct Case {
        int hour;
        int minute;
        std::wstring text;
    };
    const Case cases[] = {
        {0, 0, L"00:00"}, {9, 5, L"09:05"}, {23, 59, L"23:59"}, {23, 0, L"23:00"}, {12, 30, L"12:30"}, {0, 9, L"00:09"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(FormatClockText(c.hour, c.minute).c_str()), c.text) << c.hour << ":" << c.minute;
    }
}

// The clock replaces its text only when the formatted text changes.
TEST(ClockTextTest, EqualOnlyForTheSameMinute) {
    EXPECT_EQ(FormatClockText(9, 5), FormatClockText(9, 5));
    EXPECT_NE(FormatClockText(9, 5), FormatClockText(9, 6));
    EXPECT_NE(FormatClockText(9, 5), FormatClockText(19, 5));
    EXPECT_NE(FormatClockText(9, 5), ClockText{});
}

// The clock's control is given a new text only when the formatted text changes.
TEST(ClockTextTest, ShownTextChangesOnlyWithTheMinute) {
    ShownClockText shown;
    struct Step {
        int hour;
        int minute;
        bool changed;
    };
    const Step steps[] = {
        {9, 5, true},  // the first tick after set-up: differs from the empty text
        {9, 5, false}, {9, 5, false}, {9, 6, true}, {9, 6, false}, {19, 6, true}, {0, 0, true}, {0, 0, false},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(shown.Update(FormatClockText(step.hour, step.minute)), step.changed)
            << step.hour << ":" << step.minute;
    }
}

}  // namespace
}  // namespace pomki

namespace pomki {
namespace {

// The clock wakes once a minute: it sleeps until 50 ms after the next minute begins, so that
// the time it then reads is the new minute's.
TEST(ClockTextTest, SleepsUntilJustAfterTheNextMinute) {
    struct Case {
        int second;
        int millisecond;
        int sleepMs;
    };
    const Case cases[] = {
        {0, 0, 60'050}, {0, 1, 60'049}, {30, 500, 29'550}, {59, 0, 1'050}, {59, 999, 51},
        {60, 0, 1'050},   // a leap second: the next minute is a second away
        {59, 1000, 51},   // a reading past the end of its second counts as its last millisecond
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MsUntilNextMinute(c.second, c.millisecond), c.sleepMs) << c.second << "." << c.millisecond;
    }
}

}  // namespace
}  // namespace pomki
