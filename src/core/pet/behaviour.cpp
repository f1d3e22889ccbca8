#include "core/pet/behaviour.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/pet/mischief.h"
#include "core/pet/screen_bounds.h"
#include "core/pet/target_window.h"
#include "core/render/frame_slots.h"

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
void FinishWalkingStep(const PetState& pet, WalkState& walk, const PetPorts& ports) {
    ports.window.ApplyFrameRegion(walk.FrameSlot());
    ports.window.PlacePet(ShowOffPlacement(pet), walk.petX, walk.petY);
    walk.framePhase = walk.framePhase == 0 ? 1 : 0;
}

// Walks diagonally toward the cursor, the pet's centre aiming at it; no screen bounds.
void CursorLeadStep(const PetState& pet, WalkState& walk, const PetPorts& ports) {
    walk.cursorPoint = ports.desktop.CursorPos();
    const int64_t half = int64_t{kHalfPet} * walk.scale;
    const int64_t dx = walk.cursorPoint.x - half - walk.petX;
    const int64_t dy = walk.cursorPoint.y - half - walk.petY;
    // On either axis a difference of exactly zero keeps whatever heading the pet had.
    if (dx > 0 && dy > 0) walk.heading = kHeadingSouthEast;
    else if (dx > 0 && dy < 0) walk.heading = kHeadingNorthEast;
    else if (dx < 0 && dy > 0) walk.heading = kHeadingSouthWest;
    else if (dx < 0 && dy < 0) walk.heading = kHeadingNorthWest;
    StepAlongHeading(pet, walk);
    FinishWalkingStep(pet, walk, ports);
}

// Walks level toward the foreground window's left edge and hides behind it on arrival.
void WindowSeekingStep(const PetState& pet, WalkState& walk, const PetPorts& ports, BehaviourTimer& timer,
                       const Rect& window) {
    const int64_t edge = window.left;
    const int64_t x = walk.petX;
    const int32_t n = walk.scale;
    if (x - kArrivalReach * n < edge && edge < x) {
        timer.Stop();
        walk.framePhase = 0;
        walk.frameBase = kSlotTearful;
        ports.window.ApplyFrameRegion(walk.FrameSlot());
        // Half a pet further left, under every window: behind the one it reached.
        ports.window.PlacePet(ZOrder::Bottom, walk.petX - kHalfPet * n, walk.petY);
        return;
    }
    if (edge < x) {
        walk.heading = kHeadingWest;
        walk.petX -= kSeekStep * n;
        walk.frameBase = kSlotLeft;
    } else {
        walk.heading = kHeadingEast;
        walk.petX += kSeekStep * n;
        walk.frameBase = kSlotRight;
    }
    FinishWalkingStep(pet, walk, ports);
}

// Walks on to the foreground window only while it is one the pet can be seen peeking out
// from; a pet that cannot seek roams free instead (and takes this tick's random step).
void SeekOrRoamFree(const PetState& pet, WalkState& walk, const PetPorts& ports, BehaviourTimer& timer,
                    WindowRef foreground, const Rect& petRect) {
    const Rect window = ports.desktop.WindowRect(foreground);
    if (!CanSeekWindow(ports.desktop.WorkAreas(), petRect, window, kHalfPet * walk.scale)) {
        walk.roamMode = RoamFree;
        return;
    }
    walk.roamMode = RoamToWindow;
    WindowSeekingStep(pet, walk, ports, timer, window);
}

// Now and then turns one eighth to either side, steps, and stays on the work areas.
void RandomWalkStep(const PetState& pet, WalkState& walk, const PetPorts& ports) {
    const int p = ports.random.Next(3);
    const int q = ports.random.Next(3);
    if (p == 1) {
        walk.heading += q - 1;
        if (walk.heading > kHeadingNorthEast) walk.heading = 0;
        if (walk.heading < 0) walk.heading = kHeadingNorthEast;
    }
    const Point from{walk.petX, walk.petY};
    StepAlongHeading(pet, walk);

    // The monitors and their taskbars may have changed since the last step. The heading
    // stays: at an edge the pet slides along it or treads on the spot until a turn takes it
    // away.
    const Point kept = KeepOnWorkAreas(ports.desktop.WorkAreas(), from, Point{walk.petX, walk.petY},
                                       kHalfPet * walk.scale);
    walk.petX = kept.x;
    walk.petY = kept.y;

    FinishWalkingStep(pet, walk, ports);
}

