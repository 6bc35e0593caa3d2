// Backups as the recorder records them: every picture of a download a
// watermarked H.264 frame (check kind 2), the same pictures the demo's
// downloaded sets carry, so that a download plays with its check. Kept apart
// from the simulator library, which encodes nothing itself.
#pragma once

#include "SimTransfer.h"

namespace k5sim {

// Makes `transfer` send such frames: a key picture at the start of each of a
// channel's seconds, the others predicted, the time stamps spread over the
// second by the transfer's frame rate, and the segments and event kinds of
// the built-in frames.
void ServeWatermarkedBackups(SimTransfer& transfer, int width = 352, int height = 288);

} // namespace k5sim
