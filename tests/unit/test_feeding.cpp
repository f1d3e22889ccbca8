// Feeding: what each meal does within every limit, which foods are offered and affordable, the
// levels that unlock each ability, and the word shown for how full the pet is.
#include "core/care/feeding.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pomki {
namespace {

// The fields a feed touches, with the abilities unlocked and on listed by index.
struct Pet {
    int32_t level = 1;
    int32_t experience = 0;
    int32_t fullness = 500;
    int32_t stress = 0;
    int32_t money = 0;
    std::vector<int> unlocked;
    std::vector<int> on;
    std::vector<int> unlockedOddValue;  // abilityUnlocked holds 2 here (a save file may)
    std::vector<int> onOddValue;        // abilityOn holds 2 here
};

PetState Make(const Pet& p) {
    PetState pet;
    pet.level = p.level;
    pet.experience = p.experience;
    pet.fullness = p.fullness;
    pet.stress = p.stress;
    pet.money = p.money;
    pet.reserved = 7;  // feeding never touches it
    for (int k : p.unlocked) pet.abilityUnlocked[k] = 1;
    for (int k : p.unlockedOddValue) pet.abilityUnlocked[k] = 2;
    for (int k : p.on) pet.abilityOn[k] = 1;
    for (int k : p.onOddValue) pet.abilityOn[k] = 2;
    return pet;
}

// Foods by their menu number.
constexpr int kSeeds = 1, kTea = 2, kEgg = 3, kCelery = 4, kCurry = 5, kMelon = 6, kPizza = 7;

const std::vector<int> kAllBelow501 = {CursorLead, FastMove,   DoubleMoney, GoodLuck,   ShowOff,     NoMischief1,
                                       ExtraFood,  Clock,      ScreenSaver, MischiefGuard, LotsOfMoney};
const std::vector<int> kAll = {CursorLead, FastMove,   DoubleMoney, GoodLuck,      ShowOff,     NoMischief1,
                               ExtraFood,  Clock,      ScreenSaver, MischiefGuard, LotsOfMoney, BellyLimitBreak};

struct FeedCase {
    const char* name;
    Pet before;
    int food;
    std::optional<Pet> after;  // nullopt: the feed is refused and nothing changes
};

const std::vector<FeedCase> kFeedCases = {
    // Each food's effects and price, from a pet that no limit touches.
    {"seeds", {.fullness = 0, .stress = 250, .money = 5000}, kSeeds,
     Pet{.fullness = 250, .stress = 245, .money = 4900}},
    {"tea", {.fullness = 0, .stress = 250, .money = 5000}, kTea,
     Pet{.fullness = 40, .stress = 150, .money = 4850}},
    {"egg", {.fullness = 0, .stress = 250, .money = 5000}, kEgg,
     Pet{.experience = 20, .fullness = 130, .stress = 180, .money = 4800}},
    {"celery", {.fullness = 0, .stress = 250, .money = 5000}, kCelery,
     Pet{.experience = 80, .fullness = 220, .stress = 280, .money = 4700}},
    {"curry", {.fullness = 0, .stress = 250, .money = 5000}, kCurry,
     Pet{.experience = 50, .fullness = 600, .stress = 100, .money = 4500}},
    {"melon", {.fullness = 0, .stress = 400, .money = 5000, .on = {ExtraFood, BellyLimitBreak}}, kMelon,
     Pet{.level = 3, .fullness = 900, .stress = 100, .money = 4000, .unlocked = {CursorLead, FastMove},
         .on = {ExtraFood, BellyLimitBreak}}},
    {"pizza", {.level = 50, .fullness = 0, .stress = 500, .money = 5000, .unlocked = kAllBelow501,
               .on = {ExtraFood, BellyLimitBreak}},
     kPizza,
     Pet{.level = 55, .fullness = 2000, .stress = 0, .money = 3000, .unlocked = kAllBelow501,
         .on = {ExtraFood, BellyLimitBreak}}},

    // Price against money.
    {"money equal to the price", {.money = 100}, kSeeds, Pet{.fullness = 750, .money = 0}},
    {"money one below the price", {.money = 99}, kSeeds, std::nullopt},
    {"pizza at its price", {.money = 2000, .on = {ExtraFood}}, kPizza,
     Pet{.level = 6, .fullness = 1000, .money = 0, .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck},
         .on = {ExtraFood}}},
    {"pizza one below its price", {.money = 1999, .on = {ExtraFood}}, kPizza, std::nullopt},
    {"no money at all", {.money = 0}, kTea, std::nullopt},
    {"negative money", {.money = -50}, kSeeds, std::nullopt},

