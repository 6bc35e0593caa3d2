#include "setup/RecorderCaps.h"

#include "net/NetClient.h"

RecorderCaps RecorderCaps::FromConnection(const CNetClient* net)
{
    RecorderCaps caps;
    if (net == nullptr)
        return caps;
    const HelloRecord hello = net->Hello();
    caps.hasConnection = true;
    caps.channelCount = net->ChannelCount();
    caps.subProductMajor = hello.sub_product_num_major;
    caps.subProductMinor = hello.sub_product_num_minor;
    caps.helloFlags = hello.hello_flags;
    caps.helloFlags2 = hello.hello_flags2;
    caps.userIndex = net->UserIndex();
    caps.userMatched = net->UserMatched();
    caps.subProduct6 = net->m_bSubProduct6;
    caps.subProduct52 = net->m_bSubProduct52;
    caps.servedModel = net->m_bServedModel;
    caps.archiveSupport = (hello.hello_flags & 0x01) != 0;
    caps.autoLogoutSupport = (hello.hello_flags & 0x02) != 0;
    caps.helloFlag2 = (hello.hello_flags & 0x04) != 0 && hello.sub_product_num_major != 6;
    caps.helloFlag3 = (hello.hello_flags & 0x08) != 0;
    caps.helloFlag6 = (hello.hello_flags & 0x40) != 0;
    caps.helloFlag2Bit0 = (hello.hello_flags2 & 0x01) != 0;
    caps.helloFlag2Bit1 = (hello.hello_flags2 & 0x02) != 0;
    caps.hasSysEtcInfoEx = net->m_bHasSysEtcInfoEx;
    caps.sysEtcInfo = net->SysEtcInfoRecord();
    caps.sysEtcInfoEx = net->SysEtcInfoExRecord();
    caps.dstInfo = net->DstInfoRecord();
    return caps;
}
