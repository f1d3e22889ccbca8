// The repaint-below walk over a made-up stack of windows.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/render/repaint_below.h"

namespace pomki {
namespace {

struct FakeWindow {
    std::string name;
    bool visible = true;
    std::optional<Rect> rect;  // nothing: the rectangle can't be read
    bool hasRegion = false;
    Point origin{};  // the screen point (0, 0) in its client coordinates
    bool onThisThread = true;
};

struct Redrawn {
    std::string name;
    Point shapeOffset;
    bool now = true;
    friend bool operator==(const Redrawn&, const Redrawn&) = default;
};

void PrintTo(const Redrawn& r, std::ostream* os) {
    *os << r.name << " (" << r.shapeOffset.x << ", " << r.shapeOffset.y << ")" << (r.now ? "" : " later");
}

// Serves the windows nearest first and records what the walk asks of each.
class FakeWindowsBelow : public WindowsBelow {
public:
    explicit FakeWindowsBelow(std::vector<FakeWindow> windows) : windows_(std::move(windows)) {}

    bool Next() override {
        ++nextCalls;
        ++current_;
        return current_ < static_cast<int>(windows_.size());
    }
    bool IsVisible() override { return Current().visible; }
    std::optional<Rect> WindowRect() override { return Current().rect; }
    Point ScreenOriginInClient() override {
        asked.push_back(Current().name + ".origin");
        return Current().origin;
    }
    bool HasOwnRegion() override {
        asked.push_back(Current().name + ".region");
        return Current().hasRegion;
    }
    bool IsOnThisThread() override { return Current().onThisThread; }
    void Redraw(Point shapeOffset, bool now) override { redrawn.push_back({Current().name, shapeOffset, now}); }

    int nextCalls = 0;
    std::vector<std::string> asked;
    std::vector<Redrawn> redrawn;

private:
    const FakeWindow& Current() const { return windows_.at(static_cast<std::size_t>(current_)); }

    std::vector<FakeWindow> windows_;
    int current_ = -1;
};

// The old shape's box in all the cases below.
constexpr Rect kBox{100, 100, 160, 160};
// Overlaps the box without covering it.
constexpr Rect kPartial{150, 150, 400, 400};
// Covers the whole box.
constexpr Rect kCovering{0, 0, 800, 600};

TEST(RepaintBelow, RedrawsOverlappingWindowsAndStopsBelowAnOpaqueCover) {
    const struct {
        const char* name;
        std::vector<FakeWindow> windows;
        std::vector<Redrawn> redrawn;
        int nextCalls;  // windows asked for, including a last "no more"
    } cases[] = {
        {"no window below", {}, {}, 1},
        {"invisible, unreadable and edge-touching windows are passed over",
         {{"hidden", false, kCovering},
          {"unreadable", true, std::nullopt},
          {"right", true, Rect{160, 0, 300, 600}},
          {"left", true, Rect{0, 0, 100, 600}},
          {"below", true, Rect{0, 160, 800, 600}},
          {"above", true, Rect{0, 0, 800, 100}},
          {"apart", true, Rect{500, 500, 600, 600}},
          {"corner", true, Rect{159, 159, 170, 170}, false, {-159, -159}}},
         {{"corner", {-159, -159}}},
         9},
        {"each redraw moves the shape from the last redrawn window's client origin",
         {{"a", true, kPartial, false, {-150, -150}},
          {"skipped", true, Rect{0, 0, 10, 10}, false, {-1, -1}},
          {"b", true, kPartial, false, {-160, -170}},
          {"c", true, kPartial, false, {-160, -170}},
          {"d", true, kPartial, false, {40, 20}}},
         {{"a", {-150, -150}}, {"b", {-10, -20}}, {"c", {0, 0}}, {"d", {200, 190}}},
         6},
        {"a covering window without a region ends the walk after its redraw",
         {{"a", true, kPartial, false, {-150, -150}},
          {"cover", true, kCovering, false, {-8, -30}},
          {"never", true, kCovering}},
         {{"a", {-150, -150}}, {"cover", {142, 120}}},
         2},
        {"a window exactly the box's size covers it",
         {{"exact", true, kBox, false, {-100, -100}}, {"never", true, kCovering}},
         {{"exact", {-100, -100}}},
         1},
        {"a covering window with its own region does not end the walk",
         {{"shaped", true, kCovering, true, {-5, -5}},
          {"cover", true, kCovering, false, {0, 0}},
          {"never", true, kCovering}},
         {{"shaped", {-5, -5}}, {"cover", {5, 5}}},
         2},
        {"a hidden covering window does not end the walk",
         {{"hidden", false, kCovering}, {"last", true, kPartial, false, {-150, -150}}},
         {{"last", {-150, -150}}},
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindowsBelow below(c.windows);
        RepaintBelow(kBox, below);
        EXPECT_EQ(below.redrawn, c.redrawn);
        EXPECT_EQ(below.nextCalls, c.nextCalls);
    }
}

TEST(RepaintBelow, AsksForClientOriginAndRegionOnlyWhereTheWalkNeedsThem) {
    FakeWindowsBelow below({{"hidden", false, kCovering},
                            {"apart", true, Rect{500, 500, 600, 600}},
                            {"partial", true, kPartial},
                            {"shaped", true, kCovering, true},
                            {"cover", true, kCovering}});
    RepaintBelow(kBox, below);
    // The region test is made only for a window that covers the box, after its redraw.
    EXPECT_EQ(below.asked, (std::vector<std::string>{"partial.origin", "shaped.origin",
                                                     "shaped.region", "cover.origin",
                                                     "cover.region"}));
}

TEST(RepaintBelow, PaintsOnlyItsOwnThreadsWindowsAtOnceAndNeverWaitsForAnotherProgram) {
    // A window of another program (perhaps hung) between two of ours: it is given the
    // shape to paint when it can, and the walk goes on below it as before.
    FakeWindowsBelow below({{"ours", true, kPartial, false, Point{-10, -20}, true},
                            {"other", true, kPartial, false, Point{-30, -40}, false},
                            {"cover", true, kCovering, false, Point{-5, -5}, false}});
    RepaintBelow(kBox, below);
    EXPECT_EQ(below.redrawn, (std::vector<Redrawn>{{"ours", {-10, -20}, true},
                                                   {"other", {-20, -20}, false},
                                                   {"cover", {25, 35}, false}}));
}

}  // namespace
}  // namespace pomki
