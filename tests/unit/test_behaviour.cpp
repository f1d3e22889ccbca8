// The behaviour tick against a recording pet window and desktop, and scripted draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_ports.h"
#include "core/pet/behaviour.h"
#include "core/pet/mischief.h"
#include "core/state/pet_state.h"

namespace pomki {
namespace {

using testing::kPetWindow;
using testing::kUserWindow;
using testing::PortCall;
using testing::Scene;
using Kind = PortCall::Kind;

// The pet's walking steps: heading -> (dx, dy) and the frameBase that the heading shows.
struct StepRule {
    int32_t dx;
    int32_t dy;
    int32_t frameBase;
};
constexpr std::array<StepRule, 8> kStepRule{{
    {4, 0, 4},    // 0 east
    {2, 2, 4},    // 1 south-east
    {0, 4, 0},    // 2 south
    {-2, 2, 0},   // 3 south-west
    {-4, 0, 2},   // 4 west
    {-2, -2, 2},  // 5 north-west
    {0, -4, 6},   // 6 north
    {2, -2, 6},   // 7 north-east
}};

// Which window the desktop reports in front.
enum class Front { UserWindow, PetWindow, None };

void SetFront(Scene& s, Front front) {
    s.desktop.foreground = front == Front::UserWindow ? kUserWindow
                           : front == Front::PetWindow ? kPetWindow
                                                       : WindowRef{0};
}

// ---- Tricks on the screen (judged by the stress from before the needs) ----

enum class ScreenAct { None, Shot, Grumble, Volley };

TEST(BehaviourTick, ScreenTricksFireAboveTheirStressOnTheirRollsUnlessGuarded) {
    struct Case {
        const char* name;
        int32_t stress;
        int32_t fullness;
        int mischiefRoll;
        int32_t noMischief1;
        int32_t mischiefGuard;
        int32_t cursorLead;
        ScreenAct expected;
    };
    const Case cases[] = {
        {"stress 200, roll 5 -> nothing", 200, 500, 5, 0, 0, 0, ScreenAct::None},
        {"stress 201, roll 5 -> one shot", 201, 500, 5, 0, 0, 0, ScreenAct::Shot},
        {"stress 201, roll 8 -> one shot", 201, 500, 8, 0, 0, 0, ScreenAct::Shot},
        {"stress 201, roll 6 -> nothing", 201, 500, 6, 0, 0, 0, ScreenAct::None},
        {"stress 500, roll 5, NoMischief1 -> nothing", 500, 500, 5, 1, 0, 0, ScreenAct::None},
        {"stress 500, roll 5, MischiefGuard -> shot", 500, 500, 5, 0, 1, 0, ScreenAct::Shot},
        {"stress 500, roll 5, NoMischief1 flag 2 is off -> shot", 500, 500, 5, 2, 0, 0,
         ScreenAct::Shot},
        {"stress 200 rising to 203 this tick, roll 5 -> nothing", 200, 0, 5, 0, 0, 0,
         ScreenAct::None},
        {"stress 201, roll 8, CursorLead -> shot", 201, 500, 8, 0, 0, 1, ScreenAct::Shot},
        {"stress 400, roll 33 -> nothing", 400, 500, 33, 0, 0, 0, ScreenAct::None},
        {"stress 401, roll 33 -> message box", 401, 500, 33, 0, 0, 0, ScreenAct::Grumble},
        {"stress 401, roll 5 -> shot", 401, 500, 5, 0, 0, 0, ScreenAct::Shot},
        {"stress 500, roll 33, MischiefGuard -> nothing", 500, 500, 33, 0, 1, 0, ScreenAct::None},
        {"stress 500, roll 33, NoMischief1 -> box", 500, 500, 33, 1, 0, 0, ScreenAct::Grumble},
        {"stress 500, roll 33, CursorLead -> box", 500, 500, 33, 0, 0, 1, ScreenAct::Grumble},
        {"stress 450, roll 4 -> nothing", 450, 500, 4, 0, 0, 0, ScreenAct::None},
        {"stress 451, roll 4 -> volley", 451, 500, 4, 0, 0, 0, ScreenAct::Volley},
        {"stress 500, roll 4, MischiefGuard -> nothing", 500, 500, 4, 0, 1, 0, ScreenAct::None},
        {"stress 500, roll 4, NoMischief1 -> volley", 500, 500, 4, 1, 0, 0, ScreenAct::Volley},
        {"stress 500, roll 4, CursorLead -> volley", 500, 500, 4, 0, 0, 1, ScreenAct::Volley},
        {"both guards, roll 5 -> nothing", 500, 500, 5, 1, 1, 0, ScreenAct::None},
        {"both guards, roll 33 -> nothing", 500, 500, 33, 1, 1, 0, ScreenAct::None},
        {"both guards, roll 4 -> nothing", 500, 500, 4, 1, 1, 0, ScreenAct::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.stress = c.stress;
        s.pet.fullness = c.fullness;
        s.pet.abilityOn[NoMischief1] = c.noMischief1;
        s.pet.abilityOn[MischiefGuard] = c.mischiefGuard;
        s.pet.abilityOn[CursorLead] = c.cursorLead;
        s.walk.roamMode = RoamHalted;  // no walking draws after the trick
        s.random.Add({0, c.mischiefRoll});
        // A shot draws four numbers, a volley four per shot, the box one.
        if (c.expected == ScreenAct::Shot) s.random.Add(std::vector<int>(4, 0));
        if (c.expected == ScreenAct::Volley) s.random.Add(std::vector<int>(80, 0));
        if (c.expected == ScreenAct::Grumble) s.random.Add({0});

        s.Tick();

        const std::size_t marks = c.expected == ScreenAct::Shot     ? 1
                                  : c.expected == ScreenAct::Volley ? 20
                                                                    : 0;
        EXPECT_EQ(s.log.Count(Kind::DrawShotMark), marks);
        EXPECT_EQ(s.log.Count(Kind::ShowMessageBox), c.expected == ScreenAct::Grumble ? 1u : 0u);
        EXPECT_TRUE(s.random.AllUsed()) << s.random.Remaining() << " draws left";
    }
}

// ---- Tricks on the user's window and the choice of walk ----

enum class Trick { None, Retitle, Minimise };
enum class Walk { None, Random, Seek, Cursor };

TEST(BehaviourTick, WindowTricksAndRoamingFollowTheFirstRuleThatApplies) {
    struct Case {
        const char* name;
        int32_t stress;
        int32_t fullness;
        int wanderRoll;
        int mischiefRoll;
        int32_t noMischief1;
        int32_t mischiefGuard;
        int32_t cursorLead;
        Front front;
        RoamMode startMode;
        Trick trick;
        Walk walk;
        RoamMode endMode;
    };
    using F = Front;
    const Case cases[] = {
        {"stress 150, roll 25 -> no title", 150, 500, 0, 25, 0, 0, 0, F::UserWindow, RoamFree,
         Trick::None, Walk::Random, RoamFree},
        {"stress 151, roll 25 -> retitle, then walks", 151, 500, 0, 25, 0, 0, 0, F::UserWindow,
         RoamFree, Trick::Retitle, Walk::Random, RoamFree},
        {"stress 151, roll 40 -> retitle", 151, 500, 0, 40, 0, 0, 0, F::UserWindow, RoamFree,
         Trick::Retitle, Walk::Random, RoamFree},
        {"stress 150 rising to 151 this tick, roll 25 -> retitle", 150, 150, 0, 25, 0, 0, 0,
         F::UserWindow, RoamFree, Trick::Retitle, Walk::Random, RoamFree},
        {"stress 151, roll 25, NoMischief1 -> no title", 151, 500, 0, 25, 1, 0, 0, F::UserWindow,
         RoamFree, Trick::None, Walk::Random, RoamFree},
        {"stress 151, roll 25, MischiefGuard -> retitle", 151, 500, 0, 25, 0, 1, 0, F::UserWindow,
         RoamFree, Trick::Retitle, Walk::Random, RoamFree},
        {"stress 151, roll 25, pet in front -> no title", 151, 500, 0, 25, 0, 0, 0, F::PetWindow,
         RoamFree, Trick::None, Walk::Random, RoamFree},
        {"stress 151, roll 25, CursorLead -> no title, mode kept", 151, 500, 0, 25, 0, 0, 1,
         F::UserWindow, RoamToWindow, Trick::None, Walk::Cursor, RoamToWindow},
        {"stress 151, roll 25, nothing in front -> no title", 151, 500, 0, 25, 0, 0, 0, F::None,
         RoamFree, Trick::None, Walk::Random, RoamFree},
        {"stress 151, roll 25 while seeking -> retitle, no step", 151, 500, 0, 25, 0, 0, 0,
         F::UserWindow, RoamToWindow, Trick::Retitle, Walk::None, RoamToWindow},
        {"stress 350, roll 1 -> no minimise", 350, 500, 0, 1, 0, 0, 0, F::UserWindow, RoamFree,
         Trick::None, Walk::Random, RoamFree},
        {"stress 351, roll 1 -> minimise, halted", 351, 500, 0, 1, 0, 0, 0, F::UserWindow,
         RoamFree, Trick::Minimise, Walk::None, RoamHalted},
        {"stress 350 rising to 351 this tick, roll 1 -> minimise", 350, 150, 0, 1, 0, 0, 0,
         F::UserWindow, RoamFree, Trick::Minimise, Walk::None, RoamHalted},
        {"stress 351, roll 1, MischiefGuard -> no minimise", 351, 500, 0, 1, 0, 1, 0,
         F::UserWindow, RoamFree, Trick::None, Walk::Random, RoamFree},
        {"stress 351, roll 1, NoMischief1 -> minimise", 351, 500, 0, 1, 1, 0, 0, F::UserWindow,
         RoamFree, Trick::Minimise, Walk::None, RoamHalted},
        {"stress 351, roll 1, pet in front -> no minimise", 351, 500, 0, 1, 0, 0, 0, F::PetWindow,
         RoamHalted, Trick::None, Walk::Random, RoamFree},
        {"stress 351, roll 1, CursorLead -> no minimise", 351, 500, 0, 1, 0, 0, 1, F::UserWindow,
         RoamFree, Trick::None, Walk::Cursor, RoamFree},
        {"stress 351, roll 1, nothing in front -> no minimise", 351, 500, 0, 1, 0, 0, 0, F::None,
         RoamFree, Trick::None, Walk::Random, RoamFree},
        {"stress 500, roll 1, wander 1 -> minimise beats seeking", 500, 500, 1, 1, 0, 0, 0,
         F::UserWindow, RoamFree, Trick::Minimise, Walk::None, RoamHalted},
        {"stress 500, roll 25, wander 1 -> retitle beats seeking", 500, 500, 1, 25, 0, 0, 0,
         F::UserWindow, RoamFree, Trick::Retitle, Walk::Random, RoamFree},
        {"wander 1 -> starts seeking", 0, 500, 1, 0, 0, 0, 0, F::UserWindow, RoamFree,
         Trick::None, Walk::Seek, RoamToWindow},
        {"wander 2 -> random walk", 0, 500, 2, 0, 0, 0, 0, F::UserWindow, RoamFree, Trick::None,
         Walk::Random, RoamFree},
        {"wander 1, pet in front -> random walk", 0, 500, 1, 0, 0, 0, 0, F::PetWindow, RoamFree,
         Trick::None, Walk::Random, RoamFree},
        {"wander 1, CursorLead -> follows the cursor", 0, 500, 1, 0, 0, 0, 1, F::UserWindow,
         RoamFree, Trick::None, Walk::Cursor, RoamFree},
        {"wander 1, nothing in front -> random walk", 0, 500, 1, 0, 0, 0, 0, F::None, RoamFree,
         Trick::None, Walk::Random, RoamFree},
        {"seeking goes on", 0, 500, 0, 0, 0, 0, 0, F::UserWindow, RoamToWindow, Trick::None,
         Walk::Seek, RoamToWindow},
        {"seeking, nothing in front -> stands, mode kept", 0, 500, 0, 0, 0, 0, 0, F::None,
         RoamToWindow, Trick::None, Walk::None, RoamToWindow},
        {"seeking, pet in front -> free again", 0, 500, 0, 0, 0, 0, 0, F::PetWindow, RoamToWindow,
         Trick::None, Walk::Random, RoamFree},
        {"halted stays halted", 0, 500, 0, 0, 0, 0, 0, F::UserWindow, RoamHalted, Trick::None,
         Walk::None, RoamHalted},
        {"halted, wander 1 -> seeking", 0, 500, 1, 0, 0, 0, 0, F::UserWindow, RoamHalted,
         Trick::None, Walk::Seek, RoamToWindow},
        {"halted, pet in front -> free again", 0, 500, 0, 0, 0, 0, 0, F::PetWindow, RoamHalted,
         Trick::None, Walk::Random, RoamFree},
        {"halted, CursorLead -> follows, mode kept", 0, 500, 0, 0, 0, 0, 1, F::UserWindow,
         RoamHalted, Trick::None, Walk::Cursor, RoamHalted},
        {"halted, nothing in front -> stands", 0, 500, 1, 0, 0, 0, 0, F::None, RoamHalted,
         Trick::None, Walk::None, RoamHalted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.stress = c.stress;
        s.pet.fullness = c.fullness;
        s.pet.abilityOn[NoMischief1] = c.noMischief1;
        s.pet.abilityOn[MischiefGuard] = c.mischiefGuard;
        s.pet.abilityOn[CursorLead] = c.cursorLead;
        SetFront(s, c.front);
        s.walk.roamMode = c.startMode;
        s.desktop.cursor = {500, 500};  // south-east of the pet's centre
        s.random.Add({c.wanderRoll, c.mischiefRoll});
        if (c.trick == Trick::Retitle) s.random.Add({3});
        if (c.walk == Walk::Random) s.random.Add({0, 0});  // no turn: keeps heading east

        s.Tick();

        const auto retitles = s.log.CallsOf(Kind::Retitle);
        ASSERT_EQ(retitles.size(), c.trick == Trick::Retitle ? 1u : 0u);
        if (!retitles.empty()) {
            EXPECT_EQ(retitles[0], PortCall::Retitle(kUserWindow, titleLines[3]));
        }
        const auto minimised = s.log.CallsOf(Kind::Minimise);
        ASSERT_EQ(minimised.size(), c.trick == Trick::Minimise ? 1u : 0u);
        if (!minimised.empty()) {
            EXPECT_EQ(minimised[0], PortCall::Minimise(kUserWindow));
        }

        // Random walk east: +4; seeking the edge at 100: -4; cursor south-east: +2, +2.
        const Point expected = c.walk == Walk::Random ? Point{304, 300}
                               : c.walk == Walk::Seek ? Point{296, 300}
                               : c.walk == Walk::Cursor ? Point{302, 302}
                                                        : Point{300, 300};
        EXPECT_EQ(s.walk.petX, expected.x);
        EXPECT_EQ(s.walk.petY, expected.y);
        EXPECT_EQ(s.log.Count(Kind::WindowRect), c.walk == Walk::Seek ? 1u : 0u);
        EXPECT_EQ(s.walk.roamMode, c.endMode);
        EXPECT_TRUE(s.random.AllUsed()) << s.random.Remaining() << " draws left";
    }
}

// ---- Needs and money ----

// A pet that stands (and plays no trick) only earns and hungers in a tick.
void MakeStanding(Scene& s) { s.walk.roamMode = RoamHalted; }

TEST(BehaviourTick, HungerLowersFullnessAndRaisesStressWithinLimits) {
    struct Case {
        int32_t fullness;
        int32_t stress;
        int32_t expectFullness;
        int32_t expectStress;
    };
    const Case cases[] = {
        {0, 0, 0, 3},           // floor 0; below 200, 100 and 50
        {0, 499, 0, 500},       // stops at 500, not 502
        {0, 500, 0, 500},
        {0, 498, 0, 500},
        {-5, 0, 0, 3},          // a negative fullness is set to 0
        {INT32_MIN, 0, 0, 3},
        {1, 10, 0, 13},
        {200, 0, 199, 1},       // 199 < 200
        {201, 0, 200, 0},       // 200 is not below 200
        {100, 0, 99, 2},
        {101, 0, 100, 1},
        {50, 0, 49, 3},
        {51, 0, 50, 2},
        {1000, 7, 999, 7},
        {2000, 500, 1999, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "fullness " << c.fullness << ", stress " << c.stress);
        Scene s;
        MakeStanding(s);
        s.pet.fullness = c.fullness;
        s.pet.stress = c.stress;
        s.random.Add({0, 0});
        s.Tick();
        EXPECT_EQ(s.pet.fullness, c.expectFullness);
        EXPECT_EQ(s.pet.stress, c.expectStress);
    }
}

TEST(BehaviourTick, AStarvingPetGainsThreeStressPerTickUpToFiveHundred) {
    Scene s;
    MakeStanding(s);
    s.pet.fullness = 0;
    for (int tick = 1; tick <= 200; ++tick) {
        s.random.Add({0, 0});
        s.Tick();
        ASSERT_EQ(s.pet.stress, std::min(3 * tick, 500)) << "after tick " << tick;
        ASSERT_EQ(s.pet.fullness, 0);
    }
}

TEST(BehaviourTick, MoneyGrowsByOneTwoFourOrFiveAndStopsAtTheLargestSavable) {
    struct Case {
        int32_t doubleMoney;
        int32_t lotsOfMoney;
        int32_t money;
        int32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0, 1},
        {1, 0, 0, 2},
        {0, 1, 0, 4},
        {1, 1, 0, 5},
        {2, 2, 10, 11},  // a flag counts only when it holds exactly 1
        {1, 1, -3, 2},
        {0, 0, kMoneyMax - 1, kMoneyMax},
        {0, 0, kMoneyMax, kMoneyMax},
        {1, 1, kMoneyMax - 2, kMoneyMax},
        {1, 1, kMoneyMax - 5, kMoneyMax},
        {1, 1, kMoneyMax - 6, kMoneyMax - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "double " << c.doubleMoney << ", lots "
                                          << c.lotsOfMoney << ", money " << c.money);
        Scene s;
        MakeStanding(s);
        s.pet.abilityOn[DoubleMoney] = c.doubleMoney;
        s.pet.abilityOn[LotsOfMoney] = c.lotsOfMoney;
        s.pet.money = c.money;
        s.random.Add({0, 0});
        s.Tick();
        EXPECT_EQ(s.pet.money, c.expected);
    }
}

// ---- The random walk ----

TEST(RandomWalk, EachHeadingStepsAndShowsItsFrames) {
    for (int32_t heading = 0; heading < 8; ++heading) {
        SCOPED_TRACE(::testing::Message() << "heading " << heading);
        Scene s;
        s.walk.heading = heading;
        s.random.Add({0, 0, 0, 0});  // p = 0: no turn
        s.Tick();
        const StepRule& rule = kStepRule[static_cast<std::size_t>(heading)];
        EXPECT_EQ(s.walk.heading, heading);
        EXPECT_EQ(s.walk.frameBase, rule.frameBase);
        EXPECT_EQ(s.log.Actions(),
                  (std::vector<PortCall>{PortCall::Apply(rule.frameBase),
                                         PortCall::Place(ZOrder::NoTopMost, 300 + rule.dx,
                                                         300 + rule.dy)}));
        EXPECT_EQ(s.random.moduli, (std::vector<int>{20, 50, 3, 3}));
    }
}

TEST(RandomWalk, TurnsOneEighthOnlyWhenPIsOneAndWrapsAround) {
    struct Case {
        int32_t heading;
        int p;
        int q;
        int32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0}, {0, 0, 2, 0}, {0, 2, 0, 0}, {0, 2, 2, 0},
        {3, 1, 0, 2}, {3, 1, 1, 3}, {3, 1, 2, 4},
        {0, 1, 0, 7},  // below 0 wraps to 7
        {7, 1, 2, 0},  // above 7 wraps to 0
        {7, 1, 0, 6}, {0, 1, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "heading " << c.heading << ", p " << c.p << ", q " << c.q);
        Scene s;
        s.walk.heading = c.heading;
        s.random.Add({0, 0, c.p, c.q});
        s.Tick();
        EXPECT_EQ(s.walk.heading, c.expected);
        const StepRule& rule = kStepRule[static_cast<std::size_t>(c.expected)];
        EXPECT_EQ(s.walk.petX, 300 + rule.dx);
        EXPECT_EQ(s.walk.petY, 300 + rule.dy);
    }
}

TEST(RandomWalk, KeepsThePetsCentreOnTheScreen) {
    // Screen 800 x 600: the corner stays within -30..770 and -30..570.
    struct Case {
        int32_t x;
        int32_t y;
        int32_t heading;
        int32_t expectX;
        int32_t expectY;
    };
    const Case cases[] = {
        {770, 100, 0, 770, 100},   // at W - 30 heading east
        {768, 100, 0, 770, 100},
        {766, 100, 0, 770, 100},   // lands exactly on the bound
        {765, 100, 0, 769, 100},
        {769, 569, 1, 770, 570},   // both bounds at once
        {100, 570, 2, 100, 570},   // at H - 30 heading south
        {-30, 100, 4, -30, 100},   // at -30 heading west
        {100, -30, 6, 100, -30},   // at -30 heading north
        {-29, -29, 5, -30, -30},
        {-29, 569, 3, -30, 570},
        {900, 900, 2, 770, 570},   // dropped off the screen: pulled back in
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "(" << c.x << ", " << c.y << ") heading " << c.heading);
        Scene s;
        s.desktop.screen = {800, 600};
        s.window.SetPetAt(c.x, c.y);
        s.walk.heading = c.heading;
        s.random.Add({0, 0, 0, 0});
        s.Tick();
        EXPECT_EQ(s.walk.petX, c.expectX);
        EXPECT_EQ(s.walk.petY, c.expectY);
        EXPECT_EQ(s.walk.heading, c.heading);  // no turn at a bound
        EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, c.expectX, c.expectY));
    }
}

