// The pet on real desktops: the pixel scale of a scaled display, the walk's bounds over
// several monitors with taskbars, the windows a pet may seek, and the sweep over every monitor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/abilities/effect_sweep.h"
#include "bmp_file.h"
#include "fake_pet_port.h"
#include "core/pet/behaviour.h"
#include "core/pet/mischief.h"
#include "core/pet/screen_bounds.h"
#include "core/render/frame_slots.h"
#include "core/render/sprite_region.h"
#include "core/state/pet_state.h"

namespace pomki {
namespace {

using testing::FakePetPort;
using testing::PortCall;
using testing::ScriptedRandom;
using Kind = PortCall::Kind;

// Two monitors side by side as Windows reports them: a 1920 x 1080 primary with a 40-pixel
// taskbar at the bottom, and a 1280 x 1024 one to its right, 200 pixels lower, with its
// taskbar on the left.
const std::vector<Rect> kTwoMonitors{{0, 0, 1920, 1040}, {1980, 200, 3200, 1224}};

TEST(PixelScale, NearestWholeNumberHalvesUpNeverBelowOne) {
    struct Case {
        int dpi;
        int scale;
    };
    const Case cases[] = {
        {0, 1},   {48, 1},  {96, 1},  {120, 1}, {143, 1}, {144, 2}, {168, 2},
        {192, 2}, {239, 2}, {240, 3}, {288, 3}, {336, 4}, {384, 4},
    };
    for (const Case& c : cases) EXPECT_EQ(PixelScaleForDpi(c.dpi), c.scale) << c.dpi << " dpi";
}

TEST(WorkAreaBounds, HomeIsTheAreaHoldingThePointElseTheNearest) {
    struct Case {
        const char* name;
        Point point;
        int home;  // index into kTwoMonitors
    };
    const Case cases[] = {
        {"inside the primary", {500, 500}, 0},
        {"inside the second", {2500, 500}, 1},
        {"on the primary's taskbar", {500, 1060}, 0},
        {"in the gap between them, nearer the primary", {1940, 500}, 0},
        {"in the gap between them, nearer the second", {1970, 500}, 1},
        {"below the second", {2500, 2000}, 1},
        {"far off the top-left", {-900, -900}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HomeWorkArea(kTwoMonitors, c.point), kTwoMonitors[static_cast<std::size_t>(c.home)]) << c.name;
    }
    EXPECT_FALSE(HomeWorkArea({}, Point{0, 0}).has_value());
}

TEST(WorkAreaBounds, ACentreOnSomeWorkAreaIsKeptElseHeldByTheAreaItCameFrom) {
    struct Case {
        const char* name;
        int32_t half;
        Point from;
        Point to;
        Point kept;
    };
    const Case cases[] = {
        {"within the primary", 30, {100, 100}, {104, 100}, {104, 100}},
        {"centre on the right edge of the second", 30, {3166, 500}, {3170, 500}, {3170, 500}},
        {"past the right edge of the second", 30, {3170, 500}, {3174, 500}, {3170, 500}},
        {"onto the primary's taskbar", 30, {500, 1008}, {500, 1012}, {500, 1010}},
        {"slides along the taskbar", 30, {500, 1010}, {502, 1012}, {502, 1010}},
        {"past the second's taskbar on its left", 30, {1950, 500}, {1946, 500}, {1950, 500}},
        {"above the second, from the second", 30, {2500, 170}, {2498, 168}, {2498, 170}},
        {"from the primary's right edge into the gap", 30, {1890, 100}, {1894, 100}, {1890, 100}},
        {"dropped far off: pulled onto the nearest", 30, {5000, 5000}, {5004, 5000}, {3170, 1194}},
        {"scale 2: half a pet is 60", 60, {3136, 500}, {3144, 500}, {3140, 500}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeepOnWorkAreas(kTwoMonitors, c.from, c.to, c.half), c.kept) << c.name;
    }
}

TEST(WorkAreaBounds, APetWalksOnIntoAnAdjacentMonitor) {
    // Monitors that touch, as Wine reports two screens: (0,0)-(1024,768) and (1024,0)-(1824,600).
    const std::vector<Rect> touching{{0, 0, 1024, 768}, {1024, 0, 1824, 600}};
    EXPECT_EQ(KeepOnWorkAreas(touching, Point{994, 100}, Point{998, 100}, 30), (Point{998, 100}));
    EXPECT_EQ(KeepOnWorkAreas(touching, Point{1100, 100}, Point{1096, 100}, 30), (Point{1096, 100}));
    // Below the second monitor's bottom the primary alone holds it: no walking into the void.
    EXPECT_EQ(KeepOnWorkAreas(touching, Point{990, 700}, Point{998, 700}, 30), (Point{994, 700}));
}

TEST(SeekingRule, OnlyAWindowOnThePetsMonitorWithRoomToPeekFrom) {
    const Rect petOnPrimary{800, 600, 860, 660};
    const Rect petOnSecond{2500, 600, 2560, 660};
    struct Case {
        const char* name;
        Rect pet;
        Rect window;
        int32_t half;
        bool seeks;
    };
    const Case cases[] = {
        {"an ordinary window", petOnPrimary, {300, 100, 1200, 800}, 30, true},
        {"left edge exactly half a pet in", petOnPrimary, {30, 100, 1200, 800}, 30, true},
        {"left edge less than half a pet in", petOnPrimary, {29, 100, 1200, 800}, 30, false},
        {"left edge off the work area", petOnPrimary, {-500, 100, 1200, 800}, 30, false},
        {"maximised, invisible border outside", petOnPrimary, {-8, -8, 1928, 1048}, 30, false},
        {"maximised, visible frame", petOnPrimary, {0, 0, 1920, 1040}, 30, false},
        {"full screen", petOnPrimary, {0, 0, 1920, 1080}, 30, false},
        {"on the other monitor", petOnPrimary, {2300, 300, 2900, 900}, 30, false},
        {"mostly on the other monitor", petOnPrimary, {1800, 300, 2900, 900}, 30, false},
        {"mostly on the pet's, reaching the other", petOnPrimary, {800, 300, 2100, 900}, 30, true},
        {"far above every monitor", petOnPrimary, {297, -5000, 400, -4000}, 30, false},
        {"on the second, seen from the second", petOnSecond, {2300, 300, 2900, 900}, 30, true},
        {"beside the second's taskbar", petOnSecond, {2000, 300, 2900, 900}, 30, false},
        {"maximised on the second", petOnSecond, {1972, 192, 3208, 1232}, 30, false},
        {"scale 2: 40 in is too near", petOnPrimary, {40, 100, 1200, 800}, 60, false},
        {"scale 2: 60 in is enough", petOnPrimary, {60, 100, 1200, 800}, 60, true},
        {"an empty rectangle (a window that is gone)", petOnPrimary, {0, 0, 0, 0}, 30, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CanSeekWindow(kTwoMonitors, c.pet, c.window, c.half), c.seeks) << c.name;
    }
}

// A scene on two monitors: the pet window 1, the user's window 2 in front.
struct TwoMonitorScene {
    PetState pet;
    Behaviour behaviour;
    FakePetPort port;
    ScriptedRandom random;

