// Writes a starting corpus for each fuzz target into OUT/<target>/: small
// well-formed inputs (H.264 streams made by the test stream generator, frames
// wrapped as the recorder sends them, book and log files, settings files), so
// that the fuzzer begins on the paths a real recorder or user takes.
// Usage: fuzz_seeds OUT
#include "RecorderSim.h"
#include "streams/TestStreams.h"
#include "streams/WatermarkWriter.h"

#include "app/ConnectLog.h"
#include "net/AddressBook.h"
#include "net/LiveData.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string g_out;

void Save(const std::string& target, const std::string& name, const Bytes& bytes)
{
    const std::string folder = g_out + "/" + target;
    std::filesystem::create_directories(folder);
    std::ofstream f(folder + "/" + name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put8(Bytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v));
}

void Put16(Bytes& b, unsigned v)
{
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}

void PutBytes(Bytes& b, const void* p, std::size_t n)
{
    const auto* s = static_cast<const std::uint8_t*>(p);
    b.insert(b.end(), s, s + n);
}

void PutText(Bytes& b, const std::string& s)
{
    PutBytes(b, s.data(), s.size());
}

void H264Seeds()
{
    struct Case
    {
        const char* name;
        k5streams::StreamSpec spec;
    };
    std::vector<Case> cases;
    auto spec = [](int w, int h, int frames, int gop, bool interlaced, bool c422) {
        k5streams::StreamSpec s;
        s.width = w;
        s.height = h;
        s.frames = frames;
        s.gop = gop;
        s.interlaced = interlaced;
        s.chroma422 = c422;
        return s;
    };
    cases.push_back({"p64x48", spec(64, 48, 5, 3, false, false)});
    cases.push_back({"p48x32", spec(48, 32, 3, 2, false, false)});
    cases.push_back({"i64x64", spec(64, 64, 3, 2, true, false)});
    cases.push_back({"p66x34", spec(66, 34, 3, 3, false, false)});
    cases.push_back({"c422", spec(32, 32, 2, 1, false, true)});
    for (const Case& c : cases) {
        const auto frames = k5streams::MakeH264Stream(c.spec);
        if (frames.empty()) {
            std::fprintf(stderr, "no stream for %s\n", c.name);
            continue;
        }
        // The same stream with each output setting, then with a change of
        // setting on every frame.
        for (unsigned setup : {0x00u, 0x01u, 0x04u, 0x05u, 0x08u, 0x10u, 0x1Cu, 0x02u}) {
            Bytes seed;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const unsigned s = (setup == 0x1C || i == 0) ? setup : (setup | 0x20);
                Put8(seed, s);
                Put16(seed, static_cast<unsigned>(c.spec.width));
                Put16(seed, static_cast<unsigned>(c.spec.height));
                Put16(seed, static_cast<unsigned>(frames[i].data.size()));
                PutBytes(seed, frames[i].data.data(), frames[i].data.size());
            }
            char name[64];
            std::snprintf(name, sizeof name, "%s-%02x", c.name, setup);
            Save("h264_decoder", name, seed);
        }
        Bytes mixed;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            Put8(mixed, static_cast<unsigned>(i % 2));
            Put16(mixed, static_cast<unsigned>(c.spec.width));
            Put16(mixed, static_cast<unsigned>(c.spec.height));
            Put16(mixed, static_cast<unsigned>(frames[i].data.size()));
            PutBytes(mixed, frames[i].data.data(), frames[i].data.size());
        }
        Save("h264_decoder", std::string(c.name) + "-mixed", mixed);
    }
}

