// x264 streams of every kind the recorder family may write, parsed by the
// client's decoder and decoded by libavcodec (the decoder behind
// libH264_D1.so): slice headers against its trace_headers bitstream filter,
// macroblock types, field flags and QPs against its debug map and QP side
// data, P-slice vectors against its exported motion vectors.
#include "H264TestSupport.h"
#include "streams/TestStreams.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavutil/motion_vector.h>
#include <libavutil/opt.h>
#include <libavutil/video_enc_params.h>
}

using namespace k5streams;

namespace {

// libavcodec's log, gathered into whole lines.
struct LogCapture
{
    static std::string& Partial()
    {
        static std::string s;
        return s;
    }
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> v;
        return v;
    }
    static void Callback(void*, int, const char* fmt, va_list vl)
    {
        char buf[1024];
        std::vsnprintf(buf, sizeof buf, fmt, vl);
        Partial() += buf;
        std::size_t nl;
        while ((nl = Partial().find('\n')) != std::string::npos) {
            Lines().push_back(Partial().substr(0, nl));
            Partial().erase(0, nl + 1);
        }
    }
    LogCapture()
    {
        Lines().clear();
        Partial().clear();
        av_log_set_level(AV_LOG_DEBUG);
        av_log_set_callback(&LogCapture::Callback);
    }
    ~LogCapture()
    {
        av_log_set_callback(av_log_default_callback);
        av_log_set_level(AV_LOG_ERROR);
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> v;
        v.swap(Lines());
        return v;
    }
};

struct TracedSlice
{
    std::map<std::string, long long> f;
    long long dataBit = 0; // in the RBSP, after the NAL header
};

// The slice headers of each packet as trace_headers shows them; one filter
// for the whole stream, so that later packets find their parameter sets.
class Tracer
{
public:
    Tracer()
    {
        const AVBitStreamFilter* f = av_bsf_get_by_name("trace_headers");
        if (f && av_bsf_alloc(f, &m_bsf) == 0) {
            m_bsf->par_in->codec_id = AV_CODEC_ID_H264;
            if (av_bsf_init(m_bsf) < 0)
                av_bsf_free(&m_bsf);
        }
    }
    ~Tracer() { av_bsf_free(&m_bsf); }
    bool Ok() const { return m_bsf != nullptr; }

    std::vector<TracedSlice> Trace(const std::vector<std::uint8_t>& au)
    {
        std::vector<TracedSlice> out;
        if (!m_bsf || au.empty())
            return out;
        LogCapture cap;
        AVPacket* p = av_packet_alloc();
        av_new_packet(p, static_cast<int>(au.size()));
        std::copy(au.begin(), au.end(), p->data);
        if (av_bsf_send_packet(m_bsf, p) == 0)
            while (av_bsf_receive_packet(m_bsf, p) == 0)
                av_packet_unref(p);
        av_packet_free(&p);
        static const std::regex kLine(R"(^\s*(\d+)\s+(\S+)\s+([01]+)\s+=\s+(-?\d+)\s*$)");
        enum { None, Slice, Pps } section = None;
        for (const std::string& line : cap.Take()) {
            if (line.find("Slice Header") != std::string::npos) {
                section = Slice;
                out.emplace_back();
                continue;
            }
            if (line.find("Picture Parameter Set") != std::string::npos) {
                section = Pps;
                continue;
            }
            if (line.find("Sequence Parameter Set") != std::string::npos ||
                line.find("Supplementary") != std::string::npos || line.find("Access Unit") != std::string::npos) {
                section = None;
                continue;
            }
            std::smatch m;
            if (!std::regex_search(line, m, kLine))
                continue;
            const long long pos = std::stoll(m[1]);
            const long long value = std::stoll(m[4]);
            if (section == Slice) {
                out.back().f[m[2]] = value;
                out.back().dataBit = pos + static_cast<long long>(m[3].length()) - 8;
            } else if (section == Pps) {
                m_pps[m[2]] = value;
            }
        }
        return out;
    }
    std::map<std::string, long long>& Pps() { return m_pps; }

private:
    AVBSFContext* m_bsf = nullptr;
    std::map<std::string, long long> m_pps;
};

struct RefMb
{
    char type = '?';
    char part = '?';
    char field = '?';
    int qp = -1;
};

struct RefFrame
{
    int mbWidth = 0;
    int mbHeight = 0;
    std::vector<RefMb> mbs;
    std::vector<AVMotionVector> mvs;
};

