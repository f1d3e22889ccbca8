// The whole-number scale the pet's pixel art is drawn at on a scaled display.
#include "core/base/pixel_scale.h"

#include <gtest/gtest.h>

namespace pomki {
namespace {

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

}  // namespace
}  // namespace pomki
