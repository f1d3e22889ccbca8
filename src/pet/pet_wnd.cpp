#include "pet/pet_wnd.h"

#include <windowsx.h>
#undef MessageBox

#include <cstdlib>
#include <ctime>

#include "care/care_menu_dlg.h"
#include "framework/app.h"
#include "resource_ids.h"
#include "sound/sound_win.h"
#include "state/file_store_win.h"
#include "state/save_file.h"

namespace pomki::win {

namespace {

constexpr wchar_t kTrayTip[] = L"デスクトップぽてぽて";
constexpr wchar_t kFileErrorCaption[] = L"ファイルエラー";
constexpr wchar_t kRejectedText[] = L"ファイルが不正アクセスされています \n 削除後パソコンを再起動してください";
constexpr wchar_t kSaveFailedText[] = L"ファイルに保存できませんでした";

constexpr UINT kSlowIntervalMs = 400;
constexpr UINT kFastIntervalMs = 100;

HWND InsertAfter(ZOrder z) {
    switch (z) {
    case ZOrder::TopMost: return HWND_TOPMOST;
    case ZOrder::NoTopMost: return HWND_NOTOPMOST;
    case ZOrder::Bottom: return HWND_BOTTOM;
    }
    return HWND_NOTOPMOST;
}

}  // namespace

CPetWnd::CPetWnd(HWND parent, PetState& pet, HDC screenDC)
    : CDialog(IDD_PET_WND, parent),
      pet_(pet),
      screenDC_(screenDC),
      petIcon_(CWinApp::Current()->LoadIcon(IDI_PET)),
      trayIcon_(static_cast<HICON>(LoadImageW(CWinApp::ResourceModule(), MAKEINTRESOURCEW(IDI_PET), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_SHARED))) {}

BOOL CPetWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND window = GetSafeHwnd();
    CWinApp::Current()->mainWnd = window;

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(petIcon_));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(petIcon_));

    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // Explorer broadcasts this when it re-creates the notification area; the icon is added again then.
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
    AddTrayIcon();

    frames_.Load(CWinApp::ResourceModule());

    savePath_ = ModuleDirectory() + kSaveFileName;
    WinFileStore files;
    if (loadPetState(files, savePath_, pet_) == LoadResult::Rejected) {
        ::MessageBoxW(window, kRejectedText, kFileErrorCaption, MB_OK);
        PostQuitMessage(0);
    }
    pet_.abilityOn[Clock] = 0;  // no clock window exists at start

    ApplyFrameRegion(behaviour_.FrameSlot());
    StartBehaviourTimer();
    return TRUE;
}

LRESULT CPetWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(petIcon_);
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown();
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown();
        return Default();
    case WM_TIMER:
        OnTimer();
        return Default();
    case WM_TRAY_NOTIFY:
        return OnTrayNotify(lParam);
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return Default();
    default:
        if (message == taskbarCreatedMessage_ && message != 0) {
            AddTrayIcon();
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
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

void CPetWnd::StartBehaviourTimer() {
    behaviourTimer_.Start(GetSafeHwnd(), BEHAVIOUR_TIMER_ID,
                          pet_.IsOn(FastMove) ? kFastIntervalMs : kSlowIntervalMs);
}

// Paints the current frame. The frame is drawn whole through a client DC; the window region
// hides everything outside the sprite's own pixels.
void CPetWnd::OnPaint() {
    HWND window = GetSafeHwnd();
    if (IsIconic(window)) {
        PaintDC paint(window);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
        RECT client{};
        GetClientRect(window, &client);
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(paint.get(), x, y, petIcon_);
    } else {
        Default();
    }
    WindowDC client(window);
    frames_.Draw(behaviour_.FrameSlot(), client.get(), POINT{0, 0});
}

void CPetWnd::OnDestroy() {
    Default();
    Shell_NotifyIconW(NIM_DELETE, &trayIconData_);
    frames_.Release();
    if (!SavePet()) {
        // The quit request that is ending the program would close the box at once: hold it
        // back until the user has read the message.
        MSG quit{};
        const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        ::MessageBoxW(nullptr, kSaveFailedText, kFileErrorCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
    }
}

// Windows may end the process after this without destroying the window: save now.
void CPetWnd::OnEndSession(bool ending) {
    if (ending) SavePet();
}

bool CPetWnd::SavePet() {
    if (savePath_.empty()) return false;
    WinFileStore files;
    return savePetState(files, savePath_, pet_);
}

void CPetWnd::OnLButtonDown() {
    PlaySoundEffect(IDS_SOUND_PET);
    pet_.stress -= 1;
    if (pet_.stress < 0) pet_.stress = 0;
    behaviour_.roamMode = RoamFree;
    StartBehaviourTimer();
    // The system drags the captionless window with the mouse until the button is released.
    SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
    Default();
}

void CPetWnd::OnRButtonDown() {
    if (careMenuOpen_) return;  // one care menu at a time
    behaviourTimer_.Stop();
    ApplyFrameRegion(behaviour_.FrameSlot());
    PlacePet(pet_.IsOn(ShowOff) ? ZOrder::TopMost : ZOrder::NoTopMost, behaviour_.petX, behaviour_.petY);
    careMenuOpen_ = true;
    CCareMenuDlg menu(nullptr, pet_);
    const INT_PTR result = menu.DoModal();
    careMenuOpen_ = false;
    if (result == IDOK) StartBehaviourTimer();
}

LRESULT CPetWnd::OnTrayNotify(LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_RBUTTONDOWN) OnRButtonDown();
    return 0;
}

void CPetWnd::OnTimer() { RunTick(pet_, behaviour_, *this, random_); }

// ---- PetPort ----

Rect CPetWnd::PetRect() { return WindowRect(PetWindow()); }

WindowRef CPetWnd::PetWindow() { return reinterpret_cast<WindowRef>(GetSafeHwnd()); }

WindowRef CPetWnd::ForegroundWindow() { return reinterpret_cast<WindowRef>(GetForegroundWindow()); }

Rect CPetWnd::WindowRect(WindowRef window) {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(window), &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

Point CPetWnd::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return Point{p.x, p.y};
}

Size CPetWnd::ScreenSize() { return Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void CPetWnd::ApplyFrameRegion(int frameSlot) {
    ::pomki::win::ApplyFrameRegion(GetSafeHwnd(), frames_.Region(frameSlot));
}

// SWP_NOACTIVATE: a placement must never take the keyboard focus from the user's window.
void CPetWnd::PlacePet(ZOrder z, int32_t x, int32_t y) {
    SetWindowPos(GetSafeHwnd(), InsertAfter(z), x, y, kPetSize, kPetSize, SWP_SHOWWINDOW | SWP_NOACTIVATE);
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
    ::MessageBoxW(GetSafeHwnd(), textZ.c_str(), captionZ.c_str(), MB_OK);
}

void CPetWnd::Retitle(WindowRef window, std::wstring_view title) {
    const std::wstring titleZ(title);
    SetWindowTextW(reinterpret_cast<HWND>(window), titleZ.c_str());
}

void CPetWnd::Minimise(WindowRef window) { ::ShowWindow(reinterpret_cast<HWND>(window), SW_MINIMIZE); }

}  // namespace pomki::win
