#include "core/render/sprite_region.h"

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

std::vector<std::uint32_t> ScalePixelsNearest(std::span<const std::uint32_t> pixels, int width, int height,
                                              int scale) {
    if (width <= 0 || height <= 0 || scale <= 0) return {};
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t n = static_cast<std::size_t>(scale);
    if (pixels.size() < w * h) return {};
    std::vector<std::uint32_t> scaled;
    scaled.reserve(w * h * n * n);
    for (std::size_t row = 0; row < h; ++row) {
        const std::size_t rowStart = scaled.size();
        for (std::size_t x = 0; x < w; ++x) scaled.insert(scaled.end(), n, pixels[row * w + x]);
        for (std::size_t copy = 1; copy < n; ++copy) {
            scaled.insert(scaled.end(), scaled.begin() + static_cast<std::ptrdiff_t>(rowStart),
                          scaled.begin() + static_cast<std::ptrdiff_t>(rowStart + w * n));
        }
    }
    return scaled;
}

}  // namespace pomki
