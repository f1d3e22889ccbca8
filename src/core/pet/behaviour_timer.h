// BehaviourTimer as the pet's rules run it: they start and stop it, and while the user is away
// it is held stopped; when the user is back it starts again as the rules left it, with the
// interval it had.
#pragma once

#include "core/pet/pet_window_port.h"

namespace pomki {

class BehaviourTimer {
public:
    explicit BehaviourTimer(PetWindowPort& window) : window_(window) {}

    // The rules want it running at this interval (restarted when it runs): it runs unless the
    // user is away.
    void Start(int intervalMs);
    // The rules want it stopped.
    void Stop();
    // The user has gone (true) or is back (false).
    void SetAway(bool away);

    bool Wanted() const { return wanted_; }

private:
    PetWindowPort& window_;
    bool wanted_ = false;
    bool away_ = false;
    int intervalMs_ = 0;
};

}  // namespace pomki
