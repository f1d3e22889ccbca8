// CPetApp: start-up and exit of the program. One copy runs at a time; the pet window runs
// modally for the program's whole life.
#pragma once

#include <windows.h>

#include "framework/app.h"
#include "framework/handles.h"
#include "state/pet_state.h"

namespace pomki::win {

class CPetApp final : public CWinApp {
public:
    CPetApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    UniqueKernelHandle instanceMutex_;  // the named mutex "pomki"
    WindowDC screenDC_;                 // the whole screen, for shot marks; held for the process's life
    PetState petState_;                 // the one pet record
};

}  // namespace pomki::win
