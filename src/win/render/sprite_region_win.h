// The Windows half of the sprite region builder.
#pragma once

#include <windows.h>

#include "win/framework/handles.h"

namespace pomki::win {

// The region of every pixel of `bitmap` whose colour differs from its bottom-left pixel,
// in bitmap coordinates, as horizontal runs one pixel high. nullptr when there is none;
// otherwise the caller owns the region. The bitmap is only read and stays the caller's.
// A null bitmap is reported with a message box, as the pet always has.
HRGN BuildSpriteRegion(HBITMAP bitmap);

// A new 32-bit bitmap of `bitmap` blown up `scale` times each way, nearest neighbour (every
// pixel a sharp block). Empty when it cannot be made.
UniqueBitmap ScaleBitmapNearest(HBITMAP bitmap, int scale);

// Bitmap `resourceId` of `module`, blown up `scale` times the same way (as it is at 1 and
// below). Empty when it cannot be loaded; otherwise the caller owns it.
UniqueBitmap LoadBitmapAtScale(HINSTANCE module, int resourceId, int scale);

}  // namespace pomki::win
