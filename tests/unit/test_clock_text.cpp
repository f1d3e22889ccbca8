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
