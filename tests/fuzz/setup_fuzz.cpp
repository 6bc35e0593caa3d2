// The setup database from the recorder: fragments of DB_INFO_ACK joined in
// the bounded buffer and checked, the update built from whatever image came
// through; and arbitrary images turned to host order and back and read
// field by field, texts included. In memory only.
//
// Input: a mode byte (bit 0: the remaining bytes are one image for the
// conversion and the field reads; bit 7 without bit 0: the System pages'
// readers over an image, the recorder's language lists, its DST presets and
// a time-protocol answer; otherwise fragments follow: flags byte (bit 0 last,
// bit 1 a valid CRC word is put in front of a first fragment), 16-bit length,
// the bytes).
#include "FuzzSupport.h"

#include "net/SetupTransport.h"
#include "net/Wire.h"
#include "setup/DateRules.h"
#include "setup/SetupImage.h"
#include "setup/SystemRules.h"
#include "setup/TimeClient.h"

#include <cstring>
#include <vector>

namespace {

void Fragments(k5fuzz::Reader& in)
{
    CSetupDbAssembler a;
    a.Begin();
    bool first = true;
    std::vector<std::uint8_t> joined;
    while (in.Left() > 0) {
        const std::uint8_t flags = in.U8();
        const std::size_t length = in.U16();
        const std::string bytes = in.Bytes(length);
        std::vector<std::uint8_t> fragment(bytes.begin(), bytes.end());
        fragment.resize(length, 0);
        if (first && (flags & 2) && fragment.size() >= 4) {
            const std::uint32_t crc = SetupDbCrc32(fragment.data() + 4, fragment.size() - 4);
            WriteBE32(fragment.data(), crc);
        }
        first = false;
        joined.insert(joined.end(), fragment.begin(), fragment.end());
        const CSetupDbAssembler::Result r = a.Feed(fragment.data(), fragment.size(), (flags & 1) != 0);
        if (r == CSetupDbAssembler::Result::More)
            continue;
        if (r == CSetupDbAssembler::Result::Ready) {
            K5_FUZZ_CHECK(a.Length() == joined.size());
            K5_FUZZ_CHECK(a.Length() >= 4 && a.Length() <= kSetupDbMaxPayload);
            K5_FUZZ_CHECK(std::memcmp(a.Payload(), joined.data(), joined.size()) == 0);
            K5_FUZZ_CHECK(a.ImageLength() <= kSetupDbSize);
            std::vector<std::uint8_t> image(kSetupDbSize, 0);
            std::memcpy(image.data(), a.Payload() + 4, a.ImageLength());
            const std::vector<std::uint8_t> update = a.BuildUpdate(image.data());
            // Sent back unchanged: exactly what arrived.
            K5_FUZZ_CHECK(update == joined);
        } else {
            K5_FUZZ_CHECK(a.ImageLength() == 0);
        }
        // A new fetch for whatever follows.
        a.Begin();
        joined.clear();
        first = true;
    }
}

void Image(k5fuzz::Reader& in)
{
    const std::string bytes = in.Rest();
    SetupDbImage image{};
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.size()));
    const SetupDbImage original = image;
    ConvertDbToHost(image.data());
    ImageRef ref(image);
    std::uint64_t sum = 0;
    for (const SetupDb::Field& f : SetupDb::kAllFields) {
        for (std::uint32_t i = 0; i < f.count; ++i) {
            if (f.width == 1 || f.width == 2 || f.width == 4)
                sum += ref.Get(f, static_cast<int>(i));
            const QString text = ref.Text(f, static_cast<int>(i));
            K5_FUZZ_CHECK(static_cast<std::uint32_t>(text.size()) <= f.width);
        }
    }
    (void)sum;
    // A text written back stays inside its slot with its NUL.
    SetupDbImage copy = image;
    ImageRef w(copy);
    w.SetText(SetupDb::CameraName, 5, ref.Text(SetupDb::CameraName, 4), 30);
    K5_FUZZ_CHECK(copy[88 + 5 * 32 + 31] == 0);
    K5_FUZZ_CHECK(std::memcmp(copy.data(), image.data(), 88 + 5 * 32) == 0);
    K5_FUZZ_CHECK(
        std::memcmp(copy.data() + 88 + 6 * 32, image.data() + 88 + 6 * 32, copy.size() - 88 - 6 * 32) == 0);
    ConvertDbToNetwork(image.data());
    K5_FUZZ_CHECK(image == original);
}

