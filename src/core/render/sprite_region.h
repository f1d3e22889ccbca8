// The platform-free half of BuildSpriteRegion: turns a sprite's pixels into horizontal runs
// one pixel high and hands them over in fixed batches of 200 rectangles, each batch to be
// made into a region and ORed into the sprite's shape by the platform half.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/base/geometry.h"

namespace pomki {

inline constexpr int kRegionBatchCapacity = 200;

// The bounding box of a batch before any rectangle is added; the first one replaces it.
inline constexpr Rect kEmptyBatchBounds{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};

// One block of region data: the rectangles gathered since the last hand-over and their
// bounding box. Never grows: when it is full it is handed over and emptied.
struct RegionBatch {
    int count = 0;
    Rect bounds = kEmptyBatchBounds;
    std::array<Rect, kRegionBatchCapacity> rects{};

    bool Full() const { return count == kRegionBatchCapacity; }
    void Append(const Rect& rect);
    void Clear();
};

// Receives the batches in scan order. The Windows half makes a region of each batch and
// ORs it into the result.
class RegionBatchSink {
public:
    virtual ~RegionBatchSink() = default;
    // False when the batch's region could not be made: the scan then stops at once.
    virtual bool TakeBatch(const RegionBatch& batch) = 0;
};

// Scans `pixels`, a bottom-up image of width x height words 0x00RRGGBB whose first word
// (the bottom-left pixel) is the key colour. Rows go from the image's top to its bottom and
// x from left to right; every run of pixels that differ from the key becomes one rectangle
// (left, y, right, y + 1) in image coordinates (origin top-left, y downward). A full batch
// is handed over as soon as its 200th rectangle is added; a last batch is always handed over,
// even an empty one.
// Returns false, having handed over nothing, when the sizes are not positive or the buffer
// is shorter than width x height; returns false as soon as the sink refuses a batch.
bool ScanSpriteRuns(std::span<const std::uint32_t> pixels, int width, int height,
                    RegionBatchSink& sink);

// The picture of `pixels` (width x height words, in either row order) blown up `scale` times
// on each axis, nearest neighbour: every pixel becomes a scale x scale block of its own
// colour, with no smoothing, so pixel art stays sharp and its shape scales exactly. Empty
// when the sizes or the scale are not positive or the buffer is too short.
std::vector<std::uint32_t> ScalePixelsNearest(std::span<const std::uint32_t> pixels, int width, int height,
                                              int scale);

}  // namespace pomki
