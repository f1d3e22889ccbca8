// The food menu's rules: which radio button is which food, which foods are offered, when the
// feed button is enabled, one meal per opening, and how it closes. Platform-free: the menu's
// dialog turns clicks into FoodMenuEvents and carries out what FoodPort asks.
#pragma once

#include <array>
#include <string>

#include "core/care/feeding.h"
#include "core/state/pet_saver.h"
#include "core/state/pet_state.h"
#include "resource_ids.h"

namespace pomki {

// The radio button of food k (1..7) is kFoodRadios[k - 1].
inline constexpr std::array<int, kFoodCount> kFoodRadios{
    IDC_FOOD_1, IDC_FOOD_2, IDC_FOOD_3, IDC_FOOD_4, IDC_FOOD_5, IDC_FOOD_6, IDC_FOOD_7,
};

// The food (1..7) whose radio button has this control id, or 0.
int FoodOfRadio(int controlId);

// What the menu shows of the pet. Showing it only ever takes away: a food not offered has its
// radio button disabled; nothing is enabled by it.
struct FoodMenuView {
    std::array<bool, kFoodCount> offered{};  // food k is offered[k - 1]
    std::wstring money;                      // "%d", no grouping
    friend bool operator==(const FoodMenuView&, const FoodMenuView&) = default;
};

FoodMenuView FoodViewOf(const PetState& pet);

// What the food menu asks of its window.
class FoodPort {
public:
    virtual ~FoodPort() = default;
    virtual void Show(const FoodMenuView& view) = 0;
    virtual void EnableFeed(bool enabled) = 0;
    virtual void Close(bool ok) = 0;  // ends the menu, with OK or not
};

// What the food menu's dialog tells its rules.
class FoodMenuEvents {
public:
    virtual ~FoodMenuEvents() = default;
    virtual void Open() = 0;
    virtual void Select(int food) = 0;  // a click on food k's radio button
    virtual void Feed() = 0;            // "たべさせる"
    virtual void Ok() = 0;              // "戻る" or Enter
    virtual void Cancel() = 0;          // Escape or the close box
    virtual void Destroyed() = 0;       // the menu's window is going
};

class FoodMenu final : public FoodMenuEvents {
public:
    FoodMenu(PetState& pet, FoodPort& port, PetSaver& saver) : pet_(pet), port_(port), saver_(saver) {}

    // The foods not offered are disabled; the feed button stays disabled until a food is picked.
    void Open() override;
    // The feed button follows the food picked last, against the money of the moment.
    void Select(int food) override;
    // Feeds the picked food, saves at once and closes with OK; a meal refused (the money no
    // longer covers it) disables the feed button instead.
    void Feed() override;
    void Ok() override { port_.Close(true); }
    void Cancel() override { port_.Close(false); }
    // The next opening starts with nothing picked.
    void Destroyed() override { selected_ = 0; }

    int selected() const { return selected_; }

private:
    PetState& pet_;
    FoodPort& port_;
    PetSaver& saver_;
    int selected_ = 0;  // 0: nothing picked; 1..7: the row of foodTable
};

}  // namespace pomki
