// Whether anybody is there: the pet rests while the session is locked or switched away, the
// display is off, the machine is going to sleep, or the desktop says the user is not present
// (the screen saver runs, say). Platform-free: the pet window hands on the system's
// notifications as PresenceEvents and the pet asks the desktop's notification state now and then.
#pragma once

#include <cstdint>

namespace pomki {

enum class PresenceEvent {
    SessionLocked,
    SessionUnlocked,
    SessionDisconnected,  // switched to another user, or a remote session left
    SessionConnected,     // switched back, or a remote session joined
    DisplayOff,
    DisplayOn,            // on, or dimmed: the user may still be looking
    Suspending,
    Resumed,
};

// Every reason the user may be away, each set and cleared by its own pair of events: the pet
// is away while any holds, and back when the last of them is cleared.
class UserPresence {
public:
    enum class Change { None, Gone, Back };

    Change Apply(PresenceEvent event);
    // The desktop's notification state, read now: it says whether the user is present.
    Change Notified(bool notPresent);

    bool Away() const { return reasons_ != 0; }

private:
    Change Set(uint32_t reason, bool on);

    uint32_t reasons_ = 0;
};

// Whether this event is the moment to write the pet: the machine is going to sleep (and may
// never wake), or the session is locked (and may be ended from outside).
bool SavesAtOnce(PresenceEvent event);

}  // namespace pomki
