#include "core/pet/behaviour.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/pet/mischief.h"
#include "core/pet/target_window.h"
#include "core/pet/screen_bounds.h"

namespace pomki {

namespace {

constexpr int32_t kHalfPet = kPetSize / 2;  // up to half the pet may leave the work area

// Hunger levels below which each tick adds one more point of stress.
constexpr std::array<int32_t, 3> kHungerLevels{200, 100, 50};

// A seeking pet has arrived once the window's left edge lies less than this far left of it
// (times the pixel scale, as every length of the walk below).
constexpr int32_t kArrivalReach = 5;
constexpr int32_t kSeekStep = 4;

struct HeadingStep {
    int32_t dx;
    int32_t dy;
    int32_t frameBase;
};

// Indexed by heading: 0 east, then clockwise (screen y grows downward) to 7 north-east.
constexpr std::array<HeadingStep, 8> kHeadingSteps{{
    {+4, 0, kSlotRight},
    {+2, +2, kSlotRight},
    {0, +4, kSlotFront},
    {-2, +2, kSlotFront},
    {-4, 0, kSlotLeft},
    {-2, -2, kSlotLeft},
    {0, -4, kSlotBack},
    {+2, -2, kSlotBack},
}};
constexpr int32_t kHeadingEast = 0;
constexpr int32_t kHeadingWest = 4;
constexpr int32_t kHeadingLast = 7;

void EarnMoney(PetState& pet) {
    int64_t earned = 1;
    if (pet.IsOn(DoubleMoney)) earned += 1;
    if (pet.IsOn(LotsOfMoney)) earned += 3;
    // The save file cannot hold more than kMoneyMax.
    pet.money = static_cast<int32_t>(std::min<int64_t>(pet.money + earned, kMoneyMax));
}

void UseUpFullness(PetState& pet) {
    pet.fullness = pet.fullness > 0 ? pet.fullness - 1 : 0;
    for (const int32_t level : kHungerLevels) {
        if (pet.fullness < level) pet.stress = pet.stress < kStressMax ? pet.stress + 1 : kStressMax;
    }
}

// Shows the step's frame where the pet now stands, then readies the other walking phase.
void FinishWalkingStep(const PetState& pet, Behaviour& behaviour, PetPort& port) {
    port.ApplyFrameRegion(behaviour.FrameSlot());
    port.PlacePet(ShowOffPlacement(pet), behaviour.petX, behaviour.petY);
    behaviour.framePhase = behaviour.framePhase == 0 ? 1 : 0;
}

// Walks diagonally toward the cursor, the pet's centre aiming at it; no screen bounds.
void CursorLeadStep(const PetState& pet, Behaviour& behaviour, PetPort& port) {
    behaviour.cursorPoint = port.CursorPos();
    const int64_t half = int64_t{kHalfPet} * behaviour.scale;
    const int64_t dx = behaviour.cursorPoint.x - half - behaviour.petX;
    const int64_t dy = behaviour.cursorPoint.y - half - behaviour.petY;
    // On either axis a difference of exactly zero keeps whatever heading the pet had.
    if (dx > 0 && dy > 0) behaviour.heading = 1;
    else if (dx > 0 && dy < 0) behaviour.heading = 7;
    else if (dx < 0 && dy > 0) behaviour.heading = 3;
    else if (dx < 0 && dy < 0) behaviour.heading = 5;
    StepAlongHeading(pet, behaviour);
    FinishWalkingStep(pet, behaviour, port);
}

// Walks level toward the foreground window's left edge and hides behind it on arrival.
void WindowSeekingStep(const PetState& pet, Behaviour& behaviour, PetPort& port, const Rect& window) {
    const int64_t edge = window.left;
    const int64_t x = behaviour.petX;
    const int32_t n = behaviour.scale;
    if (x - kArrivalReach * n < edge && edge < x) {
        port.StopTimer();
        behaviour.framePhase = 0;
        behaviour.frameBase = kSlotTearful;
        port.ApplyFrameRegion(behaviour.FrameSlot());
        // Half a pet further left, under every window: behind the one it reached.
        port.PlacePet(ZOrder::Bottom, behaviour.petX - kHalfPet * n, behaviour.petY);
        return;
    }
    if (edge < x) {
        behaviour.heading = kHeadingWest;
        behaviour.petX -= kSeekStep * n;
        behaviour.frameBase = kSlotLeft;
    } else {
        behaviour.heading = kHeadingEast;
        behaviour.petX += kSeekStep * n;
        behaviour.frameBase = kSlotRight;
    }
    FinishWalkingStep(pet, behaviour, port);
}

// Walks on to the foreground window only while it is one the pet can be seen peeking out
// from; a pet that cannot seek roams free instead (and takes this tick's random step).
void SeekOrRoamFree(const PetState& pet, Behaviour& behaviour, PetPort& port, WindowRef foreground,
                    const Rect& petRect) {
    const Rect window = port.WindowRect(foreground);
    if (!CanSeekWindow(port.WorkAreas(), petRect, window, kHalfPet * behaviour.scale)) {
        behaviour.roamMode = RoamFree;
        return;
    }
    behaviour.roamMode = RoamToWindow;
    WindowSeekingStep(pet, behaviour, port, window);
}

// Now and then turns one eighth to either side, steps, and stays on the work areas.
void RandomWalkStep(const PetState& pet, Behaviour& behaviour, PetPort& port,
                    RandomSource& random) {
    const int p = random.Next(3);
    const int q = random.Next(3);
    if (p == 1) {
        behaviour.heading += q - 1;
        if (behaviour.heading > kHeadingLast) behaviour.heading = 0;
        if (behaviour.heading < 0) behaviour.heading = kHeadingLast;
    }
    const Point from{behaviour.petX, behaviour.petY};
    StepAlongHeading(pet, behaviour);

    // The monitors and their taskbars may have changed since the last step. The heading
    // stays: at an edge the pet slides along it or treads on the spot until a turn takes it
    // away.
    const Point kept = KeepOnWorkAreas(port.WorkAreas(), from, Point{behaviour.petX, behaviour.petY},
                                       kHalfPet * behaviour.scale);
    behaviour.petX = kept.x;
    behaviour.petY = kept.y;

    FinishWalkingStep(pet, behaviour, port);
}

// The first of retitling, minimising and seeking that applies, on the user's window in front.
// While a program holds the whole screen none of them happens and a seeking pet walks on
// freely instead.
void ActOnUserWindow(PetState& pet, Behaviour& behaviour, PetPort& port, RandomSource& random,
                     FrontWindow& front, const Rect& petRect, int wanderRoll, int mischiefRoll) {
    const bool retitle = kRetitleWindowTrigger.Fires(pet, pet.stress, mischiefRoll);
    const bool minimise = !retitle && kMinimiseWindowTrigger.Fires(pet, pet.stress, mischiefRoll);
    const bool seek = wanderRoll == 1 || behaviour.roamMode == RoamToWindow;
    // The window in front is looked at only when there is something to do with it.
    if (!retitle && !minimise && !seek) return;
    const WindowRef target = front.UserWindow();
    if (target == 0) return;
    if (front.FullScreen()) {
        if (behaviour.roamMode == RoamToWindow) behaviour.roamMode = RoamFree;
        return;
    }
    if (retitle) {
        RetitleWindow(target, port, random);
    } else if (minimise) {
        MinimiseWindow(target, behaviour, port);
    } else {
        SeekOrRoamFree(pet, behaviour, port, target, petRect);
    }
}

}  // namespace

ZOrder ShowOffPlacement(const PetState& pet) {
    return pet.IsOn(ShowOff) ? ZOrder::TopMost : ZOrder::NoTopMost;
}

void StepAlongHeading(const PetState& pet, Behaviour& behaviour) {
    // heading is kept in 0..7; the mask only keeps a stray value from reading past the table.
    const HeadingStep& step = kHeadingSteps[static_cast<std::size_t>(behaviour.heading & 7)];
    behaviour.petX += step.dx * behaviour.scale;
    behaviour.petY += step.dy * behaviour.scale;
    behaviour.frameBase = pet.IsOn(GoodLuck) ? kSlotLucky : step.frameBase;
}

void RunTick(PetState& pet, Behaviour& behaviour, PetPort& port, RandomSource& random) {
    EarnMoney(pet);

    // Read back every tick, so a pet dragged by the user walks on from where it was dropped.
    const Rect petRect = port.PetRect();
    behaviour.petX = petRect.left;
    behaviour.petY = petRect.top;
    behaviour.scale = std::max(1, port.PixelScale());

    const WindowRef petWindow = port.PetWindow();
    const WindowRef foreground = port.ForegroundWindow();  // 0: the desktop reports none

    const int wanderRoll = random.Next(20);
    const int mischiefRoll = random.Next(50);

    // Tricks on the screen, judged by the stress the pet had when the tick began. Each
    // answers to other rolls, so at most one of them fires; none while a program holds
    // the whole screen (a game, a film, a slide show).
    FrontWindow front(port, foreground);
    const int32_t stressBefore = pet.stress;
    if (kShootScreenTrigger.Fires(pet, stressBefore, mischiefRoll)) {
        if (!front.FullScreen()) ShootScreen(behaviour, port, random);
    } else if (kGrumbleBoxTrigger.Fires(pet, stressBefore, mischiefRoll)) {
        // Ticks that arrive while the box is open run inside this call and change the
        // same pet and behaviour; everything below reads them afresh.
        if (!behaviour.grumbleBoxOpen && !front.FullScreen()) {
            behaviour.grumbleBoxOpen = true;
            GrumbleBox(port, random);
            behaviour.grumbleBoxOpen = false;
        }
    } else if (kShootVolleyTrigger.Fires(pet, stressBefore, mischiefRoll)) {
        if (!front.FullScreen()) ShootVolley(behaviour, port, random);
    }

    UseUpFullness(pet);

    if (pet.IsOn(CursorLead)) {
        CursorLeadStep(pet, behaviour, port);
        return;
    }

    if (foreground != 0 && foreground == petWindow) {
        behaviour.roamMode = RoamFree;
    } else {
        // Tricks on the user's window and the walk to it need the user's window in front;
        // with none (the desktop, the taskbar, one of ours, a hung window, ...) the pet
        // keeps its mode, and only a free pet walks this tick.
        ActOnUserWindow(pet, behaviour, port, random, front, petRect, wanderRoll, mischiefRoll);
    }

    if (behaviour.roamMode == RoamFree) RandomWalkStep(pet, behaviour, port, random);
}

}  // namespace pomki
