#include "win/app/pet_app.h"

#include <string>

namespace pomki::win {

namespace {
constexpr wchar_t kMutexName[] = L"pomki";
constexpr COLORREF kDialogBackground = RGB(250, 230, 230);  // pale pink
constexpr COLORREF kDialogText = RGB(0, 0, 90);             // dark navy

// A notice that stands alone has no owner, so it gets a taskbar button of its own and cannot
// be lost behind other windows with an owner that is not shown.
int ShowNotice(HWND petWindow, const FileNotice& notice) {
    const std::wstring text(notice.text);
    const std::wstring caption(notice.caption);
    if (notice.standsAlone) {
        return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    return ::MessageBoxW(petWindow, text.c_str(), caption.c_str(), MB_OK);
}
}  // namespace

CPetApp::CPetApp() : screenDC_(nullptr), keeper_(files_, clock_) {}

BOOL CPetApp::InitInstance() {
    SetDialogBkColor(kDialogBackground, kDialogText);

    // One copy at a time. Creating is the test itself, so two copies started together
    // cannot both pass; a mutex made by an elevated copy is refused to us, and that too
    // means another copy runs. The other copy is left alone, and this one ends silently.
    instanceMutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));
    const DWORD created = GetLastError();
    if (created == ERROR_ALREADY_EXISTS || (!instanceMutex_ && created == ERROR_ACCESS_DENIED)) {
        instanceMutex_.reset();
        PostQuitMessage(0);
        return FALSE;
    }

    CPetWnd pet(petState_, *this, screenDC_.get());
    pet.DoModal();
    return FALSE;
}

int CPetApp::ExitInstance() {
    if (instanceMutex_) ReleaseMutex(instanceMutex_.get());
    return CWinApp::ExitInstance();
}

// The window is not shown yet: while a file that another program holds is tried again, only
// the notification-area icon is on screen, and the pet appears once its file has been read.
void CPetApp::PetWindowReady(HWND petWindow) {
    const LoadResult loaded = keeper_.Load(ModuleDirectory(), petState_);
    if (const std::optional<FileNotice> notice = NoticeAfterLoad(loaded)) {
        ShowNotice(petWindow, *notice);
        // The pet window finishes its set-up; its modal loop then ends on the quit request.
        // After a file that could not be read, nothing is written on the way out.
        if (notice->endsProgram) PostQuitMessage(0);
    }
}

void CPetApp::SaveChanges() { keeper_.SaveChanges(petState_); }

void CPetApp::PetWindowGone() {
    const std::optional<FileNotice> notice = NoticeAfterSave(keeper_.SaveAtExit(petState_));
    if (!notice) return;
    // The quit request that is ending the program would close the box at once: hold it
    // back until the user has read the message.
    MSG quit{};
    const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    ShowNotice(nullptr, *notice);
    if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

void CPetApp::SessionEnding() { keeper_.SaveAtExit(petState_); }

}  // namespace pomki::win
