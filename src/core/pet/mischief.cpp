#include "core/pet/mischief.h"

#include <cstddef>

#include "core/render/frame_slots.h"
// Plain #defines shared with the resource script; no platform header behind them.
#include "resource_ids.h"

namespace pomki {

namespace {

constexpr int kShotSpread = 60;  // marks fall on a grid of pet-sized cells around the pet (times the scale)
constexpr int kVolleyShots = 20;
constexpr double kShotHold = 0.1;

// Strikes a pose in front of every window: phase 0 of `slot`, shaped and placed topmost.
void StrikePose(WalkState& walk, PetWindowPort& window, int32_t slot) {
    walk.framePhase = 0;
    walk.frameBase = slot;
    window.ApplyFrameRegion(walk.FrameSlot());
    window.PlacePet(ZOrder::TopMost, walk.petX, walk.petY);
}

// The four draws of one shot, as the mark's offset from the pet's corner at pixel scale `scale`.
Point DrawShotOffset(RandomSource& random, int32_t scale) {
    const int r1 = random.Next(10);
    const int r2 = random.Next(10);
    const int r3 = random.Next(10);
    const int r4 = random.Next(10);
    return Point{kShotSpread * scale * (r1 - r3), kShotSpread * scale * (r2 - r4)};
}

void FireShot(const WalkState& walk, const PetPorts& ports, Point offset) {
    ports.desktop.DrawShotMark(Point{walk.petX + offset.x, walk.petY + offset.y});
    ports.desktop.PlaySoundEffect(IDS_SOUND_SHOT);
    ports.window.HoldPose(kShotHold);
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

void ShootScreen(WalkState& walk, const PetPorts& ports) {
    // The draws come before the pose, so the order of draws is the same as in a volley.
    const Point offset = DrawShotOffset(ports.random, walk.scale);
    StrikePose(walk, ports.window, kSlotGun);
    FireShot(walk, ports, offset);
}

void ShootVolley(WalkState& walk, const PetPorts& ports) {
    StrikePose(walk, ports.window, kSlotAutoGun);
    for (int shot = 0; shot < kVolleyShots; ++shot) {
        const Point offset = DrawShotOffset(ports.random, walk.scale);
        FireShot(walk, ports, offset);
    }
}

void GrumbleBox(const PetPorts& ports) {
    const BoxLine& line = PickLine(boxLines, ports.random);
    ports.desktop.PlaySoundEffect(IDS_SOUND_GRUMBLE);
    // Modal: further ticks run inside this call while the box is open.
    ports.desktop.ShowMessageBox(line.text, line.caption);
}

void RetitleWindow(WindowRef foreground, const PetPorts& ports) {
    const std::wstring_view title = PickLine(titleLines, ports.random);
    ports.desktop.Retitle(foreground, title);
    ports.desktop.PlaySoundEffect(IDS_SOUND_RETITLE);
}

void MinimiseWindow(WindowRef foreground, WalkState& walk, const PetPorts& ports, BehaviourTimer& timer) {
    walk.roamMode = RoamHalted;
    timer.Stop();
    ports.desktop.Minimise(foreground);
    for (const MinimisePose& pose : kMinimisePoses) {
        StrikePose(walk, ports.window, pose.slot);
        ports.desktop.PlaySoundEffect(pose.soundId);
        ports.window.HoldPose(pose.hold);
    }
}

}  // namespace pomki
