// The setup window's hold on the connection: weak, so a window that outlives
// its session sends nothing. A send puts header and payload on the socket
// under the connection's send lock, so no other thread's bytes interleave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class CNetClient;

class RecorderLink
{
public:
    RecorderLink() = default;
    explicit RecorderLink(std::weak_ptr<CNetClient> net) : m_net(std::move(net)) {}

    bool HasConnection() const { return !m_net.expired(); }
    bool IsLoggedIn() const;
    // One message; false without a logged-in connection or when the send fails.
    bool Send(std::uint16_t msgId, const void* payload = nullptr, std::size_t length = 0) const;
    // Bytes exactly as given (a message with a header of its own making), in
    // one send under the connection's send lock.
    bool SendRaw(const void* bytes, std::size_t length) const;
    // The connection itself, for the few pages that need more (may be null).
    std::shared_ptr<CNetClient> Lock() const { return m_net.lock(); }

private:
    std::weak_ptr<CNetClient> m_net;
};
