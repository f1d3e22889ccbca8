// The screen-saver sweep: its steps on one screen, a whole sweep, and the sweep over the
// rectangle around every monitor in scaled steps.
#include "core/abilities/effect_sweep.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace pomki {
namespace {

TEST(EffectSweepTest, SingleSteps) {
    struct Case {
        const char* name;
        Size screen;
        Point from;
        Point to;
    };
    const Case cases[] = {
        {"first step", {1024, 768}, {0, 0}, {50, 0}},
        {"last column kept", {1024, 768}, {900, 0}, {950, 0}},
        {"1000 is beyond 974: wrap", {1024, 768}, {950, 0}, {0, 50}},
        {"last row kept", {1024, 768}, {950, 650}, {0, 700}},
        {"bottom-right corner back to the top", {1024, 768}, {950, 700}, {0, 0}},
        {"750 equals 800 - 50: kept", {800, 600}, {700, 0}, {750, 0}},
        {"past 750: wrap", {800, 600}, {750, 0}, {0, 50}},
        {"550 equals 600 - 50: kept", {800, 600}, {750, 500}, {0, 550}},
        {"800 x 600 corner", {800, 600}, {750, 550}, {0, 0}},
        {"left from a larger screen, row beyond the bottom", {800, 600}, {0, 700}, {50, 0}},
        {"left from a larger screen, both beyond", {800, 600}, {1000, 700}, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextSweepPosition(c.from, c.screen), c.to) << c.name;
    }
}

// One whole sweep from the top-left corner back to it: every position, row by row.
TEST(EffectSweepTest, WholeSweep) {
    struct Case {
        Size screen;
        int columns;
        int rows;
        int lastX;
        int lastY;
    };
    const Case cases[] = {
        {{1024, 768}, 20, 15, 950, 700},
        {{800, 600}, 16, 12, 750, 550},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen.cx) + " x " + std::to_string(c.screen.cy));
        std::set<int> xs;
        std::set<int> ys;
        int positions = 0;
        Point p{0, 0};
        Point previous = p;
        do {
            ++positions;
            xs.insert(p.x);
            ys.insert(p.y);
            previous = p;
            p = NextSweepPosition(p, c.screen);
            if (p.x != 0) {
                EXPECT_EQ(p.x, previous.x + 50);  // along a row
                EXPECT_EQ(p.y, previous.y);
            }
        } while (!(p == Point{0, 0}) && positions <= 1000);
        EXPECT_EQ(positions, c.columns * c.rows);
        EXPECT_EQ(static_cast<int>(xs.size()), c.columns);
        EXPECT_EQ(static_cast<int>(ys.size()), c.rows);
        EXPECT_EQ(*xs.rbegin(), c.lastX);
        EXPECT_EQ(*ys.rbegin(), c.lastY);
        EXPECT_EQ(previous, (Point{c.lastX, c.lastY}));  // the sweep ends in the bottom-right corner
    }
}

// Exactly 300 steps on 1024 x 768 bring the window back to where it started, and not fewer.
TEST(EffectSweepTest, ThreeHundredPositionsPerSweepOn1024x768) {
    const Size screen{1024, 768};
    Point p{0, 0};
    for (int step = 1; step <= 300; ++step) {
        p = NextSweepPosition(p, screen);
        if (step < 300) {
            EXPECT_FALSE(p == (Point{0, 0})) << "back at the start after " << step;
        }
    }
    EXPECT_EQ(p, (Point{0, 0}));
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

}  // namespace
}  // namespace pomki
