// A file system in memory for the save file's tests: files by path, and writes that can be
// made to fail.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "state/save_file.h"

namespace pomki::testing {

class MemoryFileStore : public FileStore {
public:
    std::optional<std::string> ReadAll(const std::wstring& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    bool ReplaceAtomically(const std::wstring& path, std::string_view bytes) override {
        if (failWrites) return false;
        files[path] = std::string(bytes);
        return true;
    }

    std::map<std::wstring, std::string> files;
    bool failWrites = false;
};

}  // namespace pomki::testing
