// Feeding the hamster: the seven foods, what one meal does to the pet, and the word the
// care menu shows for how full it is. Feeding is the only way the pet gains fullness,
// experience, levels and abilities, and the only way its money is spent.
// Platform-free: the food menu and the care menu (care_menu.h, food_menu.h) show what these
// functions decide.
#pragma once

#include <array>
#include <cstdint>

#include "core/state/pet_state.h"

namespace pomki {

inline constexpr int kFoodCount = 7;

struct Food {
    int32_t price;         // GOLD taken from money
    int32_t fullness;      // added to fullness
    int32_t experience;    // added to experience
    int32_t stress;        // added to stress
    bool needsExtraFood;   // offered only while ExtraFood is on
};

// The foods in menu order; food k (1..7) is foodTable[k - 1]. Their names and radio buttons
// are the food menu's (care/food_menu.h).
inline constexpr std::array<Food, kFoodCount> foodTable{{
    {100, 250, 0, -5, false},       // ひまわりの種
    {150, 40, 0, -100, false},      // そうけんび茶
    {200, 130, 20, -70, false},     // 温泉たまご
    {300, 220, 80, 30, false},      // セロリ
    {500, 600, 50, -150, false},    // カレーライス
    {1000, 900, 200, -300, true},   // 夕張めろん
    {2000, 2000, 500, -500, true},  // ピザ
}};

inline constexpr int32_t kFullnessCap = 1000;           // without BellyLimitBreak
inline constexpr int32_t kFullnessLimitBreakCap = 2000;  // in any case
inline constexpr int32_t kExperiencePerLevel = 100;

// The food of row k (1..7), or nullptr for any other k (0 means nothing picked).
const Food* FindFood(int food);

// The menu offers this food now: it exists, and the two dearest need ExtraFood on.
bool IsOffered(const PetState& pet, int food);

// The pet's money covers the food's price. False for a food that does not exist.
bool CanAfford(const PetState& pet, int food);

// The feed button's rule for the picked food: offered and affordable.
bool CanFeed(const PetState& pet, int food);

// Feeds food k: adds its effects, takes its price, keeps fullness and stress within their
// limits, turns every full 100 experience into a level and unlocks each ability whose level
// is reached. Returns false, changing nothing, when the food cannot be fed (CanFeed).
// Level and money never pass kLevelMax and kMoneyMax, the most the save file can hold.
bool Feed(PetState& pet, int food);

// The fullness bands, highest first; a value shows the word of the first band whose lower
// bound it reaches. Anything from 1800 up, even beyond the 2000 that feeding allows (a save
// file may hold more), is "吐きそう"; anything below 50, negative values too, "死にそう".
struct FullnessBand {
    int32_t lowest;
    const wchar_t* word;
};
inline constexpr std::array<FullnessBand, 10> fullnessWords{{
    {1800, L"吐きそう"},
    {1500, L"はちきれそう"},
    {1200, L"すごくおなかいっぱい"},
    {1000, L"かなり満足"},
    {800, L"おなかいっぱい"},
    {600, L"よゆう"},
    {400, L"ふつう"},
    {200, L"おなかすいた"},
    {50, L"減りすぎ"},
    {INT32_MIN, L"死にそう"},
}};

// The word the care menu shows for this fullness.
const wchar_t* FullnessWord(int32_t fullness);

}  // namespace pomki
