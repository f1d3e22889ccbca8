// Keeping the pet between runs: where its file is, loading it at start-up and saving it at
// exit, and what the user is told when either goes wrong. Platform-free; the application
// shows the notices and ends the program when a notice asks it to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "state/pet_state.h"
#include "state/save_file.h"

namespace pomki {

// A message box with an OK button.
struct FileNotice {
    std::wstring_view caption;
    std::wstring_view text;
    bool endsProgram;  // the program is to end once the user has dismissed it
};

inline constexpr std::wstring_view kFileErrorCaption = L"ファイルエラー";
inline constexpr std::wstring_view kRejectedText =
    L"ファイルが不正アクセスされています \n 削除後パソコンを再起動してください";
inline constexpr std::wstring_view kSaveFailedText = L"ファイルに保存できませんでした";

// What the user is told after loading. No file is no news: a new pet starts silently. A
// refused file is told, and the program ends; it then saves the new pet over that file.
std::optional<FileNotice> NoticeAfterLoad(LoadResult result);

// What the user is told after the exit save.
std::optional<FileNotice> NoticeAfterSave(bool saved);

// The pet's file: nothing is saved before the pet has been loaded from it (a window ending
// before its start-up finished), so a save then fails without touching any file.
class PetKeeper {
public:
    explicit PetKeeper(FileStore& files) : files_(files) {}

    // Loads from the save file in `directory`; pet changes only when the result is Loaded.
    LoadResult Load(const std::wstring& directory, PetState& pet);
    // Writes the pet over its file; false when it could not be written or nothing was loaded.
    bool Save(const PetState& pet);

    const std::wstring& path() const { return path_; }

private:
    FileStore& files_;
    std::wstring path_;  // empty until Load
};

}  // namespace pomki
