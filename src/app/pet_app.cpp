#include "app/pet_app.h"

#include <string>

namespace pomki::win {

namespace {
constexpr wchar_t kMutexName[] = L"pomki";
constexpr COLORREF kDialogBackground = RGB(250, 230, 230);  // pale pink
constexpr COLORREF kDialogText = RGB(0, 0, 90);             // dark navy

int ShowNotice(HWND owner, const FileNotice& notice, UINT style) {
    const std::wstring text(notice.text);
    const std::wstring caption(notice.caption);
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), style);
}
}  // namespace

CPetApp::CPetApp() : screenDC_(nullptr), keeper_(files_) {}

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

void CPetApp::PetWindowReady(HWND petWindow) {
    const LoadResult loaded = keeper_.Load(ModuleDirectory(), petState_);
    if (const std::optional<FileNotice> notice = NoticeAfterLoad(loaded)) {
        ShowNotice(petWindow, *notice, MB_OK);
        // The pet window finishes its set-up; its modal loop then ends on the quit request.
        if (notice->endsProgram) PostQuitMessage(0);
    }
}

void CPetApp::PetWindowGone() {
    const std::optional<FileNotice> notice = NoticeAfterSave(keeper_.Save(petState_));
    if (!notice) return;
    // The quit request that is ending the program would close the box at once: hold it
    // back until the user has read the message.
    MSG quit{};
    const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    ShowNotice(nullptr, *notice, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

void CPetApp::SessionEnding() { keeper_.Save(petState_); }

}  // namespace pomki::win
