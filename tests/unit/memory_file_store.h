// A file system in memory for the save file's tests: the program's folder, files by path, reads
// and writes that can be made to fail, and the leftover of an interrupted replace ("<path>.tmp").
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/state/save_file.h"

namespace pomki::testing {

class MemoryFileStore : public FileStore {
public:
    std::wstring ProgramFolder() override { return programFolder; }
    ReadResult ReadAll(const std::wstring& path) override {
        ++reads;
        if (unreadableReads > 0) {
            --unreadableReads;
            return {ReadResult::Unreadable, {}};
        }
        auto it = files.find(path);
        if (it == files.end()) return {ReadResult::Missing, {}};
        return {ReadResult::Read, it->second};
    }
    WriteResult ReplaceAtomically(const std::wstring& path, std::string_view bytes) override {
        ++writes;
        if (!writeFailures.empty()) {
            const WriteResult failure = writeFailures.front();
            writeFailures.pop_front();
            return failure;
        }
        if (failWrites) return WriteResult::Failed;
        files[path] = std::string(bytes);
        return WriteResult::Written;
    }
    void RemoveLeftovers(const std::wstring& path) override { files.erase(LeftoverOf(path)); }

    static std::wstring LeftoverOf(const std::wstring& path) { return path + L".tmp"; }

    std::wstring programFolder = L"D:\\pet\\";
    std::map<std::wstring, std::string> files;
    int unreadableReads = 0;               // this many reads, from now on, find the file unreadable
    std::deque<WriteResult> writeFailures;  // the next writes fail so, one each
    bool failWrites = false;                // every write fails
    int reads = 0;
    int writes = 0;
};

}  // namespace pomki::testing
