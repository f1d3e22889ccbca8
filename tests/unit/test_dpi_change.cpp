// Where the pet stands after the DPI of its monitor changed: its size, centred where it was or
// held by its grab point, and never left mostly on the monitor it came from, where the system
// would change its DPI straight back.
#include "core/pet/dpi_change.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace pomki {
namespace {

// Side by side: a 1920 x 1080 monitor at 100 % and a 2560 x 1440 one at 150 % to its right.
const std::vector<Monitor> kSideBySide{{Rect{0, 0, 1920, 1080}, 96}, {Rect{1920, 0, 4480, 1440}, 144}};
// A short 800 x 600 monitor at 150 % right of a 1920 x 1080 one at 100 %, tops aligned.
const std::vector<Monitor> kShortRight{{Rect{0, 0, 1920, 1080}, 96}, {Rect{1920, 0, 2720, 600}, 144}};
// One 1024 x 768 monitor whose DPI the system does not report as changed (as under Wine).
const std::vector<Monitor> kOneAt96{{Rect{0, 0, 1024, 768}, 96}};

// The monitor the system takes a window's DPI from: the one holding most of it.
std::optional<Monitor> HoldingMost(const Rect& r, const std::vector<Monitor>& monitors) {
    std::optional<Monitor> best;
    int64_t most = 0;
    for (const Monitor& m : monitors) {
        if (OverlapArea(r, m.rect) > most) {
            most = OverlapArea(r, m.rect);
            best = m;
        }
    }
    return best;
}

TEST(DpiChange, ThePetTakesItsFramesSizeAtTheNewDpi) {
    struct Case {
        int dpi;
        int32_t side;
    };
    const Case cases[] = {{96, 60}, {120, 60}, {143, 60}, {144, 120}, {168, 120}, {192, 120}, {240, 180}, {288, 180}};
    for (const Case& c : cases) EXPECT_EQ(PetSideForDpi(c.dpi), c.side) << c.dpi;
}

TEST(DpiChange, TheMonitorTakenIsTheOneWithTheNewDpiHoldingMostOfThePet) {
    const std::vector<Monitor> threeMonitors{
        {Rect{0, 0, 1920, 1080}, 96}, {Rect{1920, 0, 3840, 1080}, 144}, {Rect{0, 1080, 1920, 2160}, 144}};
    struct Case {
        const char* name;
        Rect pet;
        int dpi;
        std::vector<Monitor> monitors;
        std::optional<Rect> taken;
    };
    const Case cases[] = {
        {"mostly on the 150 % one", {1895, 500, 1955, 560}, 144, kSideBySide, Rect{1920, 0, 4480, 1440}},
        {"a little on the 150 % one: still the one with that DPI", {1870, 500, 1930, 560}, 144, kSideBySide,
         Rect{1920, 0, 4480, 1440}},
        {"on two monitors at 150 %: the one holding more", {1880, 1050, 1940, 1110}, 144, threeMonitors,
         Rect{0, 1080, 1920, 2160}},
        {"no monitor with the new DPI: the one holding most", {1000, 700, 1060, 760}, 192, kOneAt96,
         Rect{0, 0, 1024, 768}},
        {"the new DPI only on a monitor the pet is not on: the one holding it", {100, 100, 160, 160}, 144,
         kSideBySide, Rect{0, 0, 1920, 1080}},
        {"off every monitor: the nearest", {5000, 100, 5060, 160}, 144, kSideBySide, Rect{1920, 0, 4480, 1440}},
        {"no monitors at all", {100, 100, 160, 160}, 144, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<Monitor> taken = MonitorTaken(c.pet, c.dpi, c.monitors);
        ASSERT_EQ(taken.has_value(), c.taken.has_value());
        if (taken) EXPECT_EQ(taken->rect, *c.taken);
    }
}

// Each case: where the pet was, the new DPI, the monitors, the cursor of a drag; where it goes.
TEST(DpiChange, AloneThePetStaysCentredDraggedItKeepsItsGrabPointAndItNeverFlaps) {
    struct Case {
        const char* name;
        Rect before;
        int dpi;
        std::vector<Monitor> monitors;
        std::optional<Point> cursor;
        Rect after;
    };
    const Case cases[] = {
        {"100 % to 150 % in the middle of a monitor: twice the size, centred", {300, 300, 360, 360}, 144,
         kSideBySide, std::nullopt, {270, 270, 390, 390}},
        {"150 % to 100 %: half the size, centred", {270, 270, 390, 390}, 96, kSideBySide, std::nullopt,
         {300, 300, 360, 360}},
        {"100 % to 125 %: the same whole-number scale, where it was", {300, 300, 360, 360}, 120, kSideBySide,
         std::nullopt, {300, 300, 360, 360}},
        {"across the edge, most of it on the 150 % monitor: centred keeps most there", {1895, 500, 1955, 560},
         144, kSideBySide, std::nullopt, {1865, 470, 1985, 590}},
        // Here the system's own suggestion keeps the corner and 90 pixels; a 120-pixel pet
        // on that corner would stand mostly on the 100 % monitor.
        {"into the corner of a short monitor: centred would hang mostly off it, so it moves on",
         {1900, 560, 1960, 620}, 144, kShortRight, std::nullopt, {1885, 515, 2005, 635}},
        {"a DPI that no monitor reports (Wine): moved onto the monitor holding it", {1000, 700, 1060, 760}, 192,
         kOneAt96, std::nullopt, {954, 665, 1074, 785}},
        {"dragged by a point near its left edge: that point stays under the cursor", {1895, 500, 1955, 560}, 144,
         kSideBySide, Point{1900, 520}, {1890, 480, 2010, 600}},
        {"dragged by its far edge: the grab point would leave it mostly behind, so it moves on under the "
         "cursor",
         {1895, 500, 1955, 560}, 144, kSideBySide, Point{1950, 530}, {1861, 470, 1981, 590}},
        {"dragged back at 150 % to 100 %: the grab point stays", {1865, 470, 1985, 590}, 96, kSideBySide,
         Point{1905, 530}, {1885, 500, 1945, 560}},
        {"a cursor outside the pet counts as its nearest edge", {300, 300, 360, 360}, 144, kSideBySide,
         Point{250, 330}, {250, 270, 370, 390}},
        {"no monitors known: centred", {300, 300, 360, 360}, 144, {}, std::nullopt, {270, 270, 390, 390}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DpiChangeFacts facts;
        facts.before = c.before;
        facts.dpi = c.dpi;
        facts.monitors = c.monitors;
        facts.dragCursor = c.cursor;
        const Rect after = RectAfterDpiChange(facts);
        EXPECT_EQ(after, c.after);

        // The monitor the system now finds holding most of the pet has the new DPI (where a
        // monitor has it): no change back follows.
        const std::optional<Monitor> holding = HoldingMost(after, c.monitors);
        const std::optional<Monitor> taken = MonitorTaken(c.before, c.dpi, c.monitors);
        if (holding && taken && taken->dpi == c.dpi) EXPECT_EQ(holding->dpi, c.dpi);
        // A dragged pet stays under the cursor that holds it.
        if (c.cursor) {
            EXPECT_TRUE(after.left <= c.cursor->x && c.cursor->x < after.right && after.top <= c.cursor->y &&
                        c.cursor->y < after.bottom);
        }
        // The same DPI again changes nothing.
        facts.before = after;
        EXPECT_EQ(RectAfterDpiChange(facts), after) << "moved again at the same DPI";
    }
}

// A pet dragged or pushed across the edges of two monitors of different scales, at every
// place near the edges and by every grab point: as the system would, its DPI changes when
// another monitor holds most of it, and it settles after that one change.
TEST(DpiChange, AcrossTheEdgesOfTwoScalesThePetChangesItsDpiAtMostOnceWherever) {
    for (const std::vector<Monitor>* monitors : {&kSideBySide, &kShortRight}) {
        for (int32_t x = 1800; x <= 1980; x += 3) {
            for (int32_t y = 480; y <= 620; y += 7) {
                for (const int grab : {-1, 0, 20, 59}) {  // -1: not dragged
                    for (const int startDpi : {96, 144}) {
                        const Rect start = SquareAt(Point{x, y}, PetSideForDpi(startDpi));
                        const std::optional<Monitor> first = HoldingMost(start, *monitors);
                        if (!first || first->dpi == startDpi) continue;  // no change here
                        SCOPED_TRACE(::testing::Message() << "pet at " << x << "," << y << " from " << startDpi
                                                          << " dpi, grab " << grab);
                        DpiChangeFacts facts;
                        facts.before = start;
                        facts.dpi = first->dpi;
                        facts.monitors = *monitors;
                        if (grab >= 0) {
                            const int32_t g = grab * start.Width() / 60;
                            facts.dragCursor = Point{start.left + g, start.top + g};
                        }
                        const Rect after = RectAfterDpiChange(facts);
                        const std::optional<Monitor> holding = HoldingMost(after, *monitors);
                        ASSERT_TRUE(holding.has_value());
                        EXPECT_EQ(holding->dpi, first->dpi) << "the pet would flap back";
                        EXPECT_EQ(after.Width(), PetSideForDpi(first->dpi));
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace pomki
