// The pet's fourteen frame slots: which bitmap resource each slot shows and the size of
// the image it becomes in its image list. The one table read by the frame loader and by
// everything that needs to know a slot's picture.
#pragma once

#include <array>

#include "render/geometry.h"

namespace pomki {

inline constexpr int kFrameSlotCount = 14;
inline constexpr int kShotMarkSlot = 13;

struct FrameSlot {
    int resourceId;  // bitmap resource (the IDB_ ids of resource_ids.h)
    Size imageSize;  // image size in the slot's image list
};

// The core has no resource include path, so the ids are spelled out here; the Windows
// frame loader checks them against resource_ids.h at compile time.
inline constexpr std::array<FrameSlot, kFrameSlotCount> kFrameSlots{{
    {129, {60, 60}},  // IDB_FRONT: front view, standing
    {130, {60, 60}},  // IDB_FRONT_STEP: front view, the other step
    {134, {60, 60}},  // IDB_LEFT: turned to the left
    {135, {60, 60}},  // IDB_LEFT_STEP
    {136, {60, 60}},  // IDB_RIGHT: turned to the right
    {137, {60, 60}},  // IDB_RIGHT_STEP
    {138, {60, 60}},  // IDB_BACK: back view
    {139, {60, 60}},  // IDB_BACK_STEP
    {140, {60, 60}},  // IDB_TEARFUL: front view, tearful
    {141, {60, 60}},  // IDB_WAND_A: wand swung to one side
    {142, {60, 60}},  // IDB_WAND_B: wand swung to the other side
    {147, {60, 60}},  // IDB_GUN: holding a gun
    {148, {60, 60}},  // IDB_AUTO_GUN: holding the large automatic gun
    {146, {30, 35}},  // IDB_SHOT_MARK: the splash; the bitmap is 31 x 36, the image one less each way
}};

}  // namespace pomki
