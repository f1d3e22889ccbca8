#include "win/state/file_store_win.h"

#include <windows.h>
#include <shlobj.h>

#include "win/framework/handles.h"
#include "win/framework/system_library.h"

namespace pomki {

namespace {

constexpr wchar_t kOwnFolderName[] = L"pomki";

// What Windows answered, in the store's words.
FileError FileErrorOf(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS: return FileError::None;
    case ERROR_SHARING_VIOLATION: return FileError::SharingViolation;
    case ERROR_LOCK_VIOLATION: return FileError::LockViolation;
    case ERROR_ACCESS_DENIED: return FileError::AccessDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FileError::NotFound;
    default: return FileError::Other;
    }
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A move over `target` was refused. "Access denied" is the answer both when another program
// has the target open and when the target itself refuses to be replaced: a file marked
// read-only, or a folder. Only the second is told apart, from the target's attributes.
FileError MoveErrorOf(DWORD error, const std::wstring& target) {
    if (error != ERROR_ACCESS_DENIED) return FileErrorOf(error);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool refuses = attributes != INVALID_FILE_ATTRIBUTES &&
                         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    return refuses ? FileError::ReadOnly : FileError::AccessDenied;
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
// Returns the error Windows gave, or ERROR_SUCCESS.
DWORD WriteDurably(const std::wstring& path, std::string_view bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) return GetLastError();
    return ERROR_SUCCESS;
}

std::wstring TemporaryOf(const std::wstring& path) { return LongPathForm(path + L".tmp"); }

std::wstring WithSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

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

WriteReport WinFileStore::ReplaceAtomically(const std::wstring& path, std::string_view bytes) {
    const std::wstring& target = path;
    // Beside the target, so that the move stays on one volume and is a rename.
    const std::wstring temporary = TemporaryOf(path);

    WriteReport report;
    if (const DWORD error = WriteDurably(temporary, bytes); error != ERROR_SUCCESS) {
        report = {WriteReport::Temporary, FileErrorOf(error)};
    } else if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        report = {WriteReport::Move, MoveErrorOf(GetLastError(), target)};
    } else {
        return report;
    }
    DeleteFileW(temporary.c_str());
    return report;
}

void WinFileStore::RemoveLeftovers(const std::wstring& path) { DeleteFileW(TemporaryOf(path).c_str()); }

WriteReport WinFileStore::ProbeReplace(const std::wstring& path) {
    const std::wstring temporary = TemporaryOf(path);
    const win::UniqueFile probe(CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!probe) return {WriteReport::Temporary, FileErrorOf(GetLastError())};
    return {};
}

std::wstring WinFileStore::UserDataFolder() {
    // shell32 is looked up once the search for libraries is restricted (see main.cpp).
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    static const auto getFolderPath = win::SystemFunction<GetFolderPath>(L"shell32.dll", "SHGetFolderPathW");
    wchar_t local[MAX_PATH] = {};
    if (!getFolderPath || FAILED(getFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                               SHGFP_TYPE_CURRENT, local))) {
        return {};
    }
    const std::wstring own = WithSeparator(local) + kOwnFolderName;
    if (!CreateDirectoryW(own.c_str(), nullptr) && !IsFolder(own)) return {};
    return own + L"\\";
}

std::wstring WinFileStore::TemporaryFolder() {
    wchar_t temporary[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(ARRAYSIZE(temporary), temporary);
    if (length == 0 || length > MAX_PATH) return {};
    // The program's own path is in its long form: so must this be (a user name with letters
    // outside ASCII, say, gives a short "8.3" form here).
    std::wstring longForm(32 * 1024, L'\0');
    const DWORD longLength = GetLongPathNameW(temporary, longForm.data(), static_cast<DWORD>(longForm.size()));
    if (longLength == 0 || longLength >= longForm.size()) return WithSeparator(temporary);
    longForm.resize(longLength);
    return WithSeparator(longForm);
}

WriteReport WinFileStore::Rename(const std::wstring& from, const std::wstring& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
    return {WriteReport::Move, MoveErrorOf(GetLastError(), to)};
}

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
