#include "core/care/food_menu.h"

#include <cstddef>

namespace pomki {

int FoodOfRadio(int controlId) {
    for (std::size_t i = 0; i < kFoodRadios.size(); ++i) {
        if (kFoodRadios[i] == controlId) return static_cast<int>(i) + 1;
    }
    return 0;
}

bool FoodMenu::Select(int food) {
    selected_ = food;
    return CanFeed(pet_, food);
}

bool FoodMenu::Feed() {
    // Another menu may have spent the money since the food was picked: nothing is fed then.
    if (!pomki::Feed(pet_, selected_)) return false;
    saver_.SaveChanges();
    selected_ = 0;
    return true;
}

}  // namespace pomki
