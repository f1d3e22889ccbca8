// The program's random source: the C runtime's generator, seeded once by the pet window.
#pragma once

#include <cstdlib>

#include "core/pet/pet_port.h"

namespace pomki {

class CrtRandom final : public RandomSource {
public:
    int Next(int modulus) override { return std::rand() % modulus; }
};

}  // namespace pomki