// Watermarked writer frames and x264 frames of every kind, each frame with its
// 16-bit length.
void H264ParseSeeds()
{
    auto put = [](Bytes& seed, const std::vector<std::uint8_t>& f) {
        Put16(seed, static_cast<unsigned>(f.size()));
        PutBytes(seed, f.data(), f.size());
    };
    {
        k5streams::WmStream s;
        s.mbWidth = 4;
        s.mbHeight = 3;
        k5streams::WmPicture i = k5streams::WmSimplePicture(12, k5streams::WmKind::INxN);
        i.slices[0].mbs[1].kind = k5streams::WmKind::I16;
        i.slices[0].mbs[2].kind = k5streams::WmKind::Pcm;
        s.pictures.push_back(i);
        k5streams::WmPicture p = k5streams::WmSimplePicture(12, k5streams::WmKind::P16x16, 0, false, 1);
        p.slices[0].mbs[3].kind = k5streams::WmKind::PSkip;
        s.pictures.push_back(p);
        Bytes seed;
        put(seed, k5streams::WriteWatermarkStream(s).bytes);
        Save("h264_parse", "writer-ip", seed);
        s.frameMbsOnly = false;
        s.mbHeight = 4;
        s.pictures.clear();
        for (int f = 1; f <= 2; ++f) {
            k5streams::WmPicture fp = k5streams::WmSimplePicture(8, k5streams::WmKind::I16, 2, f == 1, 0);
            fp.structure = f;
            s.pictures.push_back(fp);
        }
        Bytes fields;
        put(fields, k5streams::WriteWatermarkStream(s).bytes);
        Save("h264_parse", "writer-fields", fields);
    }
    const char* options[][2] = {{"base", "cabac=0"},
                                {"refs", "cabac=0:ref=4:partitions=all"},
                                {"high", "cabac=0:8x8dct=1:cqm=jvt:bframes=1"},
                                {"cabac", "cabac=1"}};
    for (auto& o : options) {
        for (bool interlaced : {false, true}) {
            k5streams::StreamSpec spec;
            spec.width = 64;
            spec.height = 48;
            spec.frames = 4;
            spec.gop = 4;
            spec.interlaced = interlaced;
            spec.x264 = o[1];
            Bytes seed;
            for (const auto& f : k5streams::MakeH264Stream(spec))
                put(seed, f.data);
            Save("h264_parse", std::string(o[0]) + (interlaced ? "-mbaff" : ""), seed);
        }
    }
}

// A frame with its header and an audio section, as the recorder sends it.
Bytes LiveFrame(int channel, std::size_t video, std::size_t audio, std::uint16_t audioMask, bool maskSelect)
{
    k5streams::EncodedFrame f;
    f.data.assign(video, 0x42);
    f.key = true;
    Bytes out = k5streams::WrapFrame(f, channel, 704, 480, 1234567, 500);
    // Audio size in word 20, the source in word 24, the selection in word 28.
    WriteLE32(&out[20], static_cast<std::uint32_t>(video) | static_cast<std::uint32_t>(audio) << 20);
    out[24] = static_cast<std::uint8_t>(audioMask);
    out[25] = static_cast<std::uint8_t>(audioMask >> 8);
    if (maskSelect)
        out[30] |= 0x04; // bit 18 of word 28
    out.insert(out.end(), audio, 0x7F);
    return out;
}

void LiveSeeds()
{
    auto seed = [](const char* name, unsigned channels, unsigned cap, unsigned mode, const std::vector<Bytes>& frames,
                   std::size_t fragment) {
        Bytes s;
        Put8(s, channels);
        Put16(s, cap);
        Put8(s, mode);
        for (const Bytes& f : frames) {
            for (std::size_t at = 0; at < f.size(); at += fragment) {
                const std::size_t n = std::min(fragment, f.size() - at);
                Put8(s, at + n == f.size() ? 1 : 0);
                Put16(s, static_cast<unsigned>(n));
                PutBytes(s, f.data() + at, n);
            }
        }
        Save("live_data", name, s);
    };
    const Bytes plain = LiveFrame(2, 300, 0, 0, false);
    const Bytes single = LiveFrame(3, 200, 2048, 3, false);
    const Bytes mask = LiveFrame(1, 100, 2048, 0x000F, true);
    seed("live-plain", 4, 0, 0x00, {plain, single}, 128);
    seed("live-audio", 4, 0, 0x30, {single}, 4096);
    seed("live-mask", 4, 0, 0x22, {mask}, 1000);
    seed("live-small", 4, 400, 0xF0, {plain, mask, plain}, 64);

    // A played-back frame with the recorder's 192-byte prefix.
    Bytes prefix(kRecordedPrefixSize, 0);
    std::memcpy(prefix.data(), "kola5500", 8);
    prefix[kPrefixCaptionFlagOffset] = 1;
    std::memcpy(prefix.data() + kPrefixCaptionOffset, "Front door", 10);
    Bytes recorded = prefix;
    recorded.insert(recorded.end(), single.begin(), single.end());
    seed("play-recorded", 8, 0, 0x31, {recorded, plain}, 512);
    std::memcpy(recorded.data(), "mira3140", 8);
    seed("play-mira", 8, 0, 0x13, {recorded}, 100000);
}

