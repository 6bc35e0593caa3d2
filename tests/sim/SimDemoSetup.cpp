#include "SimDemoSetup.h"

#include "setup/DateRules.h"
#include "setup/SetupImage.h"
#include "setup/record/RecordBudget.h"
#include "setup/record/RecordConfig.h"

#include <QString>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

namespace k5sim {

namespace {

using namespace SetupDb;

constexpr const char* kCameraNames[16] = {
    "ENTRANCE",       "LOBBY",       "RECEPTION",  "CAR PARK NORTH", "CAR PARK SOUTH", "LOADING BAY",
    "WAREHOUSE 1",    "WAREHOUSE 2", "CORRIDOR 1", "STAIRS",         "SERVER ROOM",    "CASH DESK",
    "STAFF ENTRANCE", "BACK DOOR",   "FENCE EAST", "FENCE WEST",
};

struct Account
{
    const char* name;
    const char* password;
    int level;
    int logout; // automatic log-out choice 0-3
    std::array<std::uint8_t, 8> rights;
    int liveChannels; // the first n channels may be watched
};

// Accounts 1-3 after the demo's own; the rest of the slots stay free.
constexpr Account kAccounts[3] = {
    {"manager", "2580", 1, 2, {1, 1, 1, 1, 1, 1, 0, 1}, 16},
    {"guard", "1357", 1, 1, {1, 1, 0, 0, 1, 0, 0, 0}, 16},
    {"night", "2468", 1, 1, {1, 0, 0, 0, 1, 0, 0, 0}, 8},
};

int Shown(int channels)
{
    return channels == 4 || channels == 8 ? channels : 16;
}

class Builder
{
public:
    explicit Builder(const DemoSetupKind& kind) : m_kind(kind), m_n(Shown(kind.channels)), m_ref(m_image) {}

    Bytes Build()
    {
        Header();
        Display();
        Record();
        Events();
        System();
        ConvertDbToNetwork(m_image.data());
        Bytes out(std::max<std::size_t>(m_kind.size, kUsedEnd), 0);
        std::copy_n(m_image.begin(), std::min(out.size(), m_image.size()), out.begin());
        return out;
    }

private:
    bool FourValueSchedule() const { return m_kind.subMajor == 3 || m_kind.subMajor == 4; }
    bool Profiles() const { return m_kind.subMajor == 6; }
    bool AudioInput(int ch) const { return !Profiles() || ch < 4; }
    void Text(const Field& f, int i, const std::string& text)
    {
        m_ref.SetText(f, i, QString::fromLatin1(text.c_str()));
    }
    // Single fields and their values.
    void Values(std::initializer_list<std::pair<Field, std::uint32_t>> values)
    {
        for (const auto& [field, value] : values)
            m_ref.Set(field, value);
    }
    // Every shown channel of a per-channel field gets `value(ch)`, the
    // others 0.
    template <class Fn> void PerChannel(const Field& f, Fn value)
    {
        for (int ch = 0; ch < kChannels; ++ch)
            m_ref.Set(f, ch, ch < m_n ? static_cast<std::uint32_t>(value(ch)) : 0u);
    }
    // A record block at one resolution with the rates the record pages refill
    // for it: the even share of the standard's budget.
    void Block(const Field& resolution, const Field& rate, int code)
    {
        const std::vector<int> rates = RecordBudget::DefaultRates(m_n, m_kind.videoStandard, code);
        PerChannel(resolution, [code](int) { return code; });
        PerChannel(rate, [&rates](int ch) { return ch < static_cast<int>(rates.size()) ? rates[ch] : 0; });
    }
    // Audio on the first channel, where that channel may carry it.
    void Audio(const Field& audio)
    {
        PerChannel(audio, [this](int ch) { return ch == 0 && AudioInput(ch); });
    }

    void Header()
    {
        m_ref.Set(VersionMajor, static_cast<std::uint32_t>(m_kind.versionMajor));
        m_ref.Set(VersionMinor, static_cast<std::uint32_t>(m_kind.versionMinor));
        m_ref.Set(VideoStandard, static_cast<std::uint32_t>(m_kind.videoStandard != 0));
        m_ref.Set(DeviceNumber, 1);
        m_ref.Set(RecorderTime, m_kind.recorderTime);
    }

