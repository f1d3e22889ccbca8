#include "win/app/pet_app.h"

#include "core/app/program.h"
#include "win/pet/call_pet.h"
#include "win/pet/pet_wnd.h"

namespace pomki::win {

namespace {
constexpr wchar_t kMutexName[] = L"pomki";
constexpr COLORREF kDialogBackground = RGB(250, 230, 230);  // pale pink
constexpr COLORREF kDialogText = RGB(0, 0, 90);             // dark navy
}  // namespace

CPetApp::CPetApp() : screenDC_(nullptr), trace_(TraceFile::FromEnvironment()) {}

BOOL CPetApp::InitInstance() {
    SetDialogBkColor(kDialogBackground, kDialogText);

    // One copy at a time. Creating is the test itself, so two copies started together
    // cannot both pass; a mutex made by an elevated copy is refused to us, and that too
    // means another copy runs. This one shows nothing and ends; the user started it again
    // most likely to find the pet, so it calls the running one into view first.
    instanceMutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));
    const DWORD created = GetLastError();
    if (created == ERROR_ALREADY_EXISTS || (!instanceMutex_ && created == ERROR_ACCESS_DENIED)) {
        instanceMutex_.reset();
        CallRunningPet();
        PostQuitMessage(0);
        return FALSE;
    }

    Program program(files_, clock_, trace_.get());
    CPetWnd pet(program, screenDC_.get());
    pet.DoModal();
    return FALSE;
}

int CPetApp::ExitInstance() {
    if (instanceMutex_) ReleaseMutex(instanceMutex_.get());
    return CWinApp::ExitInstance();
}

}  // namespace pomki::win
