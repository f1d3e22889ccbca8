#include "state/pet_keeper.h"

namespace pomki {

std::optional<FileNotice> NoticeAfterLoad(LoadResult result) {
    if (result == LoadResult::Rejected) return FileNotice{kFileErrorCaption, kRejectedText, true};
    return std::nullopt;
}

std::optional<FileNotice> NoticeAfterSave(bool saved) {
    if (!saved) return FileNotice{kFileErrorCaption, kSaveFailedText, false};
    return std::nullopt;
}

LoadResult PetKeeper::Load(const std::wstring& directory, PetState& pet) {
    path_ = directory + kSaveFileName;
    return loadPetState(files_, path_, pet);
}

bool PetKeeper::Save(const PetState& pet) {
    if (path_.empty()) return false;
    return savePetState(files_, path_, pet);
}

}  // namespace pomki
