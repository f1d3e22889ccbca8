#include "core/state/pet_keeper.h"

namespace pomki {

std::optional<FileNotice> NoticeAfterLoad(LoadResult result) {
    switch (result) {
    case LoadResult::Rejected: return FileNotice{kFileErrorCaption, kRejectedText, true, false};
    case LoadResult::Unreadable: return FileNotice{kFileErrorCaption, kUnreadableText, true, true};
    case LoadResult::Loaded:
    case LoadResult::NoFile: break;
    }
    return std::nullopt;
}

std::optional<FileNotice> NoticeAfterSave(SaveOutcome outcome) {
    if (outcome == SaveOutcome::Failed) return FileNotice{kFileErrorCaption, kSaveFailedText, false, true};
    return std::nullopt;
}

LoadResult PetKeeper::Load(PetState& pet) {
    path_ = LongPathForm(files_.ProgramFolder() + kSaveFileName);
    const int64_t start = clock_.NowMs();
    LoadResult result = loadPetState(files_, path_, pet);
    while (result == LoadResult::Unreadable && clock_.NowMs() - start < kUnreadableRetryMs) {
        clock_.Pause(kUnreadablePauseMs);
        result = loadPetState(files_, path_, pet);
    }
    if (result == LoadResult::Unreadable) return result;  // keep nothing, write nothing

    keeping_ = true;
    if (result == LoadResult::Loaded) onFile_ = pet;
    files_.RemoveLeftovers(path_);
    return result;
}

WriteResult PetKeeper::Write(const PetState& pet) {
    const WriteResult written = files_.ReplaceAtomically(path_, FormatSaveFile(pet));
    if (written == WriteResult::Written) onFile_ = pet;
    return written;
}

SaveOutcome PetKeeper::SaveChanges(const PetState& pet) {
    if (!keeping_ || onFile_ == pet) return SaveOutcome::NotNeeded;
    return Write(pet) == WriteResult::Written ? SaveOutcome::Saved : SaveOutcome::Failed;
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
