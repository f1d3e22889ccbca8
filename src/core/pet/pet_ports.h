// The three things the pet's rules act through: its own window, the desktop around it, and
// its random draws.
#pragma once

#include "core/pet/desktop_port.h"
#include "core/pet/pet_window_port.h"
#include "core/pet/random_source.h"

namespace pomki {

struct PetPorts {
    PetWindowPort& window;
    DesktopPort& desktop;
    RandomSource& random;
};

}  // namespace pomki