template <class T> void Fill(k5fuzz::Reader& in, T& record)
{
    const std::string bytes = in.Bytes(sizeof record);
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
}

QString Translated(int i)
{
    return QString::number(5211 + i);
}

void SystemReaders(k5fuzz::Reader& in)
{
    SetupDbImage image{};
    Fill(in, image);
    RecorderCaps caps;
    caps.hasSysEtcInfoEx = (in.U8() & 1) != 0;
    Fill(in, caps.sysEtcInfo);
    Fill(in, caps.sysEtcInfoEx);
    Fill(in, caps.dstInfo);
    std::uint8_t answer[4] = {in.U8(), in.U8(), in.U8(), in.U8()};
    const int zoneOffset = static_cast<std::int32_t>(in.U32()) % 100000;
    ImageRef ref(image);

    // Language table: names within their slots, entries in order.
    int last = -1;
    for (const LanguageEntry& e : LanguageEntries(caps, Translated)) {
        K5_FUZZ_CHECK(e.entry > last && e.entry < kLanguageEntries);
        K5_FUZZ_CHECK(!e.name.isEmpty() && e.name.size() < 260);
        last = e.entry;
    }
    for (int entry : {0, 63, 64, 255, static_cast<int>(ref.Get(SetupDb::Language))})
        K5_FUZZ_CHECK(!LanguageLabel(caps, entry, Translated).isEmpty());

    // Accounts: reads stay in their slots, checks never write.
    const SetupDbImage before = image;
    for (int u = 0; u < 8; ++u) {
        K5_FUZZ_CHECK(ref.Text(SetupDb::UserName, u).size() <= 32);
        K5_FUZZ_CHECK(ref.Text(SetupDb::UserPassword, u).size() <= 32);
        (void)CheckAccountApply(ref, u, ref.Text(SetupDb::UserName, u), ref.Text(SetupDb::UserPassword, u),
                                ref.Text(SetupDb::UserPassword, u), false);
    }
    K5_FUZZ_CHECK(image == before);

    // DST rules and the clocks built on them.
    const std::int64_t server = TimeFromAnswer(answer);
    K5_FUZZ_CHECK(server >= 0 && server < (std::int64_t(1) << 32));
    const std::int64_t clock = ClampRecorderTime(static_cast<std::uint32_t>(server), zoneOffset);
    K5_FUZZ_CHECK(clock >= 0 && clock <= kLatestRecorderTime);
    (void)InDstOverlap(clock, ref);
    for (int p = -1; p <= 25; ++p) {
        const std::int64_t t = ZonedServerTime(p, server, clock, ref, caps.dstInfo);
        K5_FUZZ_CHECK(t >= server - 12 * 3600 && t <= server + 14 * 3600 + 255 * 3600 + 255 * 60);
        (void)FormatZoneClock(t, static_cast<int>(ref.Get(SetupDb::DateFormat)));
    }
    const auto b = [&](const SetupDb::Field& f, int i) { return static_cast<int>(ref.Get(f, i)); };
    const int year = 1970 + static_cast<int>(server % 400);
    const int day =
        NthWeekdayDay(year, b(SetupDb::DstStart, 0), b(SetupDb::DstStart, 1), b(SetupDb::DstStart, 2));
    K5_FUZZ_CHECK(day >= 1 && day <= 31);
    const WeekAndWeekday w = DayToWeekAndWeekday(year, b(SetupDb::DstEnd, 0), b(SetupDb::DstEnd, 3));
    K5_FUZZ_CHECK(w.week >= 0 && w.week <= 4 && w.weekday >= 0 && w.weekday <= 6);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const std::uint8_t mode = in.U8();
    if (mode & 1)
        Image(in);
    else if (mode & 0x80)
        SystemReaders(in);
    else
        Fragments(in);
    return 0;
}