    void Display()
    {
        for (int ch = 0; ch < kChannels; ++ch) {
            // The outdoor cameras a little brighter and less saturated.
            const bool outdoor = ch == 3 || ch == 4 || ch >= 14;
            m_ref.Set(Hue, ch, 50);
            m_ref.Set(Saturation, ch, outdoor ? 45 : 50);
            m_ref.Set(Contrast, ch, 50);
            m_ref.Set(Brightness, ch, outdoor ? 55 : 50);
            m_ref.Set(Covert, ch, 0);
            Text(CameraName, ch, DemoCameraName(ch));
            m_ref.Set(SpotDwell, ch, 5);
            m_ref.Set(SpotEvent, ch, ch < m_n ? 1 : 0);
            m_ref.Set(CameraEnable, ch, 1);
        }
        // The date always shown, events for 5 seconds.
        Values({{SpotMode, 0},
                {OsdChoiceA, 3},
                {OsdSwitchA, 1},
                {OsdSwitchB, 1},
                {OsdNumber, 0},
                {OsdChoiceB, 1},
                {OsdMinutesA, 0},
                {OsdMinutesB, 1}});
    }

    void Record()
    {
        using RecordBudget::k2Cif;
        using RecordBudget::kCif;
        const int standard = m_kind.videoStandard != 0 ? 1 : 0;
        m_ref.Set(EventMode, 1);
        m_ref.Set(EventSwitchA, 1);
        m_ref.Set(EventSwitchB, 1);
        m_ref.Set(EventModeValue,
                  static_cast<std::uint32_t>(RecordConfig::DefaultEventRate(m_n, standard, 1)));
        m_ref.Set(PreEventDuration, 10);
        m_ref.Set(PostEventDuration, 30);
        m_ref.Set(EventListChoice, 1);
        for (int i = 0; i < 3; ++i)
            m_ref.Set(NonEventRate, i, static_cast<std::uint32_t>(1 + i));
        m_ref.Set(RecordConfigMode, 0);
        m_ref.Set(EventListChoiceB, 0);

        Block(PlainResolution, PlainRate, kCif);
        Audio(PlainAudio);
        Block(SensorResolution, SensorRate, k2Cif);
        Audio(SensorAudio);
        Block(MotionResolution, MotionRate, kCif);
        Audio(MotionAudio);
        // The second motion rate set shares the motion resolution's budget.
        Block(SensitivityResolution, SensitivityRate, kCif);
        Audio(SensitivityAudio);
        Block(ScheduleResolution, ScheduleRate, kCif);
        Audio(ScheduleAudio);
        PerChannel(MotionSensitivity, [](int ch) { return ch % 4 == 3 ? 0 : 1; });
        PerChannel(SensitivitySensitivity, [](int) { return 1; });
        MotionAreas();
        Schedule();

        PerChannel(DaysRecordOn, [](int) { return 1; });
        Audio(DaysAudio);
        PerChannel(DaysResolution, [](int) { return kCif; });
        m_ref.Set(DaysValue, 30);
        const std::uint8_t rank[5] = {2, 1, 3, 0, 6}; // motion, sensor, schedule, continuous, none
        for (int r = 0; r < 5; ++r)
            m_ref.Set(RecordModeRank, r, rank[r]);

        SensorsAndPresets();
        // Four record profiles: day, night, weekend and holiday, coarser
        // pictures at lower rates from one to the next.
        const int codes[4] = {kCif, kCif, k2Cif, k2Cif};
        for (int p = 0; p < 4; ++p) {
            m_ref.Set(ProfileSensorFlag, p, p == 0 ? 1 : 0);
            const std::vector<int> rates = RecordBudget::DefaultRates(m_n, standard, codes[p]);
            for (int ch = 0; ch < kChannels; ++ch) {
                const bool shown = ch < m_n;
                const int rate = shown ? std::max(1, rates[static_cast<std::size_t>(ch)] - p) : 0;
                m_ref.SetByteOf(ProfileResolution, p, ch, static_cast<std::uint8_t>(shown ? codes[p] : 0));
                m_ref.SetByteOf(ProfileRate, p, ch, static_cast<std::uint8_t>(rate));
                m_ref.SetByteOf(ProfileAudio, p, ch,
                                static_cast<std::uint8_t>(shown && ch < 2 && AudioInput(ch)));
            }
        }
        for (int k = 0; k < 4; ++k)
            m_ref.Set(AudioInputChannel, k, static_cast<std::uint32_t>(k < m_n ? k : 0));
    }

    // Each camera watches the part of its picture where people pass: the
    // whole picture below the clock line, the middle, or the lower half.
    void MotionAreas()
    {
        for (int ch = 0; ch < kChannels; ++ch)
            for (int r = 0; r < 9; ++r)
                for (int c = 0; c < 11; ++c) {
                    bool on = false;
                    if (ch < m_n && r < 8 && c < 10) {
                        switch (ch % 3) {
                        case 0:
                            on = r >= 1;
                            break;
                        case 1:
                            on = r >= 2 && r <= 5 && c >= 2 && c <= 7;
                            break;
                        default:
                            on = r >= 4;
                            break;
                        }
                    }
                    m_ref.SetByteOf(MotionGrid, ch, 11 * r + c, on ? 1 : 0);
                }
    }