// Decodes the stream with libavcodec; the frames by decode index (pts).
std::map<int, RefFrame> Reference(const std::vector<EncodedFrame>& frames)
{
    std::map<int, RefFrame> out;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->thread_count = 1;
    c->debug = FF_DEBUG_MB_TYPE;
    c->flags2 |= AV_CODEC_FLAG2_EXPORT_MVS;
    c->export_side_data |= AV_CODEC_EXPORT_DATA_VIDEO_ENC_PARAMS;
    if (avcodec_open2(c, codec, nullptr) < 0) {
        avcodec_free_context(&c);
        return out;
    }
    AVPacket* p = av_packet_alloc();
    AVFrame* fr = av_frame_alloc();
    LogCapture cap;
    auto drain = [&] {
        while (avcodec_receive_frame(c, fr) == 0) {
            RefFrame rf;
            rf.mbWidth = (fr->width + 15) / 16;
            rf.mbHeight = (fr->height + 15) / 16;
            rf.mbs.resize(static_cast<std::size_t>(rf.mbWidth * rf.mbHeight));
            // The map: after "New frame", one line per row, 3 characters per macroblock.
            std::vector<std::string> lines = cap.Take();
            std::size_t start = 0;
            for (std::size_t i = 0; i < lines.size(); ++i)
                if (lines[i].find("New frame") != std::string::npos)
                    start = i + 1;
            int row = 0;
            for (std::size_t i = start; i < lines.size() && row < rf.mbHeight; ++i) {
                std::string l = lines[i];
                const std::size_t b = l.find("] ");
                if (b != std::string::npos && l[0] == '[')
                    l = l.substr(b + 2);
                if (static_cast<int>(l.size()) < 3 * rf.mbWidth)
                    continue;
                for (int x = 0; x < rf.mbWidth; ++x) {
                    RefMb& m = rf.mbs[static_cast<std::size_t>(row * rf.mbWidth + x)];
                    m.type = l[static_cast<std::size_t>(3 * x)];
                    m.part = l[static_cast<std::size_t>(3 * x + 1)];
                    m.field = l[static_cast<std::size_t>(3 * x + 2)];
                }
                ++row;
            }
            if (const AVFrameSideData* sd = av_frame_get_side_data(fr, AV_FRAME_DATA_VIDEO_ENC_PARAMS)) {
                const auto* par = reinterpret_cast<const AVVideoEncParams*>(sd->data);
                for (unsigned i = 0; i < par->nb_blocks; ++i) {
                    const AVVideoBlockParams* bp = av_video_enc_params_block(const_cast<AVVideoEncParams*>(par), i);
                    const int x = bp->src_x / 16, y = bp->src_y / 16;
                    if (x < rf.mbWidth && y < rf.mbHeight)
                        rf.mbs[static_cast<std::size_t>(y * rf.mbWidth + x)].qp = par->qp + bp->delta_qp;
                }
            }
            if (const AVFrameSideData* sd = av_frame_get_side_data(fr, AV_FRAME_DATA_MOTION_VECTORS)) {
                const auto* mv = reinterpret_cast<const AVMotionVector*>(sd->data);
                rf.mvs.assign(mv, mv + sd->size / sizeof(AVMotionVector));
            }
            out[static_cast<int>(fr->pts)] = std::move(rf);
            av_frame_unref(fr);
        }
    };
    for (const EncodedFrame& f : frames) {
        av_new_packet(p, static_cast<int>(f.data.size()));
        std::copy(f.data.begin(), f.data.end(), p->data);
        p->pts = f.index;
        avcodec_send_packet(c, p);
        av_packet_unref(p);
        drain();
    }
    avcodec_send_packet(c, nullptr);
    drain();
    av_frame_free(&fr);
    av_packet_free(&p);
    avcodec_free_context(&c);
    return out;
}

char TypeChar(std::uint32_t t)
{
    if (t & 0x4)
        return 'P';
    if (t & 0x1)
        return 'i';
    if (t & 0x2)
        return 'I';
    if ((t & 0x100) && (t & 0x800))
        return 'd';
    if (t & 0x100)
        return 'D';
    if (t & 0x800)
        return 'S';
    const bool l0 = t & 0x3000, l1 = t & 0xC000;
    return l0 && l1 ? 'X' : l0 ? '>' : '<';
}

char PartChar(std::uint32_t t)
{
    if (t & 0x40)
        return '+';
    if (t & 0x10)
        return '-';
    if (t & 0x20)
        return '|';
    return ' ';
}

struct FrameObserver : CountingObserver
{
    FrameObserver() { keepMbs = true; }
    void Reset()
    {
        *this = FrameObserver();
    }
    std::vector<h264::SliceEnd> ends;
    void OnSliceEnd(h264::SliceEnd e, int n, std::size_t a, std::size_t b) override
    {
        CountingObserver::OnSliceEnd(e, n, a, b);
        ends.push_back(e);
    }
};

