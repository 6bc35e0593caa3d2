// The setup database from the recorder: fragments of DB_INFO_ACK joined in
// the bounded buffer and checked, the update built from whatever image came
// through; and arbitrary images turned to host order and back and read
// field by field, texts included. In memory only.
//
// Input: a mode byte (bit 2: the record pages' rules, below; else bit 3: the
// remaining bytes are the recorder's two protocol records, read as the PTZ
// pages read them; else bit 0: the remaining bytes are one image for the
// conversion, the field reads and the mail texts; else bit 1: the record
// models, see Record below; else bit 7: the System pages' readers over an
// image, the recorder's language lists, its DST presets and a time-protocol
// answer; otherwise fragments follow: flags byte
// (bit 0 last, bit 1 a valid CRC word is put in front of a first fragment),
// 16-bit length, the bytes).
//
// Record pages' rules: a typed preset text (length byte, Latin-1 bytes), a
// sensor, entry and camera, a sensitivity value and slider position, then
// the rest as the image the camera refusal reads.
#include "FuzzSupport.h"

#include "net/SetupTransport.h"
#include "net/Wire.h"
#include "net/NetRecords.h"
#include "setup/DateRules.h"
#include "setup/MailFields.h"
#include "setup/PtzProtocolTable.h"
#include "setup/SetupImage.h"
#include "setup/SystemRules.h"
#include "setup/TimeClient.h"
#include "setup/record/AlarmPreset.h"
#include "setup/record/AudioInputPage.h"
#include "setup/record/RecordBlock.h"
#include "setup/record/RecordBudget.h"
#include "setup/record/RecordConfig.h"
#include "setup/record/RecordModeRankPage.h"
#include "setup/record/Sensitivity.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void Fragments(k5fuzz::Reader& in)
{
    // One assembler for the process, as a session keeps one for all its
    // fetches: each input begins a fetch of its own on it (its 1.2 MB buffer
    // would otherwise be mapped and faulted in per input).
    static CSetupDbAssembler a;
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
            static std::vector<std::uint8_t> image(kSetupDbSize, 0);
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
    // Each mail text read and written back changes nothing outside its field.
    for (int r = 0; r < MailFields::kRows; ++r) {
        SetupDbImage mail = image;
        ImageRef m(mail);
        const QString text = MailFields::ReadText(m, r);
        K5_FUZZ_CHECK(text.size() <= MailFields::kMaxChars);
        MailFields::WriteText(m, r, text);
        const std::size_t start = SetupDb::MailAddress.At(static_cast<std::uint32_t>(r));
        K5_FUZZ_CHECK(std::memcmp(mail.data(), image.data(), start) == 0);
        K5_FUZZ_CHECK(std::memcmp(mail.data() + start + 128, image.data() + start + 128,
                                  mail.size() - start - 128) == 0);
        K5_FUZZ_CHECK(MailFields::ReadText(m, r) == text);
        (void)MailFields::ChoiceText({"a", "b", "c"}, m.U8(SetupDb::MailMode.offset));
    }
    ConvertDbToNetwork(image.data());
    K5_FUZZ_CHECK(image == original);
}

int BlockSum(const SetupDbImage& image, const RecordBlock& b, int channels)
{
    int sum = 0;
    for (int ch = 0; ch < channels; ++ch)
        sum += image[b.rate.offset + ch] * RecordBudget::Weight(image[b.resolution.offset + ch]);
    return sum;
}