    // Office hours on weekdays; with four values the normal recording then,
    // the mixed one at night and motion at weekends.
    void Schedule()
    {
        for (int day = 0; day < 7; ++day)
            for (int hour = 0; hour < 24; ++hour) {
                const bool weekday = day >= 1 && day <= 5;
                const bool office = weekday && hour >= 7 && hour < 19;
                int v = 0;
                if (FourValueSchedule())
                    v = office ? 0 : weekday ? 3 : 2;
                else
                    v = office || (day == 6 && hour >= 8 && hour < 13);
                m_ref.SetByteOf(WeeklySchedule, day, hour, static_cast<std::uint8_t>(v));
            }
    }

    void SensorsAndPresets()
    {
        // Sensor s starts recording on its own camera and the one four along.
        for (int s = 0; s < 4; ++s)
            for (int ch = 0; ch < kChannels; ++ch)
                m_ref.SetByteOf(SensorLink, s, ch, static_cast<std::uint8_t>(ch < m_n && ch % 4 == s));
        // An alarm turns the sensor's camera to a preset and tours the next
        // camera; the other entries are free.
        for (int s = 0; s < 16; ++s)
            for (int k = 0; k < 4; ++k) {
                const int camera = k == 0 ? s % m_n + 1 : k == 1 ? (s + 1) % m_n + 1 : 0;
                m_ref.SetByteOf(PresetCamera, s, k, static_cast<std::uint8_t>(camera));
                m_ref.SetByteOf(PresetAction, s, k, static_cast<std::uint8_t>(camera == 0 ? 2 : k));
                m_ref.Set(PresetNumber, 4 * s + k,
                          static_cast<std::uint32_t>(camera == 0 ? 1 : 10 * s + k + 1));
            }
        const std::uint8_t kinds[4] = {1, 1, 2, 0}; // N.O., N.O., N.C., none
        for (int s = 0; s < kChannels; ++s)
            m_ref.Set(SensorKind, s, s < 4 ? kinds[s] : 0u);
    }

    void Events()
    {
        Text(MailAddress, 0, "security@example.com");
        Text(MailAddress, 1, "manager@example.com");
        Text(MailAddress, 2, "");
        Text(MailAddress, 3, "recorder@example.com");
        m_ref.Set(MailMode, 1);
        Text(SmtpId, 0, "recorder");
        Text(SmtpPassword, 0, "");
        const std::uint8_t notify[4] = {1, 1, 1, 0}, actionA[4] = {1, 1, 0, 0}, actionB[4] = {1, 0, 1, 0};
        for (int k = 0; k < 4; ++k) {
            m_ref.Set(NotifyOnEvent, k, notify[k]);
            m_ref.Set(ActionAOnEvent, k, actionA[k]);
            m_ref.Set(ActionBOnEvent, k, actionB[k]);
        }
        Values({{NotifyOnEventExt, 1},
                {ActionAOnEventExt, 0},
                {ActionBOnEventExt, 0},
                {ActionBExtraRow, 0},
                {ActionADuration, 10},
                {ActionBDuration, 30}});
        // Twice a day at 8:00 and 18:00, once a day at 9:00, weekly on Monday.
        const std::uint8_t times[4][3] = {{8, 0, 0}, {18, 0, 0}, {9, 0, 0}, {9, 0, 0}};
        const Field* fields[4] = {&MailTime1, &MailTime2, &MailTime3, &MailTime4};
        for (int t = 0; t < 4; ++t)
            for (int i = 0; i < 3; ++i)
                m_ref.Set(*fields[t], i, times[t][i]);
        m_ref.Set(MailDay, 1);
        PerChannel(MailImageAttach, [](int ch) { return ch < 4; });
    }

