#include "setup/TimeClient.h"

#include "platform/RegKey.h"
#include "platform/TcpSocket.h"
#include "setup/DateRules.h"
#include "setup/SetupImage.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>

namespace {

// Offsets in whole hours of zones 1-23 by zone - 1 (the 24th entry is never
// used: zone 24 is +9:30).
constexpr std::array<std::int8_t, 24> kZoneHours = {0,  1,   2,   3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                    12, -11, -10, -9, -8, -7, -6, -5, -4, -3, -2, 0};
constexpr int kZone24Offset = 34200;

struct MapSpan
{
    int left;
    int right;
};
constexpr std::array<MapSpan, 23> kMapSpans = {
    {{23, 43},   {31, 70},   {50, 84},   {61, 97},   {73, 106},  {86, 118},  {102, 135}, {117, 160},
     {117, 179}, {150, 190}, {171, 203}, {188, 205}, {201, 233}, {234, 244}, {245, 264}, {265, 281},
     {272, 296}, {289, 309}, {303, 326}, {320, 349}, {339, 362}, {342, 381}, {382, 391}}};
constexpr int kMapTop = 97;
constexpr int kMapBottom = 297;

std::string QueryString(RegKey& key, const char* name)
{
    char buffer[256];
    std::size_t size = sizeof buffer;
    if (!key.QueryValue(name, buffer, size))
        return {};
    return std::string(buffer, std::find(buffer, buffer + size, '\0'));
}

// The first IPv4 address of `host` as dotted text; empty when it does not
// resolve.
std::string FirstIpv4(const std::string& host)
{
    if (host.empty())
        return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    const bool ok = inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text) != nullptr;
    freeaddrinfo(list);
    return ok ? std::string(text) : std::string();
}

int Clamp(int v, int lo, int hi)
{
    return std::min(std::max(v, lo), hi);
}

} // namespace

TimeServerConfig TimeServerConfig::FromSettings()
{
    TimeServerConfig c;
    c.host1 = kDefaultHost1;
    c.host2 = kDefaultHost2;
    // The demo points the clock at the simulator's server: HOST:PORT.
    if (const char* env = std::getenv("CLIENTK5_TIME_SERVER"); env != nullptr && *env != '\0') {
        const std::string text(env);
        const std::size_t colon = text.rfind(':');
        c.host1 = text.substr(0, colon);
        c.host2.clear();
        if (colon != std::string::npos) {
            const long port = std::strtol(text.c_str() + colon + 1, nullptr, 10);
            if (port > 0 && port <= 65535)
                c.port = static_cast<std::uint16_t>(port);
        }
        return c;
    }
    RegKey key;
    if (!key.Open(kSettingsKey))
        return c;
    if (std::string h = QueryString(key, "Host1"); !h.empty())
        c.host1 = h;
    if (std::string h = QueryString(key, "Host2"); !h.empty())
        c.host2 = h;
    std::uint32_t port = 0;
    if (key.QueryDword("Port", port) && port > 0 && port <= 65535)
        c.port = static_cast<std::uint16_t>(port);
    return c;
}

std::uint16_t TimeServicePort()
{
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (getservbyname_r("time", "tcp", &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return ntohs(static_cast<std::uint16_t>(found->s_port));
    return 37;
}

std::int64_t TimeFromAnswer(const std::uint8_t answer[4])
{
    const std::uint32_t v = (std::uint32_t(answer[0]) << 24) | (std::uint32_t(answer[1]) << 16) |
                            (std::uint32_t(answer[2]) << 8) | std::uint32_t(answer[3]);
    return static_cast<std::int64_t>(static_cast<std::uint32_t>(v - kRfc868Epoch));
}

void TimeQueryCancel::Cancel()
{
    m_stop.store(true);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_socket != nullptr)
        m_socket->Close();
}

void TimeQueryCancel::Attach(TcpSocket* socket)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket = socket;
    if (m_stop.load())
        socket->Close();
}

void TimeQueryCancel::Detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket = nullptr;
}

std::int64_t QueryTimeServer(const TimeServerConfig& config, TimeQueryCancel* cancel)
{
    const std::atomic<bool>* stop = cancel ? cancel->Flag() : nullptr;
    std::string address = FirstIpv4(config.host1);
    if (address.empty())
        address = FirstIpv4(config.host2);
    if (address.empty())
        return kTimeNoHost;
    if (stop && stop->load())
        return kTimeBadAnswer;
    const std::uint16_t port = config.port != 0 ? config.port : TimeServicePort();
    TcpSocket socket;
    if (socket.Connect(address, port, config.connectTimeout) != 0)
        return kTimeConnectFailed;
    if (cancel)
        cancel->Attach(&socket);
    // One receive may bring fewer than 4 bytes: read on until 4, the close
    // or the time-out.
    std::uint8_t answer[4] = {};
    const RecvResult r = socket.RecvExact(answer, sizeof answer, stop, config.readTimeout);
    if (cancel)
        cancel->Detach();
    if (r != RecvResult::Ok)
        return kTimeBadAnswer;
    return TimeFromAnswer(answer);
}

int ZoneOffsetSeconds(int zone)
{
    if (zone >= 1 && zone <= 23)
        return kZoneHours[static_cast<std::size_t>(zone - 1)] * 3600;
    if (zone == 24)
        return kZone24Offset;
    return 0;
}

bool UsesZoneList25(int major, int minor)
{
    return major > 4 || (major == 4 && minor > 1);
}