    TwoMonitorScene() {
        port.petWindow = 1;
        port.foreground = 2;
        port.workAreas = kTwoMonitors;
        port.windowRects[2] = Rect{300, 100, 1200, 800};
    }
    void Tick() { RunTick(pet, behaviour, port, random); }
};

TEST(ScaledTick, EveryLengthOfTheWalkIsTimesTheScale) {
    // A random step east at scale 2 is 8 pixels, and the pet is held 60 pixels past an edge.
    TwoMonitorScene s;
    s.port.pixelScale = 2;
    s.port.SetPetAt(1000, 500);
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.behaviour.scale, 2);
    EXPECT_EQ(s.port.Actions().back(), PortCall::Place(ZOrder::NoTopMost, 1008, 500));

    s.port.SetPetAt(1856, 500);
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.port.Actions().back(), PortCall::Place(ZOrder::NoTopMost, 1860, 500));

    // South-west diagonal: (-4, +4).
    s.port.SetPetAt(1000, 500);
    s.behaviour.heading = 3;
    s.random.Add({0, 0, 0, 0});
    s.Tick();
    EXPECT_EQ(s.port.Actions().back(), PortCall::Place(ZOrder::NoTopMost, 996, 504));
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
        TwoMonitorScene s;
        s.port.pixelScale = c.scale;
        s.port.SetPetAt(c.petX, 500);
        s.behaviour.roamMode = RoamToWindow;
        s.random.Add({0, 0});
        s.Tick();
        EXPECT_EQ(s.port.Actions().back(),
                  PortCall::Place(c.arrives ? ZOrder::Bottom : ZOrder::NoTopMost, c.placedX, 500));
        EXPECT_EQ(s.port.Count(Kind::StopTimer), c.arrives ? 1u : 0u);
    }
}

