// The save file's FileStore on Windows, and where the program's own folder is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "state/save_file.h"

namespace pomki {

// Files through the Win32 API. Writes replace the file all at once: the old file stays exactly
// as it was when a write fails.
class WinFileStore final : public FileStore {
public:
    // Reads at most kSaveFileMaxBytes + 1 bytes; a longer file is refused by the load step.
    std::optional<std::string> ReadAll(const std::wstring& path) override;
    // Writes a temporary file beside the target, flushes it and moves it over the target.
    bool ReplaceAtomically(const std::wstring& path, std::string_view bytes) override;
};

// The folder of the running executable with its trailing separator; empty if Windows cannot
// tell the executable's path.
std::wstring ModuleDirectory();

}  // namespace pomki
