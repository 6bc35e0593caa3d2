#include "SimLiveStreams.h"

#include "streams/TestStreams.h"

namespace k5sim {

SimStream MakePatternStream(int channel, int width, int height, int frames, int gop, bool interlaced, bool noise)
{
    k5streams::StreamSpec spec;
    spec.width = width;
    spec.height = height;
    spec.interlaced = interlaced;
    spec.gop = gop;
    spec.frames = frames;
    spec.channel = channel;
    spec.noise = noise;
    SimStream s;
    s.width = width;
    s.height = height;
    for (k5streams::EncodedFrame& f : k5streams::MakeH264Stream(spec))
        s.frames.push_back(SimFrame{std::move(f.data), f.key});
    return s;
}

} // namespace k5sim
