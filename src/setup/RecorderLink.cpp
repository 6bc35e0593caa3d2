#include "setup/RecorderLink.h"

#include "net/NetClient.h"
#include "platform/TcpSocket.h"

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

bool RecorderLink::SendRaw(const void* bytes, std::size_t length) const
{
    const std::shared_ptr<CNetClient> net = m_net.lock();
    if (!net || !net->m_bLogin)
        return false;
    const std::shared_ptr<TcpSocket> socket = net->Socket();
    return socket && socket->SendAll(bytes, length);
}
