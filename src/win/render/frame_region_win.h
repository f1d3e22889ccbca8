// Shaping a window like its sprite frame, and the pet's frame pictures: for each slot an
// image list to draw from and a region to shape the window with.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>

#include "win/framework/handles.h"
#include "core/render/frame_slots.h"

namespace pomki::win {

// Gives `window` a copy of `slotRegion` (which stays the caller's) as its shape, draws
// `picture` (image 0, its white left out) into the window at once, then has the windows below
// redraw the area that the old shape covered. Without a picture the window paints itself.
void ApplyFrameRegion(HWND window, HRGN slotRegion, HIMAGELIST picture);

// One frame picture: image 0 of a masked image list (white is transparent) and the
// region of its non-background pixels. Either may be empty when loading failed.
struct Frame {
    UniqueImageList images;
    UniqueRegion region;

    // Loads bitmap `resourceId` of `module` twice: once into a new image list with images
    // of `imageSize`, once to build the region from. The effect window loads its one frame
    // this way. At a `scale` above 1 the picture, the image size and the region are all
    // blown up that many times, nearest neighbour, so the shape matches the picture exactly.
    static Frame Load(HINSTANCE module, int resourceId, SIZE imageSize, int scale = 1);
};

// The pet's fourteen frame slots, loaded together and released together.
class FrameSet {
public:
    FrameSet() = default;
    ~FrameSet() { Release(); }
    FrameSet(FrameSet&&) = default;
    FrameSet& operator=(FrameSet&& other) noexcept {
        if (this != &other) {
            Release();
            frames_ = std::move(other.frames_);
        }
        return *this;
    }
    FrameSet(const FrameSet&) = delete;
    FrameSet& operator=(const FrameSet&) = delete;

    // Loads every slot in order from `module`'s bitmap resources, replacing what was
    // loaded. A slot that fails stays empty and the next one is loaded all the same.
    // Every picture and shape is drawn at the whole-number pixel `scale`.
    void Load(HINSTANCE module, int scale = 1);

    // The slot's image list or region (we keep ownership); nullptr for an empty slot or a
    // slot number out of range.
    HIMAGELIST Images(int slot) const;
    HRGN Region(int slot) const;

    // Draws image 0 of the slot at `at`, its white pixels left out.
    void Draw(int slot, HDC dc, POINT at) const;

    // Deletes the image lists in slot order, then the regions in slot order.
    void Release();

private:
    static bool InRange(int slot) { return slot >= 0 && slot < kFrameSlotCount; }

    std::array<Frame, kFrameSlotCount> frames_;
};

}  // namespace pomki::win
