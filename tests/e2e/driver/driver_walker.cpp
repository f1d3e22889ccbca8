// "walker": a 60 x 60 window moved 4 pixels every 100 ms, back and forth along a line, for
// measuring what walking costs. Bare, it is the floor: a window that only moves. With the pet's
// frames (loaded from the exe) it can take, one by one, the parts of a pet's step: the new shape,
// the repaint of what the old shape covered on the windows below, the paint of the frame, the
// place in the z-order; with --pet it takes every part as the pet does (the program's own code).
#include "driver.h"

#include "win/framework/handles.h"
#include "win/render/frame_region_win.h"

namespace e2e {

namespace {

using pomki::win::FrameSet;

struct Walker {
    bool region = false;
    bool below = false;
    bool paint = false;
    bool zorder = false;
    bool pet = false;
    FrameSet frames;
    int slot = 4;
    int x = 100;
    int step = 4;
};
Walker* g_walker = nullptr;

LRESULT CALLBACK WalkerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const bool paints = g_walker && (g_walker->paint || g_walker->pet);
    // As the pet paints: the frame in one pass into the paint DC, no background erased first.
    if (msg == WM_ERASEBKGND && paints) return 1;
    if (msg == WM_PAINT && paints) {
        pomki::win::PaintDC paint(hwnd);
        g_walker->frames.Draw(g_walker->slot, paint.get(), POINT{0, 0});
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Step(HWND hwnd, Walker& w) {
    w.slot = w.slot == 4 ? 5 : 4;
    if (w.x + w.step > 900 || w.x + w.step < 100) w.step = -w.step;
    w.x += w.step;
    if (w.pet) {
        pomki::win::ApplyFrameRegion(hwnd, w.frames.Region(w.slot), w.frames.Images(w.slot));
    } else {
        pomki::win::UniqueRegion old(CreateRectRgn(0, 0, 0, 0));
        if (w.region) {
            GetWindowRgn(hwnd, old.get());
            pomki::win::UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
            CombineRgn(shape.get(), w.frames.Region(w.slot), nullptr, RGN_COPY);
            if (SetWindowRgn(hwnd, shape.get(), FALSE)) shape.release();
        }
        if (w.paint) {
            InvalidateRect(hwnd, nullptr, TRUE);
            UpdateWindow(hwnd);
        }
        if (w.below) {
            RECT r;
            GetWindowRect(hwnd, &r);
            OffsetRgn(old.get(), r.left, r.top);
            for (HWND below = GetWindow(hwnd, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT)) {
                if (!IsWindowVisible(below)) continue;
                RedrawWindow(below, nullptr, old.get(), RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN |
                                                             RDW_UPDATENOW | RDW_FRAME);
                break;
            }
        }
    }
    const bool zorder = w.zorder || w.pet;
    SetWindowPos(hwnd, zorder ? HWND_NOTOPMOST : nullptr, w.x, 100, 60, 60,
                 (zorder ? SWP_SHOWWINDOW : SWP_NOZORDER) | SWP_NOACTIVATE);
}

int CmdWalker(const Args& args) {
    Walker walker;
    walker.region = args.Has(L"region");
    walker.below = args.Has(L"below");
    walker.paint = args.Has(L"paint");
    walker.zorder = args.Has(L"zorder");
    walker.pet = args.Has(L"pet");
    if (walker.region || walker.below || walker.paint || walker.pet) {
        const std::wstring exe = args.Required(L"frames");
        HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
        if (!module) throw std::runtime_error("cannot load the exe's resources");
        walker.frames.Load(module, 1);
    }
    g_walker = &walker;
    WNDCLASSW cls{};
    cls.lpfnWndProc = WalkerProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"E2EWalker";
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&cls);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, cls.lpszClassName, L"walker", WS_POPUP | WS_VISIBLE, walker.x, 100, 60,
                                60, nullptr, nullptr, cls.hInstance, nullptr);
    if (!hwnd) throw std::runtime_error("cannot make the walker's window");
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Text());
    EmitNow("");
    SetTimer(hwnd, 1, 100, nullptr);
    const DWORD end = GetTickCount() + static_cast<DWORD>(args.Num(L"seconds", 20) * 1000);
    MSG msg;
    while (GetTickCount() < end && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == hwnd) {
            Step(hwnd, walker);
            continue;
        }
        DispatchMessageW(&msg);
    }
    DestroyWindow(hwnd);
    g_walker = nullptr;
    return kOk;
}

}  // namespace

std::vector<Command> WalkerCommands() {
    return {{L"walker", CmdWalker,
             "walker [--seconds S] [--frames EXE [--region] [--below] [--paint] [--zorder] | --pet]: a 60 x 60 window "
             "moved 4 px every 100 ms, with the parts of a pet's step asked for"}};
}

}  // namespace e2e