void WireSeeds()
{
    Bytes frame;
    Put8(frame, 0);
    std::uint8_t head[kWireHeaderSize];
    EncodeHeader(WireHeader::Make(LIVE_DATA, 340, 0, kFlagLastFragment), head);
    PutBytes(frame, head, sizeof head);
    const Bytes live = LiveFrame(5, 300, 0, 0, false);
    PutBytes(frame, live.data(), live.size());
    Save("wire_frame", "frame", frame);
    Bytes audio = frame;
    const Bytes withAudio = LiveFrame(2, 16, 2048, 0x0005, true);
    audio.resize(1 + kWireHeaderSize);
    PutBytes(audio, withAudio.data(), withAudio.size());
    Save("wire_frame", "frame-audio", audio);

    Bytes item;
    Put8(item, 1);
    FrameInfo info{};
    info.channel = 3;
    const auto queued = MakeQueuedItem(info, WireHeader::Make(LIVE_DATA, 40), live.data(), 40);
    PutBytes(item, queued.data(), queued.size());
    Save("wire_frame", "item", item);

    Save("wire_frame", "reply", Bytes{2, 4, 0xFF, 0xFF, 0xFF, 0xFE, 0x03, 1, 2, 3, 4, 5, 6, 7, 0x01, 9, 9});
    for (const char* text : {"192.168.001.010", "10.0.0.1", "300.-1.+7.8.9", " 12 .x.", "0.0.0.0"}) {
        Bytes a{3};
        PutText(a, text);
        Save("wire_frame", std::string("address-") + std::to_string(a.size()), a);
    }
}

// A session as a recorder opens it (hello, rights, channels, setup, record
// state), then live view with a picture and its audio: the first byte is the
// session mode of the two dispatcher targets.
void NetSeeds()
{
    auto message = [](Bytes& out, std::uint16_t id, const Bytes& payload, std::uint8_t sub = 0) {
        const Bytes m = k5sim::EncodeMessage(id, payload, 0, sub);
        out.insert(out.end(), m.begin(), m.end());
    };
    Bytes login;
    message(login, k5sim::id::HELLO48_ACK, k5sim::BuildHello(k5sim::HelloConfig{}));
    k5sim::UserRow admin;
    admin.name = "Admin";
    admin.password = "pw";
    message(login, k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({admin}));
    std::array<std::array<std::uint8_t, 16>, 8> allowed{};
    for (auto& user : allowed)
        user.fill(1);
    message(login, k5sim::id::NETLIVE_CH_CHANGE, k5sim::BuildNetliveChChange(allowed));
    k5sim::DbChangeConfig db;
    db.cameraNames[0] = "Gate";
    db.hidden[5] = 1;
    message(login, k5sim::id::DB_CHANGE, k5sim::BuildDbChange(db));
    message(login, k5sim::id::REC_STATUS, k5sim::BuildRecStatus(0, 1));
    message(login, k5sim::id::MSG_257, Bytes(12, 0));

    Bytes live = login;
    message(live, LIVE_CHANNEL_INFO, k5sim::BE32(0x0002FFFF));
    auto frame = [](Bytes& out, const Bytes& bytes, std::uint8_t sub) {
        std::uint8_t head[kWireHeaderSize];
        EncodeHeader(WireHeader::Make(LIVE_DATA, static_cast<std::uint16_t>(bytes.size()), sub, kFlagLastFragment),
                     head);
        PutBytes(out, head, sizeof head);
        PutBytes(out, bytes.data(), bytes.size());
    };
    frame(live, LiveFrame(3, 300, 0, 0, false), 0);
    Bytes audio = live;
    frame(audio, LiveFrame(3, 200, 2048, 3, false), kSubAudio);

    for (const char* target : {"net_receive", "net_receive_e2e"}) {
        for (const auto& [name, mode, bytes] :
             {std::tuple{"login", 0x10, &login}, std::tuple{"live", 0x11, &live}, std::tuple{"audio", 0x19, &audio}}) {
            Bytes seed{static_cast<std::uint8_t>(mode)};
            seed.insert(seed.end(), bytes->begin(), bytes->end());
            Save(target, name, seed);
        }
    }
}

