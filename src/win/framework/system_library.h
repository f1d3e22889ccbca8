// Functions of the system's own libraries that not every Windows has, looked up at run time.
// Only System32 is searched: a library of the same name beside the program (a Downloads
// folder may hold one) is never loaded.
#pragma once

#include <windows.h>

namespace pomki::win {

// From here on, every library the process loads by name (this program's look-ups, and those
// that the system's own libraries make) is looked for in System32 alone, never beside the
// program or in the current folder. Call first thing, before any library is loaded.
void RestrictLibrarySearch();

// The module of a system library: already loaded, or loaded from System32. nullptr when this
// Windows has none. Loaded libraries stay for the life of the process.
HMODULE SystemLibrary(const wchar_t* name);

// An export of a system library, or nullptr when this Windows has none.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = SystemLibrary(library);
    if (!module) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace pomki::win
