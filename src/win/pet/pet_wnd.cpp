#include "win/pet/pet_wnd.h"

#include <dwmapi.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "win/care/care_menu_dlg.h"
#include "win/framework/app.h"
#include "core/pet/pet_events.h"
#include "core/pet/screen_bounds.h"
#include "resource_ids.h"
#include "win/render/screens_win.h"
#include "win/sound/sound_win.h"
#include "core/state/pet_keeper.h"

namespace pomki::win {

namespace {

constexpr wchar_t kTrayTip[] = L"デスクトップぽてぽて";

HWND InsertAfter(ZOrder z) {
    switch (z) {
    case ZOrder::TopMost: return HWND_TOPMOST;
    case ZOrder::NoTopMost: return HWND_NOTOPMOST;
    case ZOrder::Bottom: return HWND_BOTTOM;
    }
    return HWND_NOTOPMOST;
}

// How long the pet waits for another program to take a new title.
constexpr UINT kOtherWindowTimeoutMs = 200;

// While it lives, the first dialog activated on this thread (the message box) is made
// topmost.
class TopmostBoxGuard {
public:
    TopmostBoxGuard() {
        done_ = false;
        hook_.reset(SetWindowsHookExW(WH_CBT, &TopmostBoxGuard::Hook, nullptr, GetCurrentThreadId()));
    }
    TopmostBoxGuard(const TopmostBoxGuard&) = delete;
    TopmostBoxGuard& operator=(const TopmostBoxGuard&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && !done_) {
            HWND box = reinterpret_cast<HWND>(wParam);
            wchar_t className[16] = {};
            GetClassNameW(box, className, ARRAYSIZE(className));
            if (lstrcmpW(className, L"#32770") == 0) {
                done_ = true;
                SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline thread_local bool done_ = false;
    UniqueHook hook_;
};

}  // namespace

CPetWnd::CPetWnd(PetState& pet, PetHost& host, HDC screenDC)
    : CDialog(IDD_PET_WND),
      pet_(pet),
      host_(host),
      screenDC_(screenDC),
      petIcon_(CWinApp::LoadIcon(IDI_PET)),
      trayIcon_(static_cast<HICON>(LoadImageW(CWinApp::ResourceModule(), MAKEINTRESOURCEW(IDI_PET), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_SHARED))) {}

BOOL CPetWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(petIcon_));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(petIcon_));

    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // Explorer broadcasts this when it re-creates the notification area; the icon is added again then.
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
    // An elevated pet would never hear it from a normal Explorer without this.
    if (taskbarCreatedMessage_ != 0) {
        ChangeWindowMessageFilterEx(GetSafeHwnd(), taskbarCreatedMessage_, MSGFLT_ALLOW, nullptr);
    }
    AddTrayIcon();

    // Drawn at the whole-number scale of its monitor's DPI, every pixel a sharp block.
    scale_ = PixelScaleForDpi(static_cast<int>(WindowDpi(GetSafeHwnd())));
    frames_.Load(CWinApp::ResourceModule(), scale_);
    // The dialog template's size follows the dialog font and the DPI; the pet is as large as
    // its frames from the start, where it stands.
    SetWindowPos(GetSafeHwnd(), nullptr, 0, 0, kPetSize * scale_, kPetSize * scale_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    host_.PetWindowReady(GetSafeHwnd());
    StartPet(pet_, behaviour_, *this);
    autosaveTimer_.Start(GetSafeHwnd(), AUTOSAVE_TIMER_ID, kAutosaveIntervalMs);
    return TRUE;
}

std::optional<LRESULT> CPetWnd::OnProgramMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_TRAY_NOTIFY) {
        // lParam is the mouse message over the icon: a press of either button opens the menu.
        if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN) OpenCareMenu(pet_, behaviour_, *this);
        return 0;
    }
    if (message == taskbarCreatedMessage_ && message != 0) {
        AddTrayIcon();
        return 0;
    }
    return std::nullopt;
}

