// The save file's FileStore on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/state/pet_keeper.h"
#include "core/state/save_file.h"

namespace pomki {

// Files through the Win32 API, one attempt each: it reports the step that failed and what
// Windows answered, and leaves judging and trying again to the caller. Writes replace the file
// all at once: the old file stays exactly as it was when a write fails.
class WinFileStore final : public FileStore {
public:
    // Reads at most kSaveFileMaxBytes + 1 bytes; a longer file is refused by the load step.
    // Missing only when Windows says there is no such file or folder, or a folder stands in
    // the file's place (it holds no pet, and nothing can be written over it either).
    ReadResult ReadAll(const std::wstring& path) override;
    // Writes "<path>.tmp" beside the target, flushes it to the disk and moves it over the target.
    WriteReport ReplaceAtomically(const std::wstring& path, std::string_view bytes) override;
    // Deletes a "<path>.tmp" left by a process that was killed while it saved.
    void RemoveLeftovers(const std::wstring& path) override;
    // The folder of the running executable.
    std::wstring ProgramFolder() override;
    // Creates "<path>.tmp" to be deleted when it is closed, so that not even a killed process
    // leaves it behind.
    WriteReport ProbeReplace(const std::wstring& path) override;
    // "<local application data>\pomki\", made when missing.
    std::wstring UserDataFolder() override;
    std::wstring TemporaryFolder() override;
    WriteReport Rename(const std::wstring& from, const std::wstring& to) override;
};

// The keeper's clock: the system's tick count, which a change of the clock or a time zone
// never moves, and Sleep.
class TickClock final : public KeeperClock {
public:
    int64_t NowMs() override;
    void Pause(int ms) override;
};

}  // namespace pomki