TEST(ScaledTick, CursorLeadAimsThePetsScaledCentre) {
    TwoMonitorScene s;
    s.pet.abilityOn[CursorLead] = 1;
    s.port.pixelScale = 2;
    s.port.cursor = {612, 377};
    for (int tick = 0; tick < 200; ++tick) {
        s.random.Add({0, 0});
        s.Tick();
    }
    EXPECT_LE(std::abs(s.behaviour.petX + 60 - 612), 8);
    EXPECT_LE(std::abs(s.behaviour.petY + 60 - 377), 8);
}

TEST(ScaledTick, ShotMarksSpreadTimesTheScaleAroundThePet) {
    Behaviour behaviour;
    behaviour.petX = 1000;
    behaviour.petY = 500;
    behaviour.scale = 2;
    FakePetPort port;
    ScriptedRandom random{9, 0, 0, 9};  // r1 - r3 = 9, r2 - r4 = -9
    ShootScreen(behaviour, port, random);
    EXPECT_EQ(port.CallsOf(Kind::DrawShotMark), (std::vector<PortCall>{PortCall::Mark(1000 + 1080, 500 - 1080)}));
}

TEST(MonitorsTick, APetDroppedOnTheSecondMonitorLivesThere) {
    TwoMonitorScene s;
    s.port.SetPetAt(3100, 1100);  // near the second monitor's bottom-right corner
    s.behaviour.heading = 1;      // south-east, into the corner
    for (int tick = 0; tick < 50; ++tick) {
        s.random.Add({0, 0, 0, 0});
        s.Tick();
        const int32_t cx = s.behaviour.petX + 30;
        const int32_t cy = s.behaviour.petY + 30;
        ASSERT_GE(cx, 1980) << "tick " << tick;
        ASSERT_LE(cx, 3200) << "tick " << tick;
        ASSERT_GE(cy, 200) << "tick " << tick;
        ASSERT_LE(cy, 1224) << "tick " << tick;
    }
    EXPECT_EQ(s.port.Actions().back(), PortCall::Place(ZOrder::NoTopMost, 3170, 1194));
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
        TwoMonitorScene s;
        s.port.SetPetAt(500, 500);
        s.port.windowRects[2] = c.window;
        s.behaviour.roamMode = c.mode;
        s.random.Add({c.wanderRoll, 0, 0, 0});  // then the random step's two draws
        s.Tick();
        EXPECT_EQ(s.behaviour.roamMode, RoamFree);
        EXPECT_EQ(s.port.Count(Kind::StopTimer), 0u);
        EXPECT_EQ(s.port.Actions().back(), PortCall::Place(ZOrder::NoTopMost, 504, 500));
        EXPECT_TRUE(s.random.AllUsed());
    }
}

