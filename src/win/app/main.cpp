// The program's entry: the application object runs start-up, the pet, and exit.
#include <windows.h>

#include "win/app/pet_app.h"
#include "win/framework/system_library.h"
#include "win/render/screens_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // First of all: a library of a system's name planted beside the program (a Downloads
    // folder may hold one) is never loaded, by this program or by the system's own libraries.
    pomki::win::RestrictLibrarySearch();
    // Before any window or screen DC: sizes and positions are then physical pixels everywhere.
    pomki::win::BecomeDpiAware();
    pomki::win::CPetApp app;
    return app.Run();
}