struct X264Case
{
    const char* name;
    std::string x264;
    std::string profile;
    bool interlaced = false;
    bool chroma422 = false;
    bool dropFirstIdr = false; // SPS and PPS, then P frames first, so B slices parse
    WatermarkVerdict verdict = WatermarkVerdict::Tampered; // the streams carry no watermark
    bool parsed = true;
};

std::vector<std::uint8_t> WithoutIdrSlices(const std::vector<std::uint8_t>& au)
{
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    std::vector<std::size_t> starts;
    for (std::size_t k = 0; k + 3 <= au.size(); ++k)
        if (au[k] == 0 && au[k + 1] == 0 && au[k + 2] == 1)
            starts.push_back(k);
    for (std::size_t s = 0; s < starts.size(); ++s) {
        const std::size_t from = starts[s];
        const std::size_t to = s + 1 < starts.size() ? starts[s + 1] : au.size();
        if ((au[from + 3] & 0x1F) != 5)
            out.insert(out.end(), au.begin() + static_cast<long>(from), au.begin() + static_cast<long>(to));
        i = to;
    }
    (void)i;
    return out;
}

} // namespace

TEST(X264CrossCheck, SlicesEndAtStopBitAndMatchLibavcodec)
{
    if (!HasH264Encoder())
        GTEST_SKIP() << "no libx264 encoder";
    const WatermarkVerdict T = WatermarkVerdict::Tampered, C = WatermarkVerdict::CannotVerify;
    const std::vector<X264Case> cases = {
        {"baseline CAVLC", "cabac=0", "baseline"},
        {"slices starting mid-row", "cabac=0:slice-max-mbs=50", "baseline"},
        {"4 references, all partitions", "cabac=0:ref=4:partitions=all:8x8dct=0", "main"},
        {"High CAVLC, 8x8 transform and matrices", "cabac=0:8x8dct=1:cqm=jvt", "high"},
        {"B frames, weights, spatial direct", "cabac=0:bframes=2:b-pyramid=0:weightb=1:weightp=2:direct=spatial", "high", false, false, true},
        {"B frames, temporal direct", "cabac=0:bframes=2:b-pyramid=0:weightb=1:direct=temporal", "high", false, false, true},
        {"B frames after an I start are refused", "cabac=0:bframes=2:b-pyramid=0", "high", false, false, false, C},
        {"MBAFF CAVLC", "cabac=0", "high", true},
        {"QP 0", "cabac=0:qp=0", "", false},
        {"CABAC", "cabac=1", "high", false, false, false, C, false},
        {"4:2:2", "cabac=0", "high422", false, true, false, C, false},
    };
    for (const X264Case& xc : cases) {
        SCOPED_TRACE(xc.name);
        StreamSpec spec;
        spec.width = 352;
        spec.height = 288;
        spec.frames = 8;
        spec.gop = 8;
        spec.noise = true;
        spec.interlaced = xc.interlaced;
        spec.chroma422 = xc.chroma422;
        spec.x264 = xc.x264;
        spec.profile = xc.profile;
        std::vector<EncodedFrame> frames = MakeH264Stream(spec);
        ASSERT_FALSE(frames.empty());
        // libavcodec sees the whole stream; the client's decoder may start without the IDR slice.
        const std::map<int, RefFrame> ref = xc.parsed ? Reference(frames) : std::map<int, RefFrame>{};
        std::vector<EncodedFrame> fed = frames;
        if (xc.dropFirstIdr)
            fed[0].data = WithoutIdrSlices(fed[0].data);

        Tracer tracer;
        ASSERT_TRUE(tracer.Ok());
        Checker ck;
        FrameObserver obs;
        ck.Observe(&obs);
        const int mbW = 22, mbH = 18;
        int checkedMbs = 0, checkedVectors = 0, checkedHeaders = 0;
        for (std::size_t fi = 0; fi < fed.size(); ++fi) {
            const EncodedFrame& f = fed[fi];
            SCOPED_TRACE(f.index);
            obs.Reset();
            ck.Decode(f.data);
            const std::vector<TracedSlice> traced = xc.parsed ? tracer.Trace(frames[fi].data) : std::vector<TracedSlice>{};
            if (!xc.parsed) {
                EXPECT_EQ(obs.clean, 0);
                EXPECT_EQ(ck.Verdict(), xc.verdict);
                continue;
            }
            if (obs.refused > 0) {
                EXPECT_EQ(xc.verdict, C) << "unexpected refusal";
                EXPECT_EQ(ck.Verdict(), C);
                continue;
            }
            if (f.data.empty() || obs.accepted == 0)
                continue;
            for (h264::SliceEnd e : obs.ends)
                EXPECT_EQ(e, h264::SliceEnd::Clean);
            EXPECT_EQ(obs.mbs, mbW * mbH); // the slices cover the picture
            if (xc.verdict == T) {
                EXPECT_EQ(ck.Verdict(), T); // an unmarked stream is caught
            }

            std::map<std::string, long long>& pps = tracer.Pps();
            ASSERT_EQ(traced.size(), obs.headers.size());
            for (std::size_t i = 0; i < traced.size(); ++i) {
                const auto& t = traced[i].f;
                const h264::SliceHeaderInfo& h = obs.headers[i];
                auto get = [&](const char* n) { auto it = t.find(n); return it == t.end() ? 0LL : it->second; };
                EXPECT_EQ(h.firstMb, get("first_mb_in_slice"));
                EXPECT_EQ(h.sliceType, get("slice_type") % 5);
                EXPECT_EQ(h.ppsId, get("pic_parameter_set_id"));
                EXPECT_EQ(h.frameNum, get("frame_num"));
                EXPECT_EQ(h.fieldPic, get("field_pic_flag"));
                EXPECT_EQ(h.pocLsb, get("pic_order_cnt_lsb"));
                EXPECT_EQ(h.directSpatial, get("direct_spatial_mv_pred_flag"));
                EXPECT_EQ(h.disableDeblocking, get("disable_deblocking_filter_idc"));
                if (get("num_ref_idx_active_override_flag")) {
                    EXPECT_EQ(h.numRefIdxActive[0], get("num_ref_idx_l0_active_minus1") + 1);
                }
                if (pps.count("pic_init_qp_minus26")) {
                    EXPECT_EQ(h.qp, 26 + pps["pic_init_qp_minus26"] + get("slice_qp_delta"));
                }
                EXPECT_EQ(h.sliceDataBit, traced[i].dataBit);
                ++checkedHeaders;
            }

            auto it = ref.find(f.index);
            ASSERT_TRUE(it != ref.end());
            const RefFrame& rf = it->second;
            ASSERT_EQ(rf.mbWidth, mbW);
            // Vectors libavcodec exports: one per partition (one per 8x8 for 8x8 types).
            std::map<std::pair<int, int>, std::pair<int, int>> refMv; // (x, y) of 4x4 -> mv, list 0
            for (const AVMotionVector& v : rf.mvs) {
                if (v.source >= 0)
                    continue; // list 1
                const int x0 = v.dst_x - v.w / 2, y0 = v.dst_y - v.h / 2;
                refMv[{x0 / 4, y0 / 4}] = {v.motion_x, v.motion_y};
            }
            for (const h264::MacroblockInfo& m : obs.mbInfo) {
                const RefMb& r = rf.mbs[static_cast<std::size_t>(m.mbY * mbW + m.mbX)];
                EXPECT_EQ(TypeChar(m.type), r.type) << m.mbX << "," << m.mbY << " type " << std::hex << m.type;
                if (!(m.type & 0x100) && !(m.type & 0x7)) {
                    EXPECT_EQ(PartChar(m.type), r.part) << m.mbX << "," << m.mbY;
                }
                EXPECT_EQ(m.field ? '=' : ' ', r.field) << m.mbX << "," << m.mbY;
                EXPECT_EQ(m.qp, r.qp) << m.mbX << "," << m.mbY;
                ++checkedMbs;
                if (!m.hasMotion)
                    continue;
                for (int b = 0; b < 16; ++b) {
                    const int bx = m.mbX * 4 + b % 4, by = m.mbY * 4 + b / 4;
                    auto mv = refMv.find({bx, by});
                    if (mv == refMv.end())
                        continue;
                    EXPECT_EQ(m.mv[b][0], mv->second.first) << m.mbX << "," << m.mbY << " blk " << b << " type " << std::hex << m.type << std::dec;
                    // libavcodec exports the vertical component of a 16x8 or 8x16 field
                    // macroblock in frame units, of every other one as coded.
                    EXPECT_EQ(m.mv[b][1] * (m.field && (m.type & 0x30) ? 2 : 1), mv->second.second) << m.mbX << "," << m.mbY << " blk " << b << " type " << std::hex << m.type << std::dec;
                    ++checkedVectors;
                }
            }
        }
        if (xc.parsed && xc.verdict == T) {
            EXPECT_GT(checkedMbs, 0);
            EXPECT_GT(checkedHeaders, 0);
        }
        std::printf("[ %s ] headers %d, macroblocks %d, vectors %d\n", xc.name, checkedHeaders, checkedMbs,
                    checkedVectors);
    }
}
