#include "win/render/frame_region_win.h"

#include <cstddef>
#include <optional>

#include "core/render/repaint_below.h"
#include "win/framework/convert.h"
#include "win/framework/system_library.h"
#include "win/render/sprite_region_win.h"

namespace pomki::win {
namespace {

constexpr COLORREF kMaskColour = 0x00FFFFFF;  // white: the sprites' background
// Invalidate, erase and repaint at once, the non-client frame and all child windows too.
constexpr UINT kRepaintBelowFlags = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE |
                                    RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
static_assert(kRepaintBelowFlags == 0x0587);
// The same without painting at once: another thread's window paints when it can.
constexpr UINT kRepaintLaterFlags = kRepaintBelowFlags & ~RDW_UPDATENOW;

// The compositor keeps every window's picture: nothing below needs to paint again. Always so
// from Windows 8 on; Windows 7 may run without it.
bool DesktopIsComposited() {
    using IsEnabled = HRESULT(WINAPI*)(BOOL*);
    static const auto isEnabled = SystemFunction<IsEnabled>(L"dwmapi.dll", "DwmIsCompositionEnabled");
    BOOL composited = FALSE;
    return isEnabled && SUCCEEDED(isEnabled(&composited)) && composited;
}

// The desktop's windows below the shaped window, for the repaint-below walk. The old
// shape is moved along from one redrawn window's client coordinates to the next.
class DesktopWindowsBelow final : public WindowsBelow {
public:
    DesktopWindowsBelow(HWND window, HRGN shape) : current_(window), shape_(shape) {}

    bool Next() override {
        current_ = GetWindow(current_, GW_HWNDNEXT);
        return current_ != nullptr;
    }

    bool IsVisible() override { return IsWindowVisible(current_) != FALSE; }

    std::optional<Rect> WindowRect() override {
        RECT r;
        if (!GetWindowRect(current_, &r)) return std::nullopt;
        return ToRect(r);
    }

    Point ScreenOriginInClient() override {
        POINT origin{0, 0};
        ScreenToClient(current_, &origin);
        return ToPoint(origin);
    }

    bool HasOwnRegion() override {
        UniqueRegion scratch(CreateRectRgn(0, 0, 0, 0));
        // Without a scratch region the answer is unknown: walking on repaints more, never less.
        if (!scratch) return true;
        return GetWindowRgn(current_, scratch.get()) != ERROR;
    }

    bool IsOnThisThread() override { return GetWindowThreadProcessId(current_, nullptr) == GetCurrentThreadId(); }

    void Redraw(Point shapeOffset, bool now) override {
        OffsetRgn(shape_, shapeOffset.x, shapeOffset.y);
        RedrawWindow(current_, nullptr, shape_, now ? kRepaintBelowFlags : kRepaintLaterFlags);
    }

private:
    HWND current_;
    HRGN shape_;  // the old shape; the caller owns it
};

}  // namespace

void ApplyFrameRegion(HWND window, HRGN slotRegion, HIMAGELIST picture) {
    // The old shape in screen coordinates, for the windows below to redraw what it covered; a
    // composited desktop redraws them itself. A window without a region yet keeps it empty.
    const bool composited = DesktopIsComposited();
    UniqueRegion oldShape(composited ? nullptr : CreateRectRgn(0, 0, 0, 0));
    if (oldShape && GetWindowRgn(window, oldShape.get()) != ERROR) {
        RECT windowRect;
        if (GetWindowRect(window, &windowRect)) {
            OffsetRgn(oldShape.get(), windowRect.left, windowRect.top);
        }
    }

    // The window gets its own copy of the slot's shape and owns it once it is set.
    UniqueRegion newShape(CreateRectRgn(0, 0, 0, 0));
    if (newShape) {
        CombineRgn(newShape.get(), slotRegion, nullptr, RGN_COPY);
        if (SetWindowRgn(window, newShape.get(), FALSE)) newShape.release();
    }

    // The new frame is drawn into the window at once, with no round of paint messages for it
    // (an expose still paints it through WM_PAINT). A minimised window paints as it does.
    if (picture && !IsIconic(window)) {
        WindowDC dc(window);
        if (dc.get()) ImageList_Draw(picture, 0, dc.get(), 0, 0, ILD_NORMAL);
        ValidateRect(window, nullptr);
    } else {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    }

    if (!oldShape) return;
    RECT box;
    if (GetRgnBox(oldShape.get(), &box) == ERROR) return;
    DesktopWindowsBelow below(window, oldShape.get());
    RepaintBelow(ToRect(box), below);
}

Frame Frame::Load(HINSTANCE module, int resourceId, SIZE imageSize, int scale) {
    if (scale < 1) scale = 1;
    Frame frame;
    frame.images.reset(
        ImageList_Create(imageSize.cx * scale, imageSize.cy * scale, ILC_COLOR24 | ILC_MASK, 0, 0));
    if (frame.images) {
        UniqueBitmap picture = LoadBitmapAtScale(module, resourceId, scale);
        // The image list keeps its own copy of the picture.
        if (picture) ImageList_AddMasked(frame.images.get(), picture.get(), kMaskColour);
    }
    // A second, separate load only for the region; a failed load is reported by
    // BuildSpriteRegion.
    UniqueBitmap regionSource = LoadBitmapAtScale(module, resourceId, scale);
    frame.region.reset(BuildSpriteRegion(regionSource.get()));
    return frame;
}

void FrameSet::Load(HINSTANCE module, int scale) {
    Release();
    for (int s = 0; s < kFrameSlotCount; ++s) {
        const FrameSlot& slot = kFrameSlots[static_cast<std::size_t>(s)];
        frames_[static_cast<std::size_t>(s)] =
            Frame::Load(module, slot.resourceId, SIZE{slot.imageSize.cx, slot.imageSize.cy}, scale);
    }
}

HIMAGELIST FrameSet::Images(int slot) const {
    return InRange(slot) ? frames_[static_cast<std::size_t>(slot)].images.get() : nullptr;
}

HRGN FrameSet::Region(int slot) const {
    return InRange(slot) ? frames_[static_cast<std::size_t>(slot)].region.get() : nullptr;
}

void FrameSet::Draw(int slot, HDC dc, POINT at) const {
    HIMAGELIST images = Images(slot);
    if (images) ImageList_Draw(images, 0, dc, at.x, at.y, ILD_NORMAL);
}

void FrameSet::Release() {
    for (Frame& frame : frames_) frame.images.reset();
    for (Frame& frame : frames_) frame.region.reset();
}

}  // namespace pomki::win
