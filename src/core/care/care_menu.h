// The care menu's rules: what it shows of the pet, what switching each ability does (the
// clock, the screen-saver sweep and its cursor watch), and what happens when it closes.
// Platform-free: the menu's dialog turns clicks and timer ticks into calls here and carries
// out what CarePort asks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/base/geometry.h"
#include "resource_ids.h"
#include "core/state/pet_saver.h"
#include "core/state/pet_state.h"

namespace pomki {

// An ability's box in the care menu.
struct AbilityBox {
    Ability ability;
    int boxId;            // check box control id
    const wchar_t* name;  // the box's text once the ability is unlocked
};

// In ability order; box k belongs to ability k.
inline constexpr std::array<AbilityBox, kAbilityCount> kAbilityBoxes{{
    {CursorLead, IDC_ABILITY_CURSOR_LEAD, L"カーソル誘導"},
    {FastMove, IDC_ABILITY_FAST_MOVE, L"高速移動"},
    {DoubleMoney, IDC_ABILITY_DOUBLE_MONEY, L"おかね２倍"},
    {GoodLuck, IDC_ABILITY_GOOD_LUCK, L"開運祈願"},
    {ShowOff, IDC_ABILITY_SHOW_OFF, L"目立ちたがり"},
    {NoMischief1, IDC_ABILITY_NO_MISCHIEF_1, L"いたずら禁止 ＬＶ１"},
    {ExtraFood, IDC_ABILITY_EXTRA_FOOD, L"ごはん追加"},
    {Clock, IDC_ABILITY_CLOCK, L"ぽて時計"},
    {ScreenSaver, IDC_ABILITY_SCREEN_SAVER, L"スクリーンセーバー"},
    {MischiefGuard, IDC_ABILITY_MISCHIEF_GUARD, L"いたずら完全防御"},
    {LotsOfMoney, IDC_ABILITY_LOTS_OF_MONEY, L"おかねたんまり"},
    {BellyLimitBreak, IDC_ABILITY_BELLY_LIMIT_BREAK, L"おなか限界突破"},
}};

// The ability whose box has this control id; nothing for any other control.
std::optional<Ability> AbilityOfBox(int controlId);

// What the menu shows of the pet. Showing it only ever adds: a box gets its name and is
// enabled when the ability is unlocked, and its check mark when the ability is on; nothing
// is ever cleared or disabled by it.
struct CareMenuView {
    struct Box {
        bool named;    // show the name and enable the box
        bool checked;  // set the check mark (a locked ability may have one too)
    };
    std::array<Box, kAbilityCount> boxes{};
    int32_t stress = 0;  // the stress bar's position, range 0..kStressMax
    std::wstring money;  // "%d", no grouping
    const wchar_t* fullnessWord = L"";
    std::wstring level;  // "%d"
};

CareMenuView ViewOf(const PetState& pet);

// What the care menu asks of its window and of the desktop.
class CarePort {
public:
    virtual ~CarePort() = default;

    virtual void Show(const CareMenuView& view) = 0;
    virtual void SetCheck(Ability ability, bool checked) = 0;
    virtual Point CursorPos() = 0;
    virtual void StartCursorWatch() = 0;  // ticks OnCursorWatch every 100 ms
    virtual void StopCursorWatch() = 0;
    virtual void OpenClock() = 0;    // makes and shows a clock window
    virtual void CloseClock() = 0;   // destroys the clock window; nothing when there is none
    virtual void OpenSweep() = 0;    // makes and shows the screen-saver sweep
    virtual void CloseSweep() = 0;   // destroys the sweep; nothing when there is none
    virtual void RunFoodMenu() = 0;  // modal; its result does not matter
    virtual void Quit() = 0;         // the quit request that ends the program
};

class CareMenu {
public:
    CareMenu(PetState& pet, CarePort& port, PetSaver& saver) : pet_(pet), port_(port), saver_(saver) {}

    // The menu has opened: show the pet.
    void Open();
    // A click on ability k's box. The box has already flipped its own check mark; the flag
    // follows (0 when it held 1, 1 otherwise) and is saved at once, and the clock and the
    // sweep follow the flag.
    void Toggle(Ability ability);
    // A tick of the cursor watch: the smallest movement of the mouse ends the screen saver.
    void OnCursorWatch();
    // "ごはんメニュー": the food menu, then the pet shown afresh whatever it did.
    void FoodMenu();
    // "ぽてぽて終了": the menu does not end itself; the quit request ends it and the program.
    void Quit() { port_.Quit(); }
    // The menu's window is going. The watch goes with it, so a sweep still running would
    // never end: it is ended here, and the flag cleared.
    void Close();

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
