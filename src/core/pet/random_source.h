// Where the pet's random draws come from.
#pragma once

namespace pomki {

// Uniform draws in a fixed order; Next(m) is one draw reduced modulo m (0..m-1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual int Next(int modulus) = 0;
};

}  // namespace pomki
