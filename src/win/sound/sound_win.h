// The pet's six short sounds, played from the program's own resources.
#pragma once

namespace pomki::win {

// Starts sound resource `soundId` (type "SOUND"; only the low 16 bits of the id count) and
// returns at once, cutting off any sound still playing. An id with no such resource, or a
// device that cannot play, gives silence.
void PlaySoundEffect(int soundId);

}  // namespace pomki::win