void CPetWnd::AddTrayIcon() {
    trayIconData_ = {};
    trayIconData_.cbSize = sizeof(trayIconData_);
    trayIconData_.hWnd = GetSafeHwnd();
    trayIconData_.uID = 0;
    trayIconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconData_.uCallbackMessage = WM_TRAY_NOTIFY;
    trayIconData_.hIcon = trayIcon_ ? trayIcon_ : petIcon_;
    lstrcpynW(trayIconData_.szTip, kTrayTip, ARRAYSIZE(trayIconData_.szTip));
    Shell_NotifyIconW(NIM_ADD, &trayIconData_);
}

// Paints the current frame. The frame is drawn whole through a client DC after the paint
// cycle; the window region hides everything outside the sprite's own pixels.
bool CPetWnd::OnPaint() {
    HWND window = GetSafeHwnd();
    {
        // BeginPaint validates the window and has its background erased.
        PaintDC paint(window);
        if (IsIconic(window)) {
            SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
            RECT client{};
            GetClientRect(window, &client);
            const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
            const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
            DrawIcon(paint.get(), x, y, petIcon_);
        }
    }
    WindowDC client(window);
    frames_.Draw(behaviour_.FrameSlot(), client.get(), POINT{0, 0});
    return true;
}

void CPetWnd::OnDestroy() {
    Shell_NotifyIconW(NIM_DELETE, &trayIconData_);
    frames_.Release();
    host_.PetWindowGone();
}

void CPetWnd::OnEndSession(bool ending) {
    if (ending) host_.SessionEnding();
}

