#include "search/LogDetail.h"

#include <cstdio>

namespace {

std::string Printf(const char* fmt, auto... args)
{
    char buf[200];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

std::uint32_t Be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

class Decoder
{
public:
    Decoder(const RemoteLogRecord& r, const LogDetailContext& ctx) : m_r(r), m_ctx(ctx), m_b(r.block.data())
    {
    }

    std::string S(int id) const { return m_ctx.spaced ? m_ctx.spaced(id) : std::string(); }
    std::string P(int id) const { return m_ctx.plain ? m_ctx.plain(id) : std::string(); }
    std::uint8_t B(std::size_t at) const { return m_b[at]; }

    void Row(const std::string& label, const std::string& value = {})
    {
        m_out.rows.push_back(LogDetailRow{std::string(), label, value, std::string(), std::string()});
    }
    static std::string Change(const std::string& before, const std::string& after)
    {
        return " " + before + " --> " + after;
    }
    // A value list indexed by a record byte; outside it the byte's number.
    std::string Named(std::uint8_t v, std::initializer_list<int> ids, bool spaced = false) const
    {
        if (v >= ids.size())
            return Printf("%d", v);
        const int id = ids.begin()[v];
        return spaced ? S(id) : P(id);
    }
    std::string Literal(std::uint8_t v, std::initializer_list<const char*> names) const
    {
        return v < names.size() ? std::string(names.begin()[v]) : Printf("%d", v);
    }
    int ModeZero() const
    {
        return m_ctx.connected && (m_ctx.subProductMajor == 3 || m_ctx.subProductMajor == 4) ? 6050 : 5208;
    }
    std::string RecordMode(std::uint8_t v) const
    {
        return Named(v, {ModeZero(), 5130, 5131, 5209, 5132, 5210, 5243}, true);
    }
    std::string Resolution(std::uint8_t v) const { return Literal(v, {"4CIF", "2CIF", "CIF"}); }
    std::string Switch(std::uint8_t v) const { return Named(v, {5340, 5344}); }
    std::string Choice(std::uint8_t v) const { return Named(v, {5204, 5934, 5206}); }
    std::string Number(std::uint8_t v) const { return Printf("%d", v); }
    std::string Time(std::size_t at) const { return " " + FormatLogTime(Be32(m_b + at), m_ctx.dateFormat); }

    void Head();
    void Kind4();
    void Kind9();
    void Kind13();
    void Kind14();
    void Kind16();
    void Kind17();
    void Kind18();

    LogDetail m_out;

private:
    const RemoteLogRecord& m_r;
    const LogDetailContext& m_ctx;
    const std::uint8_t* m_b;
};

void Decoder::Head()
{
    LogDetailRow row;
    row[0] = Printf("%05d", static_cast<int>(m_r.number));
    row[1] = FormatLogTime(m_r.time, m_ctx.dateFormat);
    // Several sub-kind bits: the highest of 0-18 names the entry.
    int high = -1;
    for (int b = 0; b <= 18; ++b) {
        if (m_r.sub_kind & (1u << b))
            high = b;
    }
    if (high == 18) {
        row[2] = " Preset on Alarm Set";
    } else if (high >= 0) {
        RemoteLogRecord one = m_r;
        one.category = 1u << 2;
        one.sub_kind = 1u << high;
        row[2] = LogKindText(one, m_ctx.spaced);
    }
    row[3] = m_r.Text2();
    row[4] = m_r.Text();
    m_out.rows.push_back(row);
    m_out.rows.push_back(LogDetailRow{});
}

void Decoder::Kind4()
{
    const bool system6 = m_ctx.connected && (m_ctx.subProductMajor == 5 || m_ctx.subProductMajor == 6);
    const std::vector<int> groups[5] = {
        {5660, 5661, 5452, 5662, 5663, 5895, 6123},
        {5680, ModeZero(), 5130, 5131, 5209, 5132, 5210, 5681},
        {5700, 5880, 5861, 5890, 5489, 5703, 5704, system6 ? 6093 : 5834},
        {5896, 5897, 5713, 5013},
        {5730, 5898, 5731, 5732, 5733},
    };
    static constexpr int kGroupText[5] = {5893, 5026, 5894, 5857, 5451};
    for (int g = 0; g < 5; ++g) {
        const std::uint8_t bits = B(184 + static_cast<std::size_t>(g));
        const std::vector<int>& items = groups[g];
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (bits & (1u << i))
                Row(S(kGroupText[g]), S(items[i]));
        }
    }
}

void Decoder::Kind9()
{
    static constexpr const char* kMedia[] = {" CD-R",   " CD-RW",  " DVD-R",    " DVD+R",
                                             " DVD-RW", " DVD+RW", " DVD+RW DL"};
    const std::uint8_t medium = B(184);
    std::string media;
    if (medium < 7)
        media = kMedia[medium];
    else if (medium == 7)
        media = S(6090);
    else if (medium == 9)
        media = " PC";
    else
        media = S(6091);
    Row(S(5899), media);
    Row(S(5492), B(185) == 1 ? std::string(" AVI") : S(5693));
    Row(S(5420), Time(192));
    Row(S(5421), Time(196));
    for (int half = 0; half < 2; ++half) {
        const std::uint8_t bits = B(186 + static_cast<std::size_t>(half));
        if (!bits)
            continue;
        std::string cams;
        for (int i = 0; i < 8; ++i) {
            if (bits & (1u << i))
                cams += Printf(" %02d", i + 1 + 8 * half);
        }
        Row(S(5152), cams);
    }
}

void Decoder::Kind13()
{
    auto name = [&](std::size_t at) {
        std::size_t n = 0;
        while (n < 32 && m_b[at + n] != 0)
            ++n;
        return std::string(reinterpret_cast<const char*>(m_b + at), n);
    };
    Row(S(5937), " " + name(88));
    Row(S(5936), " " + name(120));
}

void Decoder::Kind14()
{
    const bool eventWording = !m_ctx.connected || m_ctx.subProduct6;
    const std::string fpsLabel = eventWording ? " Non-Motion FPS" : " Non-Event FPS";
    for (int i = 0; i <= 12; ++i) {
        const std::uint8_t before = B(88 + static_cast<std::size_t>(i));
        const std::uint8_t after = B(120 + static_cast<std::size_t>(i));
        if (before == after)
            continue;
        switch (i) {
        case 0: {
            // Each side from its own byte.
            auto side = [&](std::uint8_t v) { return P(v ? 5344 : 5340); };
            Row(S(5462), Change(side(before), side(after)));
            break;
        }
        case 1:
            Row(m_ctx.helloFlag2Bit0 ? std::string("Post Event Duration") : S(5465),
                Change(Number(before), Number(after)));
            break;
        case 2: {
            auto side = [&](std::uint8_t v) { return P(v == 0 ? 5204 : v == 1 ? 5205 : 5206); };
            Row(S(5466), Change(side(before), side(after)));
            break;
        }
        case 3: {
            auto side = [&](std::uint8_t v) { return Printf("%s%02d", P(5152).c_str(), v + 1); };
            Row(S(5030), Change(side(before), side(after)));
            break;
        }
        case 4: {
            auto side = [&](std::uint8_t v) { return P(v ? 5693 : 5692); };
            Row(eventWording ? std::string(" Event Mode") : S(5920), Change(side(before), side(after)));
            break;
        }
        case 5:
        case 6:
        case 7: {
            static constexpr const char* kRes[3] = {"(4CIF) %d", "(2CIF) %d", "(CIF) %d"};
            Row(fpsLabel, Change(Printf(kRes[i - 5], before), Number(after)));
            break;
        }
        case 8:
        case 9:
        case 10:
        case 11:
            Row(Printf("%s %d", S(5030).c_str(), i - 7),
                Change(Printf("CH %d", before + 1), Printf("CH %d", after + 1)));
            break;
        case 12:
            Row(m_ctx.helloFlag2Bit0 ? std::string("Pre Event Duration") : S(5464),
                Change(Number(before), Number(after)));
            break;
        }
    }
}

void Decoder::Kind16()
{
    for (int i = 0; i < 5; ++i) {
        const std::string before = " " + RecordMode(B(88 + static_cast<std::size_t>(i)));
        const std::string after = " " + RecordMode(B(120 + static_cast<std::size_t>(i)));
        Row(S(5467 + i), before + "  -> " + after);
    }
}

void Decoder::Kind17()
{
    const std::uint8_t type = B(88);
    std::string label;
    switch (type) {
    case 0:
        label = S(ModeZero());
        break;
    case 1:
        label = S(5130);
        break;
    case 2:
        label = S(5131);
        break;
    case 3:
        label = S(5209);
        break;
    case 4:
        label = S(5132);
        break;
    case 5:
        label = S(5210);
        break;
    case 0x80:
        label = S(5833);
        break;
    default:
        break;
    }
    if (type == 0x80) {
        static constexpr const char* kSides[4] = {"Left", "Right", "Top", "Bottom"};
        Row(label, S(5937));
        for (int k = 0; k < 4; ++k)
            Row({}, Printf(" %s : %d", kSides[k], B(89 + static_cast<std::size_t>(k))));
        Row({});
        Row({}, S(5936));
        for (int k = 0; k < 4; ++k)
            Row({}, Printf(" %s : %d", kSides[k], B(120 + static_cast<std::size_t>(k))));
        return;
    }
    Row(label);
    if (type == 1) {
        const std::uint8_t profile = B(151);
        if (profile >= 1 && profile <= 4)
            Row(S(5489), Printf(" %d profile", profile));
        // Two switches of the sensor setting, each shown when it flips.
        for (const auto& [before, after] : {std::pair<std::size_t, std::size_t>{112, 143}, {108, 139}}) {
            if (B(before) == 1 && B(after) == 0)
                Row(S(5686), Change(P(5344), P(5340)));
            else if (B(before) == 0 && B(after) == 1)
                Row(S(5686), Change(P(5340), P(5344)));
        }
    }
    int items = -1;
    if (type == 0 || type == 1 || type == 3)
        items = 2;
    else if (type == 2 || type == 4)
        items = 3;
    else if (type == 5)
        items = 4;
    for (int i = 0; i <= items; ++i) {
        const std::uint8_t before = B(89 + static_cast<std::size_t>(i));
        const std::uint8_t after = B(120 + static_cast<std::size_t>(i));
        if (before == after)
            continue;
        switch (i) {
        case 0:
            Row(S(5682), Change(Resolution(before), Resolution(after)));
            break;
        case 1:
            Row(S(5643), Change(Number(before), Number(after)));
            break;
        case 2:
            Row(S(5030), Change(Switch(before), Switch(after)));
            break;
        case 3:
            if (type == 5)
                Row(S(5342), Change(Number(before), Number(after)));
            else
                Row(S(5684), Change(Choice(before), Choice(after)));
            break;
        case 4:
            Row(S(5687), Change(Switch(before), Switch(after)));
            break;
        }
    }
    if (type == 2) {
        const auto a = RegionBefore(m_r), b = RegionAfter(m_r);
        m_out.region = a != b;
    }
}

void Decoder::Kind18()
{
    Row(S(5130));
    Row(S(5935), Printf(" %s %d", P(5489).c_str(), B(88) + 1));
    auto entries = [&](std::size_t first) {
        for (int k = 0; k < 4; ++k) {
            const std::size_t at = first + 4 * static_cast<std::size_t>(k);
            const std::uint8_t cam = B(at);
            const std::string action = Named(B(at + 1), {5760, 5767, 5340});
            const int preset = (B(at + 3) & 0x0F) * 256 + B(at + 2);
            if (cam != 0)
                Row({}, Printf(" Cam%02d - %s - %03d", cam, action.c_str(), preset));
            else
                Row({}, Printf(" %s - %s - %03d", P(5340).c_str(), action.c_str(), preset));
        }
    };
    Row({}, S(5937));
    entries(92);
    Row({}, S(5936));
    entries(123);
}

} // namespace

