// CPetApp: start-up and exit of the program. One copy runs at a time; the pet window runs
// modally for the program's whole life. The pet is loaded from its file while the pet
// window sets up, saved as it goes (after a meal or a switched ability, and about once a
// minute while it changes) and saved as the window is destroyed; the application keeps the
// file and tells the user when it is refused, cannot be read or cannot be written.
#pragma once

#include <windows.h>

#include "win/framework/app.h"
#include "win/framework/handles.h"
#include "win/pet/pet_wnd.h"
#include "win/state/file_store_win.h"
#include "core/state/pet_keeper.h"
#include "core/state/pet_state.h"

namespace pomki::win {

class CPetApp final : public CWinApp, private PetHost {
public:
    CPetApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // PetHost
    void PetWindowReady(HWND petWindow) override;
    void PetWindowGone() override;
    void SessionEnding() override;
    // PetSaver
    void SaveChanges() override;

    UniqueKernelHandle instanceMutex_;  // the named mutex "pomki"
    WindowDC screenDC_;                 // the whole screen, for shot marks; held for the process's life
    PetState petState_;                 // the one pet record
    WinFileStore files_;
    SteadyClock clock_;
    PetKeeper keeper_;
};

}  // namespace pomki::win
