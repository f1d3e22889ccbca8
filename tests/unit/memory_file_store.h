// A file system in memory for the save file's tests: the program's folder, files by path, reads
// and writes that can be made to fail, the leftover of an interrupted replace ("<path>.tmp"),
// and where the pet can be kept (whether the program's folder takes a file, the user's folders).
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/state/save_file.h"

namespace pomki::testing {

// Failures as Windows reports them: a file held by another program while it is replaced, and
// a folder that refuses the temporary file.
inline constexpr WriteReport kHeldWhileMoved{WriteReport::Move, FileError::SharingViolation};
inline constexpr WriteReport kFolderRefuses{WriteReport::Temporary, FileError::AccessDenied};

class MemoryFileStore : public FileStore {
public:
    std::wstring ProgramFolder() override { return programFolder; }
    ReadResult ReadAll(const std::wstring& path) override {
        ++reads;
        readPaths.push_back(path);
        if (unreadableReads > 0) {
            --unreadableReads;
            return {ReadResult::Unreadable, {}};
        }
        auto it = files.find(path);
        if (it == files.end()) return {ReadResult::Missing, {}};
        return {ReadResult::Read, it->second};
    }
    WriteReport ReplaceAtomically(const std::wstring& path, std::string_view bytes) override {
        ++writes;
        if (!writeFailures.empty()) {
            const WriteReport failure = writeFailures.front();
            writeFailures.pop_front();
            return failure;
        }
        if (failWrites) return kFolderRefuses;
        files[path] = std::string(bytes);
        return {};
    }
    void RemoveLeftovers(const std::wstring& path) override { files.erase(LeftoverOf(path)); }

    WriteReport ProbeReplace(const std::wstring& path) override {
        probes.push_back(path);
        return probe;
    }
    std::wstring UserDataFolder() override { return userDataFolder; }
    std::wstring TemporaryFolder() override { return temporaryFolder; }
    WriteReport Rename(const std::wstring& from, const std::wstring& to) override {
        renames.push_back({from, to});
        if (!renameFailures.empty()) {
            const WriteReport failure = renameFailures.front();
            renameFailures.pop_front();
            return failure;
        }
        const auto found = files.find(from);
        if (found == files.end()) return {WriteReport::Move, FileError::NotFound};
        files[to] = found->second;
        files.erase(from);
        return {};
    }

    static std::wstring LeftoverOf(const std::wstring& path) { return path + L".tmp"; }

    std::wstring programFolder = L"D:\\pet\\";
    std::wstring userDataFolder = L"C:\\Users\\u\\AppData\\Local\\pomki\\";
    std::wstring temporaryFolder = L"C:\\Users\\u\\AppData\\Local\\Temp\\";
    std::map<std::wstring, std::string> files;
    int unreadableReads = 0;               // this many reads, from now on, find the file unreadable
    std::deque<WriteReport> writeFailures;  // the next writes fail so, one each
    bool failWrites = false;                // every write fails
    WriteReport probe;                      // what the program's folder answers a probe
    std::deque<WriteReport> renameFailures;  // the next renames fail so, one each
    int reads = 0;
    int writes = 0;
    std::vector<std::wstring> readPaths;
    std::vector<std::wstring> probes;
    std::vector<std::pair<std::wstring, std::wstring>> renames;
};

}  // namespace pomki::testing
