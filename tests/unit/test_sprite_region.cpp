// The sprite run scanner: pixel fixtures drawn as rows of characters, the batching of
// rectangles, and every real sprite of the program, as drawn and scaled for a scaled display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "core/render/frame_slots.h"
#include "core/render/sprite_region.h"

namespace pomki {
namespace {

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kBrown = 0x00804020;

// Rows written top to bottom as on screen: '.' white, '#' brown. The scanner's buffer is
// bottom-up, so the last row written comes first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> words;
};

Pixels FromRows(std::initializer_list<std::string> rows) {
    Pixels p;
    p.height = static_cast<int>(rows.size());
    p.width = static_cast<int>(rows.begin()->size());
    for (auto row = rows.end(); row != rows.begin();) {
        --row;
        for (char c : *row) p.words.push_back(c == '.' ? kWhite : kBrown);
    }
    return p;
}

struct Batch {
    int count;
    Rect bounds;
    std::vector<Rect> rects;
};

class RecordingSink : public RegionBatchSink {
public:
    explicit RecordingSink(int refuseAt = -1) : refuseAt_(refuseAt) {}

    bool TakeBatch(const RegionBatch& batch) override {
        Batch copy{batch.count, batch.bounds, {}};
        copy.rects.assign(batch.rects.begin(), batch.rects.begin() + batch.count);
        batches.push_back(copy);
        return static_cast<int>(batches.size()) - 1 != refuseAt_;
    }

    std::vector<Rect> AllRects() const {
        std::vector<Rect> all;
        for (const Batch& b : batches) all.insert(all.end(), b.rects.begin(), b.rects.end());
        return all;
    }

