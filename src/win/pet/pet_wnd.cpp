#include "win/pet/pet_wnd.h"

#include <wtsapi32.h>

#include <cstring>
#include <ctime>
#include <string>

#include "core/pet/dpi_change.h"
#include "core/pet/walk_state.h"
#include "resource_ids.h"
#include "win/care/care_menu_dlg.h"
#include "win/framework/app.h"
#include "win/framework/convert.h"
#include "win/pet/call_pet.h"
#include "win/render/screens_win.h"

namespace pomki::win {

namespace {

constexpr wchar_t kTrayTip[] = L"デスクトップぽてぽて";

HWND InsertAfter(ZOrder z) {
    switch (z) {
    case ZOrder::TopMost: return HWND_TOPMOST;
    case ZOrder::NoTopMost: return HWND_NOTOPMOST;
    case ZOrder::Bottom: return HWND_BOTTOM;
    case ZOrder::Top: return HWND_TOP;
    }
    return HWND_NOTOPMOST;
}

// The mouse message over the icon, as the pet's rules name it.
TrayEvent TrayEventOf(LPARAM message) {
    switch (LOWORD(message)) {
    case WM_LBUTTONDOWN: return TrayEvent::LeftButtonDown;
    case WM_RBUTTONDOWN: return TrayEvent::RightButtonDown;
    case WM_LBUTTONUP: return TrayEvent::LeftButtonUp;
    case WM_RBUTTONUP: return TrayEvent::RightButtonUp;
    case WM_LBUTTONDBLCLK: return TrayEvent::LeftDoubleClick;
    case NIN_SELECT:
    case NIN_KEYSELECT: return TrayEvent::Select;
    case WM_CONTEXTMENU: return TrayEvent::ContextMenu;
    default: return TrayEvent::Other;
    }
}

}  // namespace

CPetWnd::CPetWnd(Program& program, HDC screenDC)
    : CDialog(IDD_PET_WND),
      program_(program),
      petIcon_(CWinApp::LoadIcon(IDI_PET)),
      desktop_(*this, frames_, screenDC),
      // The program's one seeding, when the pet is made.
      random_(static_cast<unsigned>(std::time(nullptr))) {}

BOOL CPetWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(petIcon_));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(petIcon_));
    events_ = &program_.ConnectPet(*this, desktop_, random_);
    events_->Start();
    // Windows tells at once the display's state as it is, and then each change.
    sessionNotifications_.Register(GetSafeHwnd());
    displayNotifications_.reset(
        RegisterPowerSettingNotification(GetSafeHwnd(), &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE));
    // Only a pet that has started can be called (not one still waiting for its file).
    MarkAsThePet(GetSafeHwnd());
    return TRUE;
}

void CPetWnd::OnDestroy() {
    // No notification may come for a window that is gone.
    sessionNotifications_.Unregister();
    displayNotifications_.reset();
    UnmarkThePet(GetSafeHwnd());
    events_->Destroy();
}

std::optional<LRESULT> CPetWnd::OnProgramMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_TRAY_NOTIFY) {
        events_->TrayNotify(TrayEventOf(lParam));
        return 0;
    }
    if (trayIconArea_.OnTaskbarCreated(message)) return 0;
    if (message == CallPetMessage() && message != 0) {
        events_->CalledBack();
        return 0;
    }
    return std::nullopt;
}

// Paints the current frame in one pass, into the paint DC: nothing was erased before it (see
// OnEraseBkgnd), so no other colour shows in the sprite's shape in between. The window region
// hides everything outside the sprite's own pixels.
bool CPetWnd::OnPaint() {
    HWND window = GetSafeHwnd();
    PaintDC paint(window);
    if (IsIconic(window)) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
        RECT client{};
        GetClientRect(window, &client);
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(paint.get(), x, y, petIcon_);
    }
    // Before set-up the pet has no frames yet, and nothing to draw.
    if (events_) frames_.Draw(events_->FrameSlot(), paint.get(), POINT{0, 0});
    return true;
}

// Only a slot without a picture (its bitmap failed to load) leaves its shape to the dialog's
// background.
bool CPetWnd::OnEraseBkgnd(HDC) { return events_ && frames_.Images(events_->FrameSlot()) != nullptr; }

std::optional<SIZE> CPetWnd::OnGetDpiScaledSize(UINT dpi) {
    const int side = PetSideForDpi(static_cast<int>(dpi));
    return SIZE{side, side};
}

// Every timer message of the pet window is handed on with the time the system gives it.
void CPetWnd::OnTimer(UINT_PTR id) {
    if (trayIconArea_.OnTimer(id)) return;
    events_->Timer(TimerMessage{static_cast<int>(id), static_cast<uint32_t>(GetMessageTime())});
}

void CPetWnd::OnEndSession(bool ending) {
    if (ending) events_->EndSession();
}

