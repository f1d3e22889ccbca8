// The screen-saver sweep: its steps on one screen, a whole sweep, and the sweep over every
// monitor in turn, each at its own scale.
#include "core/abilities/effect_sweep.h"

#include <gtest/gtest.h>

#include <optional>

#include <set>
#include <string>
#include <vector>

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

TEST(SweepOverOneMonitor, RowsOfAMonitorAnywhereOnTheDesktopInScaledSteps) {
    // A monitor left of the primary: its corner is negative.
    const Rect area{-1280, 0, 0, 1024};
    struct Case {
        const char* name;
        int step;
        Point from;
        Point to;
    };
    const Case cases[] = {
        {"first step", 50, {-1280, 0}, {-1230, 0}},
        {"wraps to the area's left", 50, {-30, 0}, {-1280, 50}},
        {"kept at the limit", 50, {-100, 0}, {-50, 0}},
        {"bottom wraps to the area's top", 50, {-30, 950}, {-1280, 0}},
        {"scaled step", 100, {-1280, 0}, {-1180, 0}},
        {"scaled wrap", 100, {-80, 0}, {-1280, 100}},
        {"left from another arrangement", 50, {-2000, 0}, {-1280, 0}},
        {"above the area", 50, {-500, -100}, {-1280, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(NextSweepPosition(c.from, area, c.step), c.to) << c.name;
}

// The two monitors of the end-to-end desktop, the second at 150 %.
const std::vector<Monitor> kTwoMonitors{{Rect{0, 0, 1024, 768}, 96}, {Rect{1024, 0, 1824, 600}, 144}};

TEST(SweepOverEveryMonitor, MonitorsAreSweptFromLeftToRightThenFromTopToBottom) {
    const std::vector<Monitor> given{{Rect{1024, 0, 1824, 600}, 144},
                                     {Rect{0, 768, 1024, 1536}, 96},
                                     {Rect{-1280, 0, 0, 1024}, 120},
                                     {Rect{0, 0, 1024, 768}, 96}};
    const std::vector<Monitor> order = SweepOrder(given);
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0].rect, (Rect{-1280, 0, 0, 1024}));
    EXPECT_EQ(order[1].rect, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(order[2].rect, (Rect{0, 768, 1024, 1536}));
    EXPECT_EQ(order[3].rect, (Rect{1024, 0, 1824, 600}));
    EXPECT_EQ(order[0].dpi, 120);
}

// One whole sweep from the first monitor's corner back to it: each monitor row by row at its
// own step, the window at that monitor's size, every pixel of each monitor covered, and no
// position anywhere but on its own monitor (nothing of the area below the short second one).
TEST(SweepOverEveryMonitor, AWholeSweepCoversEachMonitorInTurnAtItsScaleAndNothingBetween) {
    struct PerMonitor {
        int positions = 0;
        std::set<int> xs;
        std::set<int> ys;
    };
    std::vector<PerMonitor> seen(kTwoMonitors.size());
    std::vector<std::size_t> visits;  // the monitor of each position, in order
    SweepPosition p = FirstSweepPosition(std::nullopt, kTwoMonitors);
    ASSERT_EQ(p, (SweepPosition{0, {0, 0}}));
    int count = 0;
    do {
        ASSERT_LT(p.monitor, kTwoMonitors.size());
        const Monitor& m = kTwoMonitors[p.monitor];
        EXPECT_TRUE(m.rect.left <= p.at.x && p.at.x < m.rect.right && m.rect.top <= p.at.y && p.at.y < m.rect.bottom)
            << "position " << p.at.x << "," << p.at.y << " is not on its monitor";
        PerMonitor& per = seen[p.monitor];
        ++per.positions;
        per.xs.insert(p.at.x);
        per.ys.insert(p.at.y);
        if (visits.empty() || visits.back() != p.monitor) visits.push_back(p.monitor);
        p = NextSweepPosition(p, kTwoMonitors);
    } while (!(p == SweepPosition{0, {0, 0}}) && ++count < 10000);
    EXPECT_EQ(visits, (std::vector<std::size_t>{0, 1})) << "each monitor once, in turn";

    struct Expected {
        int step;
        int side;
        int columns;
        int rows;
    };
    const Expected expected[] = {{50, 60, 20, 15}, {100, 120, 8, 6}};
    for (std::size_t i = 0; i < kTwoMonitors.size(); ++i) {
        SCOPED_TRACE(i);
        const Rect& r = kTwoMonitors[i].rect;
        const Expected& e = expected[i];
        EXPECT_EQ(SweepStepOn(kTwoMonitors[i]), e.step);
        EXPECT_EQ(EffectSideOn(kTwoMonitors[i]), e.side);
        EXPECT_EQ(seen[i].positions, e.columns * e.rows);
        EXPECT_EQ(static_cast<int>(seen[i].xs.size()), e.columns);
        EXPECT_EQ(static_cast<int>(seen[i].ys.size()), e.rows);
        // Columns and rows a step apart from the monitor's own corner, up to the last one a
        // step allows (the window may reach past the edge, as on one screen).
        int expectX = r.left;
        for (const int x : seen[i].xs) {
            EXPECT_EQ(x, expectX);
            expectX += e.step;
        }
        int expectY = r.top;
        for (const int y : seen[i].ys) {
            EXPECT_EQ(y, expectY);
            expectY += e.step;
        }
        EXPECT_GT(expectX, r.right - e.step);
        EXPECT_GT(expectY, r.bottom - e.step);
    }
}

TEST(SweepOverEveryMonitor, ASweepStartsWhereTheLastStoppedWhileThatIsStillOnItsMonitor) {
    struct Case {
        const char* name;
        std::optional<SweepPosition> last;
        std::vector<Monitor> monitors;
        SweepPosition first;
    };
    const Case cases[] = {
        {"the first sweep of the run", std::nullopt, kTwoMonitors, {0, {0, 0}}},
        {"where the last one stopped", SweepPosition{1, {1224, 300}}, kTwoMonitors, {1, {1224, 300}}},
        {"its monitor is gone", SweepPosition{1, {1224, 300}}, {kTwoMonitors[0]}, {0, {0, 0}}},
        {"its monitor is smaller now", SweepPosition{0, {950, 700}}, {{Rect{0, 0, 800, 600}, 96}},
         {0, {0, 0}}},
        {"the first monitor elsewhere", std::nullopt, {{Rect{-1280, 0, 0, 1024}, 96}}, {0, {-1280, 0}}},
    };
    for (const Case& c : cases) EXPECT_EQ(FirstSweepPosition(c.last, c.monitors), c.first) << c.name;
}

TEST(SweepOverEveryMonitor, StepsFromPlacesTheMonitorsNoLongerHave) {
    struct Case {
        const char* name;
        SweepPosition from;
        std::vector<Monitor> monitors;
        SweepPosition to;
    };
    const Case cases[] = {
        {"along a row of the second monitor", {1, {1024, 0}}, kTwoMonitors, {1, {1124, 0}}},
        {"the second monitor's last row ends: back to the first", {1, {1724, 500}}, kTwoMonitors, {0, {0, 0}}},
        {"the first monitor's last row ends: on to the second", {0, {950, 700}}, kTwoMonitors, {1, {1024, 0}}},
        {"a monitor that is gone: the first", {5, {100, 100}}, kTwoMonitors, {0, {0, 0}}},
        {"left of its monitor: that monitor's corner", {1, {900, 0}}, kTwoMonitors, {1, {1024, 0}}},
        {"below its monitor's last row: on to the next", {1, {1024, 700}}, kTwoMonitors, {0, {0, 0}}},
        {"no monitors: it stands", {0, {10, 10}}, {}, {0, {10, 10}}},
    };
    for (const Case& c : cases) EXPECT_EQ(NextSweepPosition(c.from, c.monitors), c.to) << c.name;
}

}  // namespace
}  // namespace pomki
