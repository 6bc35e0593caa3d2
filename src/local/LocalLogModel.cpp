#include "local/LocalLogModel.h"

#include "local/ResIds.h"

#include <cstdio>
#include <ctime>

int ConnectLogKindStringId(std::uint32_t type, std::uint32_t subtype)
{
    static const int kIds[4][3] = {
        {5360, 5361, 0},
        {IDS_LOCAL_LOG_LOGIN, IDS_LOCAL_LOG_DISCONNECTED, IDS_LOCAL_LOG_CONNECT_FAILED},
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

std::string LogRowNumber(int k)
{
    char buf[16];
    return std::string(buf, PutLogDigits(buf, k < 0 ? 0 : k, 4));
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
