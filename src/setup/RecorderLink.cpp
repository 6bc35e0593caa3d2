#include "setup/RecorderLink.h"

#include "net/NetClient.h"

bool RecorderLink::IsLoggedIn() const
{
    const std::shared_ptr<CNetClient> net = m_net.lock();
    return net && net->m_bLogin;
}

bool RecorderLink::Send(std::uint16_t msgId, const void* payload, std::size_t length) const
{
    const std::shared_ptr<CNetClient> net = m_net.lock();
    if (!net || !net->m_bLogin)
        return false;
    return net->Send(msgId, payload, length);
}