TEST(RandomWalk, TreadsOnTheSpotAgainstAnEdgeAlternatingItsFrames) {
    Scene s;
    s.desktop.screen = {800, 600};
    s.window.SetPetAt(770, 200);
    std::vector<int> slots;
    for (int tick = 0; tick < 4; ++tick) {
        s.random.Add({0, 0, 0, 0});
        s.Tick();
        EXPECT_EQ(s.walk.petX, 770);
    }
    for (const PortCall& call : s.log.CallsOf(Kind::ApplyFrameRegion)) slots.push_back(call.number);
    EXPECT_EQ(slots, (std::vector<int>{4, 5, 4, 5}));
}

TEST(RandomWalk, ReadsTheScreenSizeAtEveryStep) {
    Scene s;
    s.window.SetPetAt(790, 200);
    s.desktop.screen = {1024, 768};
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.walk.petX, 794);
    s.desktop.screen = {800, 600};
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.walk.petX, 770);
}

TEST(BehaviourTick, ADraggedPetWalksOnFromWhereItWasDropped) {
    Scene s;
    s.walk.petX = 10;  // where the last step left it
    s.walk.petY = 10;
    s.window.SetPetAt(500, 400);  // where the user dropped it
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.walk.petX, 504);
    EXPECT_EQ(s.walk.petY, 400);
}

