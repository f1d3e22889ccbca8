// Saving as it goes: what the menus and the pet window tell whoever keeps the pet's file.
// Platform-free; the pet (core/pet/pet.h) implements it with its keeper.
#pragma once

namespace pomki {

class PetSaver {
public:
    virtual ~PetSaver() = default;
    // The pet may have changed (a meal, a switched ability, a minute of life): it is written
    // to its file now if it differs from what was last written there. A write that fails is
    // tried again at the next call; the user is told of a failure (not of a file that another
    // program holds for now).
    virtual void SaveChanges() = 0;
};

}  // namespace pomki
