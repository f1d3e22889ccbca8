#include "core/pet/presence.h"

namespace pomki {

namespace {
enum Reason : uint32_t {
    kLocked = 1,
    kDisconnected = 2,
    kDisplayOff = 4,
    kSuspended = 8,
    kNotPresent = 16,
};
}  // namespace

UserPresence::Change UserPresence::Set(uint32_t reason, bool on) {
    const bool wasAway = Away();
    reasons_ = on ? (reasons_ | reason) : (reasons_ & ~reason);
    if (Away() == wasAway) return Change::None;
    return Away() ? Change::Gone : Change::Back;
}

UserPresence::Change UserPresence::Apply(PresenceEvent event) {
    switch (event) {
    case PresenceEvent::SessionLocked: return Set(kLocked, true);
    case PresenceEvent::SessionUnlocked: return Set(kLocked, false);
    case PresenceEvent::SessionDisconnected: return Set(kDisconnected, true);
    case PresenceEvent::SessionConnected: return Set(kDisconnected, false);
    case PresenceEvent::DisplayOff: return Set(kDisplayOff, true);
    case PresenceEvent::DisplayOn: return Set(kDisplayOff, false);
    case PresenceEvent::Suspending: return Set(kSuspended, true);
    case PresenceEvent::Resumed: return Set(kSuspended, false);
    }
    return Change::None;
}

UserPresence::Change UserPresence::Notified(bool notPresent) { return Set(kNotPresent, notPresent); }

bool SavesAtOnce(PresenceEvent event) {
    return event == PresenceEvent::Suspending || event == PresenceEvent::SessionLocked;
}

}  // namespace pomki
