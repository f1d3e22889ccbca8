#include "state/file_store_win.h"

#include <windows.h>

#include "framework/handles.h"

namespace pomki {

namespace {

// Another program (a virus scanner, a backup tool) may hold the file for a moment.
constexpr int kBusyAttempts = 5;
constexpr DWORD kBusyPauseMs = 50;

bool IsBusy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

// Runs `attempt` until it succeeds, or fails for a reason other than the file being busy,
// or has been tried kBusyAttempts times.
template <typename Attempt>
bool RetryWhileBusy(Attempt attempt) {
    for (int i = 1;; ++i) {
        if (attempt()) return true;
        if (i == kBusyAttempts || !IsBusy(GetLastError())) return false;
        Sleep(kBusyPauseMs);
    }
}

// Paths of MAX_PATH characters or more only work in the "\\?\" form, which Windows takes
// literally: the separators must be backslashes.
std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.starts_with(L"\\\\?\\")) return path;
    std::wstring literal = path;
    for (wchar_t& c : literal) {
        if (c == L'/') c = L'\\';
    }
    if (literal.size() > 2 && literal[1] == L':' && literal[2] == L'\\') return L"\\\\?\\" + literal;
    if (literal.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + literal.substr(2);
    return path;  // relative: nothing to do but try as it is
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Creates (or truncates) the file and writes the bytes through to the disk. The handle is
// closed on return, so the file can be moved.
bool WriteDurably(const std::wstring& path, std::string_view bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
}

}  // namespace

std::optional<std::string> WinFileStore::ReadAll(const std::wstring& path) {
    const std::wstring source = LongPathForm(path);
    win::UniqueFile file;
    RetryWhileBusy([&] {
        file.reset(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(file);
    });
    if (!file) return std::nullopt;

    // One byte past the limit is enough for the load step to see that this is no save file.
    const std::size_t limit = kSaveFileMaxBytes + 1;
    std::string bytes(limit, '\0');
    std::size_t have = 0;
    while (have < limit) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + have, static_cast<DWORD>(limit - have), &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) break;
        have += got;
    }
    bytes.resize(have);
    return bytes;
}

bool WinFileStore::ReplaceAtomically(const std::wstring& path, std::string_view bytes) {
    const std::wstring target = LongPathForm(path);
    // Beside the target, so that the move stays on one volume and is a rename.
    const std::wstring temporary = LongPathForm(path + L".tmp");

    const bool replaced =
        WriteDurably(temporary, bytes) && RetryWhileBusy([&] {
            return MoveFileExW(temporary.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        });
    if (!replaced) DeleteFileW(temporary.c_str());
    return replaced;
}

std::wstring ModuleDirectory() {
    // Windows paths are at most 32,767 characters; double the buffer until the path fits.
    constexpr std::size_t kLongestBuffer = 64 * 1024;
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        // A path that filled the whole buffer was cut short.
        if (length < buffer.size()) {
            buffer.resize(length);
            return DataDirectoryOf(buffer);
        }
        if (buffer.size() >= kLongestBuffer) return {};
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace pomki