// The record models over an arbitrary image and recorder: six bytes of
// recorder (channels, sub product major and minor, hello flags, flags2,
// version), a count of operations and their three bytes each, the image.
// A clamped move never takes a block over its total when it was within it.
void Record(k5fuzz::Reader& in)
{
    RecorderCaps caps;
    caps.channelCount = in.U8() % 20;
    caps.subProductMajor = in.U8() % 8;
    caps.subProductMinor = in.U8() % 3;
    const std::uint8_t flags = in.U8();
    caps.hasConnection = (flags & 1) != 0;
    caps.helloFlag3 = (flags & 2) != 0;
    caps.helloFlag2Bit0 = (flags & 4) != 0;
    caps.subProduct6 = caps.hasConnection && caps.subProductMajor == 6;
    const std::uint8_t version = in.U8();
    const int ops = in.U8() % 64;
    std::vector<std::uint8_t> op;
    for (int i = 0; i < ops * 3; ++i)
        op.push_back(in.U8());
    const std::string bytes = in.Rest();
    SetupDbImage image{};
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.size()));
    ImageRef ref(image);

    const RecordConfig::Plan plan = RecordConfig::PlanFor({version >> 4, version & 15}, caps);
    K5_FUZZ_CHECK(!plan.rows.empty() && plan.bars.size() >= 4);

    RecordBlock block = PlainRecordBlock();
    for (int i = 0; i < ops; ++i) {
        const int kind = op[3 * i] % 12, a = op[3 * i + 1], b = op[3 * i + 2];
        CRecordBlockModel model(ref, caps, block);
        model.SetNoClamp((a & 0x80) != 0);
        const int n = model.Channels();
        switch (kind) {
        case 0: {
            const RecordBlock* blocks[] = {&PlainRecordBlock(), &SensorRecordBlock(), &MotionRecordBlock(),
                                           &ScheduleRecordBlock(), &RecordDaysBlock()};
            block = a % 7 < 5    ? *blocks[a % 7]
                    : a % 7 == 5 ? SensorProfileBlock(b)
                                 : MotionDualRateBlock(b & 1);
            break;
        }
        case 1:
            model.SetResolution(a % 4);
            break;
        case 2:
        case 3: {
            ChannelRows rows(n);
            for (int ch = 0; ch < n; ++ch)
                rows.SetChecked(ch, ((b * 31 + ch * 7) & 3) == 0);
            const bool plain = !block.HasSecondRate() && block.HasRates();
            const int before = plain ? BlockSum(image, block, n) : 0;
            const auto move = model.MoveRate(a % 18, b, rows, kind == 3);
            K5_FUZZ_CHECK(move.rate >= 0 && move.rate <= model.MaxRate());
            if (plain && before <= model.Total() && !(model.NoClamp() && kind == 2))
                K5_FUZZ_CHECK(BlockSum(image, block, n) <= model.Total());
            break;
        }
        case 4:
            model.LockRates();
            model.LockRecordSwitches();
            break;
        case 5: {
            const auto enabled = model.NormaliseAudio(a & 1, [&ref](int ch) {
                for (int k = 0; k < 4; ++k)
                    if (static_cast<int>(ref.Get(SetupDb::AudioInputChannel, k)) == ch)
                        return true;
                return false;
            });
            K5_FUZZ_CHECK(static_cast<int>(enabled.size()) == n);
            break;
        }
        case 6: {
            ChannelRows rows(n);
            rows.SetChecked(b % 16, true);
            const auto targets = model.SwitchTargets(a % 18, rows, b & 1);
            const auto inputs = [](int ch) { return ch % 3 != 0; };
            const bool perChannel = (a >> 4) & 1;
            for (int ch : model.SwitchAudio(targets, b & 1, perChannel, inputs))
                K5_FUZZ_CHECK((b & 1) == 0 || model.MayCarryAudio(ch, perChannel, inputs));
            model.SetRecordOn(targets, a & 1);
            break;
        }
        case 7:
            K5_FUZZ_CHECK(RecordConfig::EventRateCount(a, b & 1, b >> 1) <= 31);
            K5_FUZZ_CHECK(RecordConfig::DefaultEventRate(a, b & 1, b >> 1) <= 30);
            break;
        case 8:
            RecordModeRank::Pick(ref, a % 6, b % 8);
            break;
        case 9: {
            const auto offered = AudioInput::Offered(ref, n, a % 5);
            K5_FUZZ_CHECK(static_cast<int>(offered.size()) <= n);
            break;
        }
        case 10:
            for (int ch = 0; ch < 16; ++ch)
                K5_FUZZ_CHECK(model.SliderRate(ch) <= model.MaxRate() && model.ShownResolution(ch) <= 2);
            break;
        default:
            K5_FUZZ_CHECK(SnapRecordDays(a) >= 5 && SnapRecordDays(a) <= 90);
            break;
        }
    }
}

