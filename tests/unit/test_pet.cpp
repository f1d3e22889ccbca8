// The pet's events against a recording pet window, desktop and file: start-up, the timers,
// petting, the care menu and the icon, a change of DPI, the end of the session and the
// window's destruction.
#include "core/pet/pet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fake_ports.h"
#include "core/render/frame_slots.h"
#include "core/state/pet_state.h"
#include "core/state/save_file.h"

namespace pomki {
namespace {

using testing::kFolderRefuses;
using testing::kHeldWhileMoved;
using testing::kUserWindow;
using testing::PortCall;
using testing::Scene;
using Kind = PortCall::Kind;

constexpr int kSlow = 400;
constexpr int kFast = 100;
constexpr int kAutosaveMs = 60000;
constexpr int kPresenceMs = 10000;  // how often the pet asks whether the user is there
constexpr int kPetSound = 102;
constexpr int kBehaviourTimerId = 1;
constexpr int kAutosaveTimerId = 2;

const std::wstring_view kFileError = L"ファイルエラー";
const std::wstring_view kRefused = L"ファイルが不正アクセスされています \n 削除後パソコンを再起動してください";
const std::wstring_view kUnreadable =
    L"ファイルを読み込めませんでした\nファイルを守るため終了します\nしばらくしてから、もう一度起動してください";
const std::wstring_view kNotSaved = L"ファイルに保存できませんでした";

void PutOnFile(Scene& s, const PetState& pet) { s.files.files[s.SavePath()] = FormatSaveFile(pet); }

// What the file holds now, as a record; nothing when it is missing or refused.
std::optional<PetState> OnFile(Scene& s) {
    const auto found = s.files.files.find(s.SavePath());
    if (found == s.files.files.end()) return std::nullopt;
    return ParseSaveFile(found->second);
}

// A pet loaded from its file (a grown one, so that a save is told from none), the log cleared.
void Started(Scene& s) {
    PetState grown;
    grown.level = 12;
    grown.money = 3456;
    PutOnFile(s, grown);
    s.rules.Start();
    s.log.Clear();
}

void TickTimer(Scene& s) { s.rules.Timer(TimerMessage{kBehaviourTimerId, 0}); }

TEST(PetTest, TimerIntervalFollowsFastMoveBeingExactlyOne) {
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

// ---- Start-up ----

// The icon comes first (while a file held by another program is waited for, only the icon is
// on screen); the frames at the scale of the window's DPI, and the window their size where the
// dialog put it, before the load; the first frame, both timers, and the window shown last.
TEST(PetTest, StartUpOrder) {
    struct Case {
        const char* name;
        int dpi;
        LoadResult file;
        int32_t fastMove;  // as saved
        int scale;
        Rect resized;
        std::vector<PortCall> between;  // what comes between the load and the first frame
    };
    const std::vector<PortCall> none;
    const std::vector<PortCall> refused{PortCall::Notice(kFileError, kRefused), PortCall::Quit()};
    const std::vector<PortCall> unreadable{PortCall::Notice(kFileError, kUnreadable), PortCall::Quit()};
    const Case cases[] = {
        {"a saved pet at 96 dpi", 96, LoadResult::Loaded, 0, 1, {120, 80, 180, 140}, none},
        {"120 dpi is still scale 1", 120, LoadResult::Loaded, 0, 1, {120, 80, 180, 140}, none},
        {"144 dpi", 144, LoadResult::Loaded, 0, 2, {120, 80, 240, 200}, none},
        {"192 dpi", 192, LoadResult::Loaded, 0, 2, {120, 80, 240, 200}, none},
        {"288 dpi", 288, LoadResult::Loaded, 0, 3, {120, 80, 300, 260}, none},
        {"saved with FastMove", 96, LoadResult::Loaded, 1, 1, {120, 80, 180, 140}, none},
        {"no file: a new pet, silently", 96, LoadResult::NoFile, 0, 1, {120, 80, 180, 140}, none},
        {"a refused file: told, then the quit request", 144, LoadResult::Rejected, 0, 2, {120, 80, 240, 200},
         refused},
        {"an unreadable file: told, then the quit request", 96, LoadResult::Unreadable, 0, 1,
         {120, 80, 180, 140}, unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.window.dpi = c.dpi;
        s.window.petRect = Rect{120, 80, 213, 157};  // the dialog template's size, not the frames'
        PetState saved;
        saved.abilityOn[FastMove] = c.fastMove;
        if (c.file == LoadResult::Loaded) PutOnFile(s, saved);
        if (c.file == LoadResult::Rejected) s.files.files[s.SavePath()] = "31306\r\r\n";
        if (c.file == LoadResult::Unreadable) s.files.unreadableReads = 1'000'000;

        s.rules.Start();

        std::vector<PortCall> expected{PortCall::AddTrayIcon(), PortCall::LoadFrames(c.scale),
                                       PortCall::SetRect(c.resized)};
        // The one read, or every try of a file that stays unreadable for ten seconds.
        const std::size_t reads = c.file == LoadResult::Unreadable ? 41 : 1;
        expected.insert(expected.end(), reads, PortCall::FileRead());
        expected.insert(expected.end(), c.between.begin(), c.between.end());
        // Set-up finishes whatever the file: the window's modal loop then ends on the quit request.
        expected.push_back(PortCall::Apply(0));
        expected.push_back(PortCall::StartTimer(PetTimer::Behaviour, c.fastMove == 1 ? kFast : kSlow));
        expected.push_back(PortCall::StartTimer(PetTimer::Autosave, kAutosaveMs));
        expected.push_back(PortCall::StartTimer(PetTimer::PresenceCheck, kPresenceMs));
        expected.push_back(PortCall::Show());
        EXPECT_EQ(s.log.Actions(), expected);
        EXPECT_EQ(s.rules.walk().scale, c.scale);
        EXPECT_EQ(s.window.petRect, c.resized);
        // The DPI is asked before the frames are loaded, the window's corner before it is resized.
        const auto dpiAt = std::find(s.log.calls.begin(), s.log.calls.end(), PortCall{.kind = Kind::Dpi});
        const auto loadAt = std::find(s.log.calls.begin(), s.log.calls.end(), PortCall::LoadFrames(c.scale));
        EXPECT_LT(dpiAt, loadAt);
        EXPECT_EQ(s.log.Count(Kind::Dpi), 1u);
    }
}

TEST(PetTest, StartUpClearsTheClockOnlyAndShowsTheFirstFrame) {
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
        Scene s;
        PetState saved;
        saved.abilityOn[Clock] = c.clock;
        saved.abilityOn[ScreenSaver] = c.screenSaver;
        saved.abilityOn[FastMove] = c.fastMove;
        saved.abilityOn[CursorLead] = 1;
        saved.abilityUnlocked[Clock] = 1;
        PutOnFile(s, saved);

        s.rules.Start();

        PetState expected;
        expected.abilityOn[ScreenSaver] = c.screenSaver;
        expected.abilityOn[FastMove] = c.fastMove;
        expected.abilityOn[CursorLead] = 1;
        expected.abilityUnlocked[Clock] = 1;
        EXPECT_EQ(s.pet, expected);
        const std::vector<PortCall> actions = s.log.Actions();
        ASSERT_GE(actions.size(), 4u);
        EXPECT_EQ(std::vector<PortCall>(actions.end() - 5, actions.end()),
                  (std::vector<PortCall>{PortCall::Apply(0), PortCall::StartTimer(PetTimer::Behaviour, c.interval),
                                         PortCall::StartTimer(PetTimer::Autosave, kAutosaveMs),
                                         PortCall::StartTimer(PetTimer::PresenceCheck, kPresenceMs), PortCall::Show()}));
        EXPECT_EQ(s.rules.FrameSlot(), 0);
        EXPECT_TRUE(s.random.moduli.empty()) << "start-up draws nothing";
    }
}

// ---- The timers ----

// Where the program's folder takes no file, the user is told where the pet lives now, once
// it has been loaded (or found missing), before whatever the load itself has to tell.
TEST(PetTest, StartUpTellsWhereThePetLivesWhenItFirstMovesThere) {
    const std::wstring own = L"C:\\Users\\u\\AppData\\Local\\pomki\\pomki.dat";
    const PortCall moved = PortCall::Notice(L"デスクトップぽてぽて",
                                            L"このフォルダには保存できないため、ハムスターは次の場所に保存します\n" + own);
    struct Case {
        const char* name;
        bool folderRefuses;
        bool keptThereAlready;
        std::optional<std::string> besideProgram;
        std::vector<PortCall> between;  // what comes between the reads and the first frame
    };
    const Case cases[] = {
        {"a folder that takes files", false, false, FormatSaveFile(PetState{}), {}},
        {"moved with its pet", true, false, FormatSaveFile(PetState{}), {moved}},
        {"moved with no pet", true, false, std::nullopt, {moved}},
        {"moved before", true, true, FormatSaveFile(PetState{}), {}},
        {"moved with a refused file", true, false, std::string("31306\r\r\n"),
         {moved, PortCall::Notice(kFileError, kRefused), PortCall::Quit()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.files.userDataFolder = L"C:\\Users\\u\\AppData\\Local\\pomki\\";
        if (c.folderRefuses) s.files.probe = testing::kFolderRefuses;
        if (c.keptThereAlready) s.files.files[own] = FormatSaveFile(PetState{});
        if (c.besideProgram) s.files.files[s.SavePath()] = *c.besideProgram;

        s.rules.Start();

        std::vector<PortCall> actions = s.log.Actions();
        const auto firstFrame = std::find(actions.begin(), actions.end(), PortCall::Apply(0));
        auto afterReads = firstFrame;
        while (afterReads != actions.begin() && (afterReads - 1)->kind != Kind::FileRead &&
               (afterReads - 1)->kind != Kind::FileWrite) {
            --afterReads;
        }
        EXPECT_EQ(std::vector<PortCall>(afterReads, firstFrame), c.between);
    }
}

// The autosave timer's message saves a pet that changed and is no tick; any other timer
// message is one tick, whatever its time.
TEST(PetTest, TheAutosaveTimerSavesAndAnyOtherTimerTicks) {
    struct Case {
        const char* name;
        TimerMessage message;
        bool changed;  // the pet changed since the load
        bool ticks;
        bool writes;
    };
    const Case cases[] = {
        {"autosave, changed", {kAutosaveTimerId, 60000}, true, false, true},
        {"autosave, unchanged", {kAutosaveTimerId, 60000}, false, false, false},
        {"autosave at any time", {kAutosaveTimerId, 0xFFFFFFFFu}, true, false, true},
        {"behaviour", {kBehaviourTimerId, 400}, true, true, false},
        {"an id of no timer of ours", {0, 400}, true, true, false},
        {"another id", {3, 400}, false, true, false},
        {"a large id", {0x7FFFFFFF, 400}, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        Started(s);
        if (c.changed) s.pet.money += 7;
        const PetState before = s.pet;
        if (c.ticks) s.random.Add({0, 0, 0, 0});

        s.rules.Timer(c.message);

        EXPECT_EQ(s.log.Count(Kind::FileWrite), c.writes ? 1u : 0u);
        if (c.writes) {
            EXPECT_EQ(OnFile(s), before);
        }
        if (c.ticks) {
            EXPECT_EQ(s.pet.money, before.money + 1);
            EXPECT_EQ(s.random.moduli, (std::vector<int>{20, 50, 3, 3}));
            EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, 304, 300));
        } else {
            EXPECT_EQ(s.pet, before);
            EXPECT_TRUE(s.random.moduli.empty());
            EXPECT_EQ(s.log.Count(Kind::PetRect), 0u);
        }
    }
}

// The menus' meals and switches are written at once, if the pet changed.
TEST(PetTest, TheMenusSavesWriteAChangedPetAtOnce) {
    Scene s;
    Started(s);
    PetSaver& saver = s.rules;
    saver.SaveChanges();
    EXPECT_EQ(s.log.Count(Kind::FileWrite), 0u) << "nothing changed since the load";
    s.pet.abilityOn[GoodLuck] = 1;
    saver.SaveChanges();
    EXPECT_EQ(s.log.calls, (std::vector<PortCall>{PortCall::FileWrite()}));
    EXPECT_EQ(OnFile(s), s.pet);
}

// A save that fails is told at once, in a notice of its own; not again while the saves keep
// failing (the box is modal, and the saves that come while it is open fail alike), but again
// once one has succeeded since. A file held by another program is not told: the next save
// tries again.
TEST(PetTest, AFailedSaveIsToldAtOnceAndOnceUntilASaveSucceeds) {
    enum By { Autosave, Menu };
    struct Step {
        const char* name;
        By by;
        std::optional<WriteReport> failure;
        bool told;
    };
    const Step steps[] = {
        {"the folder refuses", Autosave, kFolderRefuses, true},
        {"refused again", Autosave, kFolderRefuses, false},
        {"a meal refused too", Menu, kFolderRefuses, false},
        {"held by another program", Autosave, kHeldWhileMoved, false},
        {"saved", Autosave, std::nullopt, false},
        {"held: not a failure", Menu, kHeldWhileMoved, false},
        {"refused after a save", Menu, kFolderRefuses, true},
        {"and again", Autosave, kFolderRefuses, false},
    };
    Scene s;
    Started(s);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        s.log.Clear();
        s.pet.money += 1;
        if (step.failure) s.files.writeFailures.push_back(*step.failure);

        if (step.by == Autosave) s.rules.Timer(TimerMessage{kAutosaveTimerId, 0});
        else static_cast<PetSaver&>(s.rules).SaveChanges();

        std::vector<PortCall> expected{PortCall::FileWrite()};
        if (step.told) expected.push_back(PortCall::Notice(kFileError, kNotSaved));
        EXPECT_EQ(s.log.calls, expected);
    }
}

// ---- Petting ----

// Brings the pet behind the user's window: its left edge 3 pixels left of the pet's, seeking
// on the first tick, it arrives at once and hides 30 pixels further left, timer stopped.
void HideBehindWindow(Scene& s) {
    s.desktop.windowRects[kUserWindow] = Rect{297, 50, 700, 500};
    s.random.Add({1, 0});
    TickTimer(s);
    ASSERT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::Bottom, 270, 300));
    ASSERT_EQ(s.rules.walk().roamMode, RoamToWindow);
}

// Has the pet minimise the user's window: stress above 350 and the roll 1. It stands after.
void Halt(Scene& s) {
    const int32_t stress = s.pet.stress;
    s.pet.stress = 351;
    s.random.Add({0, 1});
    TickTimer(s);
    ASSERT_EQ(s.rules.walk().roamMode, RoamHalted);
    s.pet.stress = stress;
}

TEST(PetTest, PettingSqueaksCalmsWakesAndDrags) {
    enum class Before { Free, Hiding, Halted };
    struct Case {
        const char* name;
        int32_t stress;
        Before before;
        int32_t fastMove;
        int32_t stressAfter;
        int interval;
    };
    const Case cases[] = {
        {"stress 0 stays 0", 0, Before::Free, 0, 0, kSlow},
        {"stress 1 to 0", 1, Before::Free, 0, 0, kSlow},
        {"stress 250", 250, Before::Free, 0, 249, kSlow},
        {"stress 500", 500, Before::Free, 0, 499, kSlow},
        {"negative stress from a file becomes 0", -5, Before::Free, 0, 0, kSlow},
        {"the lowest stress a file can hold", INT32_MIN, Before::Free, 0, 0, kSlow},
        {"stress above 500 from a file drops by one", 900, Before::Free, 0, 899, kSlow},
        {"a hiding pet walks free again", 300, Before::Hiding, 0, 299, kSlow},
        {"a halted pet walks free again", 300, Before::Halted, 0, 299, kSlow},
        {"with FastMove the timer restarts fast", 10, Before::Hiding, 1, 9, kFast},
        {"FastMove holding 2 is off", 10, Before::Free, 2, 9, kSlow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        if (c.before == Before::Hiding) HideBehindWindow(s);
        if (c.before == Before::Halted) Halt(s);
        s.pet.stress = c.stress;
        s.pet.abilityOn[FastMove] = c.fastMove;
        const WalkState walkBefore = s.rules.walk();
        s.log.Clear();

        s.rules.LeftButtonDown();

        EXPECT_EQ(s.pet.stress, c.stressAfter);
        EXPECT_EQ(s.rules.walk().roamMode, RoamFree);
        // The pose and the spot stay until the next tick.
        EXPECT_EQ(s.rules.walk().FrameSlot(), walkBefore.FrameSlot());
        EXPECT_EQ(s.rules.walk().petX, walkBefore.petX);
        EXPECT_EQ(s.log.calls, (std::vector<PortCall>{PortCall::Sound(kPetSound),
                                                      PortCall::StartTimer(PetTimer::Behaviour, c.interval),
                                                      PortCall::Drag()}));
    }
}

TEST(PetTest, EachPressLowersStressByOne) {
    Scene s;
    s.pet.stress = 3;
    for (int32_t expected : {2, 1, 0, 0}) {
        s.rules.LeftButtonDown();
        EXPECT_EQ(s.pet.stress, expected);
    }
    EXPECT_EQ(s.log.Count(Kind::PlaySoundEffect), 4u);
}

// ---- The care menu and the icon ----

TEST(PetTest, CareMenuStopsThePetShowsItWhereTheLastTickLeftItAndOnlyOkStartsItAgain) {
    enum class Before { OneStepEast, TwoStepsEast, Hiding, Halted };
    struct Case {
        const char* name;
        int32_t showOff;
        Before before;
        bool ok;
        int32_t fastMoveChosenInMenu;  // FastMove as the menu leaves it
        std::vector<PortCall> expected;
    };
    const PortCall stop = PortCall::StopTimer(PetTimer::Behaviour);
    const Case cases[] = {
        // One step east from 326: shown in its second walking phase at 330.
        {"OK", 0, Before::OneStepEast, true, 0,
         {stop, PortCall::Apply(5), PortCall::Place(ZOrder::NoTopMost, 330, 200), PortCall::CareMenu(),
          PortCall::StartTimer(PetTimer::Behaviour, kSlow)}},
        {"ended by the quit request", 0, Before::OneStepEast, false, 0,
         {stop, PortCall::Apply(5), PortCall::Place(ZOrder::NoTopMost, 330, 200), PortCall::CareMenu()}},
        {"ShowOff places it topmost", 1, Before::TwoStepsEast, true, 0,
         {stop, PortCall::Apply(4), PortCall::Place(ZOrder::TopMost, 334, 200), PortCall::CareMenu(),
          PortCall::StartTimer(PetTimer::Behaviour, kSlow)}},
        {"ShowOff holding 2 is off", 2, Before::TwoStepsEast, true, 0,
         {stop, PortCall::Apply(4), PortCall::Place(ZOrder::NoTopMost, 334, 200), PortCall::CareMenu(),
          PortCall::StartTimer(PetTimer::Behaviour, kSlow)}},
        {"FastMove switched on in the menu", 0, Before::OneStepEast, true, 1,
         {stop, PortCall::Apply(5), PortCall::Place(ZOrder::NoTopMost, 330, 200), PortCall::CareMenu(),
          PortCall::StartTimer(PetTimer::Behaviour, kFast)}},
        // Hidden behind a window: shown again at petX, 30 pixels right of where it hid.
        {"a hiding pet", 0, Before::Hiding, true, 0,
         {stop, PortCall::Apply(8), PortCall::Place(ZOrder::NoTopMost, 300, 300), PortCall::CareMenu(),
          PortCall::StartTimer(PetTimer::Behaviour, kSlow)}},
        {"a halted pet, menu quit", 0, Before::Halted, false, 1,
         {stop, PortCall::Apply(8), PortCall::Place(ZOrder::NoTopMost, 300, 300), PortCall::CareMenu()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.abilityOn[ShowOff] = c.showOff;
        switch (c.before) {
            case Before::OneStepEast:
            case Before::TwoStepsEast:
                s.window.SetPetAt(326, 200);
                for (int step = c.before == Before::OneStepEast ? 1 : 2; step > 0; --step) {
                    s.random.Add({0, 0, 0, 0});
                    TickTimer(s);
                }
                break;
            case Before::Hiding: HideBehindWindow(s); break;
            case Before::Halted: Halt(s); break;
        }
        s.window.SetPetAt(0, 0);  // moved meanwhile without a tick: the menu goes by the walk
        s.pet.stress = 123;
        const RoamMode mode = s.rules.walk().roamMode;
        s.window.careMenuOk = c.ok;
        s.window.whileCareMenuOpen = [&] { s.pet.abilityOn[FastMove] = c.fastMoveChosenInMenu; };
        s.log.Clear();

        s.rules.RightButtonDown();

        EXPECT_EQ(s.log.calls, c.expected);
        EXPECT_EQ(s.rules.walk().roamMode, mode);
        EXPECT_EQ(s.pet.stress, 123);
    }
}

// The care menu shows the pet where it stands when no tick has placed it since it was put there:
// before the first tick, and after its monitor's scale changed while its timer was stopped.
TEST(PetTest, CareMenuShowsThePetWhereItWasPutWithoutATick) {
    {
        SCOPED_TRACE("before the first tick");
        Scene s;
        s.window.SetPetAt(700, 500);
        s.rules.Start();
        s.log.Clear();
        s.rules.TrayNotify(TrayEvent::LeftButtonUp);
        EXPECT_EQ(s.log.CallsOf(PortCall::Kind::PlacePet),
                  std::vector<PortCall>{PortCall::Place(ZOrder::NoTopMost, 700, 500)});
    }
    {
        SCOPED_TRACE("after a change of scale while halted");
        Scene s;
        Started(s);
        s.window.SetPetAt(300, 300);
        Halt(s);
        s.rules.DpiChanged(144, Rect{600, 400, 700, 500});
        const std::vector<PortCall> resized = s.log.CallsOf(PortCall::Kind::SetRect);
        ASSERT_EQ(resized.size(), 1u);
        s.log.Clear();
        s.rules.RightButtonDown();
        EXPECT_EQ(s.log.CallsOf(PortCall::Kind::PlacePet),
                  std::vector<PortCall>{
                      PortCall::Place(ZOrder::NoTopMost, resized[0].rect.left, resized[0].rect.top)});
    }
}

// A whole click on the icon opens the care menu, as a right click on the pet does: the
// release of either button, or the shell's own notice of a click when it sends one (after the
// release). While the menu is open the same click brings it to the front. A press, a double
// click or a move does nothing, open menu or not.
TEST(PetTest, AClickOnTheIconOpensTheCareMenuOnItsReleaseOrBringsTheOpenOneToTheFront) {
    struct Case {
        const char* name;
        TrayEvent event;
        bool opens;
    };
    const Case cases[] = {
        {"left button up", TrayEvent::LeftButtonUp, true},
        {"right button up", TrayEvent::RightButtonUp, true},
        {"the shell's select (left click or Enter)", TrayEvent::Select, true},
        {"the shell's context menu (right click or the menu key)", TrayEvent::ContextMenu, true},
        {"left button down", TrayEvent::LeftButtonDown, false},
        {"right button down", TrayEvent::RightButtonDown, false},
        {"left double click", TrayEvent::LeftDoubleClick, false},
        {"a move and the rest", TrayEvent::Other, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpensCareMenu(c.event), c.opens);
        {
            Scene s;
            s.rules.TrayNotify(c.event);
            EXPECT_EQ(s.log.Count(Kind::RunCareMenu), c.opens ? 1u : 0u);
            if (!c.opens) EXPECT_TRUE(s.log.calls.empty());
        }
        {
            SCOPED_TRACE("while the menu is open");
            Scene s;
            std::vector<PortCall> inside;
            s.window.whileCareMenuOpen = [&] {
                const std::size_t before = s.log.calls.size();
                s.rules.TrayNotify(c.event);
                inside.assign(s.log.calls.begin() + static_cast<std::ptrdiff_t>(before), s.log.calls.end());
            };
            s.rules.RightButtonDown();
            const std::vector<PortCall> expected =
                c.opens ? std::vector<PortCall>{PortCall::BringCareMenuToFront()} : std::vector<PortCall>{};
            EXPECT_EQ(inside, expected);
            EXPECT_EQ(s.log.Count(Kind::RunCareMenu), 1u);
        }
    }
}

// A click on the icon or the pet while the menu is open (its modal loop still delivers them)
// opens no second menu but brings the open one to the front; once the menu has closed, the
// next click opens one again.
TEST(PetTest, OneCareMenuAtATime) {
    Scene s;
    int opened = 0;
    int open = 0;  // menus open at once
    s.window.whileCareMenuOpen = [&] {
        ++opened;
        if (++open > 1) {
            ADD_FAILURE() << "a second menu opened inside the first";
            --open;
            return;
        }
        const std::size_t before = s.log.calls.size();
        s.rules.TrayNotify(TrayEvent::LeftButtonUp);
        s.rules.TrayNotify(TrayEvent::Select);
        s.rules.RightButtonDown();
        const std::vector<PortCall> inside(s.log.calls.begin() + static_cast<std::ptrdiff_t>(before),
                                           s.log.calls.end());
        EXPECT_EQ(inside, std::vector<PortCall>(3, PortCall::BringCareMenuToFront()))
            << "a second menu touched the window";
        --open;
    };

    s.rules.RightButtonDown();
    s.rules.TrayNotify(TrayEvent::LeftButtonUp);

    EXPECT_EQ(opened, 2);
    EXPECT_EQ(s.log.Count(Kind::RunCareMenu), 2u);
    EXPECT_EQ(s.log.Count(Kind::StartTimer), 2u);
}

// ---- Calling the pet ----

// Called back by a second start, the pet comes wherever it was: centred on the cursor on the
// work area under it, in front of the windows (topmost with ShowOff), in the walking frame of
// its heading, and walks free from there. While the care menu is open, the menu keeps the timer.
TEST(PetTest, ACalledBackPetComesToTheCursorInFrontAndWalksFree) {
    enum class Before { Free, Hiding, Halted, InCareMenu };
    struct Case {
        const char* name;
        Before before;
        int dpi;
        Point cursor;
        std::vector<Rect> workAreas;
        bool showOff;
        bool goodLuck;
        bool fastMove;
        Point corner;
        ZOrder z;
        int slot;
    };
    const std::vector<Rect> screen{{0, 0, 1024, 728}};  // a taskbar 40 high at the bottom
    const std::vector<Rect> two{{0, 0, 1024, 728}, {1024, 0, 1824, 600}};
    const Case cases[] = {
        {"walking free", Before::Free, 96, {500, 400}, screen, false, false, false, {470, 370}, ZOrder::Top, kSlotRight},
        {"hidden behind a window", Before::Hiding, 96, {500, 400}, screen, false, false, false, {470, 370},
         ZOrder::Top, kSlotRight},
        {"left standing", Before::Halted, 96, {500, 400}, screen, false, false, false, {470, 370}, ZOrder::Top,
         kSlotRight},
        {"the care menu open", Before::InCareMenu, 96, {500, 400}, screen, false, false, false, {470, 370},
         ZOrder::Top, kSlotRight},
        {"showing off: topmost", Before::Free, 96, {500, 400}, screen, true, false, false, {470, 370},
         ZOrder::TopMost, kSlotRight},
        {"with good luck", Before::Hiding, 96, {500, 400}, screen, false, true, false, {470, 370}, ZOrder::Top,
         kSlotLucky},
        {"fast", Before::Hiding, 96, {500, 400}, screen, false, false, true, {470, 370}, ZOrder::Top, kSlotRight},
        {"twice the size", Before::Free, 192, {500, 400}, screen, false, false, false, {440, 340}, ZOrder::Top,
         kSlotRight},
        {"in the top-left corner", Before::Free, 96, {3, 2}, screen, false, false, false, {0, 0}, ZOrder::Top,
         kSlotRight},
        {"on the taskbar", Before::Free, 96, {1020, 760}, screen, false, false, false, {964, 668}, ZOrder::Top,
         kSlotRight},
        {"on the second monitor", Before::Free, 96, {1800, 590}, two, false, false, false, {1764, 540}, ZOrder::Top,
         kSlotRight},
        {"on the first monitor's right edge", Before::Free, 96, {1023, 100}, two, false, false, false, {964, 70},
         ZOrder::Top, kSlotRight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.window.dpi = c.dpi;
        Started(s);
        s.pet.abilityOn[ShowOff] = c.showOff ? 1 : 0;
        s.pet.abilityOn[GoodLuck] = c.goodLuck ? 1 : 0;
        s.pet.abilityOn[FastMove] = c.fastMove ? 1 : 0;
        if (c.before == Before::Hiding) HideBehindWindow(s);
        if (c.before == Before::Halted) Halt(s);
        s.desktop.cursor = c.cursor;
        s.desktop.workAreas = c.workAreas;
        s.log.Clear();
        std::vector<PortCall> calls;
        if (c.before == Before::InCareMenu) {
            s.window.careMenuOk = false;
            s.window.whileCareMenuOpen = [&] {
                s.log.Clear();
                s.rules.CalledBack();
                calls = s.log.calls;
            };
            s.rules.RightButtonDown();
        } else {
            s.rules.CalledBack();
            calls = s.log.calls;
        }

        std::vector<PortCall> expected{{.kind = Kind::CursorPos}, {.kind = Kind::WorkAreas}, PortCall::Apply(c.slot),
                                       PortCall::Place(c.z, c.corner.x, c.corner.y)};
        if (c.before != Before::InCareMenu) {
            expected.push_back(PortCall::StartTimer(PetTimer::Behaviour, c.fastMove ? kFast : kSlow));
        }
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(s.rules.walk().roamMode, RoamFree);
        EXPECT_EQ(s.rules.walk().petX, c.corner.x);
        EXPECT_EQ(s.rules.walk().petY, c.corner.y);
        if (c.before == Before::InCareMenu) continue;

        // The next tick walks on from there, freely: one step along its heading, east.
        s.random.Add({0, 0, 0, 0});
        TickTimer(s);
        const int32_t step = 4 * (c.dpi / 96);
        EXPECT_EQ(s.log.LastAction(), PortCall::Place(c.showOff ? ZOrder::TopMost : ZOrder::NoTopMost,
                                                      c.corner.x + step, c.corner.y));
    }
}

// ---- A change of DPI ----

// New frames only when the whole-number scale changes, the frame of the moment shaped again
// from them; the window takes their size centred where it stood (not the system's suggestion,
// which assumes proportional scaling), and the walk goes on at the frames' scale from there.
TEST(PetTest, ADpiChangeReloadsFramesOnlyWhenTheScaleChangesAndKeepsThePetCentred) {
    struct Case {
        const char* name;
        int startDpi;
        int newDpi;
        int scale;     // after the change
        bool reloads;
        Point corner;  // of a pet that stood at (500, 200)
    };
    const Case cases[] = {
        {"96 to 120: still 1", 96, 120, 1, false, {500, 200}},
        {"96 to 144", 96, 144, 2, true, {470, 170}},
        {"96 to 288", 96, 288, 3, true, {440, 140}},
        {"144 to 168: still 2", 144, 168, 2, false, {500, 200}},
        {"144 to 192: still 2", 144, 192, 2, false, {500, 200}},
        {"192 to 96", 192, 96, 1, true, {530, 230}},
        {"the same dpi again", 144, 144, 2, false, {500, 200}},
    };
    const Rect suggested{600, 300, 675, 375};  // neither the frames' size nor where the pet goes
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.window.dpi = c.startDpi;
        Started(s);
        s.random.Add({0, 0, 0, 0});
        TickTimer(s);  // one step east: the frame of the moment is the second phase, 5
        ASSERT_EQ(s.rules.FrameSlot(), 5);
        s.window.SetPetAt(500, 200);
        s.log.Clear();

        s.rules.DpiChanged(c.newDpi, suggested);

        // Asked where the pet is and the monitors; not the cursor, as no drag is under way.
        std::vector<PortCall> expected{{.kind = Kind::PetRect}, {.kind = Kind::Monitors}};
        if (c.reloads) expected.insert(expected.end(), {PortCall::LoadFrames(c.scale), PortCall::Apply(5)});
        expected.push_back(PortCall::SetRect(SquareAt(c.corner, 60 * c.scale)));
        EXPECT_EQ(s.log.calls, expected);
        EXPECT_EQ(s.rules.walk().scale, c.scale);
        EXPECT_EQ(s.rules.FrameSlot(), 5);

        // The next step east is 4 pixels times the new scale, from the new corner.
        s.random.Add({0, 0, 0, 0});
        TickTimer(s);
        EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, c.corner.x + 4 * c.scale, c.corner.y));
    }
}

// The monitors the desktop reports decide: a pet pulled into the corner of a short monitor at
// 150 % would hang mostly off it, centred, and moves on onto it.
TEST(PetTest, ADpiChangePutsThePetMostlyOnTheMonitorWhoseDpiItTook) {
    Scene s;
    s.desktop.monitors = {{Rect{0, 0, 1920, 1080}, 96}, {Rect{1920, 0, 2720, 600}, 144}};
    Started(s);
    s.window.SetPetAt(1900, 560);
    s.log.Clear();

    s.rules.DpiChanged(144, Rect{1900, 560, 1990, 650});

    EXPECT_EQ(s.log.CallsOf(Kind::SetRect), std::vector<PortCall>{PortCall::SetRect({1885, 515, 2005, 635})});
}

// While the user drags the pet the cursor is asked too, and the point the pet is held by
// stays under it; once the drag is over, a change no longer asks for the cursor.
TEST(PetTest, ADpiChangeWhileDraggedKeepsTheGrabPointUnderTheCursor) {
    Scene s;
    Started(s);
    s.window.SetPetAt(400, 300);
    s.desktop.cursor = Point{410, 350};
    std::vector<PortCall> inside;
    s.window.whileDragged = [&] {
        const std::size_t before = s.log.calls.size();
        s.rules.DpiChanged(144, Rect{});
        inside.assign(s.log.calls.begin() + static_cast<std::ptrdiff_t>(before), s.log.calls.end());
    };

    s.rules.LeftButtonDown();

    const std::vector<PortCall> expected{{.kind = Kind::PetRect},       {.kind = Kind::Monitors},
                                         {.kind = Kind::CursorPos},     PortCall::LoadFrames(2),
                                         PortCall::Apply(s.rules.FrameSlot()), PortCall::SetRect({390, 250, 510, 370})};
    EXPECT_EQ(inside, expected);

    s.log.Clear();
    s.rules.DpiChanged(96, Rect{});
    EXPECT_EQ(s.log.Count(Kind::CursorPos), 0u);
}

// ---- The end ----

// The icon removed and the frames released, then the pet written however it was left; a save
// that failed told in a notice of its own. A file that could not be read is never written.
TEST(PetTest, DestroyRemovesTheIconReleasesTheFramesThenSaves) {
    struct Case {
        const char* name;
        LoadResult file;
        std::vector<WriteReport> failures;
        std::size_t writes;
        bool told;
    };
    const std::vector<WriteReport> busyEachTime(5, kHeldWhileMoved);
    const Case cases[] = {
        {"saved", LoadResult::Loaded, {}, 1, false},
        {"held for a moment, then saved", LoadResult::Loaded, {kHeldWhileMoved, kHeldWhileMoved}, 3, false},
        {"held each time", LoadResult::Loaded, busyEachTime, 5, true},
        {"failed", LoadResult::Loaded, {kFolderRefuses}, 1, true},
        {"a new pet over a refused file", LoadResult::Rejected, {}, 1, false},
        {"a first pet", LoadResult::NoFile, {}, 1, false},
        {"an unreadable file is left as it was", LoadResult::Unreadable, {}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        PetState saved;
        saved.money = 3456;
        if (c.file == LoadResult::Loaded) PutOnFile(s, saved);
        if (c.file == LoadResult::Rejected) s.files.files[s.SavePath()] = "31306\r\r\n";
        if (c.file == LoadResult::Unreadable) {
            PutOnFile(s, saved);
            s.files.unreadableReads = 1'000'000;
        }
        s.rules.Start();
        const std::map<std::wstring, std::string> filesBefore = s.files.files;
        s.files.writeFailures.assign(c.failures.begin(), c.failures.end());
        s.log.Clear();

        s.rules.Destroy();

        std::vector<PortCall> expected{PortCall::RemoveTrayIcon(), PortCall::ReleaseFrames()};
        expected.insert(expected.end(), c.writes, PortCall::FileWrite());
        if (c.told) expected.push_back(PortCall::Notice(kFileError, kNotSaved));
        EXPECT_EQ(s.log.calls, expected);
        const bool written = c.writes > 0 && !c.told;
        if (written) {
            EXPECT_EQ(OnFile(s), s.pet);
        } else {
            EXPECT_EQ(s.files.files, filesBefore);
        }
    }
}

// Windows may end the process after the end of the session without destroying the window:
// the pet is written then, unchanged or not, and nothing is shown.
TEST(PetTest, TheEndOfTheSessionWritesThePetAndShowsNothing) {
    struct Case {
        const char* name;
        std::vector<WriteReport> failures;
        std::size_t writes;
    };
    const Case cases[] = {
        {"saved", {}, 1},
        {"failed", {kFolderRefuses}, 1},
        {"held for a moment", {kHeldWhileMoved}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        Started(s);
        const PetState before = s.pet;
        s.files.writeFailures.assign(c.failures.begin(), c.failures.end());

        s.rules.EndSession();

        EXPECT_EQ(s.log.calls, std::vector<PortCall>(c.writes, PortCall::FileWrite()));
        EXPECT_EQ(s.pet, before);
        if (c.failures.empty() || c.failures.back() == kHeldWhileMoved) {
            EXPECT_EQ(OnFile(s), before);
        }
    }
}

}  // namespace
}  // namespace pomki
