// A monitor of the desktop as the rules see it: where it lies on the screen and how finely it
// is scaled. Each monitor of a Windows 10/11 desktop may have a DPI of its own.
#pragma once

#include "core/base/geometry.h"
#include "core/base/pixel_scale.h"

namespace pomki {

struct Monitor {
    Rect rect{};         // the whole monitor, taskbar included, in screen pixels
    int dpi = kBaseDpi;  // its dots per inch (96 is 100 %)
    friend bool operator==(const Monitor&, const Monitor&) = default;
};

}  // namespace pomki