std::vector<int> ZoneListOrder(bool list25)
{
    std::vector<int> zones;
    for (int z = 0; z <= 10; ++z)
        zones.push_back(z);
    if (list25)
        zones.push_back(24);
    for (int z = 11; z <= 23; ++z)
        zones.push_back(z);
    return zones;
}

int ZoneFromListPosition(int position, bool list25)
{
    const std::vector<int> zones = ZoneListOrder(list25);
    if (position < 0 || position >= static_cast<int>(zones.size()))
        return -1;
    return zones[static_cast<std::size_t>(position)];
}

QRect ZoneMapRect(int zone)
{
    if (zone == 24)
        zone = 11;
    if (zone < 1 || zone > 23)
        return {};
    const MapSpan s = kMapSpans[static_cast<std::size_t>(zone - 1)];
    return QRect(QPoint(s.left, kMapTop), QPoint(s.right - 1, kMapBottom - 1));
}

ZoneHighlight ZoneHighlightOf(int zone, bool list25)
{
    ZoneHighlight h;
    if (zone < 1 || zone > 24)
        return h;
    h.rect = ZoneMapRect(zone);
    if (zone == 24)
        h.bitmap = 1806;
    else if (zone == 11 && list25)
        h.bitmap = 1807;
    else
        h.bitmap = kWorldMapBitmap + zone;
    return h;
}

bool DstInForce(std::int64_t wall, const ImageRef& image, const DstInfo& presets)
{
    const int mode = static_cast<int>(image.Get(SetupDb::DstMode));
    if (mode == 0)
        return false;
    WallTime now;
    if (!BreakDownWall(wall, now))
        return false;
    const int year = now.year;
    WallTime start{year, 1, 1, 0, 0, 0};
    WallTime end{year, 1, 1, 0, 0, 0};
    int startMonth = 0;
    int endMonth = 0;
    if (mode == 1) {
        const auto s = [&](int i) { return static_cast<int>(image.Get(SetupDb::DstStart, i)); };
        const auto e = [&](int i) { return static_cast<int>(image.Get(SetupDb::DstEnd, i)); };
        startMonth = Clamp(s(0), 0, 11);
        endMonth = Clamp(e(0), 0, 11);
        start = {year, startMonth + 1, Clamp(s(3), 0, 30) + 1, Clamp(s(4), 0, 23), Clamp(s(5), 0, 59), 0};
        end = {year, endMonth + 1, Clamp(e(3), 0, 30) + 1, Clamp(e(4), 0, 23), Clamp(e(5), 0, 59), 0};
    } else {
        // A preset beyond the recorder's table has no rule: no DST. A table
        // the recorder never sent is all zeros, a rule that never holds.
        const int preset = mode - 2;
        constexpr int kPresets = static_cast<int>(sizeof presets.bytes / 12);
        if (preset >= kPresets)
            return false;
        const std::uint8_t* r = presets.bytes + 12 * preset;
        startMonth = Clamp(r[0], 0, 11);
        endMonth = Clamp(r[5], 0, 11);
        start = {year,
                 startMonth + 1,
                 NthWeekdayDay(year, startMonth, r[1], r[2]),
                 Clamp(r[3], 0, 23),
                 Clamp(r[4], 0, 59),
                 0};
        end = {year,
               endMonth + 1,
               NthWeekdayDay(year, endMonth, r[6], r[7]),
               Clamp(r[8], 0, 23),
               Clamp(r[9], 0, 59),
               0};
    }
    const std::int64_t a = WallSeconds(start);
    const std::int64_t b = WallSeconds(end);
    if (startMonth > endMonth)
        return wall < b || wall >= a;
    return wall >= a && wall < b;
}

std::int64_t ZonedServerTime(int p, std::int64_t serverTime, std::int64_t pcNow, const ImageRef& image,
                             const DstInfo& presets)
{
    std::int64_t t = serverTime >= 0 ? serverTime : pcNow;
    t += ZoneOffsetSeconds(p + 1);
    if (!DstInForce(t, image, presets))
        return t;
    return t + static_cast<std::int64_t>(image.Get(SetupDb::DstOffsetHours)) * 3600 +
           static_cast<std::int64_t>(image.Get(SetupDb::DstOffsetMinutes)) * 60;
}

std::int64_t ZonedServerTime(int p, const TimeSource& source, const ImageRef& image, const DstInfo& presets)
{
    const std::int64_t server = source.server ? source.server() : kTimeNoHost;
    const std::int64_t pc =
        server >= 0 ? 0 : (source.pcClock ? source.pcClock() : std::int64_t(std::time(nullptr)));
    return ZonedServerTime(p, server, pc, image, presets);
}

QString FormatZoneClock(std::int64_t shown, int dateFormat)
{
    WallTime t;
    if (!BreakDownWall(shown, t))
        return {};
    const auto d2 = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    const QString year = QStringLiteral("%1").arg(t.year, 4, 10, QLatin1Char('0'));
    const QString time = d2(t.hour) + ':' + d2(t.minute) + ':' + d2(t.second);
    switch (dateFormat) {
    case 1:
        return d2(t.month) + '-' + d2(t.day) + '-' + year + "  " + time;
    case 2:
        return d2(t.day) + '-' + d2(t.month) + '-' + year + "  " + time;
    default:
        return year + '-' + d2(t.month) + '-' + d2(t.day) + "  " + time;
    }
}
