// The test writer's streams are valid H.264: libavcodec decodes them with
// every error check on and shows the macroblock types that were written.
#include "H264TestSupport.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

using namespace k5streams;

namespace {

std::vector<std::string>& Lines()
{
    static std::vector<std::string> v;
    return v;
}
std::string& Partial()
{
    static std::string s;
    return s;
}
void Capture(void*, int, const char* fmt, va_list vl)
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

// Decodes with explode error detection; the type map of every output frame
// (3 characters per macroblock, rows concatenated). Empty on any error.
bool DecodeStrict(const std::vector<std::uint8_t>& bytes, int mbWidth, int mbHeight, std::vector<std::string>& maps)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_H264);
    c->thread_count = 1;
    c->debug = FF_DEBUG_MB_TYPE;
    c->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_CAREFUL | AV_EF_COMPLIANT;
    bool ok = avcodec_open2(c, codec, nullptr) == 0 && parser;
    Lines().clear();
    Partial().clear();
    av_log_set_level(AV_LOG_DEBUG);
    av_log_set_callback(Capture);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* fr = av_frame_alloc();
    auto drain = [&] {
        int r;
        while ((r = avcodec_receive_frame(c, fr)) == 0) {
            std::string map;
            std::vector<std::string> lines;
            lines.swap(Lines());
            std::size_t start = 0;
            for (std::size_t i = 0; i < lines.size(); ++i)
                if (lines[i].find("New frame") != std::string::npos)
                    start = i + 1;
            for (std::size_t i = start; i < lines.size(); ++i)
                if (static_cast<int>(lines[i].size()) >= 3 * mbWidth)
                    map += lines[i].substr(0, static_cast<std::size_t>(3 * mbWidth));
            maps.push_back(map);
            if (fr->decode_error_flags)
                ok = false;
            av_frame_unref(fr);
        }
        if (r != AVERROR(EAGAIN) && r != AVERROR_EOF)
            ok = false;
    };
    const std::uint8_t* data = bytes.data();
    int left = static_cast<int>(bytes.size());
    while (ok && left >= 0) {
        std::uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser, c, &out, &outSize, left ? data : nullptr, left, AV_NOPTS_VALUE,
                                          AV_NOPTS_VALUE, 0);
        data += used;
        left -= used;
        if (outSize > 0) {
            av_new_packet(pkt, outSize);
            std::copy(out, out + outSize, pkt->data);
            if (avcodec_send_packet(c, pkt) < 0)
                ok = false;
            av_packet_unref(pkt);
            drain();
        }
        if (left == 0 && used == 0 && outSize == 0)
            break;
    }
    if (ok) {
        avcodec_send_packet(c, nullptr);
        drain();
    }
    av_log_set_callback(av_log_default_callback);
    av_log_set_level(AV_LOG_ERROR);
    av_frame_free(&fr);
    av_packet_free(&pkt);
    av_parser_close(parser);
    avcodec_free_context(&c);
    (void)mbHeight;
    return ok;
}

char Expected(WmKind k)
{
    switch (k) {
    case WmKind::INxN: return 'i';
    case WmKind::I16:
    case WmKind::I16NoAc: return 'I';
    case WmKind::Pcm: return 'P';
    case WmKind::PSkip: return 'S';
    case WmKind::P16x16: return '>';
    default: return '?';
    }
}

} // namespace

TEST(WriterStreams, DecodeInLibavcodecWithTheWrittenTypes)
{
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        WmStream s;
        s.seed = seed;
        s.mbWidth = 6;
        s.mbHeight = 4;
        s.profile = seed % 2 ? 66 : 100;
        s.transform8x8 = seed % 2 == 0;
        s.pocType = static_cast<int>(seed % 3);
        WmPicture i;
        // Two slices, the second starting mid-row.
        WmSlice a, b;
        b.firstMb = 9;
        const WmKind ikinds[] = {WmKind::INxN, WmKind::I16, WmKind::INxN, WmKind::Pcm, WmKind::I16NoAc};
        for (int k = 0; k < 24; ++k) {
            WmMacroblock m;
            m.kind = ikinds[(static_cast<std::uint32_t>(k) + seed) % 5];
            m.dct8 = s.transform8x8 && m.kind == WmKind::INxN && k % 2 == 0;
            if (k == 5)
                m.keyed = 0;
            (k < 9 ? a : b).mbs.push_back(m);
        }
        i.slices = {a, b};
        s.pictures.push_back(i);
        WmPicture p = WmSimplePicture(24, WmKind::P16x16, 0, false, 1);
        const WmKind pkinds[] = {WmKind::P16x16, WmKind::PSkip, WmKind::PSkip, WmKind::INxN, WmKind::I16,
                                 WmKind::P16x16, WmKind::Pcm};
        for (std::size_t k = 0; k < 24; ++k)
            p.slices[0].mbs[k].kind = pkinds[(k * 5 + seed) % 7];
        s.pictures.push_back(p);
        const WmResult w = WriteWatermarkStream(s);

        std::vector<std::string> maps;
        ASSERT_TRUE(DecodeStrict(w.bytes, s.mbWidth, s.mbHeight, maps));
        ASSERT_EQ(maps.size(), 2u);
        for (std::size_t pic = 0; pic < 2; ++pic) {
            std::vector<WmMacroblock> all;
            for (const WmSlice& sl : s.pictures[pic].slices)
                all.insert(all.end(), sl.mbs.begin(), sl.mbs.end());
            ASSERT_EQ(maps[pic].size(), 3 * all.size());
            for (std::size_t k = 0; k < all.size(); ++k)
                EXPECT_EQ(maps[pic][3 * k], Expected(all[k].kind)) << "picture " << pic << " mb " << k;
        }
    }
}

TEST(WriterStreams, FieldPicturesDecodeInLibavcodec)
{
    WmStream s;
    s.frameMbsOnly = false;
    s.mbHeight = 4;
    for (int f = 1; f <= 2; ++f) {
        WmPicture p = WmSimplePicture(8, f == 1 ? WmKind::INxN : WmKind::I16, 2, f == 1, 0);
        p.structure = f;
        s.pictures.push_back(p);
    }
    const WmResult w = WriteWatermarkStream(s);
    std::vector<std::string> maps;
    ASSERT_TRUE(DecodeStrict(w.bytes, s.mbWidth, s.mbHeight, maps));
    ASSERT_EQ(maps.size(), 1u); // one frame of two fields
}

// The strict decode above does notice a broken stream.
TEST(WriterStreams, StrictDecodeRefusesABrokenSlice)
{
    WmStream s;
    s.pictures.push_back(WmSimplePicture(12, WmKind::INxN));
    s.pictures[0].slices[0].mbs[4].kind = WmKind::BadCbp;
    const WmResult w = WriteWatermarkStream(s);
    std::vector<std::string> maps;
    EXPECT_FALSE(DecodeStrict(w.bytes, s.mbWidth, s.mbHeight, maps));
}
