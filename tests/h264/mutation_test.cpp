// Fixed-seed mutations of watermarked frames: nothing crashes, and no frame
// that lost bytes or a slice is called genuine.
#include "H264TestSupport.h"
#include "streams/TestStreams.h"

#include <gtest/gtest.h>

#include <random>

using namespace k5streams;

namespace {

struct NalSpan
{
    std::size_t from, to;
    int type;
};

std::vector<NalSpan> Split(const std::vector<std::uint8_t>& b)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 3 < b.size(); ++i)
        if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1)
            starts.push_back(i);
    std::vector<NalSpan> v;
    for (std::size_t k = 0; k < starts.size(); ++k)
        v.push_back({starts[k], k + 1 < starts.size() ? starts[k + 1] : b.size(), b[starts[k] + 3] & 0x1F});
    return v;
}

// One frame per buffer, as the recorder stores them.
std::vector<std::vector<std::uint8_t>> WatermarkedFrames()
{
    std::vector<std::vector<std::uint8_t>> out;
    {
        WmStream s;
        s.mbWidth = 6;
        s.mbHeight = 4;
        WmPicture p;
        WmSlice a, b;
        b.firstMb = 10;
        const WmKind kinds[] = {WmKind::INxN, WmKind::I16, WmKind::Pcm, WmKind::INxN, WmKind::I16};
        for (int k = 0; k < 24; ++k)
            (k < 10 ? a : b).mbs.push_back(WmMacroblock{kinds[k % 5], kDue, false});
        p.slices = {a, b};
        s.pictures.push_back(p);
        out.push_back(WriteWatermarkStream(s).bytes);
    }
    {
        WmStream s;
        s.profile = 100;
        s.transform8x8 = true;
        s.pictures.push_back(WmSimplePicture(12, WmKind::INxN));
        for (auto& m : s.pictures[0].slices[0].mbs)
            m.dct8 = true;
        out.push_back(WriteWatermarkStream(s).bytes);
    }
    {
        WmStream s;
        s.frameMbsOnly = false;
        s.mbHeight = 4;
        for (int f = 1; f <= 2; ++f) {
            WmPicture p = WmSimplePicture(8, WmKind::I16, 2, f == 1, 0);
            p.structure = f;
            s.pictures.push_back(p);
        }
        out.push_back(WriteWatermarkStream(s).bytes);
    }
    {
        WmStream s;
        WmPicture p = WmSimplePicture(12, WmKind::P16x16, 0, false, 1);
        for (std::size_t k = 0; k < 12; k += 3)
            p.slices[0].mbs[k].kind = WmKind::PSkip;
        s.pictures.push_back(p);
        out.push_back(WriteWatermarkStream(s).bytes);
    }
    return out;
}

} // namespace

TEST(Mutation, NoCrashAndNoTruncatedOrSliceDroppedFrameVerified)
{
    std::vector<std::vector<std::uint8_t>> frames = WatermarkedFrames();
    for (const auto& f : frames) {
        Checker ck;
        ck.Decode(f);
        ASSERT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
    }
    const std::size_t watermarked = frames.size();
    if (HasH264Encoder()) {
        StreamSpec spec;
        spec.width = 176;
        spec.height = 144;
        spec.frames = 4;
        spec.gop = 4;
        spec.x264 = "cabac=0:bframes=1:8x8dct=1";
        spec.noise = true;
        for (const EncodedFrame& e : MakeH264Stream(spec))
            frames.push_back(e.data);
    }

    std::mt19937 rng(20260112u);
    auto pick = [&](std::size_t n) { return n ? static_cast<std::size_t>(rng() % n) : 0; };
    int lossy = 0, total = 0;
    for (int iter = 0; iter < 4000; ++iter) {
        const std::size_t which = pick(frames.size());
        std::vector<std::uint8_t> b = frames[which];
        const std::vector<NalSpan> nals = Split(b);
        const int kind = static_cast<int>(rng() % 8);
        bool mustFail = false;
        switch (kind) {
        case 0: // bit flips
            for (int k = 0, n = 1 + static_cast<int>(pick(4)); k < n; ++k)
                b[pick(b.size())] ^= static_cast<std::uint8_t>(1u << pick(8));
            break;
        case 1: // truncation
            b.resize(b.size() - 1 - pick(b.size() - 1));
            mustFail = true;
            break;
        case 2: // a dropped byte
            b.erase(b.begin() + static_cast<long>(pick(b.size())));
            break;
        case 3: // a duplicated byte
        {
            const std::size_t at = pick(b.size());
            b.insert(b.begin() + static_cast<long>(at), b[at]);
            break;
        }
        case 4: // an inserted byte
            b.insert(b.begin() + static_cast<long>(pick(b.size() + 1)), static_cast<std::uint8_t>(rng()));
            break;
        case 5: // a dropped slice
        {
            std::vector<NalSpan> slices;
            for (const NalSpan& n : nals)
                if (n.type == 1 || n.type == 5)
                    slices.push_back(n);
            if (slices.empty())
                continue;
            const NalSpan s = slices[pick(slices.size())];
            b.erase(b.begin() + static_cast<long>(s.from), b.begin() + static_cast<long>(s.to));
            mustFail = true;
            break;
        }
        case 6: // a duplicated NAL unit
        {
            const NalSpan s = nals[pick(nals.size())];
            std::vector<std::uint8_t> copy(b.begin() + static_cast<long>(s.from), b.begin() + static_cast<long>(s.to));
            b.insert(b.begin() + static_cast<long>(nals[pick(nals.size())].from), copy.begin(), copy.end());
            break;
        }
        default: // an inserted NAL unit of random bytes
        {
            std::vector<std::uint8_t> junk = {0, 0, 1};
            for (std::size_t k = 0, n = 1 + pick(40); k < n; ++k)
                junk.push_back(static_cast<std::uint8_t>(rng()));
            b.insert(b.begin() + static_cast<long>(nals.empty() ? 0 : nals[pick(nals.size())].from), junk.begin(),
                     junk.end());
            break;
        }
        }
        Checker ck;
        const int r = ck.Decode(b);
        EXPECT_GE(r, 0);
        EXPECT_LE(r, static_cast<int>(b.size()));
        ++total;
        if (mustFail && which < watermarked) {
            ++lossy;
            EXPECT_NE(ck.Verdict(), WatermarkVerdict::Verified) << "iteration " << iter << " kind " << kind;
        }
    }
    EXPECT_GT(lossy, 500);
    std::printf("[ mutations ] %d decoded, %d truncated or slice-dropped watermarked frames\n", total, lossy);
}
