// Owning handle types: one move-only template, one alias per kind of handle, each naming
// how that kind is given back. Handles we don't own (shared resource icons, windows of
// other programs) are kept as plain handles.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace pomki::win {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

    // Gives up ownership, e.g. after SetWindowRgn has taken the region.
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }

    void reset(Handle h = Traits::Invalid()) {
        Handle old = std::exchange(handle_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Invalid();
};

template <typename H, BOOL(WINAPI* CloseFn)(H), H InvalidValue = nullptr>
struct SimpleTraits {
    using Handle = H;
    static Handle Invalid() { return InvalidValue; }
    static void Close(Handle h) { CloseFn(h); }
};

template <typename H>
struct GdiObjectTraits {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};

using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueMemoryDC = UniqueHandle<SimpleTraits<HDC, DeleteDC>>;            // CreateCompatibleDC
using UniqueImageList = UniqueHandle<SimpleTraits<HIMAGELIST, ImageList_Destroy>>;
using UniqueKernelHandle = UniqueHandle<SimpleTraits<HANDLE, CloseHandle>>;   // mutex, event...
using UniqueFile = UniqueHandle<FileTraits>;                                 // CreateFileW
using UniqueGlobal = UniqueHandle<GlobalMemoryTraits>;                       // GlobalAlloc
using UniqueHook = UniqueHandle<SimpleTraits<HHOOK, UnhookWindowsHookEx>>;   // SetWindowsHookExW
using UniqueIcon = UniqueHandle<SimpleTraits<HICON, DestroyIcon>>;           // an icon made for us alone (not LR_SHARED)
using UniquePowerNotification = UniqueHandle<SimpleTraits<HPOWERNOTIFY, UnregisterPowerSettingNotification>>;

// A DC obtained with GetDC (of a window, or of the whole screen for nullptr): given back
// with ReleaseDC to the same window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A DC obtained with BeginPaint: given back with EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// SelectObject that puts the previous object back when the guard ends.
class SelectionGuard {
public:
    SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectionGuard() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// GlobalLock of a movable block, GlobalUnlock when the guard ends. The block itself stays
// owned by its UniqueGlobal, which must outlive the guard.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory)
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockGuard() {
        if (data_) GlobalUnlock(memory_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    HGLOBAL memory_;
    void* data_;
};

}  // namespace pomki::win
