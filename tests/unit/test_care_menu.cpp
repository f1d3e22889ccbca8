// The care menu's rules against a recording window: what it shows, what each switch does,
// the screen saver's cursor watch, and how the menu closes and goes.
#include "core/care/care_menu.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pomki {
namespace {

// Every call the menu makes, written as text: "OpenClock", "SetCheck(8, 0)", "Show",
// "Close(OK)", and "Save" for a save at once, with the record as it was then.
class FakeCarePort : public CarePort, public PetSaver {
public:
    explicit FakeCarePort(const PetState& pet) : pet_(pet) {}
    std::vector<std::string> calls;
    std::vector<PetState> saved;
    std::vector<CareMenuView> shown;
    Point cursor{500, 400};
    std::function<void()> whileFoodMenuOpen;

    void Show(const CareMenuView& view) override {
        calls.push_back("Show");
        shown.push_back(view);
    }
    void SetCheck(Ability ability, bool checked) override {
        calls.push_back("SetCheck(" + std::to_string(ability) + ", " + std::to_string(checked) + ")");
    }
    Point CursorPos() override {
        calls.push_back("CursorPos");
        return cursor;
    }
    void StartCursorWatch() override { calls.push_back("StartWatch"); }
    void StopCursorWatch() override { calls.push_back("StopWatch"); }
    void OpenClock() override { calls.push_back("OpenClock"); }
    void CloseClock() override { calls.push_back("CloseClock"); }
    void OpenSweep() override { calls.push_back("OpenSweep"); }
    void CloseSweep() override { calls.push_back("CloseSweep"); }
    void RunFoodMenu() override {
        calls.push_back("FoodMenu");
        if (whileFoodMenuOpen) whileFoodMenuOpen();
    }
    void Quit() override { calls.push_back("Quit"); }
    void Close(bool ok) override { calls.push_back(ok ? "Close(OK)" : "Close(not OK)"); }
    void SaveChanges() override {
        calls.push_back("Save");
        saved.push_back(pet_);
    }

private:
    const PetState& pet_;
};

using Calls = std::vector<std::string>;

TEST(CareMenuTest, ViewNamesUnlockedBoxesAndChecksFlagsThatAreExactlyOne) {
    PetState pet;
    pet.abilityUnlocked[CursorLead] = 1;
    pet.abilityUnlocked[FastMove] = 2;  // not unlocked: a flag counts only when it is 1
    pet.abilityUnlocked[Clock] = 1;
    pet.abilityOn[Clock] = 1;
    pet.abilityOn[ScreenSaver] = 1;  // on but locked: checked, not named
    pet.abilityOn[GoodLuck] = 2;
    pet.stress = 321;
    pet.money = 123456;
    pet.level = 42;
    pet.fullness = 1800;

    const CareMenuView view = ViewOf(pet);

    for (int k = 0; k < kAbilityCount; ++k) {
        const bool named = k == CursorLead || k == Clock;
        const bool checked = k == Clock || k == ScreenSaver;
        EXPECT_EQ(view.boxes[static_cast<std::size_t>(k)].named, named) << "ability " << k;
        EXPECT_EQ(view.boxes[static_cast<std::size_t>(k)].checked, checked) << "ability " << k;
    }
    EXPECT_EQ(view.stress, 321);
    EXPECT_EQ(view.money, L"123456");
    EXPECT_EQ(view.level, L"42");
    EXPECT_EQ(std::wstring(view.fullnessWord), L"吐きそう");

    pet.money = 0;
    pet.level = -3;
    pet.fullness = 49;
    const CareMenuView small = ViewOf(pet);
    EXPECT_EQ(small.money, L"0");
    EXPECT_EQ(small.level, L"-3");
    EXPECT_EQ(std::wstring(small.fullnessWord), L"死にそう");
}

// Every switch is saved at once, with its new flag, before any window opens or closes.
TEST(CareMenuTest, SwitchesFlipTheFlagAndTheClockAndSweepFollow) {
    struct Case {
        Ability ability;
        int32_t before;
        int32_t after;
        Calls calls;
    };
    const Case cases[] = {
        {CursorLead, 0, 1, {"Save"}},
        {CursorLead, 1, 0, {"Save"}},
        {FastMove, 2, 1, {"Save"}},
        {BellyLimitBreak, -1, 1, {"Save"}},
        {ShowOff, 1, 0, {"Save"}},
        // One clock at a time: switching on closes any clock left from before first.
        {Clock, 0, 1, {"Save", "CloseClock", "OpenClock"}},
        {Clock, 1, 0, {"Save", "CloseClock"}},
        {Clock, 2, 1, {"Save", "CloseClock", "OpenClock"}},
        // The sweep starts with its cursor watch; switching off leaves it to the watch.
        {ScreenSaver, 0, 1, {"Save", "CursorPos", "StartWatch", "CloseSweep", "OpenSweep"}},
        {ScreenSaver, 2, 1, {"Save", "CursorPos", "StartWatch", "CloseSweep", "OpenSweep"}},
        {ScreenSaver, 1, 0, {"Save"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ability " + std::to_string(c.ability) + " holding " + std::to_string(c.before));
        PetState pet;
        pet.abilityOn[c.ability] = c.before;
        PetState expected = pet;
        expected.abilityOn[c.ability] = c.after;
        FakeCarePort port(pet);
        CareMenu menu(pet, port, port);

        menu.Toggle(c.ability);

        EXPECT_EQ(pet, expected);
        EXPECT_EQ(port.calls, c.calls);
        EXPECT_EQ(port.saved, std::vector<PetState>{expected});
        EXPECT_EQ(menu.ScreenSaverRunning(), c.ability == ScreenSaver && c.after == 1);
    }
}

TEST(CareMenuTest, CursorWatchEndsTheScreenSaverAtTheSmallestMovement) {
    struct Case {
        const char* name;
        Point moveTo;
        bool ends;
    };
    const Case cases[] = {
        {"still", {500, 400}, false},
        {"one pixel right", {501, 400}, true},
        {"one pixel up", {500, 399}, true},
        {"far away", {0, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        FakeCarePort port(pet);
        CareMenu menu(pet, port, port);
        menu.Toggle(ScreenSaver);
        port.calls.clear();
        port.cursor = c.moveTo;

        menu.CursorWatchTick();

        if (c.ends) {
            EXPECT_EQ(port.calls, (Calls{"CursorPos", "StopWatch", "CloseSweep", "SetCheck(8, 0)"}));
            EXPECT_EQ(pet.abilityOn[ScreenSaver], 0);
        } else {
            EXPECT_EQ(port.calls, (Calls{"CursorPos"}));
            EXPECT_EQ(pet.abilityOn[ScreenSaver], 1);
        }
        EXPECT_EQ(menu.ScreenSaverRunning(), !c.ends);
    }
}

TEST(CareMenuTest, WatchTicksWithoutAScreenSaverDoNothing) {
    PetState pet;
    pet.abilityOn[ScreenSaver] = 1;  // saved on: no sweep runs behind it
    FakeCarePort port(pet);
    CareMenu menu(pet, port, port);
    port.cursor = {1, 1};
    menu.CursorWatchTick();
    EXPECT_TRUE(port.calls.empty());
    EXPECT_EQ(pet.abilityOn[ScreenSaver], 1);

    // The first click only clears the saved flag (and saves it).
    menu.Toggle(ScreenSaver);
    EXPECT_EQ(pet.abilityOn[ScreenSaver], 0);
    EXPECT_EQ(port.calls, (Calls{"Save"}));
}

// Switched off by keyboard while it runs: the flag goes to 0 and the watch ends the sweep.
TEST(CareMenuTest, SwitchingTheScreenSaverOffLeavesTheSweepToTheWatch) {
    PetState pet;
    FakeCarePort port(pet);
    CareMenu menu(pet, port, port);
    menu.Toggle(ScreenSaver);
    menu.Toggle(ScreenSaver);
    EXPECT_EQ(pet.abilityOn[ScreenSaver], 0);
    EXPECT_TRUE(menu.ScreenSaverRunning());

    port.calls.clear();
    port.cursor = {0, 0};
    menu.CursorWatchTick();
    EXPECT_EQ(port.calls, (Calls{"CursorPos", "StopWatch", "CloseSweep", "SetCheck(8, 0)"}));
    EXPECT_EQ(pet.abilityOn[ScreenSaver], 0);
}

TEST(CareMenuTest, ClosingTheMenuEndsARunningScreenSaverAndClearsItsFlag) {
    struct Case {
        const char* name;
        bool running;
        int32_t flagBefore;
        int32_t flagAfter;
        Calls calls;
    };
    const Case cases[] = {
        {"sweep running", true, 1, 0, {"StopWatch", "CloseSweep"}},
        {"no sweep, flag saved on", false, 1, 1, {}},
        {"no sweep, flag off", false, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        pet.abilityOn[Clock] = 1;
        FakeCarePort port(pet);
        CareMenu menu(pet, port, port);
        if (c.running) menu.Toggle(ScreenSaver);
        pet.abilityOn[ScreenSaver] = c.flagBefore;
        port.calls.clear();

        menu.Destroyed();

        EXPECT_EQ(port.calls, c.calls);
        EXPECT_EQ(pet.abilityOn[ScreenSaver], c.flagAfter);
        EXPECT_EQ(pet.abilityOn[Clock], 1);  // the clock outlives the menu
        EXPECT_FALSE(menu.ScreenSaverRunning());
    }
}

TEST(CareMenuTest, OpeningShowsThePetAndTheFoodMenuShowsItAfresh) {
    PetState pet;
    pet.level = 22;
    FakeCarePort port(pet);
    CareMenu menu(pet, port, port);

    menu.Open();
    port.whileFoodMenuOpen = [&] {
        pet.level = 23;
        pet.abilityUnlocked[ExtraFood] = 1;
    };
    menu.OpenFoodMenu();
    port.whileFoodMenuOpen = nullptr;
    menu.OpenFoodMenu();  // closed without feeding: shown again all the same

    EXPECT_EQ(port.calls, (Calls{"Show", "FoodMenu", "Show", "FoodMenu", "Show"}));
    ASSERT_EQ(port.shown.size(), 3u);
    EXPECT_EQ(port.shown[0].level, L"22");
    EXPECT_FALSE(port.shown[0].boxes[ExtraFood].named);
    EXPECT_EQ(port.shown[1].level, L"23");
    EXPECT_TRUE(port.shown[1].boxes[ExtraFood].named);
    EXPECT_EQ(port.shown[2].level, L"23");
}

TEST(CareMenuTest, QuitAsksForTheQuitRequestAndChangesNothing) {
    PetState pet;
    pet.abilityOn[Clock] = 1;
    const PetState before = pet;
    FakeCarePort port(pet);
    CareMenu menu(pet, port, port);
    menu.Quit();
    EXPECT_EQ(port.calls, (Calls{"Quit"}));
    EXPECT_EQ(pet, before);
}


// The menu's close button, Enter and Escape all end it with OK, so the pet walks on after any
// of them; none of them changes or saves the pet, nor touches the clock or a running sweep.
TEST(CareMenuTest, OkAndCancelBothCloseWithOk) {
    struct Case {
        const char* name;
        void (*press)(CareMenuEvents&);
    };
    const Case cases[] = {
        {"OK", [](CareMenuEvents& menu) { menu.Ok(); }},
        {"Cancel (Escape)", [](CareMenuEvents& menu) { menu.Cancel(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        pet.abilityOn[Clock] = 1;
        FakeCarePort port(pet);
        CareMenu menu(pet, port, port);
        menu.Toggle(ScreenSaver);
        const PetState before = pet;
        port.calls.clear();

        c.press(menu);

        EXPECT_EQ(port.calls, (Calls{"Close(OK)"}));
        EXPECT_EQ(pet, before);
        EXPECT_TRUE(menu.ScreenSaverRunning()) << "the sweep ends when the window goes, not before";
    }
}

}  // namespace
}  // namespace pomki
