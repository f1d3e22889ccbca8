// Where a pet called back by a second start comes: to the cursor, wholly on the work area
// under it.
#include "core/pet/call_back.h"

#include <gtest/gtest.h>

#include <vector>

namespace pomki {
namespace {

TEST(CallBack, ThePetComesCentredOnTheCursorWhollyOnItsWorkArea) {
    const std::vector<Rect> one{{0, 0, 1024, 728}};  // a taskbar 40 high below
    // A second monitor to the left, its taskbar on the left, and one above-right, smaller.
    const std::vector<Rect> three{{0, 0, 1920, 1040}, {-1280 + 48, 0, 0, 1024}, {1920, -600, 2720, 0}};
    struct Case {
        const char* name;
        std::vector<Rect> areas;
        Point cursor;
        int32_t side;
        Point corner;
    };
    const Case cases[] = {
        {"in the middle", one, {500, 400}, 60, {470, 370}},
        {"twice the size", one, {500, 400}, 120, {440, 340}},
        {"an odd size", one, {500, 400}, 61, {470, 370}},
        {"near the left edge", one, {10, 400}, 60, {0, 370}},
        {"near the top edge", one, {500, 5}, 60, {470, 0}},
        {"near the right edge", one, {1020, 400}, 60, {964, 370}},
        {"on the last column", one, {1023, 400}, 60, {964, 370}},
        {"on the taskbar", one, {500, 750}, 60, {470, 668}},
        {"below the screen", one, {500, 5000}, 60, {470, 668}},
        {"on the left monitor", three, {-1000, 500}, 60, {-1030, 470}},
        {"on the left monitor's taskbar", three, {-1270, 500}, 60, {-1232, 470}},
        {"on the monitor above-right", three, {2700, -10}, 60, {2660, -60}},
        {"between the monitors, nearer the first", three, {1910, 1030}, 60, {1860, 980}},
        {"a work area smaller than the pet", {{100, 100, 140, 130}}, {120, 120}, 60, {100, 100}},
        {"no work areas at all", {}, {500, 400}, 60, {470, 370}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Point corner = CallBackCorner(c.areas, c.cursor, c.side);
        EXPECT_EQ(corner.x, c.corner.x);
        EXPECT_EQ(corner.y, c.corner.y);
    }
}

TEST(CallBack, InFrontOfTheWindowsAndTopmostOnlyWhileShowingOff) {
    struct Case {
        int32_t showOff;
        ZOrder z;
    };
    for (const Case& c : {Case{0, ZOrder::Top}, Case{1, ZOrder::TopMost}, Case{2, ZOrder::Top}}) {
        PetState pet;
        pet.abilityOn[ShowOff] = c.showOff;
        EXPECT_EQ(CallBackPlacement(pet), c.z) << "ShowOff " << c.showOff;
    }
}

}  // namespace
}  // namespace pomki
