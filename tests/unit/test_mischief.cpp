// The five tricks and the pet's lines, acted out against a recording desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string_view>
#include <vector>

#include "fake_pet_port.h"
#include "core/pet/behaviour.h"
#include "core/pet/mischief.h"

namespace pomki {
namespace {

using testing::FakePetPort;
using testing::PortCall;
using testing::ScriptedRandom;

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
        Behaviour behaviour;
        behaviour.petX = c.pet.x;
        behaviour.petY = c.pet.y;
        behaviour.frameBase = 4;
        behaviour.framePhase = 1;
        FakePetPort port;
        ScriptedRandom random{c.r1, c.r2, c.r3, c.r4};

        ShootScreen(behaviour, port, random);

        EXPECT_EQ(port.Actions(),
                  (std::vector<PortCall>{PortCall::Apply(11),
                                         PortCall::Place(ZOrder::TopMost, c.pet.x, c.pet.y),
                                         PortCall::Mark(c.mark.x, c.mark.y), PortCall::Sound(105),
                                         PortCall::Hold(0.1)}));
        EXPECT_EQ(behaviour.frameBase, 11);
        EXPECT_EQ(behaviour.framePhase, 0);
        EXPECT_EQ(random.moduli, (std::vector<int>{10, 10, 10, 10}));
    }
}

TEST(ShootVolley, FiresTwentyShotsAroundTheUnchangedPetPosition) {
    Behaviour behaviour;
    behaviour.petX = 400;
    behaviour.petY = 250;
    behaviour.framePhase = 1;
    FakePetPort port;
    ScriptedRandom random;
    std::vector<int> draws;
    for (int i = 0; i < 80; ++i) draws.push_back((i * 7 + 3) % 10);
    random.Add(draws);

    ShootVolley(behaviour, port, random);

    std::vector<PortCall> expected{PortCall::Apply(12), PortCall::Place(ZOrder::TopMost, 400, 250)};
    for (int shot = 0; shot < 20; ++shot) {
        const int* r = &draws[static_cast<std::size_t>(shot * 4)];  // r1, r2, r3, r4
        expected.push_back(PortCall::Mark(400 + 60 * (r[0] - r[2]), 250 + 60 * (r[1] - r[3])));
        expected.push_back(PortCall::Sound(105));
        expected.push_back(PortCall::Hold(0.1));
    }
    EXPECT_EQ(port.Actions(), expected);
    EXPECT_EQ(port.Count(PortCall::Kind::DrawShotMark), 20u);
    EXPECT_EQ(port.Count(PortCall::Kind::PlaySoundEffect), 20u);
    EXPECT_EQ(behaviour.FrameSlot(), 12);
    EXPECT_TRUE(random.AllUsed());
    EXPECT_EQ(random.moduli, std::vector<int>(80, 10));
}

TEST(GrumbleBox, GrumblesThenShowsTextAndCaptionOfTheSameRow) {
    for (int k = 0; k < 10; ++k) {
        SCOPED_TRACE(::testing::Message() << "k " << k);
        FakePetPort port;
        ScriptedRandom random{k};
        GrumbleBox(port, random);
        const BoxLine& line = boxLines[static_cast<std::size_t>(k)];
        EXPECT_EQ(port.Actions(),
                  (std::vector<PortCall>{PortCall::Sound(103), PortCall::Box(line.text, line.caption)}));
        EXPECT_EQ(random.moduli, std::vector<int>{10});
    }
}

TEST(RetitleWindow, GivesTheUsersWindowTheDrawnTitleThenSqueaks) {
    for (int k = 0; k < 10; ++k) {
        SCOPED_TRACE(::testing::Message() << "k " << k);
        FakePetPort port;
        ScriptedRandom random{k};
        RetitleWindow(kUserWindow, port, random);
        EXPECT_EQ(port.Actions(),
                  (std::vector<PortCall>{PortCall::Retitle(kUserWindow, titleLines[static_cast<std::size_t>(k)]),
                                         PortCall::Sound(104)}));
        EXPECT_EQ(random.moduli, std::vector<int>{10});
    }
}

TEST(MinimiseWindow, MinimisesStopsTheTimerAndStrikesFivePoses) {
    Behaviour behaviour;
    behaviour.petX = 640;
    behaviour.petY = 480;
    behaviour.frameBase = 2;
    behaviour.framePhase = 1;
    behaviour.roamMode = RoamToWindow;
    FakePetPort port;
    ScriptedRandom random;

    MinimiseWindow(kUserWindow, behaviour, port);

    // Poses: slot, sound, hold = (8, 101, 0.1), (1, 106, 0.3), (8, 106, 0.3),
    // (1, 106, 0.3), (8, 106, 0.3); each topmost at the pet's position.
    struct Pose {
        int slot;
        int sound;
        double hold;
    };
    const Pose poses[] = {{8, 101, 0.1}, {1, 106, 0.3}, {8, 106, 0.3}, {1, 106, 0.3}, {8, 106, 0.3}};
    std::vector<PortCall> expected{PortCall::StopTimer(), PortCall::Minimise(kUserWindow)};
    for (const Pose& pose : poses) {
        expected.push_back(PortCall::Apply(pose.slot));
        expected.push_back(PortCall::Place(ZOrder::TopMost, 640, 480));
        expected.push_back(PortCall::Sound(pose.sound));
        expected.push_back(PortCall::Hold(pose.hold));
    }
    EXPECT_EQ(port.Actions(), expected);
    EXPECT_EQ(behaviour.roamMode, RoamHalted);
    EXPECT_EQ(behaviour.frameBase, 8);
    EXPECT_EQ(behaviour.framePhase, 0);
    EXPECT_TRUE(random.moduli.empty());
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
