#include "local/LocalLogModel.h"

#include <cstdio>
#include <ctime>

int ConnectLogKindStringId(std::uint32_t type, std::uint32_t subtype)
{
    static const int kIds[4][3] = {
        {5360, 5361, 0},
        {5362, 5363, 5364},
        {5365, 5366, 0},
        {5004, 5368, 0},
    };
    for (int bit = 0; bit < 4; ++bit) {
        if ((type & (1u << bit)) == 0)
            continue;
        for (int sub = 0; sub < 3; ++sub) {
            if ((subtype & (1u << sub)) != 0 && kIds[bit][sub] != 0)
                return kIds[bit][sub];
            if ((subtype & (1u << sub)) != 0)
                return 0;
        }
        return 0;
    }
    return 0;
}

std::string FormatLogTime(std::uint32_t time, int dateFormat)
{
    const std::int32_t signedTime = static_cast<std::int32_t>(time);
    const std::time_t t = signedTime < 0 ? 0 : signedTime;
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int y = tm.tm_year + 1900, mo = tm.tm_mon + 1, d = tm.tm_mday;
    char buf[64];
    if (dateFormat == 1)
        std::snprintf(buf, sizeof buf, "%02d-%02d-%04d %02d:%02d:%02d", mo, d, y, tm.tm_hour, tm.tm_min, tm.tm_sec);
    else if (dateFormat == 2)
        std::snprintf(buf, sizeof buf, "%02d-%02d-%04d %02d:%02d:%02d", d, mo, y, tm.tm_hour, tm.tm_min, tm.tm_sec);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string LogCellText(const char* field, std::size_t width)
{
    std::size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    // Cells hold 128 bytes with their terminator.
    return std::string(field, std::min<std::size_t>(n, 127));
}
