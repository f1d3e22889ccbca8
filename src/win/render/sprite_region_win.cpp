#include "win/render/sprite_region_win.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "win/framework/handles.h"
#include "core/render/sprite_region.h"

namespace pomki::win {
namespace {

// The fixed batch block: the 32-byte header and room for exactly 200 rectangles.
constexpr DWORD kBatchBytes = sizeof(RGNDATAHEADER) + kRegionBatchCapacity * sizeof(RECT);
static_assert(sizeof(RGNDATAHEADER) == 32 && kBatchBytes == 3232);
static_assert(sizeof(RECT) == sizeof(Rect));

// A new 32-bit section, width x height, rows bottom-up; `bits` points at its words.
UniqueBitmap Create32BitSection(HDC dc, int width, int height, void*& bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: rows bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bits = nullptr;
    UniqueBitmap section(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bits) section.reset();
    return section;
}

// A 32-bit bottom-up copy of `bitmap`, width x height; `pixels` points at its words.
// Both contexts are gone when this returns; only the section is left, unselected.
UniqueBitmap CopyTo32Bit(HBITMAP bitmap, int width, int height, const std::uint32_t*& pixels) {
    UniqueMemoryDC target(CreateCompatibleDC(nullptr));
    if (!target) return {};

    void* bits = nullptr;
    UniqueBitmap section = Create32BitSection(target.get(), width, height, bits);
    if (!section) return {};

    UniqueMemoryDC source(CreateCompatibleDC(target.get()));
    if (!source) return {};
    {
        SelectionGuard targetSelection(target.get(), section.get());
        SelectionGuard sourceSelection(source.get(), bitmap);
        // A bitmap that could not be selected (one held by another context, say) would
        // leave the context's stock 1 x 1 bitmap as the source: the copy would be garbage.
        if (GetCurrentObject(target.get(), OBJ_BITMAP) != section.get() ||
            GetCurrentObject(source.get(), OBJ_BITMAP) != bitmap ||
            !BitBlt(target.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY)) {
            return {};
        }
    }
    GdiFlush();  // the copy must have reached the section's memory before it is read
    pixels = static_cast<const std::uint32_t*>(bits);
    return section;
}

// Makes a region of each batch in the locked block and ORs it into the result.
class RegionAccumulator final : public RegionBatchSink {
public:
    explicit RegionAccumulator(void* block) : block_(static_cast<std::byte*>(block)) {}

    bool TakeBatch(const RegionBatch& batch) override {
        RGNDATAHEADER header{};
        header.dwSize = sizeof(RGNDATAHEADER);
        header.iType = RDH_RECTANGLES;
        header.nCount = static_cast<DWORD>(batch.count);
        header.nRgnSize = 0;
        SetRect(&header.rcBound, batch.bounds.left, batch.bounds.top, batch.bounds.right,
                batch.bounds.bottom);
        std::memcpy(block_, &header, sizeof header);
        std::byte* rects = block_ + sizeof header;
        for (int i = 0; i < batch.count; ++i) {
            const Rect& r = batch.rects[static_cast<std::size_t>(i)];
            RECT entry;
            SetRect(&entry, r.left, r.top, r.right, r.bottom);
            std::memcpy(rects + static_cast<std::size_t>(i) * sizeof(RECT), &entry, sizeof entry);
        }

        // The size handed over is always the whole block, whatever the count.
        UniqueRegion piece(
            ExtCreateRegion(nullptr, kBatchBytes, reinterpret_cast<const RGNDATA*>(block_)));
        if (!piece) {
            result_.reset();
            return false;
        }
        if (!result_) {
            result_ = std::move(piece);
        } else if (CombineRgn(result_.get(), result_.get(), piece.get(), RGN_OR) == ERROR) {
            // A shape missing a batch would be silently wrong: give none instead.
            result_.reset();
            return false;
        }
        return true;
    }

    HRGN ReleaseResult() { return result_.release(); }

private:
    std::byte* block_;
    UniqueRegion result_;
};

}  // namespace

UniqueBitmap ScaleBitmapNearest(HBITMAP bitmap, int scale) {
    BITMAP record{};
    if (!bitmap || scale <= 0 || GetObjectW(bitmap, sizeof record, &record) == 0) return {};
    const int width = record.bmWidth;
    const int height = record.bmHeight;
    if (width <= 0 || height <= 0) return {};
    const std::uint32_t* pixels = nullptr;
    const UniqueBitmap source = CopyTo32Bit(bitmap, width, height, pixels);
    if (!source) return {};
    const std::vector<std::uint32_t> scaled = ScalePixelsNearest(
        std::span<const std::uint32_t>(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
        width, height, scale);
    if (scaled.empty()) return {};

    void* bits = nullptr;
    UniqueBitmap result = Create32BitSection(nullptr, width * scale, height * scale, bits);
    if (!result) return {};
    std::memcpy(bits, scaled.data(), scaled.size() * sizeof(std::uint32_t));
    return result;
}

UniqueBitmap LoadBitmapAtScale(HINSTANCE module, int resourceId, int scale) {
    UniqueBitmap picture(LoadBitmapW(module, MAKEINTRESOURCEW(resourceId)));
    if (!picture || scale <= 1) return picture;
    return ScaleBitmapNearest(picture.get(), scale);
}

HRGN BuildSpriteRegion(HBITMAP bitmap) {
    if (!bitmap) {
        MessageBoxW(nullptr, L"a", L"a", MB_OK);
        return nullptr;
    }

    BITMAP record{};
    if (GetObjectW(bitmap, sizeof record, &record) == 0) return nullptr;
    const int width = record.bmWidth;
    const int height = record.bmHeight;
    if (width <= 0 || height <= 0) return nullptr;

    const std::uint32_t* pixels = nullptr;
    UniqueBitmap section = CopyTo32Bit(bitmap, width, height, pixels);
    if (!section) return nullptr;

    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kBatchBytes));
    if (!memory) return nullptr;
    HRGN result = nullptr;
    {
        GlobalLockGuard block(memory.get());
        if (!block) return nullptr;
        RegionAccumulator accumulator(block.get());
        const std::span<const std::uint32_t> words(
            pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        if (!ScanSpriteRuns(words, width, height, accumulator)) return nullptr;
        result = accumulator.ReleaseResult();
    }
    return result;
}

}  // namespace pomki::win
