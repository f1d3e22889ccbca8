#include "win/sound/sound_win.h"

#include <windows.h>
#include <mmsystem.h>

namespace pomki::win {

void PlaySoundEffect(int soundId) {
    const WORD id = static_cast<WORD>(soundId & 0xFFFF);
    if (id == 0) return;  // MAKEINTRESOURCE(0) would be no name at all

    // The program's resources live in the executable itself.
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"SOUND");
    if (!found) return;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return;
    const void* wave = LockResource(loaded);
    if (!wave) return;

    // Resource memory stays mapped for the life of the program, so the asynchronous play
    // may go on reading it after we return; there is nothing to free.
    PlaySoundW(static_cast<LPCWSTR>(wave), nullptr, SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}

}  // namespace pomki::win
