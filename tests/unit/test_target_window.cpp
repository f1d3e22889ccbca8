// Which window in front the pet may act on, and the full-screen rule, as tables; then the
// tick with those windows in front.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "fake_ports.h"
#include "core/pet/behaviour.h"
#include "core/pet/target_window.h"
#include "core/state/pet_state.h"

namespace pomki {
namespace {

using testing::CallLog;
using testing::kUserWindow;
using testing::PortCall;
using testing::Scene;
using Kind = PortCall::Kind;
using UNS = UserNotificationState;

// A window with a caption and a sizing frame, as most programs' windows are.
WindowFacts Ordinary() {
    WindowFacts facts;
    facts.className = L"Notepad";
    facts.rect = Rect{100, 50, 700, 500};
    facts.monitor = Rect{0, 0, 1024, 768};
    facts.framed = true;
    return facts;
}

// A window without caption or frame over its whole monitor: a game, a film, a slide show.
WindowFacts CoversItsMonitor() {
    WindowFacts facts = Ordinary();
    facts.className = L"GameWindow";
    facts.framed = false;
    facts.rect = facts.monitor;
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

// The shell's own windows are left alone whatever else is true of them: the pet plays no trick
// on them, and one over its whole monitor (the desktop, the Alt+Tab view) holds no screen.
// Only the exact class name counts.
TEST(TargetWindow, TheShellsClassesAreLeftAloneButNotNamesThatOnlyLookLikeThem) {
    struct Case {
        const wchar_t* className;
        bool shell;
    };
    const Case cases[] = {
        {L"#32769", true},
        {L"Progman", true},
        {L"WorkerW", true},
        {L"Shell_TrayWnd", true},
        {L"Shell_SecondaryTrayWnd", true},
        {L"Windows.UI.Core.CoreWindow", true},
        {L"MultitaskingViewFrame", true},
        {L"TaskSwitcherWnd", true},
        {L"XamlExplorerHostIslandWindow", true},
        {L"ForegroundStaging", true},
        {L"NotifyIconOverflowWindow", true},
        {L"TopLevelWindowForOverflowXamlIsland", true},
        // Near misses: another case, a suffix, a prefix, a space, a sibling class.
        {L"progman", false},
        {L"PROGMAN", false},
        {L"shell_traywnd", false},
        {L"Shell_TrayWndX", false},
        {L"Shell_TrayWn", false},
        {L"Shell_SecondaryTrayWnd2", false},
        {L"WorkerW ", false},
        {L" WorkerW", false},
        {L"Windows.UI.Core", false},
        {L"Windows.UI.Core.CoreWindow.Child", false},
        {L"XamlExplorerHostIslandWindow_WASDK", false},
        {L"TopLevelWindowForOverflowXamlIslandX", false},
        {L"NotifyIconOverflow", false},
        {L"#32770", false},  // an ordinary dialog box
        {L"#3276", false},
        {L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::ToUtf8(c.className));
        EXPECT_EQ(IsShellClass(c.className), c.shell);
        WindowFacts facts = Ordinary();
        facts.className = c.className;
        EXPECT_EQ(CountsAsUserWindow(facts), !c.shell);
        facts.rect = facts.monitor;
        facts.framed = false;
        EXPECT_EQ(IsFullScreen(&facts, UNS::AcceptsNotifications), !c.shell);
    }
}

// A program holds the screen when its window covers its monitor with neither caption nor
// frame, or when the desktop says so. A maximised window keeps its caption: on a monitor with
// no taskbar, or one that hides itself, it covers the whole monitor too and holds nothing.
TEST(TargetWindow, AProgramHoldsTheScreenWhenItCoversItsMonitorWithoutACaptionOrTheDesktopSaysSo) {
    struct Case {
        const char* name;
        bool anyWindow;
        void (*change)(WindowFacts&);
        UNS state;
        bool fullScreen;
    };
    const auto same = [](WindowFacts&) {};
    const Case cases[] = {
        {"an ordinary window", true, same, UNS::AcceptsNotifications, false},
        {"maximised above a taskbar", true, [](WindowFacts& f) { f.rect = Rect{0, 0, 1024, 728}; },
         UNS::AcceptsNotifications, false},
        {"maximised on a monitor without a taskbar", true, [](WindowFacts& f) { f.rect = f.monitor; },
         UNS::AcceptsNotifications, false},
        {"maximised over a taskbar that hides itself, its frame past the edges", true,
         [](WindowFacts& f) { f.rect = Rect{-8, -8, 1032, 776}; }, UNS::AcceptsNotifications, false},
        {"maximised on the second monitor, which has no taskbar", true,
         [](WindowFacts& f) {
             f.monitor = Rect{1024, 0, 1824, 600};
             f.rect = Rect{1020, -4, 1828, 604};
         },
         UNS::AcceptsNotifications, false},
        {"borderless, exactly over its monitor", true, [](WindowFacts& f) { f = CoversItsMonitor(); },
         UNS::AcceptsNotifications, true},
        {"borderless, larger than its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.rect = Rect{-10, -10, 1100, 800};
         },
         UNS::AcceptsNotifications, true},
        {"borderless, one pixel short of its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.rect = Rect{0, 0, 1024, 767};
         },
         UNS::AcceptsNotifications, false},
        {"a video player full screen on the second monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.className = L"VideoPlayer";
             f.monitor = Rect{1024, 0, 1824, 600};
             f.rect = f.monitor;
         },
         UNS::AcceptsNotifications, true},
        {"borderless over the first monitor only, judged on the second", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.monitor = Rect{1024, 0, 1824, 600};
             f.rect = Rect{0, 0, 1024, 768};
         },
         UNS::AcceptsNotifications, false},
        {"no monitor known", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.monitor = Rect{};
             f.rect = Rect{0, 0, 1024, 768};
         },
         UNS::AcceptsNotifications, false},
        {"a hung borderless window over its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.hung = true;
         },
         UNS::AcceptsNotifications, true},
        {"a borderless tool window over its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.toolWindow = true;
         },
         UNS::AcceptsNotifications, true},
        {"the desktop over its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.className = L"Progman";
         },
         UNS::AcceptsNotifications, false},
        {"the shell's window over its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.shellWindow = true;
         },
         UNS::AcceptsNotifications, false},
        {"our own sweep over its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.ownProgram = true;
         },
         UNS::AcceptsNotifications, false},
        {"a cloaked borderless window over its monitor", true,
         [](WindowFacts& f) {
             f = CoversItsMonitor();
             f.cloaked = true;
         },
         UNS::AcceptsNotifications, false},
        {"a game in front, said to be Direct3D full screen", true, [](WindowFacts& f) { f = CoversItsMonitor(); },
         UNS::RunningD3DFullScreen, true},
        {"busy, with a captioned window in front", true, same, UNS::Busy, true},
        {"a full-screen Direct3D program", true, same, UNS::RunningD3DFullScreen, true},
        {"presentation mode, a maximised slide editor in front", true, [](WindowFacts& f) { f.rect = f.monitor; },
         UNS::PresentationMode, true},
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

