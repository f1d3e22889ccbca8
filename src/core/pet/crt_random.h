// The program's random source: the C runtime's generator, seeded once when it is made.
#pragma once

#include <cstdlib>

#include "core/pet/random_source.h"

namespace pomki {

class CrtRandom final : public RandomSource {
public:
    explicit CrtRandom(unsigned seed) { std::srand(seed); }
    int Next(int modulus) override { return std::rand() % modulus; }
};

}  // namespace pomki
