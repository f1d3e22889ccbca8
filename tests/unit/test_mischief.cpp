// The five tricks and the pet's lines, acted out against a recording pet window and desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <set>
#include <string_view>
#include <vector>

#include "fake_ports.h"
#include "core/pet/behaviour.h"
#include "core/pet/mischief.h"

namespace pomki {
namespace {

using testing::PortCall;
using testing::Scene;

constexpr WindowRef kUserWindow = 7;

TEST(ShootScreen, StrikesTheGunPoseAndMarksTheScreenAroundThePet) {
    // The mark lands at (petX + 60 * (r1 - r3), petY + 60 * (r2 - r4)).
    struct Case {
        int r1, r2, r3, r4;
        Point pet;
        Point mark;
    };
    const Case cases[] = {
        {0, 0, 0, 0, {100, 200}, {100, 200}},
        {5, 5, 5, 5, {100, 200}, {100, 200}},
        {9, 0, 0, 9, {100, 200}, {640, -340}},
        {0, 9, 9, 0, {100, 200}, {-440, 740}},
        {3, 5, 1, 2, {-30, 10}, {90, 190}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.r1 << c.r2 << c.r3 << c.r4);
        Scene s;
        s.walk.petX = c.pet.x;
        s.walk.petY = c.pet.y;
        s.walk.frameBase = 4;
        s.walk.framePhase = 1;
        s.random.Add({c.r1, c.r2, c.r3, c.r4});

        ShootScreen(s.walk, s.ports);

        EXPECT_EQ(s.log.Actions(),
                  (std::vector<PortCall>{PortCall::Apply(11),
                                         PortCall::Place(ZOrder::TopMost, c.pet.x, c.pet.y),
                                         PortCall::Mark(c.mark.x, c.mark.y), PortCall::Sound(105),
                                         PortCall::Hold(0.1)}));
        EXPECT_EQ(s.walk.frameBase, 11);
        EXPECT_EQ(s.walk.framePhase, 0);
        EXPECT_EQ(s.random.moduli, (std::vector<int>{10, 10, 10, 10}));
    }
}

TEST(ShootScreen, MarksSpreadTimesThePixelScaleAroundThePet) {
    Scene s;
    s.walk.petX = 1000;
    s.walk.petY = 500;
    s.walk.scale = 2;
    s.random.Add({9, 0, 0, 9});  // r1 - r3 = 9, r2 - r4 = -9
    ShootScreen(s.walk, s.ports);
    EXPECT_EQ(s.log.CallsOf(PortCall::Kind::DrawShotMark),
              (std::vector<PortCall>{PortCall::Mark(1000 + 1080, 500 - 1080)}));
}

TEST(ShootVolley, FiresTwentyShotsAroundTheUnchangedPetPosition) {
    Scene s;
    s.walk.petX = 400;
    s.walk.petY = 250;
    s.walk.framePhase = 1;
    std::vector<int> draws;
    for (int i = 0; i < 80; ++i) draws.push_back((i * 7 + 3) % 10);
    s.random.Add(draws);

    ShootVolley(s.walk, s.ports);

    std::vector<PortCall> expected{PortCall::Apply(12), PortCall::Place(ZOrder::TopMost, 400, 250)};
    for (int shot = 0; shot < 20; ++shot) {
        const int* r = &draws[static_cast<std::size_t>(shot * 4)];  // r1, r2, r3, r4
        expected.push_back(PortCall::Mark(400 + 60 * (r[0] - r[2]), 250 + 60 * (r[1] - r[3])));
        expected.push_back(PortCall::Sound(105));
        expected.push_back(PortCall::Hold(0.1));
    }
    EXPECT_EQ(s.log.Actions(), expected);
    EXPECT_EQ(s.log.Count(PortCall::Kind::DrawShotMark), 20u);
    EXPECT_EQ(s.log.Count(PortCall::Kind::PlaySoundEffect), 20u);
    EXPECT_EQ(s.walk.FrameSlot(), 12);
    EXPECT_TRUE(s.random.AllUsed());
    EXPECT_EQ(s.random.moduli, std::vector<int>(80, 10));
}

// The pet's lines, written out here as the user reads them; row k is the one drawn as k.
struct BoxRow {
    std::wstring_view text;
    std::wstring_view caption;
};
constexpr BoxRow kBoxRows[] = {
    {L"おなかへったでしゅ", L"ごはんー"},
    {L"ひどいでしゅ\nどうぶつ虐待でしゅ", L"たべものくれないなんて"},
    {L"ほんとにいやでしゅ", L"もういやでしゅ"},
    {L"・・・。", L"・・・。"},
    {L"モブ太よりひどいでしゅね", L"ごはんぐらいくだしゃい"},
    {L"さみしーでしゅよー", L"あそんでくだしゃい"},
    {L"夕張めろんがたべたいでしゅ", L"牛丼つゆだくか"},
    {L"良いんでしゅか？", L"邪魔しましゅよ？"},
    {L"イライラ・・・", L"ムカムカ・・・。"},
    {L"むー！", L"むぅー！"},
};
constexpr std::wstring_view kTitles[] = {
    L"おなかへったでしゅ", L"どうぶつ虐待でしゅ", L"むかつきましゅ",     L"ケッ",
    L"相手にしてくだしゃい", L"さみしーでしゅよー", L"ピザがたべたいでしゅ", L"邪魔しましゅよ？",
    L"イライラ・・・",     L"むー！",
};

TEST(GrumbleBox, GrumblesThenShowsTextAndCaptionOfTheSameRow) {
    ASSERT_EQ(boxLines.size(), std::size(kBoxRows));
    for (int k = 0; k < 10; ++k) {
        SCOPED_TRACE(::testing::Message() << "k " << k);
        Scene s;
        s.random.Add({k});
        GrumbleBox(s.ports);
        const BoxRow& row = kBoxRows[k];
        EXPECT_EQ(s.log.Actions(),
                  (std::vector<PortCall>{PortCall::Sound(103), PortCall::Box(row.text, row.caption)}));
        EXPECT_EQ(s.random.moduli, std::vector<int>{10});
    }
}

TEST(RetitleWindow, GivesTheUsersWindowTheDrawnTitleThenSqueaks) {
    ASSERT_EQ(titleLines.size(), std::size(kTitles));
    for (int k = 0; k < 10; ++k) {
        SCOPED_TRACE(::testing::Message() << "k " << k);
        Scene s;
        s.random.Add({k});
        RetitleWindow(kUserWindow, s.ports);
        EXPECT_EQ(s.log.Actions(),
                  (std::vector<PortCall>{PortCall::Retitle(kUserWindow, kTitles[k]), PortCall::Sound(104)}));
        EXPECT_EQ(s.random.moduli, std::vector<int>{10});
    }
}

TEST(MinimiseWindow, MinimisesStopsTheTimerAndStrikesFivePoses) {
    Scene s;
    s.walk.petX = 640;
    s.walk.petY = 480;
    s.walk.frameBase = 2;
    s.walk.framePhase = 1;
    s.walk.roamMode = RoamToWindow;

    MinimiseWindow(kUserWindow, s.walk, s.ports, s.behaviourTimer);

    // Poses: slot, sound, hold = (8, 101, 0.1), (1, 106, 0.3), (8, 106, 0.3),
    // (1, 106, 0.3), (8, 106, 0.3); each topmost at the pet's position.
    struct Pose {
        int slot;
        int sound;
        double hold;
    };
    const Pose poses[] = {{8, 101, 0.1}, {1, 106, 0.3}, {8, 106, 0.3}, {1, 106, 0.3}, {8, 106, 0.3}};
    std::vector<PortCall> expected{PortCall::StopTimer(PetTimer::Behaviour), PortCall::Minimise(kUserWindow)};
    for (const Pose& pose : poses) {
        expected.push_back(PortCall::Apply(pose.slot));
        expected.push_back(PortCall::Place(ZOrder::TopMost, 640, 480));
        expected.push_back(PortCall::Sound(pose.sound));
        expected.push_back(PortCall::Hold(pose.hold));
    }
    EXPECT_EQ(s.log.Actions(), expected);
    EXPECT_EQ(s.walk.roamMode, RoamHalted);
    EXPECT_EQ(s.walk.frameBase, 8);
    EXPECT_EQ(s.walk.framePhase, 0);
    EXPECT_TRUE(s.random.moduli.empty());
}

TEST(SpeechLines, AreDistinctAndWrittenInFullWidthMarks) {
    // The lines use full-width "？" and "！"; a line break is one real line-feed character.
    std::vector<std::wstring_view> all;
    for (const BoxLine& line : boxLines) {
        all.push_back(line.text);
        all.push_back(line.caption);
    }
    all.insert(all.end(), titleLines.begin(), titleLines.end());
    for (const std::wstring_view line : all) {
        SCOPED_TRACE(testing::ToUtf8(line));
        EXPECT_FALSE(line.empty());
        EXPECT_EQ(line.find_first_of(L"?!\\"), std::wstring_view::npos);
    }
    EXPECT_EQ(std::count(boxLines[1].text.begin(), boxLines[1].text.end(), L'\n'), 1);
    for (std::size_t k = 0; k < boxLines.size(); ++k) {
        if (k != 1) {
            EXPECT_EQ(boxLines[k].text.find(L'\n'), std::wstring_view::npos) << k;
        }
    }

    std::set<std::wstring_view> boxTexts;
    for (const BoxLine& line : boxLines) boxTexts.insert(line.text);
    EXPECT_EQ(boxTexts.size(), boxLines.size());
    const std::set<std::wstring_view> titles(titleLines.begin(), titleLines.end());
    EXPECT_EQ(titles.size(), titleLines.size());
}

}  // namespace
}  // namespace pomki