TEST(SweepOverEveryMonitor, RowsCoverTheRectangleAroundAllMonitorsInScaledSteps) {
    // The virtual screen of a monitor left of the primary: its corner is negative.
    const Rect area{-1280, 0, 1024, 1024};
    struct Case {
        const char* name;
        int step;
        Point from;
        Point to;
    };
    const Case cases[] = {
        {"first step", 50, {-1280, 0}, {-1230, 0}},
        {"wraps to the area's left", 50, {970, 0}, {-1280, 50}},
        {"kept at the limit", 50, {924, 0}, {974, 0}},
        {"bottom wraps to the area's top", 50, {970, 950}, {-1280, 0}},
        {"scaled step", 100, {-1280, 0}, {-1180, 0}},
        {"scaled wrap", 100, {920, 0}, {-1280, 100}},
        {"left from another arrangement", 50, {-2000, 0}, {-1280, 0}},
        {"above the area", 50, {0, -100}, {-1280, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(NextSweepPosition(c.from, area, c.step), c.to) << c.name;
}

// Collects every rectangle the scanner hands over.
class AllRuns : public RegionBatchSink {
public:
    bool TakeBatch(const RegionBatch& batch) override {
        rects.insert(rects.end(), batch.rects.begin(), batch.rects.begin() + batch.count);
        return true;
    }
    std::vector<Rect> rects;
};

TEST(ScaledSprites, NearestNeighbourBlocksOfOneColour) {
    // Bottom-up 3 x 2: rows "abc" (bottom) and "def" (top).
    const std::vector<std::uint32_t> pixels{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ScalePixelsNearest(pixels, 3, 2, 2),
              (std::vector<std::uint32_t>{1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3,
                                          4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6}));
    EXPECT_EQ(ScalePixelsNearest(pixels, 3, 2, 1), pixels);
    EXPECT_TRUE(ScalePixelsNearest(pixels, 3, 3, 2).empty());  // buffer too short
    EXPECT_TRUE(ScalePixelsNearest(pixels, 3, 2, 0).empty());
}

// The shape of every frame at scales 2 and 3 is its shape at scale 1 with each run
// widened and repeated, pixel for pixel: the window region matches the scaled picture.
TEST(ScaledSprites, EveryFramesShapeScalesExactly) {
    for (int slot = 0; slot < kFrameSlotCount; ++slot) {
        const int id = kFrameSlots[static_cast<std::size_t>(slot)].resourceId;
        const std::string path = std::string(POMKI_RESOURCES_DIR) + "/bitmaps/frame_" + std::to_string(id) + ".bmp";
        SCOPED_TRACE(path);
        const std::optional<bmp::Image> image = bmp::ReadFile(path);
        ASSERT_TRUE(image.has_value());
        AllRuns plain;
        ASSERT_TRUE(ScanSpriteRuns(image->pixels, image->width, image->height, plain));
        for (const int n : {2, 3}) {
            const std::vector<std::uint32_t> scaled = ScalePixelsNearest(image->pixels, image->width, image->height, n);
            AllRuns big;
            ASSERT_TRUE(ScanSpriteRuns(scaled, image->width * n, image->height * n, big));
            std::vector<Rect> expected;
            for (const Rect& r : plain.rects) {
                for (int k = 0; k < n; ++k) {
                    expected.push_back(Rect{r.left * n, r.top * n + k, r.right * n, r.top * n + k + 1});
                }
            }
            // Runs are handed over row by row; within a scaled row the order is the plain row's.
            std::vector<Rect> sortedExpected = expected;
            std::stable_sort(sortedExpected.begin(), sortedExpected.end(),
                             [](const Rect& a, const Rect& b) { return a.top < b.top; });
            EXPECT_EQ(big.rects, sortedExpected) << "scale " << n;
        }
    }
}

}  // namespace
}  // namespace pomki