// The session locked, unlocked, switched away or back (for this session only).
void CPetWnd::OnSessionChange(WPARAM code) {
    switch (code) {
    case WTS_SESSION_LOCK: events_->Presence(PresenceEvent::SessionLocked); break;
    case WTS_SESSION_UNLOCK: events_->Presence(PresenceEvent::SessionUnlocked); break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT: events_->Presence(PresenceEvent::SessionDisconnected); break;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT: events_->Presence(PresenceEvent::SessionConnected); break;
    default: break;
    }
}

// Sleep and wake; the console display off, dimmed or on (the data of that change lives in
// this process, given by the system with the message).
void CPetWnd::OnPowerBroadcast(WPARAM event, LPARAM data) {
    switch (event) {
    case PBT_APMSUSPEND: events_->Presence(PresenceEvent::Suspending); break;
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMEAUTOMATIC: events_->Presence(PresenceEvent::Resumed); break;
    case PBT_POWERSETTINGCHANGE: {
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
        if (!setting || setting->PowerSetting != GUID_CONSOLE_DISPLAY_STATE || setting->DataLength < sizeof(DWORD)) break;
        DWORD state = 0;
        memcpy(&state, setting->Data, sizeof state);
        events_->Presence(state == 0 ? PresenceEvent::DisplayOff : PresenceEvent::DisplayOn);
        break;
    }
    default: break;
    }
}

// The taskbar's monitor may be the one whose scale changed: the icon follows it.
bool CPetWnd::OnDpiChanged(UINT dpi, const RECT& suggested) {
    trayIconArea_.Refresh();
    events_->DpiChanged(static_cast<int>(dpi), ToRect(suggested));
    return true;
}

// ---- PetWindowPort ----

WindowRef CPetWnd::PetWindow() { return reinterpret_cast<WindowRef>(GetSafeHwnd()); }

Rect CPetWnd::PetRect() { return WindowRectOf(GetSafeHwnd()); }

int CPetWnd::Dpi() { return static_cast<int>(WindowDpi(GetSafeHwnd())); }

void CPetWnd::LoadFrames(int scale) {
    frames_.Load(CWinApp::ResourceModule(), scale);
    frameSide_ = kPetSize * scale;
}

void CPetWnd::ApplyFrameRegion(int frameSlot) {
    ::pomki::win::ApplyFrameRegion(GetSafeHwnd(), frames_.Region(frameSlot), frames_.Images(frameSlot));
}

void CPetWnd::SetRect(const Rect& rect) {
    SetWindowPos(GetSafeHwnd(), nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// SWP_NOACTIVATE: a placement must never take the keyboard focus from the user's window.
void CPetWnd::PlacePet(ZOrder z, int32_t x, int32_t y) {
    SetWindowPos(GetSafeHwnd(), InsertAfter(z), x, y, frameSide_, frameSide_, SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

WindowTimer& CPetWnd::TimerOf(PetTimer timer) {
    switch (timer) {
    case PetTimer::Autosave: return autosaveTimer_;
    case PetTimer::PresenceCheck: return presenceTimer_;
    case PetTimer::Behaviour: break;
    }
    return behaviourTimer_;
}

// A tenth of the interval late at most keeps the walk's rhythm while the system wakes once for
// several timers of the machine.
void CPetWnd::StartTimer(PetTimer timer, int intervalMs) {
    TimerOf(timer).Start(GetSafeHwnd(), static_cast<UINT_PTR>(timer), static_cast<UINT>(intervalMs),
                         static_cast<ULONG>(intervalMs / 10));
}

void CPetWnd::StopTimer(PetTimer timer) { TimerOf(timer).Stop(); }

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

bool CPetWnd::RunCareMenu() {
    CCareMenuDlg menu(program_);
    careMenu_ = &menu;
    const bool ok = menu.DoModal() == IDOK;
    careMenu_ = nullptr;
    return ok;
}

// A notice that stands alone has no owner, so it gets a taskbar button of its own and cannot
// be lost behind other windows with an owner that is not shown.
void CPetWnd::ShowNotice(const FileNotice& notice) {
    const std::wstring text(notice.text);
    const std::wstring caption(notice.caption);
    // A quit request that is ending the program would close the box at once: it is held
    // back until the user has read the message.
    MSG quit{};
    const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    if (notice.standsAlone) {
        MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    } else {
        MessageBoxW(GetSafeHwnd(), text.c_str(), caption.c_str(), MB_OK);
    }
    if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

// The click that asked for it (on the icon, whose shell then lets us, or on the pet) lets the
// program take the foreground: the menu, or the food menu it runs, comes to the front.
void CPetWnd::BringCareMenuToFront() {
    HWND menu = careMenu_ ? careMenu_->GetSafeHwnd() : nullptr;
    if (!menu) return;
    if (IsIconic(menu)) ::ShowWindow(menu, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(menu));
}

void CPetWnd::AddTrayIcon() {
    trayIconArea_.Add(GetSafeHwnd(), WM_TRAY_NOTIFY, CWinApp::ResourceModule(), IDI_PET, kTrayTip, TRAY_RETRY_TIMER_ID);
}

}  // namespace pomki::win
