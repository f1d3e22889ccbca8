#include "win/framework/system_library.h"

#include <string>

namespace pomki::win {

void RestrictLibrarySearch() {
    // Windows 8 and later, and Windows 7 with its loader update (KB2533623). kernel32 is loaded
    // in every process: looked up, not loaded.
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
                                         GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it the program's own folder cannot be taken out of the search; the current
    // folder at least can. SystemLibrary then names System32 in full.
    SetDllDirectoryW(L"");
}

HMODULE SystemLibrary(const wchar_t* name) {
    if (HMODULE loaded = GetModuleHandleW(name)) return loaded;
    // Windows 8 and later, and Windows 7 with its loader update: the system folder alone.
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Without the loader update the flag is refused: name the system folder in full.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace pomki::win
