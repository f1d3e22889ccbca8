#include "core/state/pet_keeper.h"

namespace pomki {

std::optional<FileNotice> NoticeAfterLoad(LoadResult result) {
    switch (result) {
    case LoadResult::Rejected: return FileNotice{kFileErrorCaption, std::wstring(kRejectedText), true, false};
    case LoadResult::Unreadable: return FileNotice{kFileErrorCaption, std::wstring(kUnreadableText), true, true};
    case LoadResult::Loaded:
    case LoadResult::NoFile: break;
    }
    return std::nullopt;
}

std::optional<FileNotice> NoticeAfterSave(SaveOutcome outcome) {
    if (outcome == SaveOutcome::Failed) return FileNotice{kFileErrorCaption, std::wstring(kSaveFailedText), false, true};
    return std::nullopt;
}

FileNotice KeptElsewhereNotice(std::wstring_view path) {
    return FileNotice{kKeptElsewhereCaption, std::wstring(kKeptElsewhereText) + std::wstring(path), false, false};
}

std::wstring RefusedFileOf(const std::wstring& path) { return LongPathForm(path + L".bad"); }

bool PetKeeper::CanKeepBesideProgram(const std::wstring& folder, const std::wstring& path) {
    if (IsWithinFolder(folder, files_.TemporaryFolder())) return false;
    return ResultOf(files_.ProbeReplace(path)) != WriteResult::Failed;
}

LoadResult PetKeeper::LoadPatiently(const std::wstring& path, PetState& pet, std::string& bytes) {
    const int64_t start = clock_.NowMs();
    for (;;) {
        ReadResult read = files_.ReadAll(path);
        const LoadResult result = DecodeRead(read, pet);
        if (result != LoadResult::Unreadable || clock_.NowMs() - start >= kUnreadableRetryMs) {
            bytes = std::move(read.bytes);
            return result;
        }
        clock_.Pause(kUnreadablePauseMs);
    }
}

LoadResult PetKeeper::Load(PetState& pet) {
    const std::wstring folder = files_.ProgramFolder();
    const std::wstring besideProgram = LongPathForm(folder + kSaveFileName);
    path_ = besideProgram;
    if (!CanKeepBesideProgram(folder, besideProgram)) {
        // With no folder of its own either, the pet stays beside the program: its saves fail,
        // and the user is told so.
        const std::wstring own = files_.UserDataFolder();
        if (!own.empty()) path_ = LongPathForm(own + kSaveFileName);
    }

    std::string bytes;
    LoadResult result = LoadPatiently(path_, pet, bytes);
    bool copied = false;
    if (result == LoadResult::NoFile && path_ != besideProgram) {
        // The pet comes to live here: the one beside the program, if any, comes along. A refused
        // one stays where it is (nothing can be written there), and a new pet starts here.
        movedHere_ = true;
        result = LoadPatiently(besideProgram, pet, bytes);
        if (result == LoadResult::Loaded) copied = ResultOf(files_.ReplaceAtomically(path_, bytes)) == WriteResult::Written;
        if (result != LoadResult::Loaded) bytes.clear();
    }
    if (result == LoadResult::Unreadable) return result;  // keep nothing, write nothing

    keeping_ = true;
    if (result == LoadResult::Loaded && (!movedHere_ || copied)) onFile_ = pet;
    refusedOnFile_ = result == LoadResult::Rejected && !movedHere_;
    files_.RemoveLeftovers(path_);
    return result;
}

std::optional<FileNotice> PetKeeper::MovedNotice() const {
    if (!movedHere_ || !keeping_) return std::nullopt;
    return KeptElsewhereNotice(path_);
}

WriteResult PetKeeper::Write(const PetState& pet) {
    if (refusedOnFile_) {
        // Set aside first: the refused file is the user's, and may be all there is of a pet.
        const WriteReport setAside = files_.Rename(path_, RefusedFileOf(path_));
        if (setAside.step != WriteReport::Done && setAside.error != FileError::NotFound) return ResultOf(setAside);
        refusedOnFile_ = false;
    }
    const WriteResult written = ResultOf(files_.ReplaceAtomically(path_, FormatSaveFile(pet)));
    if (written == WriteResult::Written) onFile_ = pet;
    return written;
}

SaveOutcome PetKeeper::SaveChanges(const PetState& pet) {
    if (!keeping_ || onFile_ == pet) return SaveOutcome::NotNeeded;
    switch (Write(pet)) {
    case WriteResult::Written: return SaveOutcome::Saved;
    case WriteResult::Busy: return SaveOutcome::Busy;
    case WriteResult::Failed: break;
    }
    return SaveOutcome::Failed;
}

SaveOutcome PetKeeper::SaveAtExit(const PetState& pet) {
    if (!keeping_) return SaveOutcome::NotNeeded;
    for (int attempt = 1;; ++attempt) {
        const WriteResult written = Write(pet);
        if (written == WriteResult::Written) return SaveOutcome::Saved;
        if (written == WriteResult::Failed || attempt == kExitSaveAttempts) return SaveOutcome::Failed;
        clock_.Pause(kExitSavePauseMs);
    }
}

}  // namespace pomki
