// The one persistent record of the hamster, its twelve abilities and the levels that unlock
// them. Platform-free; what the care menu shows of an ability is the care menu's own table.
#pragma once

#include <array>
#include <cstdint>

namespace pomki {

inline constexpr int kAbilityCount = 12;

// Index k of every ability; used to index abilityUnlocked / abilityOn and the table below.
enum Ability : int {
    CursorLead = 0,
    FastMove = 1,
    DoubleMoney = 2,
    GoodLuck = 3,
    ShowOff = 4,
    NoMischief1 = 5,
    ExtraFood = 6,
    Clock = 7,
    ScreenSaver = 8,
    MischiefGuard = 9,
    LotsOfMoney = 10,
    BellyLimitBreak = 11,
};

// The level at which each ability unlocks, in ability order. The last is 501, not 500.
inline constexpr std::array<int32_t, kAbilityCount> kUnlockLevels{2, 3, 4, 6, 9, 14, 23, 27, 34, 41, 71, 501};

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
