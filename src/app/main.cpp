// The program's entry: the application object runs start-up, the pet, and exit.
#include <windows.h>

#include "app/pet_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    pomki::win::CPetApp app;
    return app.Run();
}
