#include "win/state/file_store_win.h"

#include <windows.h>

#include "win/framework/handles.h"

namespace pomki {

namespace {

// Another program (a virus scanner, a backup tool, a sync client) holds the file for now.
bool IsBusy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
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

// Creates (or truncates) the file and writes the bytes through to the disk, so that the
// move that follows can never make a file whose content is still in the cache alone (a power
// cut would leave it empty). The handle is closed on return, so the file can be moved.
bool WriteDurably(const std::wstring& path, std::string_view bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring TemporaryOf(const std::wstring& path) { return LongPathForm(path + L".tmp"); }

}  // namespace

ReadResult WinFileStore::ReadAll(const std::wstring& path) {
    const std::wstring& source = path;
    win::UniqueFile file(CreateFileW(source.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || IsFolder(source)) {
            return {ReadResult::Missing, {}};
        }
        // Held by another program, a cloud file that cannot be fetched, a network that is
        // gone: the file is there, and the pet in it must not be taken for none.
        return {ReadResult::Unreadable, {}};
    }

    // One byte past the limit is enough for the load step to see that this is no save file.
    const std::size_t limit = kSaveFileMaxBytes + 1;
    std::string bytes(limit, '\0');
    std::size_t have = 0;
    while (have < limit) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + have, static_cast<DWORD>(limit - have), &got, nullptr)) {
            return {ReadResult::Unreadable, {}};  // a range locked by another program, say
        }
        if (got == 0) break;
        have += got;
    }
    bytes.resize(have);
    return {ReadResult::Read, std::move(bytes)};
}

WriteResult WinFileStore::ReplaceAtomically(const std::wstring& path, std::string_view bytes) {
    const std::wstring& target = path;
    // Beside the target, so that the move stays on one volume and is a rename.
    const std::wstring temporary = TemporaryOf(path);

    if (WriteDurably(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return WriteResult::Written;
    }
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    return IsBusy(error) ? WriteResult::Busy : WriteResult::Failed;
}

void WinFileStore::RemoveLeftovers(const std::wstring& path) { DeleteFileW(TemporaryOf(path).c_str()); }

std::wstring WinFileStore::ProgramFolder() {
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

int64_t TickClock::NowMs() { return static_cast<int64_t>(GetTickCount64()); }

void TickClock::Pause(int ms) { Sleep(static_cast<DWORD>(ms)); }

}  // namespace pomki
