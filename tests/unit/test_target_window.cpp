// Which window in front the pet may act on, and the full-screen rule, as tables; then the
// tick with those windows in front.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "fake_pet_port.h"
#include "core/pet/behaviour.h"
#include "core/pet/target_window.h"
#include "core/state/pet_state.h"

namespace pomki {
namespace {

using testing::FakePetPort;
using testing::PortCall;
using testing::ScriptedRandom;
using Kind = PortCall::Kind;
using UNS = UserNotificationState;

WindowFacts Ordinary() {
    WindowFacts facts;
    facts.className = L"Notepad";
    facts.rect = Rect{100, 50, 700, 500};
    facts.monitor = Rect{0, 0, 1024, 768};
    return facts;
}

TEST(TargetWindow, OnlyAnOrdinaryAnsweringWindowOfAnotherProgramCountsAsTheUsersWindow) {
    struct Case {
        const char* name;
        void (*change)(WindowFacts&);
        bool counts;
    };
    const Case cases[] = {
        {"an ordinary window", [](WindowFacts&) {}, true},
        {"a class name that merely starts like the shell's",
         [](WindowFacts& f) { f.className = L"Shell_TrayWndX"; }, true},
        {"a maximised window", [](WindowFacts& f) { f.rect = Rect{-8, -8, 1032, 736}; }, true},
        {"the desktop window", [](WindowFacts& f) { f.className = L"#32769"; }, false},
        {"the desktop's icons", [](WindowFacts& f) { f.className = L"Progman"; }, false},
        {"the desktop behind the wallpaper", [](WindowFacts& f) { f.className = L"WorkerW"; }, false},
        {"the taskbar", [](WindowFacts& f) { f.className = L"Shell_TrayWnd"; }, false},
        {"the taskbar of another monitor",
         [](WindowFacts& f) { f.className = L"Shell_SecondaryTrayWnd"; }, false},
        {"Start or search", [](WindowFacts& f) { f.className = L"Windows.UI.Core.CoreWindow"; }, false},
        {"Alt+Tab", [](WindowFacts& f) { f.className = L"MultitaskingViewFrame"; }, false},
        {"Alt+Tab on Windows 11",
         [](WindowFacts& f) { f.className = L"XamlExplorerHostIslandWindow"; }, false},
        {"the shell's window under another class name", [](WindowFacts& f) { f.shellWindow = true; },
         false},
        {"a cloaked window", [](WindowFacts& f) { f.cloaked = true; }, false},
        {"a tool window", [](WindowFacts& f) { f.toolWindow = true; }, false},
        {"one of ours", [](WindowFacts& f) { f.ownProgram = true; }, false},
        {"a hung window", [](WindowFacts& f) { f.hung = true; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFacts facts = Ordinary();
        c.change(facts);
        EXPECT_EQ(CountsAsUserWindow(facts), c.counts);
    }
}

TEST(TargetWindow, AProgramHoldsTheScreenWhenItCoversItsMonitorOrTheDesktopSaysSo) {
    struct Case {
        const char* name;
        bool anyWindow;
        void (*change)(WindowFacts&);
        UNS state;
        bool fullScreen;
    };
    const auto same = [](WindowFacts&) {};
    const auto wholeMonitor = [](WindowFacts& f) { f.rect = f.monitor; };
    const Case cases[] = {
        {"an ordinary window", true, same, UNS::AcceptsNotifications, false},
        {"a window exactly over its monitor", true, wholeMonitor, UNS::AcceptsNotifications, true},
        {"a window larger than its monitor", true,
         [](WindowFacts& f) { f.rect = Rect{-10, -10, 1100, 800}; }, UNS::AcceptsNotifications, true},
        {"a window one pixel short of its monitor", true,
         [](WindowFacts& f) { f.rect = Rect{0, 0, 1024, 767}; }, UNS::AcceptsNotifications, false},
        {"a window over the second monitor", true,
         [](WindowFacts& f) {
             f.monitor = Rect{1024, 0, 1824, 600};
             f.rect = Rect{1024, 0, 1824, 600};
         },
         UNS::AcceptsNotifications, true},
        {"a window over the first monitor only, judged on the second", true,
         [](WindowFacts& f) {
             f.monitor = Rect{1024, 0, 1824, 600};
             f.rect = Rect{0, 0, 1024, 768};
         },
         UNS::AcceptsNotifications, false},
        {"no monitor known", true,
         [](WindowFacts& f) {
             f.monitor = Rect{};
             f.rect = Rect{0, 0, 1024, 768};
         },
         UNS::AcceptsNotifications, false},
        {"a hung window over its monitor", true,
         [](WindowFacts& f) {
             f.rect = f.monitor;
             f.hung = true;
         },
         UNS::AcceptsNotifications, true},
        {"a tool window over its monitor", true,
         [](WindowFacts& f) {
             f.rect = f.monitor;
             f.toolWindow = true;
         },
         UNS::AcceptsNotifications, true},
        {"the desktop over its monitor", true,
         [](WindowFacts& f) {
             f.rect = f.monitor;
             f.className = L"Progman";
         },
         UNS::AcceptsNotifications, false},
        {"the shell's window over its monitor", true,
         [](WindowFacts& f) {
             f.rect = f.monitor;
             f.shellWindow = true;
         },
         UNS::AcceptsNotifications, false},
        {"our own window over its monitor", true,
         [](WindowFacts& f) {
             f.rect = f.monitor;
             f.ownProgram = true;
         },
         UNS::AcceptsNotifications, false},
        {"a cloaked window over its monitor", true,
         [](WindowFacts& f) {
             f.rect = f.monitor;
             f.cloaked = true;
         },
         UNS::AcceptsNotifications, false},
        {"busy", true, same, UNS::Busy, true},
        {"a full-screen Direct3D program", true, same, UNS::RunningD3DFullScreen, true},
        {"presentation mode", true, same, UNS::PresentationMode, true},
        {"busy with nothing in front", false, same, UNS::Busy, true},
        {"nothing in front", false, same, UNS::AcceptsNotifications, false},
        {"quiet time", true, same, UNS::QuietTime, false},
        {"the user is away", true, same, UNS::NotPresent, false},
        {"a store app", true, same, UNS::App, false},
        {"the state unknown", true, same, UNS::Unknown, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFacts facts = Ordinary();
        c.change(facts);
        EXPECT_EQ(IsFullScreen(c.anyWindow ? &facts : nullptr, c.state), c.fullScreen);
    }
}

// ---- The tick with these windows in front ----

constexpr WindowRef kPetWindow = 1;
constexpr WindowRef kFront = 2;

struct Scene {
    PetState pet;
    Behaviour behaviour;
    FakePetPort port;
    ScriptedRandom random;

    Scene() {
        port.petWindow = kPetWindow;
        port.foreground = kFront;
        port.windowRects[kFront] = Rect{100, 50, 700, 500};
        port.SetPetAt(300, 300);
        pet.stress = 500;
        pet.fullness = 500;
    }
    void SetFront(const WindowFacts& facts) { port.windowFacts[kFront] = facts; }
    void Tick() { RunTick(pet, behaviour, port, random); }
};

enum class Act { None, Retitle, Minimise, Seek, Shot, Volley, Box };

std::size_t ActCount(const FakePetPort& port, Act act) {
    switch (act) {
        case Act::None: return 0;
        case Act::Retitle: return port.Count(Kind::Retitle);
        case Act::Minimise: return port.Count(Kind::Minimise);
        case Act::Seek: return port.Count(Kind::WindowRect);
        case Act::Shot:
        case Act::Volley: return port.Count(Kind::DrawShotMark);
        case Act::Box: return port.Count(Kind::MessageBox);
    }
    return 0;
}

TEST(TargetWindow, TheTickPlaysNoTrickOnAWindowThatIsNotTheUsersNorWhileAProgramHoldsTheScreen) {
    struct Scripted {
        Act act;
        std::vector<int> draws;  // wanderRoll, mischiefRoll, then what the act draws
    };
    const Scripted acts[] = {
        {Act::Retitle, {0, 25, 0}},
        {Act::Minimise, {0, 1}},
        {Act::Seek, {1, 0}},
        {Act::Shot, {0, 5, 0, 0, 0, 0}},
        {Act::Volley, [] {
             std::vector<int> d{0, 4};
             d.insert(d.end(), 80, 0);
             return d;
         }()},
        {Act::Box, {0, 33, 0}},
    };
    struct Front {
        const char* name;
        WindowFacts facts;
        UNS state;
        bool windowActs;  // retitle, minimise and seeking happen
        bool screenActs;  // shots and the box happen
    };
    WindowFacts taskbar = Ordinary();
    taskbar.className = L"Shell_TrayWnd";
    WindowFacts desktop = Ordinary();
    desktop.className = L"WorkerW";
    desktop.rect = desktop.monitor;
    WindowFacts ours = Ordinary();
    ours.ownProgram = true;
    WindowFacts hung = Ordinary();
    hung.hung = true;
    WindowFacts cloaked = Ordinary();
    cloaked.cloaked = true;
    WindowFacts tool = Ordinary();
    tool.toolWindow = true;
    WindowFacts game = Ordinary();
    game.rect = game.monitor;
    const Front fronts[] = {
        {"an ordinary window", Ordinary(), UNS::AcceptsNotifications, true, true},
        {"the taskbar", taskbar, UNS::AcceptsNotifications, false, true},
        {"the desktop", desktop, UNS::AcceptsNotifications, false, true},
        {"our own window", ours, UNS::AcceptsNotifications, false, true},
        {"a hung window", hung, UNS::AcceptsNotifications, false, true},
        {"a cloaked window", cloaked, UNS::AcceptsNotifications, false, true},
        {"a tool window", tool, UNS::AcceptsNotifications, false, true},
        {"a window over its whole monitor", game, UNS::AcceptsNotifications, false, false},
        {"a presentation", Ordinary(), UNS::PresentationMode, false, false},
        {"a full-screen Direct3D program", Ordinary(), UNS::RunningD3DFullScreen, false, false},
    };
    for (const Front& f : fronts) {
        for (const Scripted& a : acts) {
            SCOPED_TRACE(::testing::Message() << f.name << ", act " << static_cast<int>(a.act));
            Scene s;
            s.SetFront(f.facts);
            s.port.notificationState = f.state;
            const bool screenAct = a.act == Act::Shot || a.act == Act::Volley || a.act == Act::Box;
            const bool happens = screenAct ? f.screenActs : f.windowActs;
            std::vector<int> draws = a.draws;
            if (!happens) draws.resize(2);  // an act that does not happen draws nothing
            s.random.Add(draws);
            const bool walksFree = a.act != Act::Minimise || !happens;
            const bool seeks = a.act == Act::Seek && happens;
            if (walksFree && !seeks) s.random.Add({0, 0});  // the random walk's turn draws

            s.Tick();

            EXPECT_EQ(ActCount(s.port, a.act) > 0, happens);
            if (!happens && !screenAct) {
                EXPECT_EQ(s.port.Count(Kind::Retitle) + s.port.Count(Kind::Minimise), 0u);
                EXPECT_EQ(s.behaviour.roamMode, RoamFree);
                EXPECT_EQ(s.port.CallsOf(Kind::PlacePet).size(), 1u) << "one walking step";
            }
            EXPECT_TRUE(s.random.AllUsed()) << s.random.Remaining() << " draws left";
        }
    }
}

TEST(TargetWindow, ASeekingPetWalksFreelyOnceAProgramHoldsTheScreen) {
    Scene s;
    s.pet.stress = 0;
    s.behaviour.roamMode = RoamToWindow;
    WindowFacts game = Ordinary();
    game.rect = game.monitor;
    s.SetFront(game);
    s.random.Add({0, 0, 0, 0});

    s.Tick();

    EXPECT_EQ(s.behaviour.roamMode, RoamFree);
    EXPECT_EQ(s.port.Count(Kind::WindowRect), 0u) << "no seeking step";
    EXPECT_EQ(s.port.CallsOf(Kind::PlacePet), (std::vector{PortCall::Place(ZOrder::NoTopMost, 304, 300)}));
}

TEST(TargetWindow, ASeekingPetStandsWhileTheWindowInFrontIsNotTheUsers) {
    // The taskbar or a hung window in front: the walk to the user's window waits for it.
    for (const bool hung : {false, true}) {
        SCOPED_TRACE(hung ? "hung" : "taskbar");
        Scene s;
        s.pet.stress = 0;
        s.behaviour.roamMode = RoamToWindow;
        WindowFacts front = Ordinary();
        if (hung) front.hung = true;
        else front.className = L"Shell_TrayWnd";
        s.SetFront(front);
        s.random.Add({0, 0});

        s.Tick();

        EXPECT_EQ(s.behaviour.roamMode, RoamToWindow);
        EXPECT_TRUE(s.port.Actions().empty());
    }
}

TEST(TargetWindow, TheWindowInFrontIsLookedAtOnlyWhenTheTickHasSomethingToDoWithIt) {
    struct Case {
        const char* name;
        int32_t stress;
        RoamMode mode;
        std::vector<int> draws;
        std::size_t describes;
        std::size_t states;  // questions about the desktop's notification state
    };
    const Case cases[] = {
        {"a calm free pet", 0, RoamFree, {0, 5, 0, 0}, 0, 0},
        {"a calm halted pet", 0, RoamHalted, {0, 5}, 0, 0},
        {"a calm pet that starts seeking", 0, RoamFree, {1, 5}, 1, 1},
        {"a seeking pet", 0, RoamToWindow, {0, 5}, 1, 1},
        {"a stressed pet that retitles", 500, RoamFree, {0, 25, 0, 0, 0}, 1, 1},
        {"a stressed pet that shoots, then walks", 500, RoamFree, {0, 8, 0, 0, 0, 0, 0, 0}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.stress = c.stress;
        s.behaviour.roamMode = c.mode;
        s.random.Add(c.draws);
        s.Tick();
        EXPECT_EQ(s.port.Count(Kind::DescribeWindow), c.describes);
        EXPECT_EQ(s.port.Count(Kind::NotificationState), c.states);
        EXPECT_TRUE(s.random.AllUsed()) << s.random.Remaining() << " draws left";
    }
}

}  // namespace
}  // namespace pomki
