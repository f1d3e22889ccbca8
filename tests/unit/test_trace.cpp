// The trace and its replay: values written and read back word for word; a run of the core on
// fakes, traced through Program's decorators, replays; and the replay stops at the first call
// that differs from the trace, naming both, the line and the tick.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/app/program.h"
#include "core/care/care_menu.h"
#include "core/care/food_menu.h"
#include "core/trace/replay.h"
#include "core/trace/trace.h"
#include "core/trace/trace_text.h"
#include "fake_ports.h"

namespace pomki {
namespace {

using trace::Reader;
using trace::Words;

// ---- Words and readers ----

TEST(TraceTextTest, EveryKindOfValueReadsBackAsWritten) {
    const std::vector<int64_t> ints{0, 1, -1, 2147483647, -2147483648LL, std::numeric_limits<int64_t>::min()};
    for (const int64_t v : ints) {
        const std::string line = Words().Int(v).str();
        Reader r(line);
        EXPECT_EQ(r.Int(), v);
        EXPECT_TRUE(r.AtEnd());
    }
    for (const double v : {0.1, 0.3, 2.5, 1e-9}) {
        const std::string line = Words().Real(v).str();
        Reader r(line);
        EXPECT_EQ(r.Real(), v);
    }
    EXPECT_EQ(Words().Real(0.1).str(), "0.1");  // as a person would write it
    for (const uint64_t v : {uint64_t{0}, uint64_t{0x10052}, std::numeric_limits<uint64_t>::max()}) {
        const std::string line = Words().Hex(v).str();
        Reader r(line);
        EXPECT_EQ(r.Hex(), v);
    }
    const std::vector<std::wstring> texts{
        L"", L"むー！", L"ひどいでしゅ\nどうぶつ虐待でしゅ", L"a \"quoted\" = b {", L"back\\slash\ttab\r",
        std::wstring(L"\x0001\x001f\x007f", 3), L"\xD83D\xDC39",  // a pair of surrogates: one character
        L"\xD800 alone",                                          // a lone surrogate is kept as it is
    };
    for (const std::wstring& text : texts) {
        const std::string line = Words().Text(text).Int(7).str();
        Reader r(line);
        EXPECT_EQ(r.Text(), text);
        EXPECT_EQ(r.Int(), 7) << "the word after the text";
    }
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    for (const std::string& bytes : {std::string("31306\r\r\n5592\r\r\n"), everyByte}) {
        const std::string line = Words().Bytes(bytes).str();
        for (const char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "a byte written as it is: " << int(c);
        Reader r(line);
        EXPECT_EQ(r.Bytes(), bytes);
    }
    const std::string facts = Words().Rect(Rect{-30, 0, 1024, 768}).Point(Point{-2, 5}).Key("hung").Bool(true).str();
    EXPECT_EQ(facts, "-30,0,1024,768 -2,5 hung=1");
    Reader r(facts);
    EXPECT_EQ(r.Rect(), (Rect{-30, 0, 1024, 768}));
    EXPECT_EQ(r.Point(), (Point{-2, 5}));
    r.Key("hung");
    EXPECT_TRUE(r.Bool());
    EXPECT_TRUE(r.AtEnd());
}

TEST(TraceTextTest, MalformedWordsAreRefused) {
    const char* const bad[] = {"12x", "0x", "\"open", "\"bad \\q escape\"", "\"\\x4\"", "1,2,3", "-"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        Reader r(text);
        EXPECT_THROW(
            {
                const std::string_view word = Reader(text).Word();
                if (word.front() == '"') {
                    r.Text();
                } else if (word.find(',') != std::string_view::npos) {
                    r.Rect();
                } else if (word.starts_with("0x")) {
                    r.Hex();
                } else {
                    r.Int();
                }
            },
            trace::FormatError);
    }
}

// ---- A traced run of the core on fakes ----

class StringSink : public trace::TraceSink {
public:
    void WriteLine(std::string_view line) override {
        text += line;
        text += '\n';
    }
    std::string text;
};

class QuietCarePort : public CarePort {
public:
    void Show(const CareMenuView&) override {}
    void SetCheck(Ability, bool) override {}
    Point CursorPos() override { return Point{500, 400}; }
    void StartCursorWatch() override {}
    void StopCursorWatch() override {}
    void OpenClock() override {}
    void CloseClock() override {}
    void OpenSweep() override {}
    void CloseSweep() override {}
    void RunFoodMenu() override {
        if (whileFoodMenuOpen) whileFoodMenuOpen();
    }
    void Quit() override {}
    void Close(bool) override {}
    std::function<void()> whileFoodMenuOpen;
};

class QuietFoodPort : public FoodPort {
public:
    void Show(const FoodMenuView&) override {}
    void EnableFeed(bool) override {}
    void Close(bool) override {}
};

// A stressed pet with money, started from its file in a folder that takes no file (so it moves
// to the user's folder); ticks that shoot, grumble (a tick runs inside the box), seek; an
// autosave that fails; a second start's call; a care menu in which an ability is switched and
// tea is fed; the end.
std::string TracedRun() {
    testing::CallLog log;
    testing::FakePetWindow window(log);
    testing::FakeDesktop desktop(log);
    testing::ScriptedRandom random;
    testing::MemoryFileStore files;
    testing::FakeClock clock;
    StringSink sink;
    PetState onFile;
    onFile.stress = 450;
    onFile.money = 5000;
    onFile.level = 30;
    onFile.abilityUnlocked.fill(1);
    files.files[files.programFolder + kSaveFileName] = FormatSaveFile(onFile);
    files.probe = testing::kFolderRefuses;
    window.petWindow = 1;
    window.SetPetAt(300, 300);
    desktop.foreground = 2;
    desktop.windowRects[2] = Rect{100, 50, 700, 500};

    Program program(files, clock, &sink);
    PetEvents& pet = program.ConnectPet(window, desktop, random);
    QuietCarePort carePort;
    QuietFoodPort foodPort;
    pet.Start();
    random.Add({3, 5, 1, 2, 3, 4, 0, 0});  // a shot, then a random step
    pet.Timer(TimerMessage{1, 1000});
    random.Add({3, 33, 7});                  // a grumble box ...
    desktop.whileBoxOpen = [&] {
        random.Add({1, 20});                 // ... inside which a tick sets off for the window
        pet.Timer(TimerMessage{1, 1100});
    };
    pet.Timer(TimerMessage{1, 1050});
    desktop.whileBoxOpen = nullptr;
    files.writeFailures.push_back(testing::kFolderRefuses);
    pet.Timer(TimerMessage{2, 1200});  // the autosave timer: the save fails, and is told
    desktop.cursor = Point{700, 500};
    pet.CalledBack();
    desktop.monitors = {{Rect{0, 0, 1024, 768}, 96}, {Rect{1024, 0, 1824, 600}, 144}};
    pet.DpiChanged(144, Rect{300, 300, 390, 390});  // the pet's monitor now at 150 %
    window.whileCareMenuOpen = [&] {
        auto menu = program.ConnectCareMenu(carePort);
        pet.TrayNotify(TrayEvent::Select);  // a click on the icon while the menu is open
        menu->events().Open();
        menu->events().Toggle(FastMove);
        carePort.whileFoodMenuOpen = [&] {
            auto food = program.ConnectFoodMenu(foodPort);
            food->events().Open();
            food->events().Select(2);
            food->events().Feed();
            food->events().Destroyed();
        };
        menu->events().OpenFoodMenu();
        menu->events().Cancel();
        menu->events().Destroyed();
    };
    pet.TrayNotify(TrayEvent::LeftButtonUp);
    pet.Destroy();
    EXPECT_TRUE(random.AllUsed());
    return sink.text;
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(ReplayTest, ATracedRunReplays) {
    const std::string text = TracedRun();
    for (const char* expected : {"> pet.Start", "> pet.Timer 1 @1000", "  desk.ShowMessageBox \"", "  } desk.ShowMessageBox",
                                 "  win.RunCareMenu {", "> care.Toggle 1", "  care.RunFoodMenu {", "> food.Feed",
                                 "file.ReplaceAtomically", "} win.RunCareMenu = 1", "> pet.Destroy",
                                 "file.ProbeReplace \"D:\\\\pet\\\\pomki.dat\" = Temporary AccessDenied",
                                 "file.UserDataFolder = \"", "= Temporary AccessDenied\n  win.ShowNotice",
                                 "> pet.CalledBack", "win.PlacePet Top 670,470",
                                 "desk.Monitors = 0,0,1024,768 dpi=96 1024,0,1824,600 dpi=144",
                                 "win.BringCareMenuToFront"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    }
    const trace::ReplayOutcome outcome = trace::Replay(text);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_FALSE(outcome.cutShort);
    EXPECT_EQ(outcome.ticks, 3);
    EXPECT_EQ(outcome.events, 19);
}

TEST(ReplayTest, TheFirstDifferenceStopsTheReplayWithBothCallsTheLineAndTheTick) {
    const std::string text = TracedRun();
    struct Case {
        const char* name;
        std::string trace;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {"a draw answered otherwise: the walk goes elsewhere",
         Replace(text, "rand.Next 3 = 0\n", "rand.Next 3 = 1\n"),
         {"tick 1", "the core called\n    win.", "where the trace has\n    win."}},
        {"a step placed elsewhere", Replace(text, "win.PlacePet NoTopMost 304,300", "win.PlacePet NoTopMost 308,300"),
         {"tick 1", "win.PlacePet NoTopMost 304,300", "win.PlacePet NoTopMost 308,300"}},
        {"a call missing from the trace", Replace(text, "  desk.PlaySoundEffect 105\n", ""),
         {"the core called\n    desk.PlaySoundEffect 105"}},
        {"a call the core never makes", Replace(text, "> pet.Destroy\n", "> pet.Destroy\n  win.Show\n"),
         {"win.Show"}},
        {"a call after the event ended", text + "  win.Show\n",
         {"the core made no more calls for the event \"pet.Destroy\"", "win.Show"}},
        {"the box's end missing", Replace(text, "  } desk.ShowMessageBox", "  desk.ShowMessageBox"), {"ShowMessageBox"}},
        {"an answer that cannot be read", Replace(text, "win.PetRect = 300,300,360,360", "win.PetRect = 300,300"),
         {"cannot read the answer \"300,300\""}},
        {"an event of a menu that is not open", text + "> care.Ok\n", {"a care menu that is not open"}},
        {"a draw outside its range", Replace(text, "rand.Next 50 = 5", "rand.Next 50 = 50"), {"draws 50 from 0..49"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const trace::ReplayOutcome outcome = trace::Replay(c.trace);
        EXPECT_FALSE(outcome.ok) << c.trace;
        for (const std::string& part : c.said) EXPECT_NE(outcome.message.find(part), std::string::npos)
            << "\"" << part << "\" in: " << outcome.message;
        EXPECT_NE(outcome.message.find("line "), std::string::npos) << outcome.message;
    }
}

// A process killed in the middle of an event leaves a trace that ends there: every call it holds
// agrees, and the replay says where it ends.
TEST(ReplayTest, ATraceCutShortInsideAnEventAgreesUpToItsEnd) {
    const std::string text = TracedRun();
    const std::size_t cut = text.find("  win.ApplyFrameRegion", text.find("> pet.Timer 1 @1000"));
    ASSERT_NE(cut, std::string::npos);
    const trace::ReplayOutcome outcome = trace::Replay(text.substr(0, cut));
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_TRUE(outcome.cutShort);
    EXPECT_EQ(outcome.ticks, 1);
}

}  // namespace
}  // namespace pomki