void BookSeeds()
{
    std::vector<AddressBookRecord> records;
    for (int i = 0; i < 4; ++i) {
        AddressBookRecord r;
        r.address = i == 1 ? "Recorder.Example" : "192.168.0." + std::to_string(10 + i);
        r.port = i == 2 ? 0u : 8000u + static_cast<std::uint32_t>(i);
        r.id = "admin";
        r.description = "site " + std::to_string(i);
        r.lastUse = 1200000000u + static_cast<std::uint32_t>(i * 1000);
        records.push_back(r);
    }
    const Bytes book = EncodeBook(records);
    Bytes load{0};
    PutBytes(load, book.data(), book.size());
    Save("address_book", "book", load);
    load[0] = 2;
    Save("address_book", "book-known", load);
    Bytes cut = load;
    cut.resize(cut.size() - 100);
    Save("address_book", "book-cut", cut);
    load[0] = 0x11;
    Save("address_book", "import-current", load);
    load[0] = 0x0D;
    Save("address_book", "import-current-full", load);

    // The legacy layout: 8-byte head, 532-byte records.
    Bytes old{0x03};
    old.insert(old.end(), 8, 0);
    for (int i = 0; i < 3; ++i) {
        Bytes r(kOldAddressBookRecordSize, 0);
        const std::string address = i == 0 ? "10.0.0.1" : "old" + std::to_string(i);
        std::memcpy(r.data(), address.data(), address.size());
        r[260] = i == 0 ? 80 : static_cast<std::uint8_t>(i);
        r[264] = static_cast<std::uint8_t>(i);
        std::memcpy(r.data() + 272, "legacy", 6);
        old.insert(old.end(), r.begin(), r.end());
    }
    Save("address_book", "import-old", old);
    old[0] = 0x27;
    Save("address_book", "import-old-ask", old);
}

void LogSeeds()
{
    // The file: a header and three records.
    Bytes file;
    const auto head = EncodeConnectLogHeader(ConnectLogHeader{0, 3});
    PutBytes(file, head.data(), head.size());
    for (std::uint32_t s = 0; s < 3; ++s) {
        ConnectLogRecord r;
        r.index = s;
        r.size = kConnectLogRecordSize;
        r.type = 2;
        r.subtype = 1;
        r.time = 1000 + s;
        const auto b = EncodeConnectLogRecord(r);
        PutBytes(file, b.data(), b.size());
    }
    Bytes plain{0x00, 0, 0, 0, 0};
    PutBytes(plain, file.data(), file.size());
    Save("connect_log", "plain", plain);
    Save("connect_log", "grown", Bytes{0x09, 0x10, 0x00, 0x40, 0x00, 0xFF, 0xFF, 0xFF, 0xFF});
    Save("connect_log", "full", Bytes{0x0A, 0x20, 0x01, 0x02, 0x00, 1, 2, 3, 4});
    Save("connect_log", "full-cut", Bytes{0x07, 0x00, 0x00, 0x30, 0x02, 0, 0, 0, 0, 7, 0, 0, 0});
    Save("connect_log", "stale-header", Bytes{0x01, 0x05, 0x00, 0x01, 0x00, 0x04, 0, 0, 0});
}