    std::vector<Batch> batches;

private:
    int refuseAt_;
};

bool Scan(const Pixels& p, RecordingSink& sink) {
    return ScanSpriteRuns(p.words, p.width, p.height, sink);
}

struct FixtureCase {
    const char* name;
    std::initializer_list<std::string> rows;
    std::vector<Rect> rects;  // (left, top, right, bottom), in the order handed over
    Rect bounds;
};

TEST(SpriteRunScanner, SmallImagesGiveOneRectanglePerRunInOneFinalBatch) {
    const FixtureCase cases[] = {
        {"the 4 x 2 example",
         {"##.#",
          ".###"},
         {{0, 0, 2, 1}, {3, 0, 4, 1}, {1, 1, 4, 2}},
         {0, 0, 4, 2}},
        {"a run reaching the right edge ends at the width",
         {"..###",
          "....."},
         {{2, 0, 5, 1}},
         {2, 0, 5, 1}},
        {"a single pixel",
         {"....",
          "..#.",
          "...."},
         {{2, 1, 3, 2}},
         {2, 1, 3, 2}},
        {"two pixels one key pixel apart make two rectangles",
         {"#.#.",
          "...."},
         {{0, 0, 1, 1}, {2, 0, 3, 1}},
         {0, 0, 3, 1}},
        {"a vertical stripe is never merged across rows",
         {".#..",
          ".#..",
          ".#..",
          ".#.."},
         {{1, 0, 2, 1}, {1, 1, 2, 2}, {1, 2, 2, 3}, {1, 3, 2, 4}},
         {1, 0, 2, 4}},
        {"an image of nothing but the key colour still hands over an empty batch",
         {"...",
          "..."},
         {},
         kEmptyBatchBounds},
        {"the bottom-left pixel is the key even when it is not the background",
         {"...",
          "#.."},
         {{0, 0, 3, 1}, {1, 1, 3, 2}},
         {0, 0, 3, 2}},
        {"a key-coloured pixel inside the sprite is cut away",
         {"###",
          "#.#",
          ".##"},
         {{0, 0, 3, 1}, {0, 1, 1, 2}, {2, 1, 3, 2}, {1, 2, 3, 3}},
         {0, 0, 3, 3}},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        ASSERT_TRUE(Scan(FromRows(c.rows), sink));
        ASSERT_EQ(sink.batches.size(), 1u);
        EXPECT_EQ(sink.batches[0].count, static_cast<int>(c.rects.size()));
        EXPECT_EQ(sink.batches[0].rects, c.rects);
        EXPECT_EQ(sink.batches[0].bounds, c.bounds);
    }
}

// An image of `runs` rows ".#.": one rectangle (1, y, 2, y + 1) per row.
Pixels Stripe(int runs) {
    Pixels p{3, runs, {}};
    for (int i = 0; i < runs; ++i) p.words.insert(p.words.end(), {kWhite, kBrown, kWhite});
    return p;
}

TEST(SpriteRunScanner, HandsOverEachFullBatchOfTwoHundredAndAlwaysAFinalOne) {
    const struct {
        int runs;
        std::vector<int> batchCounts;
    } cases[] = {
        {1, {1}},
        {199, {199}},
        {200, {200, 0}},
        {201, {200, 1}},
        {400, {200, 200, 0}},
        {401, {200, 200, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runs);
        RecordingSink sink;
        ASSERT_TRUE(Scan(Stripe(c.runs), sink));
        ASSERT_EQ(sink.batches.size(), c.batchCounts.size());

        int firstRow = 0;
        for (std::size_t i = 0; i < sink.batches.size(); ++i) {
            const Batch& batch = sink.batches[i];
            EXPECT_EQ(batch.count, c.batchCounts[i]) << "batch " << i;
            for (int k = 0; k < batch.count; ++k) {
                EXPECT_EQ(batch.rects[static_cast<std::size_t>(k)],
                          (Rect{1, firstRow + k, 2, firstRow + k + 1}));
            }
            // Each batch's box covers its own rectangles only: it starts afresh.
            const Rect expectedBounds = batch.count == 0
                                            ? kEmptyBatchBounds
                                            : Rect{1, firstRow, 2, firstRow + batch.count};
            EXPECT_EQ(batch.bounds, expectedBounds) << "batch " << i;
            firstRow += batch.count;
        }
        EXPECT_EQ(firstRow, c.runs);
    }
}

TEST(SpriteRunScanner, StopsAtOnceWhenABatchIsRefused) {
    const struct {
        int runs;
        int refuseAt;
        std::size_t batchesHandedOver;
    } cases[] = {
        {401, 0, 1},  // a full batch in the middle
        {401, 1, 2},
        {401, 2, 3},  // the final batch
        {2, 0, 1},    // the only batch
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refuseAt);
        RecordingSink sink(c.refuseAt);
        EXPECT_FALSE(Scan(Stripe(c.runs), sink));
        EXPECT_EQ(sink.batches.size(), c.batchesHandedOver);
    }
}

TEST(SpriteRunScanner, RefusesSizesThatDoNotDescribeTheBuffer) {
    const std::vector<std::uint32_t> words(6, kWhite);
    const struct {
        const char* name;
        std::size_t available;
        int width;
        int height;
    } cases[] = {
        {"no width", 6, 0, 6},
        {"no height", 6, 6, 0},
        {"negative width", 6, -2, 3},
        {"negative height", 6, 2, -3},
        {"buffer one word short", 5, 3, 2},
        {"empty buffer", 0, 1, 1},
        {"width x height overflowing 32 bits", 6, 65536, 65536},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        EXPECT_FALSE(ScanSpriteRuns(std::span(words).first(c.available), c.width, c.height, sink));
        EXPECT_TRUE(sink.batches.empty());
    }
}

TEST(SpriteRunScanner, ReadsOnlyTheImageWhenTheBufferIsLonger) {
    // A trailing word of another colour lies outside the 2 x 1 image.
    const std::vector<std::uint32_t> words{kWhite, kBrown, kBrown};
    RecordingSink sink;
    ASSERT_TRUE(ScanSpriteRuns(words, 2, 1, sink));
    EXPECT_EQ(sink.AllRects(), (std::vector<Rect>{{1, 0, 2, 1}}));
}

// ---- the program's own sprites ----

std::string SpritePath(int resourceId) {
    return std::string(POMKI_RESOURCES_DIR) + "/bitmaps/frame_" + std::to_string(resourceId) + ".bmp";
}

TEST(SpriteRunScanner, EverySpriteGivesExactlyItsNonKeyPixelsAsMaximalRuns) {
    for (int slot = 0; slot < kFrameSlotCount; ++slot) {
        const FrameSlot& frame = kFrameSlots[static_cast<std::size_t>(slot)];
        const std::string path = SpritePath(frame.resourceId);
        SCOPED_TRACE(path);
        const std::optional<bmp::Image> image = bmp::ReadFile(path);
        if (!image) {
            // Every sprite is committed: a missing or unreadable one is a fault, not a case to skip.
            ADD_FAILURE() << "sprite missing or unreadable: " << path;
            continue;
        }

        // The picture must fill its image-list image and sit on a white corner pixel.
        EXPECT_EQ(image->bitsPerPixel, slot == kShotMarkSlot ? 4 : 24);
        EXPECT_GE(image->width, frame.imageSize.cx);
        EXPECT_GE(image->height, frame.imageSize.cy);
        EXPECT_EQ(image->pixels[0], kWhite);

        RecordingSink sink;
        ASSERT_TRUE(ScanSpriteRuns(image->pixels, image->width, image->height, sink));
        for (std::size_t i = 0; i + 1 < sink.batches.size(); ++i) {
            EXPECT_EQ(sink.batches[i].count, kRegionBatchCapacity);
        }
        EXPECT_LT(sink.batches.back().count, kRegionBatchCapacity);

        // Paint the rectangles into a coverage map, checking their shape and order.
        const std::uint32_t key = image->pixels[0];
        std::vector<int> covered(image->pixels.size(), 0);
        const Rect* previous = nullptr;
        const std::vector<Rect> rects = sink.AllRects();
        for (const Rect& r : rects) {
            ASSERT_EQ(r.bottom, r.top + 1);
            ASSERT_TRUE(r.left >= 0 && r.left < r.right && r.right <= image->width);
            ASSERT_TRUE(r.top >= 0 && r.top < image->height);
            if (previous) {
                const bool after = r.top > previous->top ||
                                   (r.top == previous->top && r.left > previous->right);
                EXPECT_TRUE(after) << "rectangles out of order or touching in a row";
            }
            previous = &r;
            for (int x = r.left; x < r.right; ++x) {
                ++covered[static_cast<std::size_t>(r.top * image->width + x)];
            }
        }
        int shapePixels = 0;
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                const int expected = image->At(x, y) != key ? 1 : 0;
                shapePixels += expected;
                ASSERT_EQ(covered[static_cast<std::size_t>(y * image->width + x)], expected)
                    << "pixel (" << x << ", " << y << ")";
            }
        }
        EXPECT_GT(shapePixels, 0) << "a sprite with nothing to show";
    }
}

