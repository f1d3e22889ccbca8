// Driver commands for scaled desktops and several monitors: a change of DPI sent to a window
// as Windows sends it (Wine never does), and a window followed as it moves.
#include "driver.h"

#include <cstdio>
#include <string>

namespace e2e {

namespace {

// Windows 8.1 and 10 1703; not in the headers for Windows 7.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kWmGetDpiScaledSize = 0x02E4;
constexpr UINT kSendTimeoutMs = 5000;

// The DPI of a window as the system tells it, 96 where it cannot.
UINT DpiOf(HWND hwnd) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow =
        reinterpret_cast<ForWindow>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = forWindow ? forWindow(hwnd) : 0;
    return dpi ? dpi : 96;
}

// What Windows does when the DPI of a per-monitor aware window's monitor changes: it asks the
// window for its size at the new DPI (WM_GETDPISCALEDSIZE, with the size scaled in proportion
// as the proposal), then sends WM_DPICHANGED with a suggested rectangle: the window's corner,
// at the size it answered (or the proportional one). Both messages point into memory of the
// window's own process. Reports what was asked, answered and suggested, and the window's
// rectangle afterwards.
int CmdDpiChange(const Args& args) {
    HWND hwnd = args.Hwnd();
    const UINT dpi = static_cast<UINT>(args.RequiredNum(L"dpi"));
    const UINT oldDpi = static_cast<UINT>(args.Num(L"from-dpi", DpiOf(hwnd)));
    RECT old{};
    if (!GetWindowRect(hwnd, &old)) return kQueryFailed;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const RemoteBuffer remote(pid, sizeof(SIZE) + sizeof(RECT));

    SIZE size{MulDiv(old.right - old.left, static_cast<int>(dpi), static_cast<int>(oldDpi)),
              MulDiv(old.bottom - old.top, static_cast<int>(dpi), static_cast<int>(oldDpi))};
    remote.Write(0, &size, sizeof size);
    DWORD_PTR answered = 0;
    const bool asked = SendMessageTimeoutW(hwnd, kWmGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(remote.Address()),
                                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &answered) != 0;
    if (asked && answered) remote.Read(0, &size, sizeof size);

    const RECT suggested{old.left, old.top, old.left + size.cx, old.top + size.cy};
    remote.Write(sizeof(SIZE), &suggested, sizeof suggested);
    DWORD_PTR result = 0;
    const bool sent = SendMessageTimeoutW(hwnd, kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                                          reinterpret_cast<LPARAM>(remote.Address() + sizeof(SIZE)), SMTO_ABORTIFHUNG,
                                          kSendTimeoutMs, &result) != 0;
    RECT after{};
    GetWindowRect(hwnd, &after);
    Emit(Json()
             .Add("hwnd", HwndNumber(hwnd))
             .Add("old", old)
             .Add("asked", asked)
             .Add("answered", asked && answered != 0)
             .Raw("size", "[" + std::to_string(size.cx) + "," + std::to_string(size.cy) + "]")
             .Add("suggested", suggested)
             .Add("sent", sent)
             .Add("rect", after)
             .Text());
    return sent ? kOk : kQueryFailed;
}

// Reads a window's rectangle over and over for --ms milliseconds (yielding between reads, so
// a window that moves every 10 ms is seen at each of its places), and reports the rectangles
// it stood at, in order, each once per stay. Ends early when the window is gone.
int CmdTrackRect(const Args& args) {
    HWND hwnd = args.Hwnd();
    const DWORD ms = static_cast<DWORD>(args.Num(L"ms", 1000));
    const DWORD start = GetTickCount();
    std::string list = "[";
    RECT last{};
    bool any = false;
    bool gone = false;
    int64_t samples = 0;
    while (GetTickCount() - start < ms) {
        RECT r{};
        if (!IsWindow(hwnd) || !GetWindowRect(hwnd, &r)) {
            gone = true;
            break;
        }
        ++samples;
        if (!any || !EqualRect(&r, &last)) {
            list += (any ? "," : "") + JsonRect(r);
            last = r;
            any = true;
        }
        Sleep(0);
    }
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("samples", samples).Add("gone", gone).Raw("rects", list + "]").Text());
    return kOk;
}

// An icon resource of an exe drawn as the notification area draws it: the image of exactly
// --size pixels (scaled from another size where the icon has none), over a --background
// colour (RRGGBB), its rows of RRGGBB.
int CmdIconPixels(const Args& args) {
    const std::wstring exe = args.Required(L"exe");
    const int id = static_cast<int>(args.RequiredNum(L"id"));
    const int size = static_cast<int>(args.RequiredNum(L"size"));
    const auto background = static_cast<uint32_t>(std::stoul(Utf8(args.Str(L"background", L"ffffff")), nullptr, 16));
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) throw std::runtime_error("cannot open " + Utf8(exe));
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
    if (!icon) {
        FreeLibrary(module);
        throw std::runtime_error("no icon " + std::to_string(id));
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, canvas);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int i = 0; i < size * size; ++i) pixels[i] = background;
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::string rows = "[";
    char hex[8];
    for (int y = 0; y < size; ++y) {
        std::string row;
        for (int x = 0; x < size; ++x) {
            std::snprintf(hex, sizeof hex, "%06x", pixels[y * size + x] & 0xFFFFFF);
            row += hex;
        }
        rows += (y ? ",\"" : "\"") + row + "\"";
    }
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    DestroyIcon(icon);
    FreeLibrary(module);
    Emit(Json().Add("size", size).Raw("rows", rows + "]").Text());
    return kOk;
}

}  // namespace

std::vector<Command> ScaleCommands() {
    return {
        {L"dpi-change", CmdDpiChange,
         "dpi-change --hwnd H --dpi D [--from-dpi D]: WM_GETDPISCALEDSIZE, then WM_DPICHANGED with the suggested "
         "rectangle, as Windows sends them when the window's monitor takes another DPI"},
        {L"track-rect", CmdTrackRect,
         "track-rect --hwnd H [--ms MS]: the rectangles a window stands at, in order, while it is read for MS"},
        {L"icon-pixels", CmdIconPixels,
         "icon-pixels --exe PATH --id N --size S [--background RRGGBB]: the icon drawn at S x S, rows of RRGGBB"},
    };
}

}  // namespace e2e