    // The two dearest foods need ExtraFood exactly on.
    {"melon without ExtraFood", {.money = 5000}, kMelon, std::nullopt},
    {"pizza with ExtraFood unlocked but off", {.level = 30, .money = 5000, .unlocked = {ExtraFood}}, kPizza,
     std::nullopt},

    // Nothing picked, or no such food.
    {"nothing picked", {.money = 5000}, 0, std::nullopt},
    {"food 8", {.money = 5000}, 8, std::nullopt},
    {"food -1", {.money = 5000}, -1, std::nullopt},

    // Fullness caps: 1000 without BellyLimitBreak, 2000 with it.
    {"900 + seeds without limit break", {.fullness = 900, .money = 100}, kSeeds, Pet{.fullness = 1000}},
    {"900 + seeds with limit break", {.fullness = 900, .money = 100, .on = {BellyLimitBreak}}, kSeeds,
     Pet{.fullness = 1150, .on = {BellyLimitBreak}}},
    {"1500 left from a limit break, + tea", {.fullness = 1500, .money = 150}, kTea, Pet{.fullness = 1000}},
    {"1900 + pizza with limit break", {.fullness = 1900, .money = 2000, .on = {ExtraFood, BellyLimitBreak}},
     kPizza,
     Pet{.level = 6, .fullness = 2000, .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck},
         .on = {ExtraFood, BellyLimitBreak}}},
    {"1900 + pizza without limit break", {.fullness = 1900, .money = 2000, .on = {ExtraFood}}, kPizza,
     Pet{.level = 6, .fullness = 1000, .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck},
         .on = {ExtraFood}}},
    {"limit break flag holding 2 counts as off", {.fullness = 900, .money = 100, .onOddValue = {BellyLimitBreak}},
     kSeeds, Pet{.fullness = 1000, .onOddValue = {BellyLimitBreak}}},
    {"exactly 1000 is kept", {.fullness = 750, .money = 100}, kSeeds, Pet{.fullness = 1000}},
    {"no lower limit", {.fullness = -300, .money = 100}, kSeeds, Pet{.fullness = -50}},
    {"fullness at the top of 32 bits", {.fullness = INT32_MAX, .money = 100, .on = {BellyLimitBreak}}, kSeeds,
     Pet{.fullness = 2000, .on = {BellyLimitBreak}}},

    // Stress stays within 0..500.
    {"stress 3 + seeds", {.stress = 3, .money = 100}, kSeeds, Pet{.fullness = 750, .stress = 0}},
    {"stress 480 + celery", {.stress = 480, .money = 300}, kCelery,
     Pet{.experience = 80, .fullness = 720, .stress = 500}},
    {"stress 5 + seeds reaches 0 exactly", {.stress = 5, .money = 100}, kSeeds, Pet{.fullness = 750, .stress = 0}},
    {"stress above 500 from a save file", {.stress = 900, .money = 100}, kSeeds,
     Pet{.fullness = 750, .stress = 500}},
    {"stress at the bottom of 32 bits", {.stress = INT32_MIN, .money = 300}, kCelery,
     Pet{.experience = 80, .fullness = 720, .stress = 0}},

    // Levels: every full 100 experience, unlocks after each level gained.
    {"90 + pizza gives 5 levels", {.level = 30, .experience = 90, .money = 2000,
                                   .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck, ShowOff, NoMischief1,
                                                ExtraFood, Clock},
                                   .on = {ExtraFood}},
     kPizza,
     Pet{.level = 35, .experience = 90, .fullness = 1000,
         .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck, ShowOff, NoMischief1, ExtraFood, Clock,
                      ScreenSaver},
         .on = {ExtraFood}}},
    {"level 1, 80 + egg", {.experience = 80, .money = 200}, kEgg,
     Pet{.level = 2, .experience = 0, .fullness = 630, .unlocked = {CursorLead}}},
    {"level 5 + pizza unlocks GoodLuck and ShowOff",
     {.level = 5, .money = 2000, .unlocked = {CursorLead, FastMove, DoubleMoney}, .on = {ExtraFood}}, kPizza,
     Pet{.level = 10, .fullness = 1000, .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck, ShowOff},
         .on = {ExtraFood}}},
    {"level 1 + pizza passes four unlock levels", {.money = 2000, .on = {ExtraFood}}, kPizza,
     Pet{.level = 6, .fullness = 1000, .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck},
         .on = {ExtraFood}}},
    {"one short of a level", {.experience = 70, .money = 200}, kEgg, Pet{.experience = 90, .fullness = 630}},
    {"level 22 to 23 unlocks ExtraFood",
     {.level = 22, .experience = 50, .money = 500,
      .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck, ShowOff, NoMischief1}},
     kCurry,
     Pet{.level = 23, .fullness = 1000, .unlocked = {CursorLead, FastMove, DoubleMoney, GoodLuck, ShowOff,
                                                    NoMischief1, ExtraFood}}},
    {"reaching 501 unlocks BellyLimitBreak",
     {.level = 500, .experience = 50, .money = 500, .unlocked = kAllBelow501}, kCurry,
     Pet{.level = 501, .fullness = 1000, .unlocked = kAll}},
    {"above 501 nothing more", {.level = 501, .money = 2000, .unlocked = kAll, .on = {ExtraFood}}, kPizza,
     Pet{.level = 506, .fullness = 1000, .unlocked = kAll, .on = {ExtraFood}}},
    {"an unlocked flag holding 2 is left alone",
     {.experience = 80, .money = 200, .unlockedOddValue = {CursorLead}}, kEgg,
     Pet{.level = 2, .fullness = 630, .unlockedOddValue = {CursorLead}}},
    {"no level gained, no unlock check", {.level = 40, .experience = 10, .money = 200}, kEgg,
     Pet{.level = 40, .experience = 30, .fullness = 630}},
    {"seeds never change the level", {.level = 3, .experience = 99, .money = 100}, kSeeds,
     Pet{.level = 3, .experience = 99, .fullness = 750}},
    {"tea never changes the level", {.level = 3, .experience = 99, .money = 150}, kTea,
     Pet{.level = 3, .experience = 99, .fullness = 540}},
    {"experience 100 from a save file levels on any feed", {.experience = 100, .money = 100}, kSeeds,
     Pet{.level = 2, .experience = 0, .fullness = 750, .unlocked = {CursorLead}}},
    {"negative experience", {.experience = -250, .money = 300}, kCelery,
     Pet{.experience = -170, .fullness = 720, .stress = 30}},

    // Level and money stay within what the save file holds.
    {"level stops at kLevelMax",
     {.level = kLevelMax - 2, .money = 2000, .unlocked = kAll, .on = {ExtraFood}}, kPizza,
     Pet{.level = kLevelMax, .experience = 99, .fullness = 1000, .unlocked = kAll, .on = {ExtraFood}}},
    {"at kLevelMax the experience stays below a level",
     {.level = kLevelMax, .experience = 90, .money = 300, .unlocked = kAll}, kCelery,
     Pet{.level = kLevelMax, .experience = 99, .fullness = 720, .stress = 30, .unlocked = kAll}},
    {"money at kMoneyMax", {.money = kMoneyMax}, kCurry,
     Pet{.experience = 50, .fullness = 1000, .money = kMoneyMax - 500}},
    {"experience near the top of 32 bits",
     {.experience = INT32_MAX - 100, .money = 2000, .unlocked = kAll, .on = {ExtraFood}}, kPizza,
     Pet{.level = 1 + 21'474'840, .experience = 47, .fullness = 1000, .unlocked = kAll, .on = {ExtraFood}}},
};

