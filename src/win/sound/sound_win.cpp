#include "win/sound/sound_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "win/framework/system_library.h"

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

    // winmm is looked up in the system folder when the first sound plays: imported, it would
    // be looked for beside the program first.
    using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
    static const auto playSound = SystemFunction<PlaySoundFunction>(L"winmm.dll", "PlaySoundW");
    if (!playSound) return;
    // Resource memory stays mapped for the life of the program, so the asynchronous play
    // may go on reading it after we return; there is nothing to free.
    playSound(static_cast<LPCWSTR>(wave), nullptr, SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}

}  // namespace pomki::win
