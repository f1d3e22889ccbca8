// The program's core, put together: the one pet record and its keeper, the pet's rules on the
// ports of its window and of the desktop, and the menus' rules, each made when its window is.
// When a trace is kept, every port and every entry of the rules is wrapped in its tracing
// decorator here, and nowhere else. The Windows program and the trace replay both build the
// core through this class.
#pragma once

#include <memory>
#include <optional>

#include "core/care/care_menu.h"
#include "core/care/food_menu.h"
#include "core/pet/pet.h"
#include "core/pet/pet_ports.h"
#include "core/state/pet_keeper.h"
#include "core/state/pet_state.h"
#include "core/trace/trace.h"
#include "core/trace/tracing.h"

namespace pomki {

// A menu's rules for as long as its window lives.
template <typename Events>
class MenuRules {
public:
    virtual ~MenuRules() = default;
    virtual Events& events() = 0;
};

class Program {
public:
    // `trace` is null when no trace is kept.
    Program(FileStore& files, KeeperClock& clock, trace::TraceSink* trace = nullptr);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The pet window has been made: the pet's rules on its ports (once). Returns what the
    // window tells them.
    PetEvents& ConnectPet(PetWindowPort& window, DesktopPort& desktop, RandomSource& random);
    // A care menu or food menu window has been made: its rules, until the window is gone.
    std::unique_ptr<MenuRules<CareMenuEvents>> ConnectCareMenu(CarePort& port);
    std::unique_ptr<MenuRules<FoodMenuEvents>> ConnectFoodMenu(FoodPort& port);

    const PetState& pet() const { return pet_; }

private:
    std::optional<trace::Trace> trace_;
    // The file store and clock as the keeper sees them: the decorators when tracing.
    std::optional<trace::TracingFileStore> tracedFiles_;
    std::optional<trace::TracingKeeperClock> tracedClock_;
    PetState pet_;
    PetKeeper keeper_;
    // Made by ConnectPet.
    std::optional<trace::TracingPetWindow> tracedWindow_;
    std::optional<trace::TracingDesktop> tracedDesktop_;
    std::optional<trace::TracingRandom> tracedRandom_;
    std::optional<Pet> pet_rules_;
    std::optional<trace::TracingPetEvents> tracedEvents_;
};

}  // namespace pomki
