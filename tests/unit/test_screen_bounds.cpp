// Where the pet may be on a desktop of several monitors, each with its own taskbar: the walk's
// bounds and the windows a pet may seek.
#include "core/pet/screen_bounds.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pomki {
namespace {

// Two monitors side by side as Windows reports them: a 1920 x 1080 primary with a 40-pixel
// taskbar at the bottom, and a 1280 x 1024 one to its right, 200 pixels lower, with its
// taskbar on the left.
const std::vector<Rect> kTwoMonitors{{0, 0, 1920, 1040}, {1980, 200, 3200, 1224}};

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

}  // namespace
}  // namespace pomki
