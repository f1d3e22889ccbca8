// The sprite run scanner over the program's fourteen sprites, beside a baseline that makes
// one rectangle per shape pixel. Fewer rectangles mean fewer and smaller batch regions to
// make and OR together when the pet window is set up.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "core/render/frame_slots.h"
#include "core/render/sprite_region.h"

namespace {

using pomki::RegionBatch;

struct Sprites {
    std::vector<pomki::bmp::Image> images;
    std::string problem;  // why the set is incomplete; empty when all fourteen were read
};

const Sprites& LoadSprites() {
    static const Sprites sprites = [] {
        Sprites s;
        for (const pomki::FrameSlot& slot : pomki::kFrameSlots) {
            const std::string path = std::string(POMKI_RESOURCES_DIR) + "/bitmaps/frame_" +
                                     std::to_string(slot.resourceId) + ".bmp";
            std::optional<pomki::bmp::Image> image = pomki::bmp::ReadFile(path);
            if (!image) {
                s.problem = "sprite missing or unreadable: " + path;
                break;
            }
            s.images.push_back(std::move(*image));
        }
        return s;
    }();
    return sprites;
}

// Stands in for the Windows half: counts what it is handed instead of making regions.
class CountingSink final : public pomki::RegionBatchSink {
public:
    bool TakeBatch(const RegionBatch& batch) override {
        ++batches;
        rectangles += batch.count;
        benchmark::DoNotOptimize(batch.bounds);
        return true;
    }
    std::int64_t batches = 0;
    std::int64_t rectangles = 0;
};

// Baseline: every pixel that differs from the key becomes its own 1 x 1 rectangle,
// batched the same way as the runs.
bool ScanPixelByPixel(std::span<const std::uint32_t> pixels, int width, int height,
                      pomki::RegionBatchSink& sink) {
    const std::uint32_t key = pixels[0];
    RegionBatch batch;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row =
            pixels.data() + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            if (row[x] == key) continue;
            batch.Append(pomki::Rect{x, y, x + 1, y + 1});
            if (batch.Full()) {
                if (!sink.TakeBatch(batch)) return false;
                batch.Clear();
            }
        }
    }
    return sink.TakeBatch(batch);
}

using ScanFn = bool (*)(std::span<const std::uint32_t>, int, int, pomki::RegionBatchSink&);

// Scans all fourteen sprites once; returns the rectangles handed over.
std::int64_t ScanAll(const Sprites& sprites, ScanFn scan) {
    CountingSink sink;
    for (const pomki::bmp::Image& image : sprites.images) {
        scan(image.pixels, image.width, image.height, sink);
    }
    return sink.rectangles;
}

bool RequireSprites(benchmark::State& state, const Sprites& sprites) {
    if (sprites.problem.empty()) return true;
    state.SkipWithError(("the sprite bitmaps are not there yet; " + sprites.problem).c_str());
    return false;
}

void BM_ScanSpriteRuns(benchmark::State& state) {
    const Sprites& sprites = LoadSprites();
    if (!RequireSprites(state, sprites)) return;
    std::int64_t rectangles = 0;
    for (auto _ : state) benchmark::DoNotOptimize(rectangles = ScanAll(sprites, pomki::ScanSpriteRuns));
    state.counters["rects_per_set"] = static_cast<double>(rectangles);
}
BENCHMARK(BM_ScanSpriteRuns);

void BM_ScanPixelByPixelBaseline(benchmark::State& state) {
    const Sprites& sprites = LoadSprites();
    if (!RequireSprites(state, sprites)) return;
    std::int64_t rectangles = 0;
    for (auto _ : state) benchmark::DoNotOptimize(rectangles = ScanAll(sprites, ScanPixelByPixel));
    state.counters["rects_per_set"] = static_cast<double>(rectangles);
}
BENCHMARK(BM_ScanPixelByPixelBaseline);

// Both scans in each iteration, timed apart: the counters give runs / baseline for the
// rectangles handed over and for the time taken (below 1 means the runs win).
void BM_RunsVersusPixelBaseline(benchmark::State& state) {
    const Sprites& sprites = LoadSprites();
    if (!RequireSprites(state, sprites)) return;
    using Clock = std::chrono::steady_clock;
    Clock::duration runsTime{}, pixelTime{};
    std::int64_t runRects = 0, pixelRects = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(runRects = ScanAll(sprites, pomki::ScanSpriteRuns));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(pixelRects = ScanAll(sprites, ScanPixelByPixel));
        const auto t2 = Clock::now();
        runsTime += t1 - t0;
        pixelTime += t2 - t1;
    }
    state.counters["rect_ratio"] =
        pixelRects > 0 ? static_cast<double>(runRects) / static_cast<double>(pixelRects) : 0.0;
    state.counters["time_ratio"] =
        pixelTime.count() > 0
            ? static_cast<double>(runsTime.count()) / static_cast<double>(pixelTime.count())
            : 0.0;
}
BENCHMARK(BM_RunsVersusPixelBaseline);

}  // namespace

BENCHMARK_MAIN();
