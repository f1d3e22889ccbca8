// The twelve abilities' table: each one's name in the care menu, the level that unlocks it and
// its box, and which box is which ability.
#include "core/abilities/abilities.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pomki {
namespace {

TEST(AbilitiesTest, EachAbilitysNameUnlockLevelAndBoxInAbilityOrder) {
    struct Row {
        std::wstring_view name;
        int32_t unlockLevel;
        int boxId;
    };
    // The last unlocks at 501, not 500; the boxes skip 1009, the care menu's quit button.
    const Row rows[kAbilityCount] = {
        {L"カーソル誘導", 2, 1001},
        {L"高速移動", 3, 1002},
        {L"おかね２倍", 4, 1003},
        {L"開運祈願", 6, 1004},
        {L"目立ちたがり", 9, 1005},
        {L"いたずら禁止 ＬＶ１", 14, 1006},
        {L"ごはん追加", 23, 1007},
        {L"ぽて時計", 27, 1008},
        {L"スクリーンセーバー", 34, 1010},
        {L"いたずら完全防御", 41, 1011},
        {L"おかねたんまり", 71, 1012},
        {L"おなか限界突破", 501, 1013},
    };
    for (int k = 0; k < kAbilityCount; ++k) {
        const Row& row = rows[k];
        const AbilityInfo& info = kAbilities[static_cast<std::size_t>(k)];
        SCOPED_TRACE("ability " + std::to_string(k));
        EXPECT_EQ(info.ability, k);
        EXPECT_EQ(std::wstring_view(info.name), row.name);
        EXPECT_EQ(info.unlockLevel, row.unlockLevel);
        EXPECT_EQ(info.boxId, row.boxId);
    }
}

TEST(AbilitiesTest, EveryAbilityBoxAndNothingElseIsASwitch) {
    struct Case {
        int controlId;
        int ability;  // -1: no ability
    };
    const Case cases[] = {
        {1001, CursorLead},  {1002, FastMove},      {1003, DoubleMoney}, {1004, GoodLuck},
        {1005, ShowOff},     {1006, NoMischief1},   {1007, ExtraFood},   {1008, Clock},
        {1009, -1},  // the quit button
        {1010, ScreenSaver}, {1011, MischiefGuard}, {1012, LotsOfMoney}, {1013, BellyLimitBreak},
        {1014, -1},  // the food menu button
        {1000, -1},          {1, -1},               {2, -1},             {0, -1},
        {-1, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(AbilityOfBox(c.controlId), c.ability) << "control " << c.controlId;
}

}  // namespace
}  // namespace pomki
