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

namespace {

// Writes v with at least `width` digits (zeros in front); v >= 0.
char* PutDigits(char* out, int v, int width)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0 && n < 12);
    for (int i = n; i < width; ++i)
        *out++ = '0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

} // namespace

// Digits written by hand: a full log is 2500 rows, and formatting through
// printf cost more than all the rest of building them.
std::string FormatLogTime(std::uint32_t time, int dateFormat)
{
    const std::int32_t signedTime = static_cast<std::int32_t>(time);
    const std::time_t t = signedTime < 0 ? 0 : signedTime;
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int y = tm.tm_year + 1900, mo = tm.tm_mon + 1, d = tm.tm_mday;
    char buf[48];
    char* p = buf;
    if (dateFormat == 1 || dateFormat == 2) {
        p = PutDigits(p, dateFormat == 1 ? mo : d, 2);
        *p++ = '-';
        p = PutDigits(p, dateFormat == 1 ? d : mo, 2);
        *p++ = '-';
        p = PutDigits(p, y, 4);
    } else {
        p = PutDigits(p, y, 4);
        *p++ = '-';
        p = PutDigits(p, mo, 2);
        *p++ = '-';
        p = PutDigits(p, d, 2);
    }
    *p++ = ' ';
    p = PutDigits(p, tm.tm_hour, 2);
    *p++ = ':';
    p = PutDigits(p, tm.tm_min, 2);
    *p++ = ':';
    p = PutDigits(p, tm.tm_sec, 2);
    return std::string(buf, p);
}

std::string LogRowNumber(int k)
{
    char buf[16];
    return std::string(buf, PutDigits(buf, k < 0 ? 0 : k, 4));
}

std::string LogCellText(const char* field, std::size_t width)
{
    std::string cell;
    AssignLogCellText(cell, field, width);
    return cell;
}

void AssignLogCellText(std::string& cell, const char* field, std::size_t width)
{
    std::size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    // Cells hold 128 bytes with their terminator.
    cell.assign(field, std::min<std::size_t>(n, 127));
}