// ---- Following the cursor ----

TEST(CursorLead, WalksDiagonallyTowardTheCursorWithoutScreenBounds) {
    struct Case {
        const char* name;
        Point pet;
        Point cursor;
        int32_t oldHeading;
        int32_t expected;
    };
    const Case cases[] = {
        {"right and below", {300, 300}, {331, 331}, 0, 1},
        {"right and above", {300, 300}, {331, 329}, 0, 7},
        {"left and below", {300, 300}, {329, 331}, 0, 3},
        {"left and above", {300, 300}, {329, 329}, 0, 5},
        {"far left and below", {300, 300}, {0, 700}, 0, 3},
        {"x difference zero keeps heading", {300, 300}, {330, 500}, 6, 6},
        {"y difference zero keeps heading", {300, 300}, {500, 330}, 4, 4},
        {"centre on the cursor keeps heading", {300, 300}, {330, 330}, 2, 2},
        {"off the top-left of the screen", {-30, -30}, {-100, -100}, 0, 5},
        {"off the bottom-right of the screen", {1000, 750}, {2000, 2000}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.abilityOn[CursorLead] = 1;
        s.window.SetPetAt(c.pet.x, c.pet.y);
        s.desktop.cursor = c.cursor;
        s.walk.heading = c.oldHeading;
        s.random.Add({0, 0});
        s.Tick();
        const StepRule& rule = kStepRule[static_cast<std::size_t>(c.expected)];
        EXPECT_EQ(s.walk.heading, c.expected);
        EXPECT_EQ(s.walk.cursorPoint, c.cursor);
        EXPECT_EQ(s.log.Actions(),
                  (std::vector<PortCall>{PortCall::Apply(rule.frameBase),
                                         PortCall::Place(ZOrder::NoTopMost, c.pet.x + rule.dx,
                                                         c.pet.y + rule.dy)}));
        EXPECT_EQ(s.walk.framePhase, 1);
        EXPECT_EQ(s.log.Count(Kind::WorkAreas), 0u);
        EXPECT_TRUE(s.random.AllUsed());
    }
}

TEST(CursorLead, ThePetsCentreStaysWithinAStepOfAStillCursor) {
    Scene s;
    s.pet.abilityOn[CursorLead] = 1;
    s.desktop.cursor = {412, 377};
    for (int tick = 0; tick < 200; ++tick) {
        s.random.Add({0, 0});
        s.Tick();
    }
    const int32_t centreX = s.walk.petX + 30;
    const int32_t centreY = s.walk.petY + 30;
    EXPECT_LE(std::abs(centreX - 412), 4);
    EXPECT_LE(std::abs(centreY - 377), 4);
}

// ---- Seeking the user's window ----

TEST(WindowSeeking, StepsLevelTowardTheLeftEdgeAndHidesOnArrival) {
    struct Case {
        const char* name;
        int32_t petX;
        Rect window;
        bool arrives;
        int32_t expectX;  // after a step
        int32_t expectHeading;
    };
    const Case cases[] = {
        {"edge 1 left of the pet -> arrives", 300, {299, 0, 900, 900}, true, 300, 2},
        {"edge 4 left of the pet -> arrives", 300, {296, 0, 900, 900}, true, 300, 2},
        {"edge 5 left of the pet -> steps west", 300, {295, 0, 900, 900}, false, 296, 4},
        {"edge at the pet -> steps east", 300, {300, 0, 900, 900}, false, 304, 0},
        {"edge far left -> steps west", 300, {40, 0, 200, 200}, false, 296, 4},
        {"edge to the right -> steps east", 300, {700, 0, 900, 900}, false, 304, 0},
        {"window far below the pet -> arrives all the same", 300, {297, 700, 400, 768}, true,
         300, 2},
        // Windows off the pet's monitor, or too near its left edge, are not sought at all
        // (test_screen_bounds.cpp, and MonitorsTick below).
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.abilityOn[GoodLuck] = 1;  // plays no part in this walk
        s.window.SetPetAt(c.petX, 300);
        s.desktop.windowRects[kUserWindow] = c.window;
        s.walk.roamMode = RoamToWindow;
        s.walk.heading = 2;
        s.walk.framePhase = 1;
        s.random.Add({0, 0});
        s.Tick();

        EXPECT_EQ(s.walk.roamMode, RoamToWindow);
        EXPECT_EQ(s.walk.petY, 300);
        EXPECT_EQ(s.walk.heading, c.expectHeading);
        if (c.arrives) {
            EXPECT_EQ(s.log.Actions(),
                      (std::vector<PortCall>{PortCall::StopTimer(PetTimer::Behaviour), PortCall::Apply(8),
                                             PortCall::Place(ZOrder::Bottom, c.petX - 30, 300)}));
            EXPECT_EQ(s.walk.petX, c.petX);
            EXPECT_EQ(s.walk.frameBase, 8);
            EXPECT_EQ(s.walk.framePhase, 0);
        } else {
            const int32_t base = c.expectHeading == 4 ? 2 : 4;
            EXPECT_EQ(s.log.Actions(),
                      (std::vector<PortCall>{PortCall::Apply(base + 1),
                                             PortCall::Place(ZOrder::NoTopMost, c.expectX, 300)}));
            EXPECT_EQ(s.walk.petX, c.expectX);
            EXPECT_EQ(s.walk.frameBase, base);
            EXPECT_EQ(s.walk.framePhase, 0);  // flipped from 1
        }
        EXPECT_TRUE(s.random.AllUsed());
    }
}

TEST(WindowSeeking, EndsWithTheLeftEdgeOneToFourPixelsRightOfTheWindowEdge) {
    constexpr int32_t kEdge = 300;
    struct Case {
        int32_t startX;
        int32_t firstStepX;
    };
    const Case cases[] = {
        {300, 304},  // exactly at the edge: first steps right once
        {301, 301},  // already arrived
        {304, 304},
        {305, 301},
        {333, 329},
        {250, 254},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "starting at " << c.startX);
        Scene s;
        s.window.SetPetAt(c.startX, 300);
        s.desktop.windowRects[kUserWindow] = Rect{kEdge, 0, 900, 900};
        int ticks = 0;
        while (s.log.Count(Kind::StopTimer) == 0 && ticks < 100) {
            s.random.Add({1, 0});
            s.Tick();
            if (ticks == 0) {
                EXPECT_EQ(s.walk.petX, c.firstStepX);
            }
            ++ticks;
        }
        ASSERT_EQ(s.log.Count(Kind::StopTimer), 1u);
        EXPECT_GE(s.walk.petX - kEdge, 1);
        EXPECT_LE(s.walk.petX - kEdge, 4);
        EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::Bottom, s.walk.petX - 30, 300));
    }
}

