// The twelve abilities: their index, name, the level that unlocks each and its box in the care
// menu, in one table. What each one does while it is on is read where it acts: the tick
// (CursorLead, FastMove, DoubleMoney, GoodLuck, ShowOff), the mischief triggers (NoMischief1,
// MischiefGuard), the earnings (LotsOfMoney), the food menu (ExtraFood), feeding
// (BellyLimitBreak) and the care menu (Clock, ScreenSaver).
#pragma once

#include <array>
#include <cstdint>

#include "resource_ids.h"

namespace pomki {

inline constexpr int kAbilityCount = 12;

// Index k of every ability; it indexes abilityUnlocked / abilityOn and kAbilities.
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
    const wchar_t* name;  // the text of its care-menu box once unlocked
    int32_t unlockLevel;  // unlocked once level reaches this
    int boxId;            // its check box in the care menu
};

// In ability order: kAbilities[k].ability == k. The last unlocks at 501, not 500; the boxes
// skip 1009, the care menu's quit button.
inline constexpr std::array<AbilityInfo, kAbilityCount> kAbilities{{
    {CursorLead, L"カーソル誘導", 2, IDC_ABILITY_CURSOR_LEAD},
    {FastMove, L"高速移動", 3, IDC_ABILITY_FAST_MOVE},
    {DoubleMoney, L"おかね２倍", 4, IDC_ABILITY_DOUBLE_MONEY},
    {GoodLuck, L"開運祈願", 6, IDC_ABILITY_GOOD_LUCK},
    {ShowOff, L"目立ちたがり", 9, IDC_ABILITY_SHOW_OFF},
    {NoMischief1, L"いたずら禁止 ＬＶ１", 14, IDC_ABILITY_NO_MISCHIEF_1},
    {ExtraFood, L"ごはん追加", 23, IDC_ABILITY_EXTRA_FOOD},
    {Clock, L"ぽて時計", 27, IDC_ABILITY_CLOCK},
    {ScreenSaver, L"スクリーンセーバー", 34, IDC_ABILITY_SCREEN_SAVER},
    {MischiefGuard, L"いたずら完全防御", 41, IDC_ABILITY_MISCHIEF_GUARD},
    {LotsOfMoney, L"おかねたんまり", 71, IDC_ABILITY_LOTS_OF_MONEY},
    {BellyLimitBreak, L"おなか限界突破", 501, IDC_ABILITY_BELLY_LIMIT_BREAK},
}};

constexpr bool AbilitiesInOrder() {
    for (int k = 0; k < kAbilityCount; ++k) {
        if (kAbilities[static_cast<std::size_t>(k)].ability != k) return false;
    }
    return true;
}
static_assert(AbilitiesInOrder());

// The ability whose care-menu box has this control id, or -1.
constexpr int AbilityOfBox(int controlId) {
    for (const AbilityInfo& info : kAbilities) {
        if (info.boxId == controlId) return info.ability;
    }
    return -1;
}

}  // namespace pomki