// ---- the sprites scaled for a scaled display ----

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

// ---- the test reader itself, on hand-made files ----

std::vector<std::uint8_t> BmpBytes(int width, int height, int bits,
                                   const std::vector<std::uint32_t>& palette,
                                   const std::vector<std::uint8_t>& rowData) {
    const std::uint32_t offBits = 14 + 40 + static_cast<std::uint32_t>(palette.size()) * 4;
    std::vector<std::uint8_t> b;
    auto put = [&b](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    b.push_back('B');
    b.push_back('M');
    put(offBits + static_cast<std::uint32_t>(rowData.size()), 4);
    put(0, 4);
    put(offBits, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(static_cast<std::uint32_t>(bits), 2);
    put(0, 4);  // no compression
    put(static_cast<std::uint32_t>(rowData.size()), 4);
    put(2835, 4);
    put(2835, 4);
    put(static_cast<std::uint32_t>(palette.size()), 4);
    put(0, 4);
    for (std::uint32_t colour : palette) put(colour, 4);
    b.insert(b.end(), rowData.begin(), rowData.end());
    return b;
}

TEST(BmpReader, DecodesBottomUp24BitAnd4BitFilesIncludingRowPadding) {
    // 3 x 2, 24 bits: each row is 9 bytes of B, G, R padded to 12; the bottom row first.
    const auto rgb = BmpBytes(3, 2, 24, {},
                              {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0,
                               0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0, 0, 0});
    // 3 x 2, 4 bits: palette of three colours; each row 2 bytes of nibbles padded to 4.
    const auto nibbles = BmpBytes(3, 2, 4, {0x00FFFFFF, 0x00FF0000, 0x00102030},
                                  {0x01, 0x20, 0, 0, 0x21, 0x00, 0, 0});
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint32_t> pixels;
    } cases[] = {
        {"24-bit", rgb, {0x030201, 0x060504, 0x090807, 0x131211, 0x161514, 0x191817}},
        {"4-bit", nibbles, {0x00FFFFFF, 0x00FF0000, 0x00102030, 0x00102030, 0x00FF0000, 0x00FFFFFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = bmp::Decode(c.bytes);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, 3);
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(image->pixels, c.pixels);
    }
}

TEST(BmpReader, RejectsTruncatedOrUnsupportedFiles) {
    const auto good = BmpBytes(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0});
    auto truncated = good;
    truncated.pop_back();
    auto compressed = good;
    compressed[30] = 1;
    auto badIndex = BmpBytes(2, 1, 4, {0x00FFFFFF}, {0x01, 0, 0, 0});
    for (const auto& bytes : {truncated, compressed, badIndex}) {
        EXPECT_FALSE(bmp::Decode(bytes).has_value());
    }
    EXPECT_TRUE(bmp::Decode(good).has_value());
}

}  // namespace
}  // namespace pomki
