// Driver commands for the save file: holding it open as a scanner or a sync client would, and
// timing the program's own save (the encode and the atomic replace) under Wine.
#include <windows.h>

#include <algorithm>
#include <map>
#include <vector>

#include "driver.h"
#include "win/state/file_store_win.h"
#include "core/state/save_file.h"

namespace e2e {

namespace {

// Files held by this driver process, by path; released by release-file or when it ends.
std::map<std::wstring, HANDLE>& HeldFiles() {
    static std::map<std::wstring, HANDLE> held;
    return held;
}

int CmdHoldFile(const Args& args) {
    const std::wstring path = args.Required(L"file");
    if (HeldFiles().count(path)) throw UsageError("already held: " + Utf8(path));
    // No sharing at all: any other open of the file fails with a sharing violation.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Emit(Json().Add("held", false).Add("error", GetLastError()).Text());
        return kQueryFailed;
    }
    HeldFiles()[path] = file;
    Emit(Json().Add("held", true).Text());
    return kOk;
}

int CmdReleaseFile(const Args& args) {
    const std::wstring path = args.Required(L"file");
    auto it = HeldFiles().find(path);
    if (it == HeldFiles().end()) {
        Emit(Json().Add("released", false).Text());
        return kQueryFailed;
    }
    CloseHandle(it->second);
    HeldFiles().erase(it);
    Emit(Json().Add("released", true).Text());
    return kOk;
}

// Saves a pet N times over FILE as the program does, each with different money, and reports
// the times of one save in microseconds.
int CmdTimeSave(const Args& args) {
    const std::wstring path = args.Required(L"file");
    const int times = static_cast<int>(std::clamp<int64_t>(args.Num(L"times", 50), 1, 100000));
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    pomki::WinFileStore store;
    pomki::PetState pet;
    pet.level = 30;
    std::vector<double> micros;
    int failed = 0;
    for (int i = 0; i < times; ++i) {
        pet.money = 100000 + i;
        LARGE_INTEGER start{}, end{};
        QueryPerformanceCounter(&start);
        const bool written = store.ReplaceAtomically(path, pomki::FormatSaveFile(pet)).step == pomki::WriteReport::Done;
        QueryPerformanceCounter(&end);
        if (!written) ++failed;
        micros.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
    }
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return static_cast<int64_t>(micros[static_cast<size_t>(q * (micros.size() - 1))]); };
    Emit(Json()
             .Add("saves", times)
             .Add("failed", failed)
             .Add("min_us", at(0))
             .Add("median_us", at(0.5))
             .Add("p90_us", at(0.9))
             .Add("max_us", at(1))
             .Text());
    return failed ? kQueryFailed : kOk;
}

}  // namespace

std::vector<Command> SavingCommands() {
    return {
        {L"hold-file", CmdHoldFile, "hold-file --file PATH: open the file with no sharing and keep it open"},
        {L"release-file", CmdReleaseFile, "release-file --file PATH: close a file held by hold-file"},
        {L"time-save", CmdTimeSave,
         "time-save --file PATH [--times N]: save a pet N times as the program does; times of one save"},
    };
}

}  // namespace e2e