// Record models of the setup target: recorders of 4, 8 and 16 channels and
// several sub products, every operation once, over an image whose record
// blocks hold plausible values.
void RecordSeeds()
{
    struct Kind
    {
        unsigned channels, major, minor, flags, version;
    };
    const Kind kinds[] = {{16, 0, 0, 1, 0x46}, {8, 6, 1, 5, 0x43}, {4, 4, 0, 3, 0x42}, {16, 5, 1, 1, 0x50}};
    int n = 0;
    for (const Kind& k : kinds) {
        Bytes b;
        Put8(b, 2);
        for (unsigned v : {k.channels, k.major, k.minor, k.flags, k.version})
            Put8(b, v);
        Put8(b, 24);
        for (unsigned op = 0; op < 24; ++op) {
            Put8(b, op % 12);
            Put8(b, (op * 37 + k.channels) & 0xFF);
            Put8(b, (op * 11 + 3) & 0xFF);
        }
        Bytes image(8176, 0);
        image[2] = static_cast<std::uint8_t>(n & 1);
        for (unsigned ch = 0; ch < 16; ++ch)
            for (unsigned base : {656u, 688u, 720u, 2352u})
                image[base + ch] = static_cast<std::uint8_t>(ch < k.channels ? 240 / (k.channels * 4) : 0);
        b.insert(b.end(), image.begin(), image.end());
        Save("setup", "record-" + std::to_string(n++), b);
    }
}

void SettingsSeeds()
{
    auto seed = [](const char* name, const std::string& bin, const std::string& store) {
        Bytes s;
        Put16(s, static_cast<unsigned>(bin.size()));
        PutText(s, bin);
        PutText(s, store);
        Save("settings", name, s);
    };
    const std::string store =
        "[Software/Varo/KOLA5500/LocalSetup/DrawMode]\nDrawMode=dword:00000001\n"
        "[Software/Varo/KOLA5500/LocalSetup/DateFormat]\nDateFormat=dword:00000002\n"
        "[Software/Varo/KOLA5500/LocalSetup/Location]\nLocation=@ByteArray(/data/k5)\n"
        "[Software/Varo/KOLA5500/LocalSetup/Opacity/01]\n01=hex:c8\n"
        "[Software/Varo/KOLA5500/LocalSetup/AudioBuf/02]\n02=hex:10\n"
        "[Software/Varo/KOLA5500/LocalSetup/Deinterlace/03]\n03=hex:01\n"
        "[Software/Varo/KOLA5500/LocalSetup/HourSystem]\nHourSystem=dword:00000000\n"
        "[Software/Varo/KOLA5500/LocalSetup/CameraName/05]\n05=@ByteArray(Gate \\xe9)\n";
    seed("empty", "", "");
    seed("plain", "Site Viewer\r\nSiteData\r\nx\r\nRGB\r\npass_save=no\r\n", store);
    seed("lf", "\x03Title\nFolder\n\nyuv\npass_save=yes", store + "[Software/Varo/KOLA5500/LocalSetup/SaveFormat]\n"
                                                         "SaveFormat=dword:00000009\n");
    seed("cr", "T\rF\r\r\r\r\rextra", "[General]\nx=1\n");
    // A first byte with bits 5-7 set: the values are saved and read again.
    seed("save", "\xE5Site\r\nData\r\n", store);
}

// The record pages' rules: typed preset texts, entries and cameras, and a
// short image holding a preset table.
void SetupRuleSeeds()
{
    const struct
    {
        const char* name;
        const char* typed;
        unsigned sensor, entry, camera, stored, position;
    } cases[] = {
        {"rules-999", "999", 1, 2, 3, 0, 0},
        {"rules-long", "123456789012345678901234567890", 15, 3, 16, 200, 3},
        {"rules-zero", "0", 0, 0, 0, 3, 2},
        {"rules-neg", "-7", 0xFF, 0xFE, 0x81, 255, 0xFF},
    };
    for (const auto& c : cases) {
        Bytes b;
        Put8(b, 0x04);
        Put8(b, static_cast<unsigned>(std::strlen(c.typed)));
        PutText(b, c.typed);
        for (unsigned v : {c.sensor, c.entry, c.camera, c.stored, c.position})
            Put8(b, v);
        Bytes image(6600, 0);
        image[6272 + 4] = 3;
        PutBytes(b, image.data(), image.size());
        Save("setup", c.name, b);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT\n");
        return 2;
    }
    g_out = argv[1];
    H264Seeds();
    H264ParseSeeds();
    LiveSeeds();
    WireSeeds();
    NetSeeds();
    BookSeeds();
    LogSeeds();
    SettingsSeeds();
    RecordSeeds();
    SetupRuleSeeds();
    return 0;
}
