#include "net/ConnectForm.h"

#include "net/Wire.h"
#include "platform/RegKey.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace {

std::string Padded(const std::string& text, std::size_t size)
{
    // The text and at least one NUL: a value is always terminated.
    std::string out(size, '\0');
    std::memcpy(out.data(), text.data(), std::min(text.size(), size - 1));
    return out;
}

// A REG_SZ value of at most `size` bytes, up to its first NUL.
bool QueryText(const RegKey& key, const char* name, std::size_t size, std::string& out)
{
    std::vector<char> buffer(size, '\0');
    std::size_t got = size;
    if (!key.QueryValue(name, buffer.data(), got))
        return false;
    const std::size_t n = std::min(got, size);
    const void* nul = std::memchr(buffer.data(), 0, n);
    out.assign(buffer.data(),
               nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer.data()) : n);
    return true;
}

std::string Truncated(const std::string& text, std::size_t limit)
{
    return text.size() > limit ? text.substr(0, limit) : text;
}

struct AddrInfoFree
{
    void operator()(addrinfo* ai) const { freeaddrinfo(ai); }
};

} // namespace

bool ResolveHostIPv4(const std::string& name, std::string& dotted)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* raw = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &raw) != 0 || !raw)
        return false;
    std::unique_ptr<addrinfo, AddrInfoFree> list(raw);
    // A host whose official name is itself a dotted address keeps the text
    // as typed.
    if (list->ai_canonname && IsIPAddressText(list->ai_canonname))
        return false;
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || !ai->ai_addr)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(ai->ai_addr);
        const auto* b = reinterpret_cast<const unsigned char*>(&in->sin_addr.s_addr);
        char text[16];
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
        dotted = text;
        return true;
    }
    return false;
}

void CConnectForm::LoadServerIP()
{
    RegKey key;
    if (!key.Create(kServerIpKey))
        return;
    std::string text;
    if (QueryText(key, "IP", kRegIpSize, text))
        m_strAddress = text;
    std::uint32_t port = 0;
    if (key.QueryDword("Port", port)) {
        m_nPort = static_cast<int>(port);
        m_bDefaultPort = 0;
    } else {
        m_nPort = kDefaultServerPort;
        m_bDefaultPort = 1;
    }
    if (QueryText(key, "ID", kRegIdSize, text))
        m_strID = text;
    if (QueryText(key, "Description", kRegDescriptionSize, text))
        m_strDescription = text;
}

void CConnectForm::SaveServerIP() const
{
    RegKey key;
    if (!key.Create(kServerIpKey))
        return;
    key.SetString("IP", Padded(m_strAddress, kRegIpSize));
    key.SetDword("Port", static_cast<std::uint32_t>(m_nPort));
    key.SetString("ID", Padded(m_strID, kRegIdSize));
    // The password is never kept.
    key.SetString("Password", std::string(kRegPasswordSize, '\0'));
    key.SetString("Description", Padded(m_strDescription, kRegDescriptionSize));
}

void CConnectForm::UseDefaultPort()
{
    m_bDefaultPort = 1;
    m_strPort = std::to_string(kDefaultServerPort);
    OnAddressOrPortChanged();
}

void CConnectForm::ChoosePort()
{
    m_bDefaultPort = 0;
    m_strPort.clear();
    OnAddressOrPortChanged();
}

void CConnectForm::OnAddressOrPortChanged()
{
    if (m_bReady)
        m_strDescription.clear();
}

bool CConnectForm::TakePort()
{
    if (m_bDefaultPort) {
        m_nPort = kDefaultServerPort;
        return true;
    }
    // As atoi: leading digits count, anything else is 0. The field holds at
    // most five characters, so the value cannot overflow.
    m_nPort = std::atoi(Truncated(m_strPort, kPortEditLimit).c_str());
    if (m_nPort < kMinServerPort || m_nPort > kMaxServerPort) {
        m_strPort.clear();
        return false;
    }
    return true;
}

void CConnectForm::LimitTexts()
{
    m_strAddress = Truncated(m_strAddress, kAddressReadLimit);
    m_strID = Truncated(m_strID, kIdReadLimit);
    m_strPassword = Truncated(m_strPassword, kPasswordReadLimit);
    m_strDescription = Truncated(m_strDescription, kDescriptionReadLimit);
}

RecordResult CConnectForm::SaveConnectInfo(const std::string& location, std::uint32_t now) const
{
    AddressBookRecord record;
    record.address = m_strAddress;
    record.port = static_cast<std::uint32_t>(m_nPort);
    record.id = m_strID;
    record.description = m_strDescription;
    return RecordServer(AddressBookPath(location), record, now);
}

void CConnectForm::ResolveAddress(const HostResolver& resolve)
{
    if (m_strAddress.empty() || IsIPAddressText(m_strAddress) || !resolve)
        return;
    std::string dotted;
    if (resolve(m_strAddress, dotted) && !dotted.empty())
        m_strAddress = dotted;
}

void CConnectForm::TakeFromBook(const BookChoice& choice, bool savePassword)
{
    m_strAddress = choice.address;
    OnAddressOrPortChanged();
    // The chosen server's port is the one to connect to, so it is put in
    // force even when the default port was.
    m_bDefaultPort = 0;
    m_strPort = choice.port;
    m_nPort = std::atoi(choice.port.c_str());
    OnAddressOrPortChanged();
    m_strID = savePassword ? choice.id : std::string();
    m_strPassword = savePassword ? choice.password : std::string();
    m_strDescription = choice.description;
}

bool CConnectForm::HandOver(IConnectTarget& target) const
{
    return target.StartConnection(m_strAddress, m_nPort, m_strID, m_strPassword, m_strDescription);
}
