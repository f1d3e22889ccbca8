// Start-up, petting and the care menu's opening and closing, against a recording desktop.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake_pet_port.h"
#include "core/pet/behaviour.h"
#include "core/pet/pet_events.h"
#include "core/state/pet_state.h"

namespace pomki {
namespace {

using testing::FakePetPort;
using testing::PortCall;
using Kind = PortCall::Kind;

constexpr int kSlow = 400;
constexpr int kFast = 100;
constexpr int kPetSound = 102;

TEST(PetEventsTest, TimerIntervalFollowsFastMoveBeingExactlyOne) {
    struct Case {
        int32_t fastMove;
        int interval;
    };
    const Case cases[] = {{0, kSlow}, {1, kFast}, {2, kSlow}, {-1, kSlow}};
    for (const Case& c : cases) {
        PetState pet;
        pet.abilityOn[FastMove] = c.fastMove;
        EXPECT_EQ(BehaviourIntervalMs(pet), c.interval) << "FastMove " << c.fastMove;
    }
}

TEST(PetEventsTest, StartUpClearsClockOnlyShowsTheFirstFrameAndStartsTheTimer) {
    struct Case {
        const char* name;
        int32_t clock;
        int32_t screenSaver;
        int32_t fastMove;
        int interval;
    };
    const Case cases[] = {
        {"new pet", 0, 0, 0, kSlow},
        {"saved with the clock on", 1, 0, 0, kSlow},
        {"clock flag holding 2", 2, 0, 0, kSlow},
        {"screen saver saved on stays on", 1, 1, 0, kSlow},
        {"screen saver flag 2 is kept as it is", 0, 2, 0, kSlow},
        {"FastMove on", 1, 0, 1, kFast},
        {"FastMove holding 2 is off", 0, 0, 2, kSlow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        pet.abilityOn[Clock] = c.clock;
        pet.abilityOn[ScreenSaver] = c.screenSaver;
        pet.abilityOn[FastMove] = c.fastMove;
        pet.abilityOn[CursorLead] = 1;
        pet.abilityUnlocked[Clock] = 1;
        Behaviour behaviour;
        FakePetPort port;

        StartPet(pet, behaviour, port);

        PetState expected;
        expected.abilityOn[ScreenSaver] = c.screenSaver;
        expected.abilityOn[FastMove] = c.fastMove;
        expected.abilityOn[CursorLead] = 1;
        expected.abilityUnlocked[Clock] = 1;
        EXPECT_EQ(pet, expected);
        EXPECT_EQ(port.calls, (std::vector<PortCall>{PortCall::Apply(0), PortCall::StartTimer(c.interval)}));
    }
}

TEST(PetEventsTest, PettingSqueaksCalmsWakesAndDrags) {
    struct Case {
        const char* name;
        int32_t stress;
        RoamMode roamMode;
        int32_t fastMove;
        int32_t stressAfter;
        int interval;
    };
    const Case cases[] = {
        {"stress 0 stays 0", 0, RoamFree, 0, 0, kSlow},
        {"stress 1 to 0", 1, RoamFree, 0, 0, kSlow},
        {"stress 250", 250, RoamFree, 0, 249, kSlow},
        {"stress 500", 500, RoamFree, 0, 499, kSlow},
        {"negative stress from a file becomes 0", -5, RoamFree, 0, 0, kSlow},
        {"the lowest stress a file can hold", INT32_MIN, RoamFree, 0, 0, kSlow},
        {"stress above 500 from a file drops by one", 900, RoamFree, 0, 899, kSlow},
        {"a hiding pet walks free again", 300, RoamToWindow, 0, 299, kSlow},
        {"a halted pet walks free again", 300, RoamHalted, 0, 299, kSlow},
        {"with FastMove the timer restarts fast", 10, RoamToWindow, 1, 9, kFast},
        {"FastMove holding 2 is off", 10, RoamFree, 2, 9, kSlow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        pet.stress = c.stress;
        pet.abilityOn[FastMove] = c.fastMove;
        Behaviour behaviour;
        behaviour.roamMode = c.roamMode;
        behaviour.frameBase = kSlotTearful;
        behaviour.petX = 77;
        FakePetPort port;

        PetThePet(pet, behaviour, port);

        EXPECT_EQ(pet.stress, c.stressAfter);
        EXPECT_EQ(behaviour.roamMode, RoamFree);
        EXPECT_EQ(behaviour.frameBase, kSlotTearful);  // the pose stays until the next tick
        EXPECT_EQ(behaviour.petX, 77);
        EXPECT_EQ(port.calls, (std::vector<PortCall>{PortCall::Sound(kPetSound), PortCall::StartTimer(c.interval),
                                                     PortCall::Drag()}));
    }
}

TEST(PetEventsTest, EachPressLowersStressByOne) {
    PetState pet;
    pet.stress = 3;
    Behaviour behaviour;
    FakePetPort port;
    for (int32_t expected : {2, 1, 0, 0}) {
        PetThePet(pet, behaviour, port);
        EXPECT_EQ(pet.stress, expected);
    }
    EXPECT_EQ(port.Count(Kind::PlaySoundEffect), 4u);
}

TEST(PetEventsTest, CareMenuStopsThePetShowsItAndOnlyOkStartsItAgain) {
    struct Case {
        const char* name;
        int32_t showOff;
        RoamMode roamMode;
        int32_t frameBase;
        int32_t framePhase;
        bool ok;
        int32_t fastMoveChosenInMenu;  // FastMove as the menu leaves it
        std::vector<PortCall> expected;
    };
    const Case cases[] = {
        {"OK", 0, RoamFree, kSlotRight, 1, true, 0,
         {PortCall::StopTimer(), PortCall::Apply(5), PortCall::Place(ZOrder::NoTopMost, 330, 200),
          PortCall::CareMenu(), PortCall::StartTimer(kSlow)}},
        {"ended by the quit request", 0, RoamFree, kSlotRight, 1, false, 0,
         {PortCall::StopTimer(), PortCall::Apply(5), PortCall::Place(ZOrder::NoTopMost, 330, 200),
          PortCall::CareMenu()}},
        {"ShowOff places it topmost", 1, RoamFree, kSlotBack, 0, true, 0,
         {PortCall::StopTimer(), PortCall::Apply(6), PortCall::Place(ZOrder::TopMost, 330, 200),
          PortCall::CareMenu(), PortCall::StartTimer(kSlow)}},
        {"ShowOff holding 2 is off", 2, RoamFree, kSlotBack, 0, true, 0,
         {PortCall::StopTimer(), PortCall::Apply(6), PortCall::Place(ZOrder::NoTopMost, 330, 200),
          PortCall::CareMenu(), PortCall::StartTimer(kSlow)}},
        {"FastMove switched on in the menu", 0, RoamFree, kSlotFront, 0, true, 1,
         {PortCall::StopTimer(), PortCall::Apply(0), PortCall::Place(ZOrder::NoTopMost, 330, 200),
          PortCall::CareMenu(), PortCall::StartTimer(kFast)}},
        // Hidden behind a window: shown again at petX, 30 pixels right of where it hid.
        {"a hiding pet", 0, RoamToWindow, kSlotTearful, 0, true, 0,
         {PortCall::StopTimer(), PortCall::Apply(8), PortCall::Place(ZOrder::NoTopMost, 330, 200),
          PortCall::CareMenu(), PortCall::StartTimer(kSlow)}},
        {"a halted pet, menu quit", 0, RoamHalted, kSlotFrontStep, 0, false, 1,
         {PortCall::StopTimer(), PortCall::Apply(1), PortCall::Place(ZOrder::NoTopMost, 330, 200),
          PortCall::CareMenu()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PetState pet;
        pet.abilityOn[ShowOff] = c.showOff;
        pet.stress = 123;
        Behaviour behaviour;
        behaviour.petX = 330;
        behaviour.petY = 200;
        behaviour.roamMode = c.roamMode;
        behaviour.frameBase = c.frameBase;
        behaviour.framePhase = c.framePhase;
        FakePetPort port;
        port.SetPetAt(300, 200);  // where it stands on the screen; the menu uses petX
        port.careMenuOk = c.ok;
        port.whileCareMenuOpen = [&] { pet.abilityOn[FastMove] = c.fastMoveChosenInMenu; };

        OpenCareMenu(pet, behaviour, port);

        EXPECT_EQ(port.calls, c.expected);
        EXPECT_EQ(behaviour.roamMode, c.roamMode);
        EXPECT_EQ(pet.stress, 123);
        EXPECT_FALSE(behaviour.careMenuOpen);
    }
}

// A click on the icon while the menu is open (its modal loop still delivers it) opens no
// second menu; once the menu has closed, the next click opens one again.
TEST(PetEventsTest, OneCareMenuAtATime) {
    PetState pet;
    Behaviour behaviour;
    FakePetPort port;
    int opened = 0;
    port.whileCareMenuOpen = [&] {
        ++opened;
        EXPECT_TRUE(behaviour.careMenuOpen);
        const std::size_t before = port.calls.size();
        OpenCareMenu(pet, behaviour, port);
        EXPECT_EQ(port.calls.size(), before) << "a second menu touched the desktop";
    };

    OpenCareMenu(pet, behaviour, port);
    OpenCareMenu(pet, behaviour, port);

    EXPECT_EQ(opened, 2);
    EXPECT_EQ(port.Count(Kind::RunCareMenu), 2u);
    EXPECT_EQ(port.Count(Kind::StartTimer), 2u);
}

}  // namespace
}  // namespace pomki
