// The pet: what it does when its window is set up and torn down, at each timer message, when
// it is petted, right-clicked or called from its notification-area icon, when its monitor's
// scale changes, and when the session ends. The pet window turns its messages into
// PetEvents; the pet acts through its ports and keeps its file through the keeper.
#pragma once

#include <cstdint>

#include "core/base/geometry.h"
#include "core/pet/behaviour.h"
#include "core/pet/behaviour_timer.h"
#include "core/pet/pet_ports.h"
#include "core/pet/presence.h"
#include "core/pet/walk_state.h"
#include "core/state/pet_keeper.h"
#include "core/state/pet_saver.h"
#include "core/state/pet_state.h"

namespace pomki {

// A timer message of the pet window: which timer, and when the system says it was sent
// (milliseconds of the system's tick count). The rules look only at the timer.
struct TimerMessage {
    int id = 0;
    uint32_t time = 0;
};

// What the mouse did over the notification-area icon.
enum class TrayEvent {
    LeftButtonDown,
    RightButtonDown,
    LeftButtonUp,
    RightButtonUp,
    LeftDoubleClick,
    Select,       // the shell's own "chosen" notification (left click or Enter)
    ContextMenu,  // the shell's own right-click or menu-key notification
    Other,        // moves and the rest
};

class PetEvents {
public:
    virtual ~PetEvents() = default;
    virtual void Start() = 0;    // the window is made, not shown yet
    virtual void Timer(TimerMessage message) = 0;
    virtual void LeftButtonDown() = 0;
    virtual void RightButtonDown() = 0;
    virtual void TrayNotify(TrayEvent event) = 0;
    // The monitor under the window now has `dpi` dots per inch; the system suggests a rectangle.
    virtual void DpiChanged(int dpi, const Rect& suggested) = 0;
    virtual void EndSession() = 0;  // Windows may end the process without destroying the window
    virtual void Destroy() = 0;     // the window is being destroyed
    // The system tells of the session, the display or the power: the user may have gone or be back.
    virtual void Presence(PresenceEvent event) = 0;

    // ---- Calling the pet ----
    // The user started the program again while it runs: the second copy calls the pet.
    virtual void CalledBack() = 0;

    // The frame slot a repaint draws now (not an event: it changes nothing).
    virtual int FrameSlot() const = 0;
};

inline constexpr int kSlowIntervalMs = 400;
inline constexpr int kFastIntervalMs = 100;  // with FastMove
// How often the pet asks the desktop whether the user is there (the screen saver tells nobody).
inline constexpr int kPresenceCheckMs = 10'000;

// BehaviourTimer's interval, chosen each time the timer is started.
int BehaviourIntervalMs(const PetState& pet);

// The flags that cannot hold at start: no clock window exists yet, so Clock is off. The
// screen saver's flag is kept (no sweep runs either; the next click on its box clears it).
void ClearStartUpFlags(PetState& pet);

// Whether this notification from the icon opens the care menu (or brings an open one to the
// front): the release of either button, or the shell's own notifications of a click (Select,
// ContextMenu) when it sends them. Never a press: the menu opened on the press would lose the
// foreground to the shell at the release, and the shell lets a program take the foreground
// only in answer to the whole click.
bool OpensCareMenu(TrayEvent event);

// Whether a message of this timer is a behaviour tick: any timer's but the autosave's and the
// presence check's.
bool IsTick(int timerId);

class Pet final : public PetEvents, public PetSaver {
public:
    Pet(PetState& pet, PetKeeper& keeper, const PetPorts& ports)
        : pet_(pet), keeper_(keeper), ports_(ports), behaviourTimer_(ports.window), tick_(pet, walk_, ports_, behaviourTimer_) {}

    // Set-up, in this order: the icon (so that a file held by another program shows the
    // icon only while it is waited for), the frames at the monitor's scale, the pet loaded
    // (a refused or unreadable file told, and the program ended), the start-up flags, the
    // first frame, the timers, and the window shown.
    void Start() override;
    // The autosave timer saves a pet that changed; the presence check asks the desktop whether
    // the user is there; any other timer message is one tick.
    void Timer(TimerMessage message) override;
    // A squeak, one stress less (not below 0), the random walk again, the timer restarted,
    // and the user drags the pet.
    void LeftButtonDown() override;
    // The pet stops and is shown where the last tick left it, the care menu runs, and only
    // OK starts it again. One menu at a time: a click while it is open brings it to the front.
    void RightButtonDown() override { OpenCareMenu(); }
    void TrayNotify(TrayEvent event) override;
    // New frames only when the whole-number scale changes; the window takes their size where
    // RectAfterDpiChange (core/pet/dpi_change.h) puts it, told the monitors and, while the user
    // drags the pet, the cursor. The system's suggested rectangle is not taken: it assumes a
    // window that scales in proportion.
    void DpiChanged(int dpi, const Rect& suggested) override;
    void EndSession() override;
    // The icon removed, the frames released, the pet saved (a failed save told).
    void Destroy() override;
    // Away, the pet rests: no tick (so no sound, no trick, no change to the pet) and no
    // autosave; back, it walks on as it stood. It is written at once when the machine goes to
    // sleep or the session is locked. A pose held or a box open when the user goes ends as
    // usual; a care menu open then keeps the pet stopped as it would anyway.
    void Presence(PresenceEvent event) override;
    int FrameSlot() const override { return walk_.FrameSlot(); }

    // The pet comes into view wherever it was (hidden behind a window, left standing, lost
    // under the user's windows): onto the work area under the cursor, in front of the
    // windows, walking free. A care menu open stays in charge of the timer.
    void CalledBack() override;

    // PetSaver: the menus' meals and switches are written at once, as is the pet once a minute.
    // A save that fails is told at once (a file held by another program is not: the next save
    // tries again).
    void SaveChanges() override;

    const WalkState& walk() const { return walk_; }

private:
    void OpenCareMenu();
    void StartBehaviourTimer();
    void LoadFrames(int scale);
    void Follow(UserPresence::Change change);

    PetState& pet_;
    PetKeeper& keeper_;
    PetPorts ports_;
    WalkState walk_;
    BehaviourTimer behaviourTimer_;
    BehaviourTick tick_;
    UserPresence presence_;
    bool careMenuOpen_ = false;  // ticks are stopped, but a click on the icon still arrives
    bool saveFailureTold_ = false;  // a failed save was told, and none has succeeded since
    bool dragging_ = false;      // the user drags the pet (a change of DPI may come meanwhile)
};

}  // namespace pomki
