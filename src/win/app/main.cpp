// The program's entry: the application object runs start-up, the pet, and exit.
#include <windows.h>

#include "win/app/pet_app.h"
#include "win/render/screens_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // Before any window or screen DC: sizes and positions are then physical pixels everywhere.
    pomki::win::BecomeDpiAware();
    pomki::win::CPetApp app;
    return app.Run();
}
