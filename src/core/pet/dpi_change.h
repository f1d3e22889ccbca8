// Where the pet stands once the DPI of its monitor has changed: dragged onto another monitor,
// or its monitor's scale changed in the settings. The system's own suggestion assumes a window
// that scales in proportion; the pet's pixel art only takes whole-number scales (60 px at
// 100 % and 125 %, 120 px from 150 % to 200 %), so the pet places itself.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/base/geometry.h"
#include "core/base/monitor.h"

namespace pomki {

// The pet window's width and height at this DPI: its frames' size.
int32_t PetSideForDpi(int dpi);

struct DpiChangeFacts {
    Rect before{};                     // the pet's rectangle at the old DPI
    int dpi = kBaseDpi;                // the new DPI
    std::span<const Monitor> monitors;
    std::optional<Point> dragCursor;   // where the cursor is, while the user drags the pet
};

// The monitor whose DPI the pet took: of the monitors with the new DPI that hold some of the
// pet, the one holding most of it; with none (the monitors' facts lag behind the change), the
// monitor holding most of the pet, whatever its DPI; off every monitor, the nearest one.
std::optional<Monitor> MonitorTaken(const Rect& before, int dpi, std::span<const Monitor> monitors);

// The pet's rectangle at the new DPI, the size of its frames at that DPI. A pet left alone
// stays centred where it was; a dragged pet keeps the point the user holds it by under the
// cursor. Either way more than half of it must then lie on the monitor whose DPI it took, so
// that this monitor holds most of it and no change back follows (the size flapping between
// two monitors); where that does not hold, it is moved onto that monitor just far enough.
// Applying the rule again at the same DPI leaves the rectangle as it is.
Rect RectAfterDpiChange(const DpiChangeFacts& facts);

}  // namespace pomki
