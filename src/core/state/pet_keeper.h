// Keeping the pet between runs: where its file is, loading it at start-up, saving it as it
// goes and at exit, and what the user is told when any of that goes wrong. Platform-free;
// the application shows the notices and ends the program when a notice asks it to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/state/pet_state.h"
#include "core/state/save_file.h"

namespace pomki {

// A message box with an OK button.
struct FileNotice {
    std::wstring_view caption;
    std::wstring_view text;
    bool endsProgram;  // the program is to end once the user has dismissed it
    // The box belongs to no window of the program: it has a taskbar button of its own, an
    // error icon, and comes to the front (there may be no pet on screen to own it).
    bool standsAlone;
};

inline constexpr std::wstring_view kFileErrorCaption = L"ファイルエラー";
inline constexpr std::wstring_view kRejectedText =
    L"ファイルが不正アクセスされています \n 削除後パソコンを再起動してください";
inline constexpr std::wstring_view kSaveFailedText = L"ファイルに保存できませんでした";
inline constexpr std::wstring_view kUnreadableText =
    L"ファイルを読み込めませんでした\nファイルを守るため終了します\nしばらくしてから、もう一度起動してください";

// What the user is told after loading. No file is no news: a new pet starts silently. A
// refused file is told, and the program ends; it then saves the new pet over that file. A
// file that could not be read is told, and the program ends without writing anything.
std::optional<FileNotice> NoticeAfterLoad(LoadResult result);

enum class SaveOutcome {
    Saved,
    Failed,     // the old file stays as it was
    NotNeeded,  // nothing to write: the record is what the file holds, or no pet is kept
};

// What the user is told after the exit save.
std::optional<FileNotice> NoticeAfterSave(SaveOutcome outcome);

// Time as the keeper needs it: pauses between tries of a file that another program holds.
class KeeperClock {
public:
    virtual ~KeeperClock() = default;
    virtual int64_t NowMs() = 0;  // milliseconds from any fixed moment, never going back
    virtual void Pause(int ms) = 0;  // sleeps; the thread does nothing meanwhile
};

// A file that could not be read is tried again for this long before the program gives up on
// it: a scanner or a backup that holds it, a sync client still starting at log-on.
inline constexpr int kUnreadableRetryMs = 10'000;
inline constexpr int kUnreadablePauseMs = 250;
// The exit save tries a few times when another program holds the file for a moment.
inline constexpr int kExitSaveAttempts = 5;
inline constexpr int kExitSavePauseMs = 50;
// While the pet lives it is written about once a minute, if it changed.
inline constexpr int kAutosaveIntervalMs = 60'000;

// The pet's file. Nothing is written until the pet has been loaded from it (or found to have
// none), and never after a file that could not be read: that file is left exactly as it was.
class PetKeeper {
public:
    PetKeeper(FileStore& files, KeeperClock& clock) : files_(files), clock_(clock) {}

    // Loads from the save file in the program's folder, trying an unreadable file again for
    // kUnreadableRetryMs. pet changes only when the result is Loaded. Once the file has been
    // read (or found missing), whatever an interrupted save left beside it is removed.
    LoadResult Load(PetState& pet);

    // Writes the pet if it differs from what the file was last known to hold. One attempt: a
    // failure is silent and the next call tries again.
    SaveOutcome SaveChanges(const PetState& pet);

    // The save at exit: always writes (a file the user may have edited is written afresh),
    // trying again briefly while another program holds the file.
    SaveOutcome SaveAtExit(const PetState& pet);

    // The pet may be written: it was loaded, or there was no file or a refused one.
    bool Keeping() const { return keeping_; }
    const std::wstring& path() const { return path_; }

private:
    WriteResult Write(const PetState& pet);

    FileStore& files_;
    KeeperClock& clock_;
    std::wstring path_;  // empty until Load
    bool keeping_ = false;
    std::optional<PetState> onFile_;  // what the file holds as far as this program knows
};

}  // namespace pomki
