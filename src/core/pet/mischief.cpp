#include "core/pet/mischief.h"

#include <cstddef>

// Plain #defines shared with the resource script; no platform header behind them.
#include "resource_ids.h"

namespace pomki {

namespace {

constexpr int kShotSpread = 60;  // marks fall on a grid of pet-sized cells around the pet (times the scale)
constexpr int kVolleyShots = 20;
constexpr double kShotHold = 0.1;

// Strikes a pose in front of every window: phase 0 of `slot`, shaped and placed topmost.
void StrikePose(Behaviour& behaviour, PetPort& port, int32_t slot) {
    behaviour.framePhase = 0;
    behaviour.frameBase = slot;
    port.ApplyFrameRegion(behaviour.FrameSlot());
    port.PlacePet(ZOrder::TopMost, behaviour.petX, behaviour.petY);
}

// The four draws of one shot, as the mark's offset from the pet's corner at pixel scale `scale`.
Point DrawShotOffset(RandomSource& random, int32_t scale) {
    const int r1 = random.Next(10);
    const int r2 = random.Next(10);
    const int r3 = random.Next(10);
    const int r4 = random.Next(10);
    return Point{kShotSpread * scale * (r1 - r3), kShotSpread * scale * (r2 - r4)};
}

void FireShot(const Behaviour& behaviour, PetPort& port, Point offset) {
    port.DrawShotMark(Point{behaviour.petX + offset.x, behaviour.petY + offset.y});
    port.PlaySoundEffect(IDS_SOUND_SHOT);
    port.HoldPose(kShotHold);
}

// One draw picks the row.
template <typename Line, std::size_t N>
const Line& PickLine(const std::array<Line, N>& lines, RandomSource& random) {
    return lines[static_cast<std::size_t>(random.Next(static_cast<int>(N)))];
}

struct MinimisePose {
    int32_t slot;
    int soundId;
    double hold;  // seconds
};

constexpr std::array<MinimisePose, 5> kMinimisePoses{{
    {kSlotTearful, IDS_SOUND_SQUEAL, 0.1},
    {kSlotFrontStep, IDS_SOUND_BLIP, 0.3},
    {kSlotTearful, IDS_SOUND_BLIP, 0.3},
    {kSlotFrontStep, IDS_SOUND_BLIP, 0.3},
    {kSlotTearful, IDS_SOUND_BLIP, 0.3},
}};

}  // namespace

void ShootScreen(Behaviour& behaviour, PetPort& port, RandomSource& random) {
    // The draws come before the pose, so the order of draws is the same as in a volley.
    const Point offset = DrawShotOffset(random, behaviour.scale);
    StrikePose(behaviour, port, kSlotGun);
    FireShot(behaviour, port, offset);
}

void ShootVolley(Behaviour& behaviour, PetPort& port, RandomSource& random) {
    StrikePose(behaviour, port, kSlotAutoGun);
    for (int shot = 0; shot < kVolleyShots; ++shot) {
        const Point offset = DrawShotOffset(random, behaviour.scale);
        FireShot(behaviour, port, offset);
    }
}

void GrumbleBox(PetPort& port, RandomSource& random) {
    const BoxLine& line = PickLine(boxLines, random);
    port.PlaySoundEffect(IDS_SOUND_GRUMBLE);
    // Modal: further ticks run inside this call while the box is open.
    port.MessageBox(line.text, line.caption);
}

void RetitleWindow(WindowRef foreground, PetPort& port, RandomSource& random) {
    const std::wstring_view title = PickLine(titleLines, random);
    port.Retitle(foreground, title);
    port.PlaySoundEffect(IDS_SOUND_RETITLE);
}

void MinimiseWindow(WindowRef foreground, Behaviour& behaviour, PetPort& port) {
    behaviour.roamMode = RoamHalted;
    port.StopTimer();
    port.Minimise(foreground);
    for (const MinimisePose& pose : kMinimisePoses) {
        StrikePose(behaviour, port, pose.slot);
        port.PlaySoundEffect(pose.soundId);
        port.HoldPose(pose.hold);
    }
}

}  // namespace pomki
