// Where the pet stands and how it walks: the pet window's behaviour fields. Not saved; all 0
// at start, but the pixel scale, which is 1.
#pragma once

#include <cstdint>

#include "core/base/geometry.h"

namespace pomki {

enum RoamMode : int32_t {
    RoamFree = 0,      // random walk
    RoamToWindow = 1,  // walking to the foreground window's left edge
    RoamHalted = 2,    // left standing by the minimising act
};

// The eight headings, clockwise from east (screen y grows downward).
enum Heading : int32_t {
    kHeadingEast = 0,
    kHeadingSouthEast = 1,
    kHeadingSouth = 2,
    kHeadingSouthWest = 3,
    kHeadingWest = 4,
    kHeadingNorthWest = 5,
    kHeadingNorth = 6,
    kHeadingNorthEast = 7,
};

// The pet window is this size at a pixel scale of 1; on a scaled display every size, step,
// bound and offset of the walk is multiplied by the scale.
inline constexpr int32_t kPetSize = 60;

struct WalkState {
    int32_t petX = 0;
    int32_t petY = 0;
    int32_t heading = kHeadingEast;
    int32_t frameBase = 0;
    int32_t framePhase = 0;
    RoamMode roamMode = RoamFree;
    Point cursorPoint{};
    // The whole-number scale the pet's pixels are drawn at (that of the frames loaded).
    int32_t scale = 1;

    int FrameSlot() const { return frameBase + framePhase; }
    int32_t Size() const { return kPetSize * scale; }
};

}  // namespace pomki