// The pet was moved to a monitor of another DPI (or the user changed the scale): its frames
// are made again at the new scale and it takes the size the system suggests a place for.
bool CPetWnd::OnDpiChanged(UINT dpi, const RECT& suggested) {
    const int scale = PixelScaleForDpi(static_cast<int>(dpi));
    if (scale != scale_) {
        scale_ = scale;
        frames_.Load(CWinApp::ResourceModule(), scale_);
        ApplyFrameRegion(behaviour_.FrameSlot());
    }
    SetWindowPos(GetSafeHwnd(), nullptr, suggested.left, suggested.top, kPetSize * scale_, kPetSize * scale_,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CPetWnd::OnLButtonDown(UINT, POINT) { PetThePet(pet_, behaviour_, *this); }

void CPetWnd::OnRButtonDown(UINT, POINT) { OpenCareMenu(pet_, behaviour_, *this); }

// Each tick of BehaviourTimer is one tick of the pet; the autosave timer writes its changes.
void CPetWnd::OnTimer(UINT_PTR id) {
    if (id == AUTOSAVE_TIMER_ID) {
        host_.SaveChanges();
        return;
    }
    RunTick(pet_, behaviour_, *this, random_);
}

// ---- PetPort ----

Rect CPetWnd::PetRect() {
    RECT r{};
    GetWindowRect(GetSafeHwnd(), &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

WindowRef CPetWnd::PetWindow() { return reinterpret_cast<WindowRef>(GetSafeHwnd()); }

WindowRef CPetWnd::ForegroundWindow() { return reinterpret_cast<WindowRef>(GetForegroundWindow()); }

// The frame the user sees: the pet peeks out from that edge, not from the invisible border.
Rect CPetWnd::WindowRect(WindowRef window) { return VisibleFrame(reinterpret_cast<HWND>(window)); }

Point CPetWnd::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return Point{p.x, p.y};
}

void CPetWnd::ApplyFrameRegion(int frameSlot) {
    ::pomki::win::ApplyFrameRegion(GetSafeHwnd(), frames_.Region(frameSlot));
}

// SWP_NOACTIVATE: a placement must never take the keyboard focus from the user's window.
void CPetWnd::PlacePet(ZOrder z, int32_t x, int32_t y) {
    SetWindowPos(GetSafeHwnd(), InsertAfter(z), x, y, kPetSize * scale_, kPetSize * scale_,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void CPetWnd::StartTimer(int intervalMs) {
    behaviourTimer_.Start(GetSafeHwnd(), BEHAVIOUR_TIMER_ID, static_cast<UINT>(intervalMs));
}

void CPetWnd::StopTimer() { behaviourTimer_.Stop(); }

// Holds the pose on screen: the thread is blocked and handles no messages, but it sleeps
// rather than spins. Timed with the performance counter, which a change of the clock does not
// move (the runtime's steady_clock reads the wall clock in this build).
void CPetWnd::HoldPose(double seconds) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (;;) {
        QueryPerformanceCounter(&now);
        const double elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (elapsed > seconds) return;
        Sleep(static_cast<DWORD>((seconds - elapsed) * 1000.0) + 1);
    }
}

void CPetWnd::PlaySoundEffect(int soundId) { ::pomki::win::PlaySoundEffect(soundId); }

void CPetWnd::DrawShotMark(Point at) { frames_.Draw(kShotMarkSlot, screenDC_, POINT{at.x, at.y}); }

void CPetWnd::MessageBox(std::wstring_view text, std::wstring_view caption) {
    const std::wstring textZ(text);
    const std::wstring captionZ(caption);
    // A background program may not take the foreground, and some systems ignore
    // MB_TOPMOST: the box is made topmost by hand the moment it is activated.
    TopmostBoxGuard topmost;
    ::MessageBoxW(GetSafeHwnd(), textZ.c_str(), captionZ.c_str(), MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
}

// Another program's window may hang: the pet waits a moment for it and goes on.
void CPetWnd::Retitle(WindowRef window, std::wstring_view title) {
    const std::wstring titleZ(title);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(reinterpret_cast<HWND>(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(titleZ.c_str()),
                        SMTO_BLOCK | SMTO_ABORTIFHUNG, kOtherWindowTimeoutMs, &result);
}

void CPetWnd::Minimise(WindowRef window) { ShowWindowAsync(reinterpret_cast<HWND>(window), SW_MINIMIZE); }

// The system drags the captionless window with the mouse until the button is released.
void CPetWnd::DragPet() { SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0); }

bool CPetWnd::RunCareMenu() {
    CCareMenuDlg menu(pet_, host_);
    return menu.DoModal() == IDOK;
}

// ---- PetPort: other programs' windows ----

// Only quick questions that no other program has to answer, so a hung one cannot stop the pet.
WindowFacts CPetWnd::DescribeWindow(WindowRef window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    WindowFacts facts;
    wchar_t className[256] = {};
    const int length = GetClassNameW(hwnd, className, ARRAYSIZE(className));
    facts.className.assign(className, length > 0 ? static_cast<std::size_t>(length) : 0);
    facts.shellWindow = hwnd == GetShellWindow() || hwnd == GetDesktopWindow();
    facts.toolWindow = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    // Systems before Windows 8 know no cloaking and answer with an error: not cloaked.
    DWORD cloaked = 0;
    facts.cloaked = SUCCEEDED(DwmGetWindowAttribute(hwnd, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))) && cloaked != 0;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    facts.ownProgram = process == GetCurrentProcessId();
    facts.hung = IsHungAppWindow(hwnd) != FALSE;
    facts.rect = WindowRect(window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        facts.monitor = Rect{monitor.rcMonitor.left, monitor.rcMonitor.top, monitor.rcMonitor.right,
                             monitor.rcMonitor.bottom};
    }
    return facts;
}

UserNotificationState CPetWnd::NotificationState() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (FAILED(SHQueryUserNotificationState(&state))) return UserNotificationState::Unknown;
    return static_cast<UserNotificationState>(state);
}

// ---- Screens: monitors and scale ----

// Read afresh at every step: monitors come and go, taskbars move and hide.
std::vector<Rect> CPetWnd::WorkAreas() { return MonitorWorkAreas(); }

}  // namespace pomki::win