void RecordRules(k5fuzz::Reader& in)
{
    const std::string typed = in.Bytes(in.U8());
    const std::uint16_t preset = AlarmPreset::ParsePreset(QString::fromLatin1(typed.data(), typed.size()));
    K5_FUZZ_CHECK(preset >= 1 && preset <= 999);
    // A number the box shows reads back as itself.
    K5_FUZZ_CHECK(AlarmPreset::ParsePreset(QString::number(preset)) == preset);

    const int s = static_cast<std::int8_t>(in.U8());
    const int k = static_cast<std::int8_t>(in.U8());
    const int camera = static_cast<std::int8_t>(in.U8());
    const std::uint8_t stored = in.U8();
    const int position = static_cast<std::int8_t>(in.U8());
    const int pos = Sensitivity::PositionOf(stored);
    K5_FUZZ_CHECK(pos >= 0 && pos <= 3);
    const Sensitivity::Drag d = Sensitivity::DragTo(position);
    K5_FUZZ_CHECK(d.stored <= 2 && Sensitivity::PositionOf(d.stored) == d.thumb && d.textId != 0);

    const std::string bytes = in.Rest();
    SetupDbImage image{};
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.size()));
    const ImageRef ref(image);
    const bool refused = AlarmPreset::CameraRefused(ref, s, k, camera);
    K5_FUZZ_CHECK(!(refused && camera <= 0));
    for (std::uint32_t at : {AlarmPreset::CameraOffset(s, k), AlarmPreset::ActionOffset(s, k),
                             AlarmPreset::NumberOffset(s, k) + 1})
        K5_FUZZ_CHECK(at < SetupDb::kUsedEnd);
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

void Tables(k5fuzz::Reader& in)
{
    const std::string bytes = in.Rest();
    SysEtcInfo info{};
    SysEtcInfoEx infoEx{};
    std::memcpy(info.bytes, bytes.data(), std::min(bytes.size(), sizeof info.bytes));
    if (bytes.size() > sizeof info.bytes)
        std::memcpy(infoEx.bytes, bytes.data() + sizeof info.bytes,
                    std::min(bytes.size() - sizeof info.bytes, sizeof infoEx.bytes));
    for (PtzDevice device : {PtzDevice::Camera, PtzDevice::Keyboard}) {
        for (const PtzProtocolTable& t :
             {PtzProtocolTable::Named(infoEx, device), PtzProtocolTable::Numbered(info, device)}) {
            const std::vector<QString> lines = t.Lines();
            const std::vector<int> positions = t.LinePositions();
            K5_FUZZ_CHECK(lines.size() == positions.size());
            for (std::size_t i = 0; i < lines.size(); ++i) {
                // Every line is a used entry, in table order, shown under its name.
                K5_FUZZ_CHECK(positions[i] >= 0 && positions[i] < PtzProtocolTable::kEntries);
                K5_FUZZ_CHECK(i == 0 || positions[i] > positions[i - 1]);
                K5_FUZZ_CHECK(!lines[i].isEmpty() && lines[i] == t.Name(positions[i]));
                K5_FUZZ_CHECK(lines[i].size() <= PtzProtocolTable::kNameBytes);
            }
            // Any image byte as a position or a baud index stays inside the tables.
            for (int v = 0; v < 256; ++v) {
                const int m = t.MaxBaud(v);
                K5_FUZZ_CHECK(m >= 0 && m <= 255);
                K5_FUZZ_CHECK(v < PtzProtocolTable::kEntries || (m == 0 && t.Name(v).isEmpty()));
                K5_FUZZ_CHECK(static_cast<int>(PtzProtocolTable::BaudLines(m).size()) ==
                              std::min(m, PtzProtocolTable::kBaudSlots));
                (void)PtzProtocolTable::BaudText(v);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const std::uint8_t mode = in.U8();
    if (mode & 4)
        RecordRules(in);
    else if (mode & 8)
        Tables(in);
    else if (mode & 1)
        Image(in);
    else if (mode & 2)
        Record(in);
    else if (mode & 0x80)
        SystemReaders(in);
    else
        Fragments(in);
    return 0;
}
