// The care menu's rules: what it shows of the pet, what switching each ability does (the
// clock, the screen-saver sweep and its cursor watch), and how it closes. Platform-free: the
// menu's dialog turns clicks and timer ticks into CareMenuEvents and carries out what
// CarePort asks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/abilities/abilities.h"
#include "core/base/geometry.h"
#include "core/state/pet_saver.h"
#include "core/state/pet_state.h"

namespace pomki {

// What the menu shows of the pet. Showing it only ever adds: a box gets its name and is
// enabled when the ability is unlocked, and its check mark when the ability is on; nothing
// is ever cleared or disabled by it.
struct CareMenuView {
    struct Box {
        bool named;    // show the name and enable the box
        bool checked;  // set the check mark (a locked ability may have one too)
        friend bool operator==(const Box&, const Box&) = default;
    };
    std::array<Box, kAbilityCount> boxes{};
    int32_t stress = 0;  // the stress bar's position, range 0..kStressMax
    std::wstring money;  // "%d", no grouping
    std::wstring fullnessWord;
    std::wstring level;  // "%d"
    friend bool operator==(const CareMenuView&, const CareMenuView&) = default;
};

CareMenuView ViewOf(const PetState& pet);

// What the care menu asks of its window and of the desktop.
class CarePort {
public:
    virtual ~CarePort() = default;

    virtual void Show(const CareMenuView& view) = 0;
    virtual void SetCheck(Ability ability, bool checked) = 0;
    virtual Point CursorPos() = 0;
    virtual void StartCursorWatch() = 0;  // a CursorWatchTick every 100 ms
    virtual void StopCursorWatch() = 0;
    virtual void OpenClock() = 0;    // makes and shows a clock window
    virtual void CloseClock() = 0;   // destroys the clock window; nothing when there is none
    virtual void OpenSweep() = 0;    // makes and shows the screen-saver sweep
    virtual void CloseSweep() = 0;   // destroys the sweep; nothing when there is none
    virtual void RunFoodMenu() = 0;  // modal; its result does not matter
    virtual void Quit() = 0;         // the quit request that ends the program
    virtual void Close(bool ok) = 0;  // ends the menu, with OK or not
};

// What the care menu's dialog tells its rules.
class CareMenuEvents {
public:
    virtual ~CareMenuEvents() = default;
    virtual void Open() = 0;               // the menu has opened
    virtual void Toggle(Ability ability) = 0;  // a click on ability k's box
    virtual void CursorWatchTick() = 0;
    virtual void OpenFoodMenu() = 0;       // "ごはんメニュー"
    virtual void Quit() = 0;               // "ぽてぽて終了"
    virtual void Ok() = 0;                 // "メニュー閉じる" or Enter
    virtual void Cancel() = 0;             // Escape
    virtual void Destroyed() = 0;          // the menu's window is going
};

class CareMenu final : public CareMenuEvents {
public:
    CareMenu(PetState& pet, CarePort& port, PetSaver& saver) : pet_(pet), port_(port), saver_(saver) {}

    // Shows the pet.
    void Open() override;
    // The box has already flipped its own check mark; the flag follows (0 when it held 1,
    // 1 otherwise) and is saved at once, and the clock and the sweep follow the flag.
    void Toggle(Ability ability) override;
    // The smallest movement of the mouse ends the screen saver.
    void CursorWatchTick() override;
    // The food menu, then the pet shown afresh whatever it did.
    void OpenFoodMenu() override;
    // The menu does not end itself; the quit request ends it and the program.
    void Quit() override { port_.Quit(); }
    // Both end the menu with OK, so that the pet walks on afterwards.
    void Ok() override { port_.Close(true); }
    void Cancel() override { port_.Close(true); }
    // The watch goes with the window, so a sweep still running would never end: it is ended
    // here, and the flag cleared.
    void Destroyed() override;

    bool ScreenSaverRunning() const { return watching_; }

private:
    void StartScreenSaver();
    void EndScreenSaver();

    PetState& pet_;
    CarePort& port_;
    PetSaver& saver_;
    bool watching_ = false;
    Point screenSaverCursor_{};  // where the cursor was when the screen saver started
};

}  // namespace pomki