// The first of retitling, minimising and seeking that applies, on the user's window in front.
// While a program holds the whole screen none of them happens and a seeking pet walks on
// freely instead.
void ActOnUserWindow(PetState& pet, WalkState& walk, const PetPorts& ports, BehaviourTimer& timer,
                     FrontWindow& front, const Rect& petRect, int wanderRoll, int mischiefRoll) {
    const bool retitle = kRetitleWindowTrigger.Fires(pet, pet.stress, mischiefRoll);
    const bool minimise = !retitle && kMinimiseWindowTrigger.Fires(pet, pet.stress, mischiefRoll);
    const bool seek = wanderRoll == 1 || walk.roamMode == RoamToWindow;
    // The window in front is looked at only when there is something to do with it.
    if (!retitle && !minimise && !seek) return;
    const WindowRef target = front.UserWindow();
    if (target == 0) return;
    if (front.FullScreen()) {
        if (walk.roamMode == RoamToWindow) walk.roamMode = RoamFree;
        return;
    }
    if (retitle) {
        RetitleWindow(target, ports);
    } else if (minimise) {
        MinimiseWindow(target, walk, ports, timer);
    } else {
        SeekOrRoamFree(pet, walk, ports, timer, target, petRect);
    }
}

}  // namespace

ZOrder ShowOffPlacement(const PetState& pet) {
    return pet.IsOn(ShowOff) ? ZOrder::TopMost : ZOrder::NoTopMost;
}

int32_t WalkingFrameBase(const PetState& pet, int32_t heading) {
    // heading is kept in 0..7; the mask only keeps a stray value from reading past the table.
    return pet.IsOn(GoodLuck) ? kSlotLucky : kHeadingSteps[static_cast<std::size_t>(heading & 7)].frameBase;
}

void StepAlongHeading(const PetState& pet, WalkState& walk) {
    const HeadingStep& step = kHeadingSteps[static_cast<std::size_t>(walk.heading & 7)];
    walk.petX += step.dx * walk.scale;
    walk.petY += step.dy * walk.scale;
    walk.frameBase = WalkingFrameBase(pet, walk.heading);
}

void BehaviourTick::Run() {
    PetState& pet = pet_;
    WalkState& walk = walk_;
    const PetPorts& ports = ports_;
    EarnMoney(pet);

    // Read back every tick, so a pet dragged by the user walks on from where it was dropped.
    const Rect petRect = ports.window.PetRect();
    walk.petX = petRect.left;
    walk.petY = petRect.top;

    const WindowRef petWindow = ports.window.PetWindow();
    const WindowRef foreground = ports.desktop.ForegroundWindow();  // 0: the desktop reports none

    const int wanderRoll = ports.random.Next(20);
    const int mischiefRoll = ports.random.Next(50);

    // Tricks on the screen, judged by the stress the pet had when the tick began. Each
    // answers to other rolls, so at most one of them fires; none while a program holds
    // the whole screen (a game, a film, a slide show).
    FrontWindow front(ports.desktop, foreground);
    const int32_t stressBefore = pet.stress;
    if (kShootScreenTrigger.Fires(pet, stressBefore, mischiefRoll)) {
        if (!front.FullScreen()) ShootScreen(walk, ports);
    } else if (kGrumbleBoxTrigger.Fires(pet, stressBefore, mischiefRoll)) {
        // Ticks that arrive while the box is open run inside this call and change the
        // same pet and walk; everything below reads them afresh.
        if (!grumbleBoxOpen_ && !front.FullScreen()) {
            grumbleBoxOpen_ = true;
            GrumbleBox(ports);
            grumbleBoxOpen_ = false;
        }
    } else if (kShootVolleyTrigger.Fires(pet, stressBefore, mischiefRoll)) {
        if (!front.FullScreen()) ShootVolley(walk, ports);
    }

    UseUpFullness(pet);

    if (pet.IsOn(CursorLead)) {
        CursorLeadStep(pet, walk, ports);
        return;
    }

    if (foreground != 0 && foreground == petWindow) {
        walk.roamMode = RoamFree;
    } else {
        // Tricks on the user's window and the walk to it need the user's window in front;
        // with none (the desktop, the taskbar, one of ours, a hung window, ...) the pet
        // keeps its mode, and only a free pet walks this tick.
        ActOnUserWindow(pet, walk, ports, timer_, front, petRect, wanderRoll, mischiefRoll);
    }

    if (walk.roamMode == RoamFree) RandomWalkStep(pet, walk, ports);
}

}  // namespace pomki
