// "polite-window": windows of the driver's own that stand in for what a real desktop puts in
// front of the pet: the shell's windows (registered under the shell's class names), a program
// that covers the whole screen, a program whose thread stops handling its messages. Like
// own-window, it logs every change of its title, minimised state and foreground state.
#include "driver.h"

#include <sstream>

namespace e2e {

namespace {

constexpr DWORD kSampleMs = 50;
constexpr DWORD kForegroundTries = 20;

bool g_quit = false;

LRESULT CALLBACK PoliteWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

std::vector<std::wstring> SplitCommas(const std::wstring& text) {
    std::vector<std::wstring> parts;
    std::wstringstream in(text);
    std::wstring part;
    while (std::getline(in, part, L',')) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

struct Seen {
    std::wstring title;
    bool iconic = false;
    bool foreground = false;
    bool operator==(const Seen&) const = default;
};

Seen Look(HWND hwnd) {
    Seen seen;
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);
    seen.title = title;
    seen.iconic = IsIconic(hwnd) != FALSE;
    seen.foreground = GetForegroundWindow() == hwnd;
    return seen;
}

void Log(DWORD start, const char* event, const std::wstring& cls, HWND hwnd, const Seen& seen) {
    EmitNow(Json()
                .Add("t", static_cast<int64_t>(GetTickCount() - start))
                .Add("event", event)
                .Add("hwnd", HwndNumber(hwnd))
                .Add("class", cls)
                .Add("title", seen.title)
                .Add("iconic", seen.iconic)
                .Add("foreground", seen.foreground)
                .Add("exists", IsWindow(hwnd) != FALSE)
                .Add("foreground_hwnd", HwndNumber(GetForegroundWindow()))
                .Text());
}

bool Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TakeForeground(HWND hwnd) {
    for (DWORD i = 0; i < kForegroundTries && GetForegroundWindow() != hwnd; ++i) {
        SetForegroundWindow(hwnd);
        Pump();
        if (GetForegroundWindow() != hwnd) Sleep(kSampleMs);
    }
}

int CmdPoliteWindow(const Args& args) {
    std::vector<std::wstring> classes = SplitCommas(args.Str(L"classes", L"E2EPoliteWindow"));
    if (classes.empty()) throw UsageError("--classes names no class");
    const std::wstring title = args.Str(L"title", L"e2e polite window");
    const DWORD total = static_cast<DWORD>(args.Num(L"seconds", 10)) * 1000;
    const DWORD each = static_cast<DWORD>(args.Num(L"each", total));
    const int64_t hangAfter = args.Num(L"hang-after", -1);
    const bool popup = args.Has(L"popup");
    const bool topmost = args.Has(L"topmost");
    const bool keepForeground = args.Has(L"keep-foreground");
    const int x = static_cast<int>(args.Num(L"x", 200));
    const int y = static_cast<int>(args.Num(L"y", 150));
    const int w = static_cast<int>(args.Num(L"width", 400));
    const int h = static_cast<int>(args.Num(L"height", 300));

    const DWORD start = GetTickCount();
    for (std::size_t i = 0; i < classes.size() && !g_quit; ++i) {
        const std::wstring& cls = classes[i];
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = PoliteWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = cls.c_str();
        RegisterClassExW(&wc);
        const DWORD style = popup ? WS_POPUP : WS_OVERLAPPEDWINDOW;
        HWND hwnd = CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, cls.c_str(), title.c_str(), style, x, y, w, h,
                                    nullptr, nullptr, wc.hInstance, nullptr);
        if (!hwnd) {
            Emit(Json().Add("error", "cannot create the window").Add("class", cls).Text());
            return kQueryFailed;
        }
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
        TakeForeground(hwnd);
        Seen last = Look(hwnd);
        Log(start, "start", cls, hwnd, last);

        const DWORD begun = GetTickCount();
        const bool lastOne = i + 1 == classes.size();
        for (;;) {
            const DWORD now = GetTickCount();
            if (now - start >= total || (!lastOne && now - begun >= each)) break;
            if (hangAfter >= 0 && now - start >= static_cast<DWORD>(hangAfter)) {
                Log(start, "hang", cls, hwnd, Look(hwnd));
                // The thread stops handling its messages until the time is up.
                Sleep(total - (now - start));
                break;
            }
            const Seen seen = Look(hwnd);
            if (!(seen == last)) Log(start, "change", cls, hwnd, seen);
            last = seen;
            if (keepForeground && !seen.foreground && !seen.iconic) SetForegroundWindow(hwnd);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kSampleMs, QS_ALLINPUT);
            if (!Pump()) {
                g_quit = true;
                break;
            }
        }
        Log(start, "end", cls, hwnd, Look(hwnd));
        DestroyWindow(hwnd);
    }
    return kOk;
}

int CmdHung(const Args& args) {
    HWND hwnd = args.Hwnd();
    Emit(Json().Add("hwnd", HwndNumber(hwnd)).Add("hung", IsHungAppWindow(hwnd) != FALSE).Text());
    return kOk;
}

}  // namespace

std::vector<Command> PoliteCommands() {
    return {
        {L"polite-window", CmdPoliteWindow,
         "polite-window [--classes A,B,...] [--each MS] [--seconds S] [--title T] [--x --y --width --height] "
         "[--popup] [--topmost] [--keep-foreground] [--hang-after MS]: a window of each class in turn, made the "
         "foreground window, logging changes of its title, minimised and foreground state; with --hang-after its "
         "thread stops handling messages after MS"},
        {L"hung", CmdHung, "hung --hwnd H: whether the system counts the window as not responding"},
    };
}

}  // namespace e2e
