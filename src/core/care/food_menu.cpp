#include "core/care/food_menu.h"

#include <cstddef>

namespace pomki {

int FoodOfRadio(int controlId) {
    for (std::size_t i = 0; i < kFoodRadios.size(); ++i) {
        if (kFoodRadios[i] == controlId) return static_cast<int>(i) + 1;
    }
    return 0;
}

FoodMenuView FoodViewOf(const PetState& pet) {
    FoodMenuView view;
    for (int food = 1; food <= kFoodCount; ++food) view.offered[static_cast<std::size_t>(food - 1)] = IsOffered(pet, food);
    view.money = std::to_wstring(pet.money);
    return view;
}

void FoodMenu::Open() { port_.Show(FoodViewOf(pet_)); }

void FoodMenu::Select(int food) {
    selected_ = food;
    port_.EnableFeed(CanFeed(pet_, food));
}

void FoodMenu::Feed() {
    // Another menu may have spent the money since the food was picked: nothing is fed then.
    if (!pomki::Feed(pet_, selected_)) {
        port_.EnableFeed(false);
        return;
    }
    saver_.SaveChanges();
    selected_ = 0;
    port_.Show(FoodViewOf(pet_));
    port_.Close(true);
}

}  // namespace pomki
