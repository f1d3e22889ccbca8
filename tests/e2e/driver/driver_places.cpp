// Driver commands about where the program runs and what it loads: the user's folders as a
// program of this user sees them, and a library loaded by its bare name (as a careless program
// would load it), to show which file the search of a folder finds.
#include <windows.h>
#include <shlobj.h>

#include "driver.h"

namespace e2e {

namespace {

// The user's local application data and temporary folders.
int CmdFolders(const Args&) {
    wchar_t local[MAX_PATH] = {};
    const bool haveLocal = SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local));
    wchar_t temporary[MAX_PATH + 1] = {};
    GetTempPathW(ARRAYSIZE(temporary), temporary);
    wchar_t longTemporary[MAX_PATH + 1] = {};
    if (!GetLongPathNameW(temporary, longTemporary, ARRAYSIZE(longTemporary))) lstrcpynW(longTemporary, temporary, MAX_PATH);
    Emit(Json().Add("local_app_data", haveLocal ? local : L"").Add("temp", longTemporary).Text());
    return haveLocal ? kOk : kQueryFailed;
}

// LoadLibraryW with the bare name: the standard search, this driver's own folder first.
int CmdLoadLibrary(const Args& args) {
    const std::wstring name = args.Required(L"name");
    HMODULE module = LoadLibraryW(name.c_str());
    if (!module) {
        Emit(Json().Add("loaded", false).Add("error", GetLastError()).Text());
        return kQueryFailed;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    Emit(Json().Add("loaded", true).Add("path", path).Text());
    return kOk;
}

}  // namespace

std::vector<Command> PlacesCommands() {
    return {
        {L"folders", CmdFolders, "folders: the user's local application data and temporary folders"},
        {L"load-library", CmdLoadLibrary,
         "load-library --name N: LoadLibraryW(N) by its bare name; the path of the module loaded"},
    };
}

}  // namespace e2e
