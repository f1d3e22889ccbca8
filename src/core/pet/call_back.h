// Calling the pet back into view: where it comes, and how it stands there. The user started
// the program a second time, most likely because the pet is nowhere to be seen (hidden behind
// a window, walking behind a maximised one): it comes where the user looks, to the cursor.
#pragma once

#include <cstdint>
#include <span>

#include "core/base/geometry.h"
#include "core/pet/pet_window_port.h"
#include "core/state/pet_state.h"

namespace pomki {

// The corner of a pet `side` pixels square, centred on the cursor and moved the least it
// takes to lie wholly on the work area under the cursor (the nearest one when the cursor is on
// none, on a taskbar say). A work area smaller than the pet holds its top-left corner. With no
// work areas at all, centred on the cursor.
Point CallBackCorner(std::span<const Rect> workAreas, Point cursor, int32_t side);

// In front of the user's windows; topmost while ShowOff is on, as it walks.
ZOrder CallBackPlacement(const PetState& pet);

}  // namespace pomki
