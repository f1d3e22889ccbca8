// Whether anybody is there, and what the pet does while nobody is: it rests (no tick, no
// autosave), is written at once when the machine goes to sleep or the session is locked, and
// walks on as it stood when the user is back.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/pet/presence.h"
#include "core/state/save_file.h"
#include "fake_ports.h"

namespace pomki {
namespace {

using testing::PortCall;
using testing::Scene;
using Change = UserPresence::Change;
using E = PresenceEvent;

// ---- The rule: every reason set and cleared by its own pair, away while any holds ----

TEST(UserPresenceTest, AwayWhileAnyReasonHoldsBackWhenTheLastIsCleared) {
    struct Step {
        std::optional<E> event;        // or, when none, the notification state's answer
        bool notPresent = false;
        Change change;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"locked, then unlocked", {{E::SessionLocked, false, Change::Gone}, {E::SessionUnlocked, false, Change::Back}}},
        {"switched away and back", {{E::SessionDisconnected, false, Change::Gone}, {E::SessionConnected, false, Change::Back}}},
        {"the display off and on", {{E::DisplayOff, false, Change::Gone}, {E::DisplayOn, false, Change::Back}}},
        {"asleep and awake", {{E::Suspending, false, Change::Gone}, {E::Resumed, false, Change::Back}}},
        {"the screen saver", {{std::nullopt, true, Change::Gone}, {std::nullopt, false, Change::Back}}},
        {"locked, the display goes off, unlocked while it is off: still away",
         {{E::SessionLocked, false, Change::Gone}, {E::DisplayOff, false, Change::None},
          {E::SessionUnlocked, false, Change::None}, {E::DisplayOn, false, Change::Back}}},
        {"locked, switched away, switched back still locked, unlocked",
         {{E::SessionLocked, false, Change::Gone}, {E::SessionDisconnected, false, Change::None},
          {E::SessionConnected, false, Change::None}, {E::SessionUnlocked, false, Change::Back}}},
        {"the screen saver, then locked, then it ends: still locked",
         {{std::nullopt, true, Change::Gone}, {E::SessionLocked, false, Change::None},
          {std::nullopt, false, Change::None}, {E::SessionUnlocked, false, Change::Back}}},
        {"told twice of one thing", {{E::SessionLocked, false, Change::Gone}, {E::SessionLocked, false, Change::None},
                                     {E::SessionUnlocked, false, Change::Back}}},
        {"a return without a leaving", {{E::SessionUnlocked, false, Change::None}, {E::Resumed, false, Change::None},
                                        {E::DisplayOn, false, Change::None}, {E::SessionConnected, false, Change::None},
                                        {std::nullopt, false, Change::None}}},
        {"awake after sleep with the display still off",
         {{E::DisplayOff, false, Change::Gone}, {E::Suspending, false, Change::None}, {E::Resumed, false, Change::None},
          {E::DisplayOn, false, Change::Back}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UserPresence presence;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            const Change change = step.event ? presence.Apply(*step.event) : presence.Notified(step.notPresent);
            EXPECT_EQ(change, step.change) << "step " << i;
        }
        EXPECT_FALSE(presence.Away());
    }
}

TEST(UserPresenceTest, OnlySleepAndTheLockWriteThePetAtOnce) {
    for (const E event : {E::SessionLocked, E::SessionUnlocked, E::SessionDisconnected, E::SessionConnected,
                          E::DisplayOff, E::DisplayOn, E::Suspending, E::Resumed}) {
        EXPECT_EQ(SavesAtOnce(event), event == E::Suspending || event == E::SessionLocked) << static_cast<int>(event);
    }
}

// ---- The pet away and back ----

constexpr int kBehaviourTimerId = 1;
constexpr int kPresenceTimerId = 4;

void Started(Scene& s, bool fastMove) {
    PetState onFile;
    onFile.abilityOn[FastMove] = fastMove ? 1 : 0;
    s.files.files[s.SavePath()] = FormatSaveFile(onFile);
    s.rules.Start();
    s.log.Clear();
}

void Tick(Scene& s) {
    s.random.Add({0, 0, 0, 0});
    s.rules.Timer(TimerMessage{kBehaviourTimerId, 0});
}

TEST(PetAwayTest, AWalkingPetRestsWhileAwayAndWalksOnWithTheIntervalItHad) {
    struct Case {
        const char* name;
        E leave;
        E back;
        bool saves;  // the pet, changed by a tick, is written as the user leaves
    };
    const Case cases[] = {
        {"locked", E::SessionLocked, E::SessionUnlocked, true},
        {"asleep", E::Suspending, E::Resumed, true},
        {"switched away", E::SessionDisconnected, E::SessionConnected, false},
        {"the display off", E::DisplayOff, E::DisplayOn, false},
    };
    for (const bool fastMove : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Scene s;
            Started(s, fastMove);
            Tick(s);  // the pet has changed since its file was read
            s.log.Clear();

            s.rules.Presence(c.leave);
            std::vector<PortCall> gone;
            if (c.saves) gone.push_back(PortCall::FileWrite());
            gone.push_back(PortCall::StopTimer(PetTimer::Behaviour));
            gone.push_back(PortCall::StopTimer(PetTimer::Autosave));
            EXPECT_EQ(s.log.Actions(), gone);

            s.log.Clear();
            s.rules.Presence(c.back);
            EXPECT_EQ(s.log.Actions(), (std::vector<PortCall>{PortCall::StartTimer(PetTimer::Behaviour, fastMove ? 100 : 400),
                                                              PortCall::StartTimer(PetTimer::Autosave, 60000)}));
        }
    }
}

// A pet whose timer the rules stopped (hidden behind a window, halted by the minimising act)
// stays stopped through the user's absence.
TEST(PetAwayTest, APetTheRulesStoppedStaysStoppedWhenTheUserIsBack) {
    Scene s;
    Started(s, true);
    s.desktop.windowRects[testing::kUserWindow] = Rect{297, 50, 700, 500};
    s.window.SetPetAt(300, 300);
    s.random.Add({1, 0});
    s.rules.Timer(TimerMessage{kBehaviourTimerId, 0});
    ASSERT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::Bottom, 270, 300));
    s.log.Clear();
    s.rules.Presence(E::SessionLocked);
    s.rules.Presence(E::SessionUnlocked);
    EXPECT_EQ(s.log.CallsOf(PortCall::Kind::StartTimer),
              (std::vector<PortCall>{PortCall::StartTimer(PetTimer::Autosave, 60000)}));
}

