#include "core/pet/behaviour_timer.h"

namespace pomki {

void BehaviourTimer::Start(int intervalMs) {
    wanted_ = true;
    intervalMs_ = intervalMs;
    if (!away_) window_.StartTimer(PetTimer::Behaviour, intervalMs_);
}

void BehaviourTimer::Stop() {
    wanted_ = false;
    window_.StopTimer(PetTimer::Behaviour);
}

void BehaviourTimer::SetAway(bool away) {
    if (away == away_) return;
    away_ = away;
    if (!wanted_) return;
    if (away_) {
        window_.StopTimer(PetTimer::Behaviour);
    } else {
        window_.StartTimer(PetTimer::Behaviour, intervalMs_);
    }
}

}  // namespace pomki
