// CPetApp: start-up and exit of the program. One copy runs at a time; the pet window runs
// modally for the program's whole life. The application puts the program together: the save
// file's store and clock, the core (Program), the pet window, and the trace when asked for.
#pragma once

#include <windows.h>

#include <memory>

#include "win/app/trace_file.h"
#include "win/framework/app.h"
#include "win/framework/handles.h"
#include "win/state/file_store_win.h"

namespace pomki::win {

class CPetApp final : public CWinApp {
public:
    CPetApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    UniqueKernelHandle instanceMutex_;  // the named mutex "pomki"
    WindowDC screenDC_;                 // the whole screen, for shot marks; held for the process's life
    WinFileStore files_;
    TickClock clock_;
    std::unique_ptr<TraceFile> trace_;  // when POMKI_TRACE names a file
};

}  // namespace pomki::win
