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
    std::wstring text;
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
inline constexpr std::wstring_view kKeptElsewhereCaption = L"デスクトップぽてぽて";
inline constexpr std::wstring_view kKeptElsewhereText =
    L"このフォルダには保存できないため、ハムスターは次の場所に保存します\n";

// What the user is told after loading. No file is no news: a new pet starts silently. A
// refused file is told, and the program ends; it then saves the new pet over that file. A
// file that could not be read is told, and the program ends without writing anything.
std::optional<FileNotice> NoticeAfterLoad(LoadResult result);

enum class SaveOutcome {
    Saved,
    Failed,     // the old file stays as it was; trying again will not help
    Busy,       // another program holds the file for now (saving as it goes only); the old file stays
    NotNeeded,  // nothing to write: the record is what the file holds, or no pet is kept
};

// What the user is told after a save: at exit, or as the pet lives. A failure is told at once;
// a file held for now is not (the next save tries again).
std::optional<FileNotice> NoticeAfterSave(SaveOutcome outcome);

// What the user is told when the pet lives in a place of its own because the program's folder
// takes no file: once, when the pet first comes to live there.
FileNotice KeptElsewhereNotice(std::wstring_view path);

// The name a refused file is kept under once a new pet is saved in its place.
std::wstring RefusedFileOf(const std::wstring& path);

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
//
// Where it is kept: beside the program, as long as the program's folder takes a new file (tried
// once at the load, by creating and removing the temporary file of a save) and is not the
// user's folder for temporary files (Windows runs a program started from inside a ZIP archive
// from there, and empties it later). Otherwise in the store's user data folder, where a pet
// already kept there is loaded; when there is none yet, a pet beside the program that can be
// read is copied there first, and the user is told where the pet lives now.
//
// A refused file is never destroyed: before a new pet is written in its place, it is renamed
// to "pomki.dat.bad" (replacing an older one).
class PetKeeper {
public:
    PetKeeper(FileStore& files, KeeperClock& clock) : files_(files), clock_(clock) {}

    // Finds the pet's place and loads its file, trying an unreadable file again for
    // kUnreadableRetryMs. pet changes only when the result is Loaded. Once the file has been
    // read (or found missing), whatever an interrupted save left beside it is removed.
    LoadResult Load(PetState& pet);

    // Writes the pet if it differs from what the file was last known to hold. One attempt: the
    // next call tries again after a failure.
    SaveOutcome SaveChanges(const PetState& pet);

    // The save at exit: always writes (a file the user may have edited is written afresh),
    // trying again briefly while another program holds the file.
    SaveOutcome SaveAtExit(const PetState& pet);

    // The pet may be written: it was loaded, or there was no file or a refused one.
    bool Keeping() const { return keeping_; }
    const std::wstring& path() const { return path_; }
    // The notice of the load that brought the pet to the user data folder, once.
    std::optional<FileNotice> MovedNotice() const;

private:
    // Whether the pet can live beside the program, its file being `path`.
    bool CanKeepBesideProgram(const std::wstring& folder, const std::wstring& path);
    // Loads one file, trying it again while it cannot be read; `bytes` holds what was read.
    LoadResult LoadPatiently(const std::wstring& path, PetState& pet, std::string& bytes);
    WriteResult Write(const PetState& pet);

    FileStore& files_;
    KeeperClock& clock_;
    std::wstring path_;  // empty until Load
    bool keeping_ = false;
    bool movedHere_ = false;       // this load brought the pet to the user data folder
    bool refusedOnFile_ = false;   // path_ holds a refused file, not yet set aside
    std::optional<PetState> onFile_;  // what the file holds as far as this program knows
};

}  // namespace pomki