constexpr WindowRef kFront = kUserWindow;

// The shared scene with a stressed pet: every trick can fire on its rolls.
void MakeStressed(Scene& s) {
    s.pet.stress = 500;
    s.pet.fullness = 500;
}

void SetFront(Scene& s, const WindowFacts& facts) { s.desktop.windowFacts[kFront] = facts; }

enum class Act { None, Retitle, Minimise, Seek, Shot, Volley, Box };

std::size_t ActCount(const CallLog& log, Act act) {
    switch (act) {
        case Act::None: return 0;
        case Act::Retitle: return log.Count(Kind::Retitle);
        case Act::Minimise: return log.Count(Kind::Minimise);
        case Act::Seek: return log.Count(Kind::WindowRect);
        case Act::Shot:
        case Act::Volley: return log.Count(Kind::DrawShotMark);
        case Act::Box: return log.Count(Kind::ShowMessageBox);
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
        bool hidesBehind = true;  // a pet that seeks it can hide behind it (not a maximised one)
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
    const WindowFacts game = CoversItsMonitor();
    WindowFacts maximised = Ordinary();
    maximised.rect = maximised.monitor;
    const Front fronts[] = {
        {"a maximised window on a monitor without a taskbar", maximised, UNS::AcceptsNotifications, true, true,
         false},
        {"an ordinary window", Ordinary(), UNS::AcceptsNotifications, true, true},
        {"the taskbar", taskbar, UNS::AcceptsNotifications, false, true},
        {"the desktop", desktop, UNS::AcceptsNotifications, false, true},
        {"our own window", ours, UNS::AcceptsNotifications, false, true},
        {"a hung window", hung, UNS::AcceptsNotifications, false, true},
        {"a cloaked window", cloaked, UNS::AcceptsNotifications, false, true},
        {"a tool window", tool, UNS::AcceptsNotifications, false, true},
        {"a borderless window over its whole monitor", game, UNS::AcceptsNotifications, false, false},
        {"a presentation", Ordinary(), UNS::PresentationMode, false, false},
        {"a full-screen Direct3D program", Ordinary(), UNS::RunningD3DFullScreen, false, false},
    };
    for (const Front& f : fronts) {
        for (const Scripted& a : acts) {
            SCOPED_TRACE(::testing::Message() << f.name << ", act " << static_cast<int>(a.act));
            Scene s;
            MakeStressed(s);
            SetFront(s, f.facts);
            s.desktop.windowRects[kFront] = f.facts.rect;
            s.desktop.notificationState = f.state;
            const bool screenAct = a.act == Act::Shot || a.act == Act::Volley || a.act == Act::Box;
            const bool happens = screenAct ? f.screenActs : f.windowActs;
            std::vector<int> draws = a.draws;
            if (!happens) draws.resize(2);  // an act that does not happen draws nothing
            s.random.Add(draws);
            const bool walksFree = a.act != Act::Minimise || !happens;
            const bool seeks = a.act == Act::Seek && happens && f.hidesBehind;
            if (walksFree && !seeks) s.random.Add({0, 0});  // the random walk's turn draws

            s.Tick();

            EXPECT_EQ(ActCount(s.log, a.act) > 0, happens);
            if (!happens && !screenAct) {
                EXPECT_EQ(s.log.Count(Kind::Retitle) + s.log.Count(Kind::Minimise), 0u);
                EXPECT_EQ(s.walk.roamMode, RoamFree);
                EXPECT_EQ(s.log.CallsOf(Kind::PlacePet).size(), 1u) << "one walking step";
            }
            EXPECT_TRUE(s.random.AllUsed()) << s.random.Remaining() << " draws left";
        }
    }
}

TEST(TargetWindow, ASeekingPetWalksFreelyOnceAProgramHoldsTheScreen) {
    Scene s;
    MakeStressed(s);
    s.pet.stress = 0;
    s.walk.roamMode = RoamToWindow;
    SetFront(s, CoversItsMonitor());
    s.random.Add({0, 0, 0, 0});

    s.Tick();

    EXPECT_EQ(s.walk.roamMode, RoamFree);
    EXPECT_EQ(s.log.Count(Kind::WindowRect), 0u) << "no seeking step";
    EXPECT_EQ(s.log.CallsOf(Kind::PlacePet), (std::vector{PortCall::Place(ZOrder::NoTopMost, 304, 300)}));
}

TEST(TargetWindow, ASeekingPetStandsWhileTheWindowInFrontIsNotTheUsers) {
    // The taskbar or a hung window in front: the walk to the user's window waits for it.
    for (const bool hung : {false, true}) {
        SCOPED_TRACE(hung ? "hung" : "taskbar");
        Scene s;
        MakeStressed(s);
        s.pet.stress = 0;
        s.walk.roamMode = RoamToWindow;
        WindowFacts front = Ordinary();
        if (hung) front.hung = true;
        else front.className = L"Shell_TrayWnd";
        SetFront(s, front);
        s.random.Add({0, 0});

        s.Tick();

        EXPECT_EQ(s.walk.roamMode, RoamToWindow);
        EXPECT_TRUE(s.log.Actions().empty());
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
        MakeStressed(s);
        s.pet.stress = c.stress;
        s.walk.roamMode = c.mode;
        s.random.Add(c.draws);
        s.Tick();
        EXPECT_EQ(s.log.Count(Kind::DescribeWindow), c.describes);
        EXPECT_EQ(s.log.Count(Kind::NotificationState), c.states);
        EXPECT_TRUE(s.random.AllUsed()) << s.random.Remaining() << " draws left";
    }
}

}  // namespace
}  // namespace pomki
