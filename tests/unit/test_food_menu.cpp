// The food menu's rules against a recording window: which radio button is which food, what the
// menu shows, the feed button, one meal per pick, and how the menu closes.
#include "core/care/food_menu.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pomki {
namespace {

// Every call the menu makes, written as text: "Show", "EnableFeed(on)", "Close(OK)", and
// "Save" for a save at once, with the record as it was then.
class FakeFoodPort : public FoodPort, public PetSaver {
public:
    explicit FakeFoodPort(const PetState& pet) : pet_(pet) {}
    std::vector<std::string> calls;
    std::vector<FoodMenuView> shown;
    std::vector<PetState> saved;

    void Show(const FoodMenuView& view) override {
        calls.push_back("Show");
        shown.push_back(view);
    }
    void EnableFeed(bool enabled) override { calls.push_back(enabled ? "EnableFeed(on)" : "EnableFeed(off)"); }
    void Close(bool ok) override { calls.push_back(ok ? "Close(OK)" : "Close(not OK)"); }
    void SaveChanges() override {
        calls.push_back("Save");
        saved.push_back(pet_);
    }

private:
    const PetState& pet_;
};

using Calls = std::vector<std::string>;

// Foods by their menu number.
constexpr int kSeeds = 1, kTea = 2, kEgg = 3, kCelery = 4, kCurry = 5, kMelon = 6, kPizza = 7;

TEST(FoodMenuTest, EachRadioButtonIsItsFood) {
    struct Case {
        int controlId;
        int food;
    };
    const Case cases[] = {
        {1011, kSeeds}, {1018, kTea}, {1012, kEgg}, {1013, kCelery}, {1014, kCurry}, {1015, kMelon}, {1016, kPizza},
        {1009, 0},  // the feed button
        {1017, 0},  {1010, 0}, {1, 0}, {0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FoodOfRadio(c.controlId), c.food) << "control " << c.controlId;
}

// Opening shows the money and disables the radio button of every food not offered: the two
// dearest need ExtraFood holding exactly 1. The feed button is left disabled.
TEST(FoodMenuTest, OpeningDisablesExactlyTheFoodsNotOffered) {
    struct Case {
        int32_t extraFood;
        int32_t money;
        std::wstring moneyText;
        bool dearestOffered;
    };
    const Case cases[] = {
        {0, 1234, L"1234", false},
        {1, 1234, L"1234", true},
        {2, 0, L"0", false},
        {-1, 99999, L"99999", false},
        {1, -5, L"-5", true},  // offered whether or not the money covers them
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ExtraFood " + std::to_string(c.extraFood) + ", money " + std::to_string(c.money));
        PetState pet;
        pet.abilityOn[ExtraFood] = c.extraFood;
        pet.money = c.money;
        const PetState before = pet;
        FakeFoodPort port(pet);
        FoodMenu menu(pet, port, port);

        menu.Open();

        EXPECT_EQ(port.calls, (Calls{"Show"}));
        ASSERT_EQ(port.shown.size(), 1u);
        const std::array<bool, kFoodCount> offered{true, true, true, true, true, c.dearestOffered, c.dearestOffered};
        EXPECT_EQ(port.shown[0].offered, offered);
        EXPECT_EQ(port.shown[0].money, c.moneyText);
        EXPECT_EQ(pet, before);
        EXPECT_EQ(menu.selected(), 0);
    }
}

// Picks enable the feed button against the money of the moment; a meal is saved at once,
// shown, and closes the menu with OK, leaving nothing picked; the window going changes nothing.
TEST(FoodMenuTest, PicksFeedsAndCloses) {
    PetState pet;
    pet.money = 250;
    FakeFoodPort port(pet);
    FoodMenu menu(pet, port, port);
    struct Step {
        const char* name;
        void (*act)(FoodMenu&);
        Calls calls;
        int32_t money;
        int selected;
    };
    const Step steps[] = {
        {"feed with nothing picked", [](FoodMenu& m) { m.Feed(); }, {"EnableFeed(off)"}, 250, 0},
        {"tea", [](FoodMenu& m) { m.Select(kTea); }, {"EnableFeed(on)"}, 250, kTea},
        {"celery, dearer than the money", [](FoodMenu& m) { m.Select(kCelery); }, {"EnableFeed(off)"}, 250, kCelery},
        {"feed celery", [](FoodMenu& m) { m.Feed(); }, {"EnableFeed(off)"}, 250, kCelery},
        {"pizza, not offered without ExtraFood", [](FoodMenu& m) { m.Select(kPizza); }, {"EnableFeed(off)"}, 250,
         kPizza},
        {"tea again", [](FoodMenu& m) { m.Select(kTea); }, {"EnableFeed(on)"}, 250, kTea},
        {"feed tea", [](FoodMenu& m) { m.Feed(); }, {"Save", "Show", "Close(OK)"}, 100, 0},
        {"feed again: one meal per pick", [](FoodMenu& m) { m.Feed(); }, {"EnableFeed(off)"}, 100, 0},
        {"seeds", [](FoodMenu& m) { m.Select(kSeeds); }, {"EnableFeed(on)"}, 100, kSeeds},
        {"the window goes", [](FoodMenu& m) { m.Destroyed(); }, {}, 100, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        port.calls.clear();
        step.act(menu);
        EXPECT_EQ(port.calls, step.calls);
        EXPECT_EQ(pet.money, step.money);
        EXPECT_EQ(menu.selected(), step.selected);
    }
    // Only the meal was saved, as fed: tea's fullness and its price.
    PetState fed;
    fed.money = 100;
    fed.fullness = 540;
    fed.stress = 0;
    EXPECT_EQ(port.saved, std::vector<PetState>{fed});
    ASSERT_EQ(port.shown.size(), 1u);
    EXPECT_EQ(port.shown[0].money, L"100") << "the view after the meal shows the money left";
}

// Enter or "戻る" ends the menu with OK, Escape or the close box without; neither feeds, saves
// or forgets the pick (the window going does that).
TEST(FoodMenuTest, OkClosesWithOkAndCancelWithout) {
    struct Case {
        const char* name;
        void (*press)(FoodMenuEvents&);
        Calls calls;
    };
    const Case cases[] = {
        {"OK", [](FoodMenuEvents& m) { m.Ok(); }, {"Close(OK)"}},
        {"Cancel", [](FoodMenuEvents& m) { m.Cancel(); }, {"Close(not OK)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        pet.money = 500;
        FakeFoodPort port(pet);
        FoodMenu menu(pet, port, port);
        menu.Select(kCurry);
        const PetState before = pet;
        port.calls.clear();

        c.press(menu);

        EXPECT_EQ(port.calls, c.calls);
        EXPECT_EQ(pet, before);
        EXPECT_TRUE(port.saved.empty());
        EXPECT_EQ(menu.selected(), kCurry);
    }
}

// Two menus on one pet: the money spent through one is gone for the other's pick, whose meal
// is refused with its feed button disabled, and the menu stays open.
TEST(FoodMenuTest, AMealRefusedOnceTheMoneyIsSpentElsewhereDisablesTheFeedButton) {
    PetState pet;
    pet.money = 150;
    FakeFoodPort firstPort(pet);
    FakeFoodPort secondPort(pet);
    FoodMenu first(pet, firstPort, firstPort);
    FoodMenu second(pet, secondPort, secondPort);
    first.Select(kTea);
    second.Select(kTea);
    ASSERT_EQ(secondPort.calls, (Calls{"EnableFeed(on)"}));
    first.Feed();
    const PetState fed = pet;
    secondPort.calls.clear();

    second.Feed();

    EXPECT_EQ(secondPort.calls, (Calls{"EnableFeed(off)"}));
    EXPECT_EQ(pet, fed);
    EXPECT_TRUE(secondPort.saved.empty()) << "a refused meal is no change to save";
    EXPECT_EQ(firstPort.saved, std::vector<PetState>{fed});
    EXPECT_EQ(second.selected(), kTea);
}

}  // namespace
}  // namespace pomki
