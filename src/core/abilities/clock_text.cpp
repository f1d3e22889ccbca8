#include "core/abilities/clock_text.h"

#include <algorithm>
#include <cwchar>

namespace pomki {

int MsUntilNextMinute(int second, int millisecond) {
    // A leap second reads 60: the next minute is then a moment away.
    const int intoMinute = std::min(second, 59) * 1000 + std::clamp(millisecond, 0, 999);
    return 60'000 - intoMinute + kClockMarginMs;
}

ClockText FormatClockText(int hour, int minute) {
    ClockText text;
    std::swprintf(text.chars_.data(), text.chars_.size(), L"%02d:%02d", hour, minute);
    return text;
}

}  // namespace pomki
