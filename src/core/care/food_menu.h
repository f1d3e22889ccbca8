// The food menu's rules: which radio button is which food, which foods are offered, when the
// feed button is enabled, and one meal per opening. Platform-free: the menu's dialog turns
// clicks into calls here and shows the answers.
#pragma once

#include <array>

#include "core/care/feeding.h"
#include "resource_ids.h"
#include "core/state/pet_saver.h"
#include "core/state/pet_state.h"

namespace pomki {

// The radio button of food k (1..7) is kFoodRadios[k - 1].
inline constexpr std::array<int, kFoodCount> kFoodRadios{
    IDC_FOOD_1, IDC_FOOD_2, IDC_FOOD_3, IDC_FOOD_4, IDC_FOOD_5, IDC_FOOD_6, IDC_FOOD_7,
};

// The food (1..7) whose radio button has this control id, or 0.
int FoodOfRadio(int controlId);

class FoodMenu {
public:
    FoodMenu(PetState& pet, PetSaver& saver) : pet_(pet), saver_(saver) {}

    // A click on food k's radio button. Returns whether the feed button is now enabled:
    // asked afresh at each pick, against the money of the moment.
    bool Select(int food);
    // The feed button. True when the meal was fed (and saved at once) and the menu is to
    // close; false when it was refused (the money no longer covers it) and the feed button
    // is to be disabled.
    bool Feed();
    // The menu's window is going: the next opening starts with nothing picked.
    void Close() { selected_ = 0; }

    int selected() const { return selected_; }
    const PetState& pet() const { return pet_; }

private:
    PetState& pet_;
    PetSaver& saver_;
    int selected_ = 0;  // 0: nothing picked; 1..7: the row of foodTable
};

}  // namespace pomki