// ---- Frames and placement ----

TEST(BehaviourTick, GoodLuckShowsTheLuckyPairInRandomWalkAndCursorLeadOnly) {
    struct Case {
        const char* name;
        Walk walk;
        int32_t goodLuck;
        int32_t heading;
        int32_t expectBase;
    };
    const Case cases[] = {
        {"random walk south", Walk::Random, 0, 2, 0},
        {"random walk south, GoodLuck", Walk::Random, 1, 2, 9},
        {"random walk north, GoodLuck", Walk::Random, 1, 6, 9},
        {"random walk east, GoodLuck flag 2", Walk::Random, 2, 0, 4},
        {"cursor lead, GoodLuck", Walk::Cursor, 1, 0, 9},
        {"cursor lead", Walk::Cursor, 0, 0, 4},  // cursor south-east: heading 1
        {"seeking west, GoodLuck", Walk::Seek, 1, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.abilityOn[GoodLuck] = c.goodLuck;
        s.walk.heading = c.heading;
        if (c.walk == Walk::Cursor) {
            s.pet.abilityOn[CursorLead] = 1;
            s.desktop.cursor = {500, 500};
        }
        if (c.walk == Walk::Seek) s.walk.roamMode = RoamToWindow;
        std::vector<int> slots;
        for (int tick = 0; tick < 2; ++tick) {
            s.random.Add({0, 0});
            if (c.walk == Walk::Random) s.random.Add({0, 0});
            s.Tick();
        }
        for (const PortCall& call : s.log.CallsOf(Kind::ApplyFrameRegion)) slots.push_back(call.number);
        EXPECT_EQ(slots, (std::vector<int>{c.expectBase, c.expectBase + 1}));
    }
}

TEST(BehaviourTick, WalkingStepsUseTheShowOffPlacementAndArrivalTheBottom) {
    struct Case {
        const char* name;
        Walk walk;
        int32_t showOff;
        int32_t windowLeft;
        ZOrder expected;
    };
    const Case cases[] = {
        {"random walk", Walk::Random, 0, 100, ZOrder::NoTopMost},
        {"random walk, ShowOff", Walk::Random, 1, 100, ZOrder::TopMost},
        {"random walk, ShowOff flag 2", Walk::Random, 2, 100, ZOrder::NoTopMost},
        {"cursor lead, ShowOff", Walk::Cursor, 1, 100, ZOrder::TopMost},
        {"cursor lead", Walk::Cursor, 0, 100, ZOrder::NoTopMost},
        {"seeking, ShowOff", Walk::Seek, 1, 100, ZOrder::TopMost},
        {"seeking", Walk::Seek, 0, 100, ZOrder::NoTopMost},
        {"arrival, ShowOff", Walk::Seek, 1, 298, ZOrder::Bottom},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.abilityOn[ShowOff] = c.showOff;
        s.desktop.windowRects[kUserWindow] = Rect{c.windowLeft, 0, 900, 900};
        if (c.walk == Walk::Cursor) s.pet.abilityOn[CursorLead] = 1;
        if (c.walk == Walk::Seek) s.walk.roamMode = RoamToWindow;
        s.random.Add({0, 0});
        if (c.walk == Walk::Random) s.random.Add({0, 0});
        s.Tick();
        const auto places = s.log.CallsOf(Kind::PlacePet);
        ASSERT_EQ(places.size(), 1u);
        EXPECT_EQ(places[0].z, c.expected);
    }
}

TEST(BehaviourTick, AShotTickStrikesThePoseThenWalksInPhaseZero) {
    // Stress 201 and roll 5 fire one shot; the walk then replaces the gun pose.
    Scene s;
    s.pet.stress = 201;
    s.walk.framePhase = 1;
    s.random.Add({0, 5, 7, 2, 1, 9, 0, 0});
    s.Tick();
    EXPECT_EQ(s.log.Actions(),
              (std::vector<PortCall>{PortCall::Apply(11), PortCall::Place(ZOrder::TopMost, 300, 300),
                                     PortCall::Mark(300 + 60 * (7 - 1), 300 + 60 * (2 - 9)),
                                     PortCall::Sound(105), PortCall::Hold(0.1), PortCall::Apply(4),
                                     PortCall::Place(ZOrder::NoTopMost, 304, 300)}));
    EXPECT_EQ(s.walk.framePhase, 1);
    EXPECT_EQ(s.random.moduli, (std::vector<int>{20, 50, 10, 10, 10, 10, 3, 3}));
    EXPECT_EQ(s.pet.money, 1);
    EXPECT_EQ(s.pet.fullness, 499);
}

TEST(BehaviourTick, DrawsTheTwoRollsFirstThenWhatTheActsAndStepsNeed) {
    struct Case {
        const char* name;
        int32_t stress;
        int32_t cursorLead;
        RoamMode mode;
        std::vector<int> script;
        std::vector<int> moduli;
    };
    std::vector<int> volleyScript{0, 4};
    std::vector<int> volleyModuli{20, 50};
    volleyScript.insert(volleyScript.end(), 80, 3);
    volleyModuli.insert(volleyModuli.end(), 80, 10);
    volleyScript.insert(volleyScript.end(), {0, 0});
    volleyModuli.insert(volleyModuli.end(), {3, 3});
    const Case cases[] = {
        {"random walk", 0, 0, RoamFree, {0, 0, 0, 0}, {20, 50, 3, 3}},
        {"seeking", 0, 0, RoamToWindow, {0, 0}, {20, 50}},
        {"standing", 0, 0, RoamHalted, {0, 0}, {20, 50}},
        {"cursor lead", 0, 1, RoamFree, {0, 0}, {20, 50}},
        {"shot while following", 300, 1, RoamFree, {0, 8, 1, 2, 3, 4}, {20, 50, 10, 10, 10, 10}},
        {"message box, then walk", 401, 0, RoamFree, {0, 33, 9, 0, 0}, {20, 50, 10, 3, 3}},
        {"retitle, then walk", 200, 0, RoamFree, {0, 40, 5, 1, 1}, {20, 50, 10, 3, 3}},
        {"minimise", 400, 0, RoamFree, {0, 1}, {20, 50}},
        {"volley, then walk", 500, 0, RoamFree, volleyScript, volleyModuli},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.pet.stress = c.stress;
        s.pet.abilityOn[CursorLead] = c.cursorLead;
        s.walk.roamMode = c.mode;
        s.random.Add(c.script);
        s.Tick();
        EXPECT_EQ(s.random.moduli, c.moduli);
        EXPECT_TRUE(s.random.AllUsed());
    }
}

TEST(BehaviourTick, TicksWhileTheMessageBoxIsOpenChangeTheSamePet) {
    // Stress 401 and roll 33 open the box; two ticks run inside it; the outer tick then goes
    // on with its needs and its walking step from where the inner ticks left the pet.
    Scene s;
    s.pet.stress = 401;
    s.pet.fullness = 10;  // each tick: fullness - 1 and stress + 3
    int innerTicks = 0;
    s.desktop.whileBoxOpen = [&] {
        for (int i = 0; i < 2; ++i) {
            ++innerTicks;
            s.Tick();
        }
    };
    s.random.Add({0, 33, 4});   // outer rolls and the box line
    s.random.Add({0, 0, 0, 0});  // inner tick 1: walk east
    s.random.Add({0, 0, 0, 0});  // inner tick 2: walk east
    s.random.Add({0, 0});        // outer walk east
    s.Tick();
    EXPECT_EQ(innerTicks, 2);
    EXPECT_EQ(s.pet.fullness, 7);
    EXPECT_EQ(s.pet.stress, 410);
    EXPECT_EQ(s.pet.money, 3);
    EXPECT_EQ(s.walk.petX, 312);
    EXPECT_EQ(s.log.CallsOf(Kind::ShowMessageBox).at(0),
              PortCall::Box(boxLines[4].text, boxLines[4].caption));
    EXPECT_TRUE(s.random.AllUsed());
}

TEST(BehaviourTick, NoSecondMessageBoxOpensWhileOneIsOpen) {
    // Both ticks roll 33 at stress 401: the inner one, running while the box is open, opens no
    // box of its own and draws no line; once the box is closed, the next grumble opens one.
    Scene s;
    s.pet.stress = 401;
    s.pet.fullness = 1000;
    int innerTicks = 0;
    s.desktop.whileBoxOpen = [&] {
        if (innerTicks++ == 0) s.Tick();
    };
    s.random.Add({0, 33, 4});  // outer rolls and the box line
    s.random.Add({0, 33, 0, 0});  // inner tick: rolls, then its walk east; no line drawn
    s.random.Add({0, 0});  // outer walk east
    s.Tick();
    EXPECT_EQ(innerTicks, 1);
    EXPECT_EQ(s.log.Count(Kind::ShowMessageBox), 1u);
    EXPECT_TRUE(s.random.AllUsed());

    s.random.Add({0, 33, 7, 0, 0});  // a later tick: the box is closed, so it grumbles again
    s.Tick();
    ASSERT_EQ(s.log.Count(Kind::ShowMessageBox), 2u);
    EXPECT_EQ(s.log.CallsOf(Kind::ShowMessageBox).back(), PortCall::Box(boxLines[7].text, boxLines[7].caption));
    EXPECT_TRUE(s.random.AllUsed());
}

TEST(BehaviourTick, MinimisingStopsTheTimerAndLeavesThePetStanding) {
    // Stress 351, roll 1: the user's window is minimised; the next tick takes no step.
    Scene s;
    s.pet.stress = 351;
    s.random.Add({0, 1});
    s.Tick();
    EXPECT_EQ(s.log.Count(Kind::StopTimer), 1u);
    EXPECT_EQ(s.walk.roamMode, RoamHalted);
    EXPECT_EQ(s.walk.FrameSlot(), 8);
    s.log.calls.clear();
    s.random.Add({0, 0});
    s.Tick();
    EXPECT_TRUE(s.log.Actions().empty());
    EXPECT_TRUE(s.random.AllUsed());
}

// ---- Scaled displays and several monitors ----

// Two monitors side by side as Windows reports them: a 1920 x 1080 primary with a 40-pixel
// taskbar at the bottom, and a 1280 x 1024 one to its right, 200 pixels lower, with its
// taskbar on the left. The user's window stands on the primary.
void OnTwoMonitors(Scene& s) {
    s.desktop.workAreas = {{0, 0, 1920, 1040}, {1980, 200, 3200, 1224}};
    s.desktop.windowRects[kUserWindow] = Rect{300, 100, 1200, 800};
}

// Frames loaded at this pixel scale: the window takes their size, and the walk its scale.
void AtScale(Scene& s, int scale) {
    s.walk.scale = scale;
    s.window.frameScale = scale;
}

TEST(ScaledTick, EveryLengthOfTheWalkIsTimesTheScale) {
    // A random step east at scale 2 is 8 pixels, and the pet is held 60 pixels past an edge.
    Scene s;
    OnTwoMonitors(s);
    AtScale(s, 2);
    s.window.SetPetAt(1000, 500);
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.walk.scale, 2);
    EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, 1008, 500));

    s.window.SetPetAt(1856, 500);
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, 1860, 500));

    // South-west diagonal: (-4, +4).
    s.window.SetPetAt(1000, 500);
    s.walk.heading = 3;
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, 996, 504));
}

