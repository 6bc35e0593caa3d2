// The time-protocol client of the NTP page (RFC 868 over TCP: the server
// sends the seconds since 1900 as four big-endian bytes and closes) and the
// zone clock built on it: the zone table, the zone list of the page, the
// zone's wall clock with the image's daylight-saving rule applied, and its
// text in the image's date format.
#pragma once

#include "net/NetRecords.h"

#include <QRect>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class ImageRef;

// Results of QueryTimeServer below 0.
inline constexpr std::int64_t kTimeNoHost = -1;        // neither host name resolves
inline constexpr std::int64_t kTimeNoSocket = -2;      // no socket could be made
inline constexpr std::int64_t kTimeConnectFailed = -3; // connect refused or timed out
inline constexpr std::int64_t kTimeBadAnswer = -4;     // not 4 bytes before close or time-out
// Seconds from 1900 to 1970.
inline constexpr std::uint32_t kRfc868Epoch = 2208988800u;

struct TimeServerConfig
{
    std::string host1;
    std::string host2;
    // 0: the service "time" of the system's list, else 37.
    std::uint16_t port = 0;
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds readTimeout{3000};

    // Two public time-protocol servers unless the settings store names others
    // (key TimeServer: Host1, Host2, Port).
    static TimeServerConfig FromSettings();
    static constexpr const char* kDefaultHost1 = "time.nist.gov";
    static constexpr const char* kDefaultHost2 = "time-a.nist.gov";
    static constexpr const char* kSettingsKey = "Software\\Varo\\KOLA5500\\TimeServer";
};

// The port of the service "time" over TCP, else 37.
std::uint16_t TimeServicePort();
// Seconds since 1970 of a 4-byte answer (modulo 2^32, as the protocol wraps).
std::int64_t TimeFromAnswer(const std::uint8_t answer[4]);
class TcpSocket;
// Ends a running query from another thread at once: its socket is closed
// and the query returns kTimeBadAnswer (or kTimeConnectFailed).
class TimeQueryCancel
{
public:
    void Cancel();
    bool Cancelled() const { return m_stop.load(); }
    const std::atomic<bool>* Flag() const { return &m_stop; }
    // The query's socket while it is open.
    void Attach(TcpSocket* socket);
    void Detach();

private:
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    TcpSocket* m_socket = nullptr;
};
// Blocking: resolve (first IPv4 address of host1, or of host2 only when host1
// does not resolve), connect, read until 4 bytes, the peer's close or the
// read time-out. Never call on the GUI thread.
std::int64_t QueryTimeServer(const TimeServerConfig& config, TimeQueryCancel* cancel = nullptr);

// --- Zones ----------------------------------------------------------------------
inline constexpr int kZoneCount = 24;       // zones 1-24; 0 is no zone
inline constexpr int kZoneNameFirst = 5779; // zone k: string 5779 + k
inline constexpr int kZoneNoneName = 5243;
inline constexpr int kWorldMapBitmap = 1782;
// Offset of zone 1-24 in seconds; 0 for any other.
int ZoneOffsetSeconds(int zone);
// The 25-entry list (format later than 4.1) puts zone 24 after zone 10.
bool UsesZoneList25(int major, int minor);
// List position -> zone, and the zones of the list in order.
int ZoneFromListPosition(int position, bool list25);
std::vector<int> ZoneListOrder(bool list25);
struct ZoneHighlight
{
    int bitmap = 0; // 0: none
    QRect rect;     // in page pixels
};
ZoneHighlight ZoneHighlightOf(int zone, bool list25);
// Map rectangle k (1-23) of the page; map bitmap 1782 covers (13, 97)-(393, 297).
QRect ZoneMapRect(int zone);
inline const QRect kWorldMapRect(13, 97, 380, 200);

// What ZonedServerTime takes the time from: the server (negative on failure)
// and the PC's clock, seconds since 1970 UTC.
struct TimeSource
{
    std::function<std::int64_t()> server;
    std::function<std::int64_t()> pcClock;
};
// The zone's wall clock for p = zone - 1, with the DST rule of the image
// (mode 1) or preset `DstMode` - 2 of the recorder (modes 2 and up) applied.
std::int64_t ZonedServerTime(int p, std::int64_t serverTime, std::int64_t pcNow, const ImageRef& image,
                             const DstInfo& presets);
std::int64_t ZonedServerTime(int p, const TimeSource& source, const ImageRef& image, const DstInfo& presets);
// True when the rule is in force at wall clock `wall` (naive seconds).
bool DstInForce(std::int64_t wall, const ImageRef& image, const DstInfo& presets);
// The clock's text: 0 year-month-day, 1 month-day-year, 2 day-month-year.
QString FormatZoneClock(std::int64_t shown, int dateFormat);
