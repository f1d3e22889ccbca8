// The questions every part asks of rectangles: which edges count, and sums that would
// overflow 32 bits on a desktop of large or far-off monitors.
#include "core/base/geometry.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pomki {
namespace {

constexpr Rect kArea{0, 0, 100, 50};

TEST(GeometryTest, RectanglesThatOnlyTouchNeitherOverlapNorShareArea) {
    struct Case {
        const char* name;
        Rect other;
        bool overlaps;
        int64_t area;
    };
    const Case cases[] = {
        {"inside", {10, 10, 20, 20}, true, 100},
        {"the same", kArea, true, 5000},
        {"one column over the right edge", {99, 0, 200, 50}, true, 50},
        {"touching the right edge", {100, 0, 200, 50}, false, 0},
        {"touching the bottom edge", {0, 50, 100, 90}, false, 0},
        {"touching the left edge", {-30, 10, 0, 20}, false, 0},
        {"touching a corner", {100, 50, 120, 70}, false, 0},
        {"far away", {500, 500, 600, 600}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Overlaps(kArea, c.other), c.overlaps);
        EXPECT_EQ(Overlaps(c.other, kArea), c.overlaps);
        EXPECT_EQ(OverlapArea(kArea, c.other), c.area);
        EXPECT_EQ(OverlapArea(c.other, kArea), c.area);
    }
}

TEST(GeometryTest, ContainingCountsTheEdges) {
    struct Case {
        const char* name;
        Rect inner;
        bool contains;
    };
    const Case cases[] = {
        {"the same", kArea, true},
        {"inside", {1, 1, 99, 49}, true},
        {"one pixel past the right", {0, 0, 101, 50}, false},
        {"one pixel above", {0, -1, 100, 50}, false},
        {"larger all round", {-8, -8, 108, 58}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(Contains(kArea, c.inner), c.contains) << c.name;

    struct PointCase {
        const char* name;
        Point point;
        bool on;
    };
    const PointCase points[] = {
        {"the top-left corner", {0, 0}, true},
        {"on the right edge", {100, 20}, true},
        {"on the bottom-right corner", {100, 50}, true},
        {"one past the right edge", {101, 20}, false},
        {"one above", {50, -1}, false},
    };
    for (const PointCase& c : points) EXPECT_EQ(ContainsWithEdges(kArea, c.point), c.on) << c.name;
}

// A desktop may reach far from the origin, and a window be larger than any monitor.
TEST(GeometryTest, CentresAndAreasOfHugeRectanglesDoNotOverflow) {
    const Rect wide{INT32_MAX - 100, INT32_MAX - 100, INT32_MAX, INT32_MAX};
    EXPECT_EQ(Centre(wide), (Point{INT32_MAX - 50, INT32_MAX - 50}));
    const Rect whole{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(Centre(whole), (Point{0, 0}));
    const Rect big{0, 0, 100'000, 100'000};
    EXPECT_EQ(OverlapArea(big, big), int64_t{10'000'000'000});
    EXPECT_EQ(Centre(Rect{-60, -60, 0, 0}), (Point{-30, -30}));
}

TEST(GeometryTest, ASquareAtACornerAndTheSizesOfARectangle) {
    const Rect square = SquareAt(Point{-20, 30}, 120);
    EXPECT_EQ(square, (Rect{-20, 30, 100, 150}));
    EXPECT_EQ(square.Width(), 120);
    EXPECT_EQ(square.Height(), 120);
    struct Case {
        Rect rect;
        bool empty;
    };
    const Case cases[] = {
        {{0, 0, 1, 1}, false}, {{0, 0, 0, 10}, true}, {{0, 0, 10, 0}, true}, {{5, 5, 4, 10}, true}, {{}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rect.IsEmpty(), c.empty) << c.rect.left << ", " << c.rect.top << ", " << c.rect.right << ", "
                                             << c.rect.bottom;
    }
}

}  // namespace
}  // namespace pomki
