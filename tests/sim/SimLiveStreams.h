// H.264 streams for the simulator's live and playback data, made at run time
// with the test-stream generator (libx264): each picture shows its frame
// counter, the channel's colour band and a moving bar. Kept apart from the
// simulator library, which encodes nothing itself.
#pragma once

#include "SimLive.h"

namespace k5sim {

// `frames` pictures with a key frame every `gop`; the counter starts at 0.
// Empty frames when the encoder is missing or fails.
SimStream MakePatternStream(int channel, int width, int height, int frames, int gop, bool interlaced = false,
                            bool noise = false);

} // namespace k5sim