TEST(ScaledTick, SeekingStepsArrivalAndHidingOffsetAreTimesTheScale) {
    struct Case {
        int scale;
        int32_t petX;
        bool arrives;
        int32_t placedX;
    };
    const Case cases[] = {
        {2, 400, false, 392},  // edge at 300: a step of 8
        {2, 309, true, 249},   // 9 right of the edge: within 10, hides 60 further left
        {2, 310, false, 302},  // 10 right: one more step
        {3, 314, true, 224},   // within 15, hides 90 further left
        {3, 315, false, 303},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "scale " << c.scale << " from " << c.petX);
        Scene s;
        OnTwoMonitors(s);
        AtScale(s, c.scale);
        s.window.SetPetAt(c.petX, 500);
        s.walk.roamMode = RoamToWindow;
        s.random.Add({0, 0});
        s.Tick();
        EXPECT_EQ(s.log.LastAction(),
                  PortCall::Place(c.arrives ? ZOrder::Bottom : ZOrder::NoTopMost, c.placedX, 500));
        EXPECT_EQ(s.log.Count(Kind::StopTimer), c.arrives ? 1u : 0u);
    }
}

TEST(ScaledTick, CursorLeadAimsThePetsScaledCentre) {
    Scene s;
    OnTwoMonitors(s);
    s.pet.abilityOn[CursorLead] = 1;
    AtScale(s, 2);
    s.desktop.cursor = {612, 377};
    for (int tick = 0; tick < 200; ++tick) {
        s.random.Add({0, 0});
        s.Tick();
    }
    EXPECT_LE(std::abs(s.walk.petX + 60 - 612), 8);
    EXPECT_LE(std::abs(s.walk.petY + 60 - 377), 8);
}

