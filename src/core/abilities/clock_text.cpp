#include "core/abilities/clock_text.h"

#include <cwchar>

namespace pomki {

ClockText FormatClockText(int hour, int minute) {
    ClockText text;
    std::swprintf(text.chars_.data(), text.chars_.size(), L"%02d:%02d", hour, minute);
    return text;
}

}  // namespace pomki
