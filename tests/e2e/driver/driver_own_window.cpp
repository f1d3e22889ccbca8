// "own-window": a plain overlapped window of the driver's own that stands in for the program
// a user is working in. It makes itself the foreground window and logs every change of its
// title, of its minimised state and of whether it is still the foreground window.
#include "driver.h"

namespace e2e {

namespace {

constexpr wchar_t kOwnWindowClass[] = L"E2EDriverOwnWindow";
constexpr DWORD kSampleMs = 50;
constexpr DWORD kForegroundTries = 20;

struct Observed {
    std::wstring title;
    bool iconic = false;
    bool foreground = false;
    bool exists = true;

    bool operator==(const Observed&) const = default;
};

bool g_destroyed = false;

LRESULT CALLBACK OwnWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) g_destroyed = true;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

Observed Observe(HWND hwnd) {
    Observed o;
    o.exists = !g_destroyed && IsWindow(hwnd);
    if (!o.exists) return o;
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);
    o.title = title;
    o.iconic = IsIconic(hwnd) != FALSE;
    o.foreground = GetForegroundWindow() == hwnd;
    return o;
}

std::string Line(DWORD elapsed, const char* event, const Observed& o, HWND hwnd) {
    return Json()
        .Add("t", static_cast<int64_t>(elapsed))
        .Add("event", event)
        .Add("hwnd", HwndNumber(hwnd))
        .Add("title", o.title)
        .Add("iconic", o.iconic)
        .Add("foreground", o.foreground)
        .Add("exists", o.exists)
        .Add("foreground_hwnd", HwndNumber(GetForegroundWindow()))
        .Text();
}

// Handles whatever is queued, so that a retitle or minimise from another process is applied.
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            g_destroyed = true;
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int CmdOwnWindow(const Args& args) {
    const std::wstring title = args.Str(L"title", L"e2e own window");
    const DWORD seconds = static_cast<DWORD>(args.Num(L"seconds", 5));
    const int x = static_cast<int>(args.Num(L"x", 200));
    const int y = static_cast<int>(args.Num(L"y", 150));
    const int w = static_cast<int>(args.Num(L"width", 400));
    const int h = static_cast<int>(args.Num(L"height", 300));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = OwnWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kOwnWindowClass;
    RegisterClassExW(&wc);

    HWND hwnd = CreateWindowExW(0, kOwnWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!hwnd) {
        Emit(Json().Add("error", "cannot create the window").Text());
        return kQueryFailed;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    const DWORD start = GetTickCount();
    // Becoming the foreground window can take a moment under Wine; bounded retries.
    for (DWORD i = 0; i < kForegroundTries && GetForegroundWindow() != hwnd; ++i) {
        SetForegroundWindow(hwnd);
        Pump();
        if (GetForegroundWindow() != hwnd) Sleep(kSampleMs);
    }
    Observed last = Observe(hwnd);
    EmitNow(Line(GetTickCount() - start, "start", last, hwnd));

    const DWORD total = seconds * 1000;
    DWORD nextSample = kSampleMs;
    while (!g_destroyed) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= total) break;
        if (elapsed >= nextSample) {
            const Observed now = Observe(hwnd);
            if (!(now == last)) EmitNow(Line(elapsed, "change", now, hwnd));
            last = now;
            nextSample = (elapsed / kSampleMs + 1) * kSampleMs;
        }
        const DWORD untilSample = nextSample > elapsed ? nextSample - elapsed : 0;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, untilSample, QS_ALLINPUT);
        Pump();
    }
    const Observed final = Observe(hwnd);
    EmitNow(Line(GetTickCount() - start, "end", final, hwnd));
    if (!g_destroyed && IsWindow(hwnd)) DestroyWindow(hwnd);
    return kOk;
}

}  // namespace

std::vector<Command> OwnWindowCommands() {
    return {
        {L"own-window", CmdOwnWindow,
         "own-window [--title T] [--seconds S] [--x --y --width --height]: a foreground window of our own that logs "
         "changes of its title, minimised state and foreground state (sampled every 50 ms)"},
    };
}

}  // namespace e2e