// The care menu keeps the pet stopped; a user who leaves and comes back while it is open finds
// it as it was, and OK starts the pet again only once the user is there.
int BehaviourStarts(const Scene& s) {
    int starts = 0;
    for (const PortCall& call : s.log.CallsOf(PortCall::Kind::StartTimer)) starts += call.timer == PetTimer::Behaviour;
    return starts;
}

TEST(PetAwayTest, ACareMenuOpenWhileTheUserIsAwayStartsThePetOnlyOnceTheUserIsBack) {
    struct Case {
        const char* name;
        std::vector<E> whileOpen;
        std::vector<E> afterwards;
        int startsWhenClosed;  // behaviour timer starts once the menu closed with OK
    };
    const Case cases[] = {
        {"away and back while it is open", {E::SessionLocked, E::SessionUnlocked}, {}, 1},
        {"closed with OK while away", {E::DisplayOff}, {E::DisplayOn}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        Started(s, true);
        int startsInMenu = -1;
        s.window.whileCareMenuOpen = [&] {
            const int before = BehaviourStarts(s);
            for (const E e : c.whileOpen) s.rules.Presence(e);
            startsInMenu = BehaviourStarts(s) - before;
        };
        s.rules.RightButtonDown();
        EXPECT_EQ(startsInMenu, 0) << "the menu keeps the pet stopped";
        EXPECT_EQ(BehaviourStarts(s), c.startsWhenClosed);
        for (const E e : c.afterwards) s.rules.Presence(e);
        EXPECT_EQ(BehaviourStarts(s), 1);
        std::vector<int> intervals;
        for (const PortCall& call : s.log.CallsOf(PortCall::Kind::StartTimer)) {
            if (call.timer == PetTimer::Behaviour) intervals.push_back(call.number);
        }
        EXPECT_EQ(intervals, std::vector<int>{100}) << "FastMove's interval";
    }
}

// The screen saver tells nobody: the pet asks the desktop now and then, and rests while it says
// the user is not present.
TEST(PetAwayTest, ThePresenceCheckAsksTheDesktopAndRestsWhileTheUserIsNotPresent) {
    Scene s;
    Started(s, false);
    s.desktop.notificationState = UserNotificationState::NotPresent;
    s.rules.Timer(TimerMessage{kPresenceTimerId, 0});
    EXPECT_EQ(s.log.calls, (std::vector<PortCall>{{.kind = PortCall::Kind::NotificationState},
                                                  PortCall::StopTimer(PetTimer::Behaviour),
                                                  PortCall::StopTimer(PetTimer::Autosave)}));
    s.log.Clear();
    s.rules.Timer(TimerMessage{kPresenceTimerId, 0});  // still not there: nothing more
    EXPECT_EQ(s.log.Actions(), std::vector<PortCall>{});
    for (const UserNotificationState present : {UserNotificationState::AcceptsNotifications, UserNotificationState::Busy,
                                                UserNotificationState::PresentationMode}) {
        s.desktop.notificationState = UserNotificationState::NotPresent;
        s.rules.Timer(TimerMessage{kPresenceTimerId, 0});
        s.log.Clear();
        s.desktop.notificationState = present;
        s.rules.Timer(TimerMessage{kPresenceTimerId, 0});
        EXPECT_EQ(s.log.Actions(), (std::vector<PortCall>{PortCall::StartTimer(PetTimer::Behaviour, 400),
                                                          PortCall::StartTimer(PetTimer::Autosave, 60000)}))
            << static_cast<int>(present);
    }
    EXPECT_TRUE(s.random.AllUsed()) << "a presence check is no tick";
}

}  // namespace
}  // namespace pomki
