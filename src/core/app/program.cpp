#include "core/app/program.h"

namespace pomki {

namespace {

template <typename Port, typename Tracing>
Port& Traced(std::optional<trace::Trace>& trace, std::optional<Tracing>& decorator, Port& port) {
    if (!trace) return port;
    decorator.emplace(*trace, port);
    return *decorator;
}

FileStore& FilesOf(std::optional<trace::Trace>& trace, std::optional<trace::TracingFileStore>& decorator,
                   FileStore& files) {
    return Traced(trace, decorator, files);
}

KeeperClock& ClockOf(std::optional<trace::Trace>& trace, std::optional<trace::TracingKeeperClock>& decorator,
                     KeeperClock& clock) {
    return Traced(trace, decorator, clock);
}

std::optional<trace::Trace> TraceOn(trace::TraceSink* sink) {
    if (!sink) return std::nullopt;
    return std::optional<trace::Trace>(std::in_place, *sink);
}

// A menu's rules on its port, with the decorators around both when tracing.
template <typename Events, typename Rules, typename Port, typename TracingPort, typename TracingEvents>
class TracedMenu final : public MenuRules<Events> {
public:
    TracedMenu(trace::Trace* trace, PetState& pet, Port& port, PetSaver& saver)
        : port_(trace ? std::make_unique<TracingPort>(*trace, port) : nullptr),
          rules_(pet, port_ ? *port_ : port, saver),
          events_(trace ? std::make_unique<TracingEvents>(*trace, rules_) : nullptr) {}
    Events& events() override { return events_ ? static_cast<Events&>(*events_) : rules_; }

private:
    std::unique_ptr<TracingPort> port_;
    Rules rules_;
    std::unique_ptr<TracingEvents> events_;
};

}  // namespace

Program::Program(FileStore& files, KeeperClock& clock, trace::TraceSink* trace)
    : trace_(TraceOn(trace)), keeper_(FilesOf(trace_, tracedFiles_, files), ClockOf(trace_, tracedClock_, clock)) {}

PetEvents& Program::ConnectPet(PetWindowPort& window, DesktopPort& desktop, RandomSource& random) {
    const PetPorts ports{Traced(trace_, tracedWindow_, window), Traced(trace_, tracedDesktop_, desktop),
                         Traced(trace_, tracedRandom_, random)};
    pet_rules_.emplace(pet_, keeper_, ports);
    return Traced<PetEvents>(trace_, tracedEvents_, *pet_rules_);
}

std::unique_ptr<MenuRules<CareMenuEvents>> Program::ConnectCareMenu(CarePort& port) {
    return std::make_unique<TracedMenu<CareMenuEvents, CareMenu, CarePort, trace::TracingCarePort,
                                       trace::TracingCareMenuEvents>>(trace_ ? &*trace_ : nullptr, pet_, port,
                                                                      *pet_rules_);
}

std::unique_ptr<MenuRules<FoodMenuEvents>> Program::ConnectFoodMenu(FoodPort& port) {
    return std::make_unique<TracedMenu<FoodMenuEvents, FoodMenu, FoodPort, trace::TracingFoodPort,
                                       trace::TracingFoodMenuEvents>>(trace_ ? &*trace_ : nullptr, pet_, port,
                                                                      *pet_rules_);
}

}  // namespace pomki
