// Recorder time and Usertime under zones with and without daylight saving.
#include "net/TimeUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Sets the process zone for one test and restores it afterwards. POSIX rules,
// so that the test needs no zone database.
class ZoneScope
{
public:
    explicit ZoneScope(const char* tz)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had)
            m_old = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ZoneScope()
    {
        if (m_had)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3"; // DST from the last Sunday of March
constexpr const char* kJapan = "JST-9";                              // no DST
constexpr const char* kUsEast = "EST5EDT,M3.2.0,M11.1.0";

TEST(Usertime, FromRecorderSeconds)
{
    Usertime u{};
    ASSERT_TRUE(GetTime_tToUsertime(0, u));
    EXPECT_EQ(u.year, 1970);
    EXPECT_EQ(u.month, 0);
    EXPECT_EQ(u.day, 0);
    EXPECT_EQ(u.hour, 0);
    EXPECT_EQ(u.minute, 0);
    EXPECT_EQ(u.second, 0);

    ASSERT_TRUE(GetTime_tToUsertime(1204327199, u)); // 2008-02-29 23:19:59
    EXPECT_EQ(u.year, 2008);
    EXPECT_EQ(u.month, 1);
    EXPECT_EQ(u.day, 28);
    EXPECT_EQ(u.hour, 23);
    EXPECT_EQ(u.minute, 19);
    EXPECT_EQ(u.second, 59);

    // Recorder seconds are unsigned 32-bit: the top of the range still converts.
    ASSERT_TRUE(GetTime_tToUsertime(0xFFFFFFFFll, u));
    EXPECT_EQ(u.year, 2106);

    Usertime keep{1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(GetTime_tToUsertime(-1, keep));
    EXPECT_EQ(keep.year, 1);
    EXPECT_EQ(keep.second, 6);
}

TEST(Usertime, ZoneOffsetIsStandardTime)
{
    const std::time_t summer = 1214913600; // 2008-07-01 12:00 UTC
    const std::time_t winter = 1199188800; // 2008-01-01 12:00 UTC
    const struct
    {
        const char* tz;
        int hour;
    } cases[] = {{kCentralEurope, 1}, {kJapan, 9}, {kUsEast, -5}};
    for (const auto& c : cases) {
        ZoneScope zone(c.tz);
        for (std::time_t t : {summer, winter}) {
            const ZoneOffset z = ComputeZoneOffset(t);
            EXPECT_EQ(z.hour, c.hour) << c.tz << " at " << t;
            EXPECT_EQ(z.minute, 0);
            EXPECT_EQ(z.second, 0);
        }
    }
    ZoneScope india("IST-5:30");
    const ZoneOffset z = ComputeZoneOffset(summer);
    EXPECT_EQ(z.hour, 5);
    EXPECT_EQ(z.minute, 30);
}

TEST(Usertime, ToRecorderSecondsEqualsTheFieldsReadAsUtc)
{
    struct Case
    {
        const char* name;
        Usertime u;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"new year 2008", {2008, 0, 0, 0, 0, 0}, 1199145600},
        {"summer noon", {2008, 6, 0, 12, 0, 0}, 1214913600},
        // 02:30 on 2008-03-30 never happened on a central European PC; the
        // recorder's clock may still show it.
        {"skipped hour", {2008, 2, 29, 2, 30, 0}, 1206844200},
        // 02:30 on 2008-10-26 happened twice there.
        {"repeated hour", {2008, 9, 25, 2, 30, 0}, 1224988200},
        {"day carries into the next month", {2008, 1, 29, 0, 0, 0}, 1204329600}, // 30 Feb -> 1 Mar
        {"last second of a year", {2007, 11, 30, 23, 59, 59}, 1199145599},
    };
    for (const char* tz : {kCentralEurope, kJapan, kUsEast}) {
        ZoneScope zone(tz);
        const ZoneOffset offset = ComputeZoneOffset(std::time(nullptr));
        for (const Case& c : cases) {
            EXPECT_EQ(UsertimeToTime_t(c.u, offset), c.expected) << tz << ": " << c.name;
            EXPECT_EQ(UsertimeAsUtc(c.u), c.expected) << c.name;
        }
    }
}

TEST(Usertime, RoundTripsThroughRecorderSeconds)
{
    ZoneScope zone(kCentralEurope);
    const ZoneOffset offset = ComputeZoneOffset(std::time(nullptr));
    for (std::int64_t t = 1199145600; t < 1230768000; t += 86400 * 7 + 3599) {
        Usertime u{};
        ASSERT_TRUE(GetTime_tToUsertime(t, u));
        EXPECT_EQ(UsertimeToTime_t(u, offset), t);
    }
}

TEST(Usertime, ProgramWideOffsetIsUsedWithoutOne)
{
    ZoneScope zone(kJapan);
    const Usertime u{2008, 0, 0, 0, 0, 0};
    SetClientZoneOffset(ComputeZoneOffset(std::time(nullptr)));
    EXPECT_EQ(UsertimeToTime_t(u), 1199145600);
    // A main window that kept a different offset shifts the answer by the difference.
    SetClientZoneOffset(ZoneOffset{8, 0, 0});
    EXPECT_EQ(UsertimeToTime_t(u), 1199145600 - 3600);
    SetClientZoneOffset(ZoneOffset{});
}

} // namespace
