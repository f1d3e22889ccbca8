#include "core/care/feeding.h"

#include <algorithm>
#include <cstddef>

namespace pomki {

const Food* FindFood(int food) {
    if (food < 1 || food > kFoodCount) return nullptr;
    return &foodTable[static_cast<std::size_t>(food - 1)];
}

bool IsOffered(const PetState& pet, int food) {
    const Food* row = FindFood(food);
    return row && (!row->needsExtraFood || pet.IsOn(ExtraFood));
}

bool CanAfford(const PetState& pet, int food) {
    const Food* row = FindFood(food);
    return row && pet.money >= row->price;
}

bool CanFeed(const PetState& pet, int food) { return IsOffered(pet, food) && CanAfford(pet, food); }

bool Feed(PetState& pet, int food) {
    // A second menu may have spent the money since this food was picked: refuse rather than
    // let money go below 0.
    if (!CanFeed(pet, food)) return false;
    const Food& row = *FindFood(food);

    // Sums are taken in 64 bits: a save file may bring values near the ends of 32 bits.
    pet.money = static_cast<int32_t>(std::min<int64_t>(int64_t{pet.money} - row.price, kMoneyMax));

    int64_t fullness = int64_t{pet.fullness} + row.fullness;
    if (fullness > kFullnessCap && !pet.IsOn(BellyLimitBreak)) fullness = kFullnessCap;
    pet.fullness = static_cast<int32_t>(std::min<int64_t>(fullness, kFullnessLimitBreakCap));

    pet.stress = static_cast<int32_t>(std::clamp<int64_t>(int64_t{pet.stress} + row.stress, kStressMin, kStressMax));

    int64_t experience = int64_t{pet.experience} + row.experience;
    if (experience < kExperiencePerLevel) {
        pet.experience = static_cast<int32_t>(experience);
        return true;
    }
    // Every full 100 is one level, up to kLevelMax. The levels are added at once: an ability
    // unlocked at some level in between is also unlocked at the level reached, and unlocks
    // are never taken back, so checking once after the last level unlocks the same abilities
    // as checking after each one.
    const int64_t room = std::max<int64_t>(int64_t{kLevelMax} - pet.level, 0);
    const int64_t gained = std::min(experience / kExperiencePerLevel, room);
    experience -= gained * kExperiencePerLevel;
    pet.level = static_cast<int32_t>(pet.level + gained);
    // At the top level the experience beyond a level has nowhere to go.
    pet.experience = static_cast<int32_t>(std::min<int64_t>(experience, kExperiencePerLevel - 1));
    if (gained > 0) {
        for (const AbilityInfo& info : kAbilities) {
            if (pet.level >= info.unlockLevel && pet.abilityUnlocked[info.ability] == 0) pet.abilityUnlocked[info.ability] = 1;
        }
    }
    return true;
}

const wchar_t* FullnessWord(int32_t fullness) {
    for (const FullnessBand& band : fullnessWords) {
        if (fullness >= band.lowest) return band.word;
    }
    return fullnessWords.back().word;
}

}  // namespace pomki
