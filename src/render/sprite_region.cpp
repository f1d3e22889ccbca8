#include "render/sprite_region.h"

#include <algorithm>
#include <cstddef>

namespace pomki {

void RegionBatch::Append(const Rect& rect) {
    rects[static_cast<std::size_t>(count)] = rect;
    ++count;
    bounds.left = std::min(bounds.left, rect.left);
    bounds.top = std::min(bounds.top, rect.top);
    bounds.right = std::max(bounds.right, rect.right);
    bounds.bottom = std::max(bounds.bottom, rect.bottom);
}

void RegionBatch::Clear() {
    count = 0;
    bounds = kEmptyBatchBounds;
}

bool ScanSpriteRuns(std::span<const std::uint32_t> pixels, int width, int height,
                    RegionBatchSink& sink) {
    if (width <= 0 || height <= 0) return false;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    if (pixels.size() / w < h) return false;

    const std::uint32_t keyColour = pixels[0];
    RegionBatch batch;

    for (int y = 0; y < height; ++y) {
        // The buffer is bottom-up: image row y is buffer row height - 1 - y.
        const std::uint32_t* row = pixels.data() + (h - 1 - static_cast<std::size_t>(y)) * w;
        int x = 0;
        while (x < width) {
            if (row[x] == keyColour) {
                ++x;
                continue;
            }
            const int runStart = x;
            while (x < width && row[x] != keyColour) ++x;
            batch.Append(Rect{runStart, y, x, y + 1});
            if (batch.Full()) {
                if (!sink.TakeBatch(batch)) return false;
                batch.Clear();
            }
            // The key pixel that ended the run (or the row's end) needs no second look.
            ++x;
        }
    }
    return sink.TakeBatch(batch);
}

}  // namespace pomki
