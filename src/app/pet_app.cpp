#include "app/pet_app.h"

#include "pet/pet_wnd.h"

namespace pomki::win {

namespace {
constexpr wchar_t kMutexName[] = L"pomki";
constexpr COLORREF kDialogBackground = RGB(250, 230, 230);  // pale pink
constexpr COLORREF kDialogText = RGB(0, 0, 90);             // dark navy
}  // namespace

CPetApp::CPetApp() : screenDC_(nullptr) {}

BOOL CPetApp::InitInstance() {
    SetDialogBkColor(kDialogBackground, kDialogText);

    // Another copy holds the mutex: end at once, silently, and leave it alone.
    if (HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kMutexName)) {
        PostQuitMessage(0);
        CloseHandle(existing);
        return FALSE;
    }
    instanceMutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));

    {
        CPetWnd pet(nullptr, petState_, screenDC_.get());
        pet.DoModal();
    }
    mainWnd = nullptr;
    return FALSE;
}

int CPetApp::ExitInstance() {
    if (instanceMutex_) ReleaseMutex(instanceMutex_.get());
    return CWinApp::ExitInstance();
}

}  // namespace pomki::win
