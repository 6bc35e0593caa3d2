// What the setup window knows of the recorder, copied once when it opens:
// the receive thread keeps rewriting the connection's records, so pages read
// this snapshot instead. Without a connection it describes a 16-channel
// recorder with no flags set.
#pragma once

#include "net/NetRecords.h"

#include <cstdint>

class CNetClient;

struct RecorderCaps
{
    int channelCount = 16; // 4, 8 or 16
    int subProductMajor = 0;
    int subProductMinor = 0;
    int helloFlags = 0;
    int helloFlags2 = 0;
    int userIndex = 0;        // the logged-in user's row of the rights table
    bool userMatched = false; // false: no row matched, nothing is allowed
    bool hasConnection = false;
    bool subProduct6 = false;  // four audio inputs, record profiles
    bool subProduct52 = false; // sub product 5.2
    bool servedModel = false;
    bool archiveSupport = false;
    bool autoLogoutSupport = false;
    bool helloFlag2 = false; // hello_flags bit 2 and not sub product 6
    bool helloFlag3 = false;
    bool helloFlag6 = false;
    bool helloFlag2Bit0 = false;
    bool helloFlag2Bit1 = false;
    bool hasSysEtcInfoEx = false;
    SysEtcInfo sysEtcInfo{};
    SysEtcInfoEx sysEtcInfoEx{};
    DstInfo dstInfo{};

    static RecorderCaps FromConnection(const CNetClient* net);
};
