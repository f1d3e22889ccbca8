// The one persistent record of the hamster and the table of its twelve abilities.
// Platform-free: shared by the Windows program, the unit tests and the test driver.
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

struct AbilityInfo {
    Ability ability;
    const wchar_t* name;  // the text of the ability's box in the care menu
    int32_t unlockLevel;  // unlocked once level reaches this
    int boxId;            // care-menu check box control id
};

// The one source of ability names, unlock levels and box ids for the whole program.
inline constexpr std::array<AbilityInfo, kAbilityCount> kAbilityTable{{
    {CursorLead, L"カーソル誘導", 2, 1001},
    {FastMove, L"高速移動", 3, 1002},
    {DoubleMoney, L"おかね２倍", 4, 1003},
    {GoodLuck, L"開運祈願", 6, 1004},
    {ShowOff, L"目立ちたがり", 9, 1005},
    {NoMischief1, L"いたずら禁止 ＬＶ１", 14, 1006},
    {ExtraFood, L"ごはん追加", 23, 1007},
    {Clock, L"ぽて時計", 27, 1008},
    {ScreenSaver, L"スクリーンセーバー", 34, 1010},
    {MischiefGuard, L"いたずら完全防御", 41, 1011},
    {LotsOfMoney, L"おかねたんまり", 71, 1012},
    {BellyLimitBreak, L"おなか限界突破", 501, 1013},
}};

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