TEST(FeedTest, AppliesTheFoodWithinEveryLimit) {
    for (const FeedCase& c : kFeedCases) {
        SCOPED_TRACE(c.name);
        PetState pet = Make(c.before);
        const PetState expected = c.after ? Make(*c.after) : pet;
        EXPECT_EQ(Feed(pet, c.food), c.after.has_value());
        EXPECT_EQ(pet.level, expected.level);
        EXPECT_EQ(pet.experience, expected.experience);
        EXPECT_EQ(pet.fullness, expected.fullness);
        EXPECT_EQ(pet.stress, expected.stress);
        EXPECT_EQ(pet.money, expected.money);
        EXPECT_EQ(pet.abilityUnlocked, expected.abilityUnlocked);
        EXPECT_EQ(pet.abilityOn, expected.abilityOn);
        EXPECT_EQ(pet.reserved, expected.reserved);
    }
}

// The feed button: enabled for the picked food only when it is offered and paid for.
TEST(FeedTest, FeedButtonFollowsThePickedFoodAndTheMoney) {
    struct Case {
        int32_t money;
        bool extraFood;
        int food;
        bool affordable;
        bool feedable;
    };
    const Case cases[] = {
        {100, false, kSeeds, true, true},     {99, false, kSeeds, false, false},
        {149, false, kTea, false, false},     {150, false, kTea, true, true},
        {199, false, kEgg, false, false},     {200, false, kEgg, true, true},
        {299, false, kCelery, false, false},  {300, false, kCelery, true, true},
        {499, false, kCurry, false, false},   {500, false, kCurry, true, true},
        {999, true, kMelon, false, false},    {1000, true, kMelon, true, true},
        {1999, true, kPizza, false, false},   {2000, true, kPizza, true, true},
        {100000, false, kMelon, true, false}, {100000, false, kPizza, true, false},
        {100000, true, 0, false, false},      {100000, true, 8, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("food " + std::to_string(c.food) + ", money " + std::to_string(c.money));
        PetState pet;
        pet.money = c.money;
        pet.abilityOn[ExtraFood] = c.extraFood ? 1 : 0;
        EXPECT_EQ(CanAfford(pet, c.food), c.affordable);
        EXPECT_EQ(CanFeed(pet, c.food), c.feedable);
    }
}

// Picking an affordable food, then a dear one, then the cheap one again: the rule is asked
// afresh against the money of the moment each time.
TEST(FeedTest, SecondFeedIsRefusedOnceTheMoneyIsSpent) {
    PetState pet;
    pet.money = 250;
    EXPECT_TRUE(CanFeed(pet, kTea));
    EXPECT_FALSE(CanFeed(pet, kCelery));
    EXPECT_TRUE(CanFeed(pet, kTea));
    ASSERT_TRUE(Feed(pet, kTea));
    EXPECT_EQ(pet.money, 100);
    const PetState afterFirst = pet;
    EXPECT_FALSE(Feed(pet, kTea));
    EXPECT_EQ(pet, afterFirst);
}

TEST(FeedTest, OfferedFoodsDependOnExtraFoodBeingExactlyOne) {
    for (int32_t flag : {0, 1, 2, -1}) {
        SCOPED_TRACE("ExtraFood flag " + std::to_string(flag));
        PetState pet;
        pet.abilityOn[ExtraFood] = flag;
        for (int food = 1; food <= kFoodCount; ++food) {
            const bool dear = food == kMelon || food == kPizza;
            EXPECT_EQ(IsOffered(pet, food), !dear || flag == 1) << "food " << food;
        }
    }
}

// Each ability unlocks at its own level and not one level before: a feed that gains one
// level, from just below each boundary and onto it.
TEST(FeedTest, EachAbilityUnlocksExactlyAtItsLevel) {
    const int32_t unlockLevel[kAbilityCount] = {2, 3, 4, 6, 9, 14, 23, 27, 34, 41, 71, 501};
    for (int k = 0; k < kAbilityCount; ++k) {
        for (const int32_t reached : {unlockLevel[k] - 1, unlockLevel[k], unlockLevel[k] + 1}) {
            SCOPED_TRACE("ability " + std::to_string(k) + ", level " + std::to_string(reached - 1) + " to " +
                         std::to_string(reached));
            PetState pet;
            pet.level = reached - 1;
            pet.experience = 80;
            pet.money = 200;
            ASSERT_TRUE(Feed(pet, kEgg));
            ASSERT_EQ(pet.level, reached);
            for (int other = 0; other < kAbilityCount; ++other) {
                EXPECT_EQ(pet.abilityUnlocked[static_cast<std::size_t>(other)], reached >= unlockLevel[other] ? 1 : 0)
                    << "ability " << other;
            }
        }
    }
}

TEST(FullnessWordTest, BothEndsOfEveryBand) {
    struct Case {
        int32_t fullness;
        std::wstring word;
    };
    const Case cases[] = {
        {INT32_MAX, L"吐きそう"},
        {2001, L"吐きそう"},
        {2000, L"吐きそう"},
        {1800, L"吐きそう"},
        {1799, L"はちきれそう"},
        {1500, L"はちきれそう"},
        {1499, L"すごくおなかいっぱい"},
        {1200, L"すごくおなかいっぱい"},
        {1199, L"かなり満足"},
        {1000, L"かなり満足"},
        {999, L"おなかいっぱい"},
        {800, L"おなかいっぱい"},
        {799, L"よゆう"},
        {600, L"よゆう"},
        {599, L"ふつう"},
        {400, L"ふつう"},
        {399, L"おなかすいた"},
        {200, L"おなかすいた"},
        {199, L"減りすぎ"},
        {50, L"減りすぎ"},
        {49, L"死にそう"},
        {0, L"死にそう"},
        {-1, L"死にそう"},
        {INT32_MIN, L"死にそう"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(FullnessWord(c.fullness)), c.word) << "fullness " << c.fullness;
    }
}

}  // namespace
}  // namespace pomki