TEST(MonitorsTick, APetDroppedOnTheSecondMonitorLivesThere) {
    Scene s;
    OnTwoMonitors(s);
    s.window.SetPetAt(3100, 1100);  // near the second monitor's bottom-right corner
    s.walk.heading = 1;      // south-east, into the corner
    for (int tick = 0; tick < 50; ++tick) {
        s.random.Add({0, 0, 0, 0});
        s.Tick();
        const int32_t cx = s.walk.petX + 30;
        const int32_t cy = s.walk.petY + 30;
        ASSERT_GE(cx, 1980) << "tick " << tick;
        ASSERT_LE(cx, 3200) << "tick " << tick;
        ASSERT_GE(cy, 200) << "tick " << tick;
        ASSERT_LE(cy, 1224) << "tick " << tick;
    }
    EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, 3170, 1194));
}

TEST(MonitorsTick, APetNeverSeeksAWindowItCouldNotPeekFrom) {
    struct Case {
        const char* name;
        RoamMode mode;
        int wanderRoll;
        Rect window;
    };
    const Case cases[] = {
        {"a new seek, maximised", RoamFree, 1, {-8, -8, 1928, 1048}},
        {"a new seek, on the other monitor", RoamFree, 1, {2300, 300, 2900, 900}},
        {"a seek under way, the window maximised meanwhile", RoamToWindow, 0, {-8, -8, 1928, 1048}},
        {"a new seek, left edge against the work area's", RoamFree, 1, {10, 100, 900, 900}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        OnTwoMonitors(s);
        s.window.SetPetAt(500, 500);
        s.desktop.windowRects[kUserWindow] = c.window;
        s.walk.roamMode = c.mode;
        s.random.Add({c.wanderRoll, 0, 0, 0});  // then the random step's two draws
        s.Tick();
        EXPECT_EQ(s.walk.roamMode, RoamFree);
        EXPECT_EQ(s.log.Count(Kind::StopTimer), 0u);
        EXPECT_EQ(s.log.LastAction(), PortCall::Place(ZOrder::NoTopMost, 504, 500));
        EXPECT_TRUE(s.random.AllUsed());
    }
}

}  // namespace
}  // namespace pomki
