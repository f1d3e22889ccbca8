// The pet's fourteen frame slots: which bitmap resource each slot shows, the size of the
// image it becomes in its image list, and the names of the slots that poses start at. The
// one table read by the frame loader, the tick and everything that needs a slot's picture.
#pragma once

#include <array>
#include <cstdint>

#include "core/base/geometry.h"
#include "resource_ids.h"

namespace pomki {

inline constexpr int kFrameSlotCount = 14;

// The first slot of each pose (frameBase). The walking pairs show their second phase at
// slot + 1.
inline constexpr int32_t kSlotFront = 0;      // walking south
inline constexpr int32_t kSlotFrontStep = 1;  // its second phase; also a minimising pose
inline constexpr int32_t kSlotLeft = 2;       // walking west
inline constexpr int32_t kSlotRight = 4;      // walking east
inline constexpr int32_t kSlotBack = 6;       // walking north
inline constexpr int32_t kSlotTearful = 8;    // hiding behind a window, minimising
inline constexpr int32_t kSlotLucky = 9;      // walking pair for every heading with GoodLuck
inline constexpr int32_t kSlotGun = 11;       // a single shot
inline constexpr int32_t kSlotAutoGun = 12;   // a volley
inline constexpr int32_t kShotMarkSlot = 13;  // the mark a shot leaves on the screen

struct FrameSlot {
    int resourceId;  // bitmap resource
    Size imageSize;  // image size in the slot's image list
};

inline constexpr std::array<FrameSlot, kFrameSlotCount> kFrameSlots{{
    {IDB_FRONT, {60, 60}},       // front view, standing
    {IDB_FRONT_STEP, {60, 60}},  // front view, the other step
    {IDB_LEFT, {60, 60}},        // turned to the left
    {IDB_LEFT_STEP, {60, 60}},
    {IDB_RIGHT, {60, 60}},       // turned to the right
    {IDB_RIGHT_STEP, {60, 60}},
    {IDB_BACK, {60, 60}},        // back view
    {IDB_BACK_STEP, {60, 60}},
    {IDB_TEARFUL, {60, 60}},     // front view, tearful
    {IDB_WAND_A, {60, 60}},      // wand swung to one side
    {IDB_WAND_B, {60, 60}},      // wand swung to the other side
    {IDB_GUN, {60, 60}},         // holding a gun
    {IDB_AUTO_GUN, {60, 60}},    // holding the large automatic gun
    {IDB_SHOT_MARK, {30, 35}},   // the splash; the bitmap is 31 x 36, the image one less each way
}};

}  // namespace pomki
