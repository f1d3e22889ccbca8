// The one persistent record of the hamster. Platform-free; the abilities it switches are in
// core/abilities/abilities.h.
#pragma once

#include <array>
#include <cstdint>

#include "core/abilities/abilities.h"

namespace pomki {

// The largest money or level that the save file can hold on its (54, 232) lines:
// 39,768,211 × 54 + 232 is the last value that fits a signed 32-bit number.
inline constexpr int32_t kMoneyMax = 39'768'211;
inline constexpr int32_t kLevelMax = 39'768'211;

// Stress always stays within 0..500; the care menu's stress bar shows that range.
inline constexpr int32_t kStressMin = 0;
inline constexpr int32_t kStressMax = 500;

struct PetState {
    std::array<int32_t, kAbilityCount> abilityUnlocked{};
    std::array<int32_t, kAbilityCount> abilityOn{};
    int32_t level = 1;
    int32_t experience = 0;
    int32_t fullness = 500;
    int32_t stress = 0;
    int32_t reserved = 0;
    int32_t money = 0;

    // A flag counts as set only when it holds exactly 1.
    bool IsOn(Ability a) const { return abilityOn[a] == 1; }
    bool IsUnlocked(Ability a) const { return abilityUnlocked[a] == 1; }
    // Switching sets 0 when the flag held 1, and 1 otherwise.
    void Toggle(Ability a) { abilityOn[a] = abilityOn[a] == 1 ? 0 : 1; }

    friend bool operator==(const PetState&, const PetState&) = default;
};

}  // namespace pomki