    void System()
    {
        m_ref.Set(Language, 0);
        m_ref.Set(DateFormat, 0);
        m_ref.Set(BasicState, 0);
        m_ref.Set(AutoDeleteDays, 60);
        for (int ch = 0; ch < kChannels; ++ch) {
            // PTZ domes answer to their channel's number, the second protocol
            // of the recorder's list at 4800 bps; the controller on the first
            // at 9600.
            m_ref.Set(PtzId, ch, static_cast<std::uint32_t>(ch + 1));
            m_ref.Set(PtzProtocol, ch, 1);
            m_ref.Set(PtzBaud, ch, 1);
            m_ref.Set(KeyboardId, ch, ch == 0 ? 1 : 0);
            m_ref.Set(KeyboardProtocol, ch, 0);
            m_ref.Set(KeyboardBaud, ch, 2);
            // Limits as slider steps 1-10, stored one less.
            m_ref.Set(PanLow, ch, 0);
            m_ref.Set(PanHigh, ch, 9);
            m_ref.Set(TiltLow, ch, 1);
            m_ref.Set(TiltHigh, ch, 8);
            m_ref.Set(BasicChannelFlag, ch, 1);
        }
        Summertime();
        m_ref.Set(TimeZoneIndex, 20); // GMT -05:00
        m_ref.Set(NtpEnable, 1);
        m_ref.Set(NtpServerChoice, 1);
        Text(NtpServerFixedName, 0, "time.example.com");
        const std::uint8_t address[4] = {192, 0, 2, 123};
        for (int i = 0; i < 4; ++i)
            m_ref.Set(NtpServerAddress, i, address[i]);
        Text(NtpServerName, 0, "ntp.example.com");
        Values({{EtcChoiceA, 1},
                {EtcChoiceB, 1},
                {EtcChoiceC, 0},
                {SmartEnable, 1},
                {SmartValue, 5},
                {SmartOption, 1},
                {Rs485Use, 1}});
        Accounts();
    }

    // A rule of the user's: from the second Sunday of March, 2:00, to the
    // first Sunday of November, 2:00, one hour ahead; the days are those of
    // the recorder clock's year, as the summer-time page derives them.
    void Summertime()
    {
        WallTime now;
        const int year = BreakDownWall(m_kind.recorderTime, now) ? now.year : 2025;
        m_ref.Set(DstMode, 1);
        m_ref.Set(DstRuleForm, 0);
        const int rules[2][3] = {{2, 1, 0}, {10, 0, 0}}; // month, week, weekday
        const Field* ends[2] = {&DstStart, &DstEnd};
        for (int e = 0; e < 2; ++e) {
            const int month = rules[e][0], week = rules[e][1], weekday = rules[e][2];
            m_ref.Set(*ends[e], 0, static_cast<std::uint32_t>(month));
            m_ref.Set(*ends[e], 1, static_cast<std::uint32_t>(week));
            m_ref.Set(*ends[e], 2, static_cast<std::uint32_t>(weekday));
            m_ref.Set(*ends[e], 3, static_cast<std::uint32_t>(NthWeekdayDay(year, month, week, weekday) - 1));
            m_ref.Set(*ends[e], 4, 2);
            m_ref.Set(*ends[e], 5, 0);
        }
        m_ref.Set(DstOffsetHours, 1);
        m_ref.Set(DstOffsetMinutes, 0);
        m_ref.Set(DstConfirm, 1);
    }

    void Accounts()
    {
        auto account = [this](int u, const std::string& name, const std::string& password, int level,
                              int logout, const std::array<std::uint8_t, 8>& rights, int live) {
            Text(UserName, u, name);
            Text(UserPassword, u, password);
            m_ref.Set(UserLevel, u, static_cast<std::uint32_t>(level));
            m_ref.Set(UserLogoutA, u, static_cast<std::uint32_t>(logout));
            m_ref.Set(UserLogoutB, u, static_cast<std::uint32_t>(logout));
            for (int k = 0; k < 8; ++k)
                m_ref.SetByteOf(SetupDb::UserRight, k, u, rights[static_cast<std::size_t>(k)]);
            for (int ch = 0; ch < kChannels; ++ch)
                m_ref.SetByteOf(UserLiveChannel, u, ch, static_cast<std::uint8_t>(ch < m_n && ch < live));
        };
        account(0, m_kind.user, m_kind.password, 1, 0, {1, 1, 1, 1, 1, 1, 1, 1}, 16);
        for (int u = 1; u <= 3; ++u) {
            const Account& a = kAccounts[u - 1];
            account(u, a.name, a.password, a.level, a.logout, a.rights, a.liveChannels);
        }
        for (int u = 4; u < 8; ++u)
            account(u, "", "", 0, 0, {}, 0);
        Text(ArchiveLogPassword, 0, "8642");
    }

    const DemoSetupKind m_kind;
    const int m_n;
    SetupDbImage m_image{};
    ImageRef m_ref;
};

} // namespace

std::string DemoCameraName(int channel)
{
    return channel >= 0 && channel < 16 ? kCameraNames[channel] : std::string();
}

Bytes PlausibleSetupImage(const DemoSetupKind& kind)
{
    return Builder(kind).Build();
}

} // namespace k5sim