std::array<std::uint8_t, 13> RegionBefore(const RemoteLogRecord& r)
{
    std::array<std::uint8_t, 13> a{};
    std::copy(r.block.begin() + 93, r.block.begin() + 106, a.begin());
    return a;
}

std::array<std::uint8_t, 13> RegionAfter(const RemoteLogRecord& r)
{
    std::array<std::uint8_t, 13> a{};
    std::copy(r.block.begin() + 124, r.block.begin() + 137, a.begin());
    return a;
}

std::array<std::uint8_t, kRegionTableBytes> UnpackRegion(const RemoteLogRecord& r, std::size_t offset)
{
    std::array<std::uint8_t, kRegionTableBytes> t{};
    if (offset + 10 > kLogBlockBytes)
        return t;
    for (int k = 0; k < 80; ++k) {
        const int row = k / 10, col = k % 10;
        t[static_cast<std::size_t>(row * 11 + col)] =
            (r.block[offset + static_cast<std::size_t>(k / 8)] >> (k % 8)) & 1;
    }
    return t;
}

std::array<std::uint8_t, kScheduleTableBytes> UnpackSchedule(const RemoteLogRecord& r, std::size_t offset)
{
    std::array<std::uint8_t, kScheduleTableBytes> t{};
    if (offset + 21 > kLogBlockBytes)
        return t;
    for (int k = 0; k < 168; ++k) {
        const int day = k % 7, hour = k / 7;
        t[static_cast<std::size_t>(day * 24 + hour)] =
            (r.block[offset + static_cast<std::size_t>(k / 8)] >> (k % 8)) & 1;
    }
    return t;
}

LogDetail DecodeSetupChange(const RemoteLogRecord& r, int subKind, const LogDetailContext& ctx)
{
    Decoder d(r, ctx);
    d.Head();
    switch (subKind) {
    case 4:
        d.Kind4();
        break;
    case 9:
        d.Kind9();
        break;
    case 13:
        d.Kind13();
        break;
    case 14:
        d.Kind14();
        break;
    case 16:
        d.Kind16();
        break;
    case 17:
        d.Kind17();
        break;
    case 18:
        d.Kind18();
        break;
    default:
        break;
    }
    return std::move(d.m_out);
}
