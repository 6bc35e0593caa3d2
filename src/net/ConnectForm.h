// The values and rules of the connect dialog, without its widgets: the last
// server kept in the registry, the default-port rules, the checks of OK, the
// book entry of a confirmed server, the host look-up and the hand-over to
// whoever builds the connection.
//
// Texts are byte strings (the dialog shows them as Latin-1).
#pragma once

#include "net/AddressBook.h"
#include "platform/Types.h"

#include <cstdint>
#include <functional>
#include <string>

inline constexpr const char* kServerIpKey = "Software\\Varo\\KOLA5500\\IPSetup\\ServerIP";
inline constexpr int kDefaultServerPort = 2000;
inline constexpr int kMinServerPort = 1;
inline constexpr int kMaxServerPort = 65534;

// Lengths the fields of the dialog take and OK reads back.
inline constexpr int kAddressEditLimit = 256;
inline constexpr int kPortEditLimit = 5;
inline constexpr int kIdEditLimit = 8;
inline constexpr int kPasswordEditLimit = 8;
inline constexpr int kDescriptionEditLimit = 256;
inline constexpr std::size_t kAddressReadLimit = 259;
inline constexpr std::size_t kIdReadLimit = 15;
inline constexpr std::size_t kPasswordReadLimit = 15;
inline constexpr std::size_t kDescriptionReadLimit = 259;

// Registry value sizes (each text is written NUL-padded to its size).
inline constexpr std::size_t kRegIpSize = 260;
inline constexpr std::size_t kRegIdSize = 16;
inline constexpr std::size_t kRegPasswordSize = 16;
inline constexpr std::size_t kRegDescriptionSize = 260;

// Who builds the connection from the values the operator confirmed (the
// main window).
class IConnectTarget
{
public:
    virtual ~IConnectTarget() = default;
    virtual bool StartConnection(const std::string& address, int port, const std::string& user,
                                 const std::string& password, const std::string& description) = 0;
};

// Looks a host name up; true with its first IPv4 address as "%d.%d.%d.%d".
using HostResolver = std::function<bool(const std::string& name, std::string& dotted)>;
// The platform's look-up (getaddrinfo, IPv4).
bool ResolveHostIPv4(const std::string& name, std::string& dotted);

// The server the address book hands back on OK.
struct BookChoice
{
    std::string address;
    std::string port; // "%d" of the record's port
    std::string id;
    std::string password; // always empty: the book keeps no password
    std::string description;
};

class CConnectForm
{
public:
    std::string m_strAddress;
    std::string m_strPort;
    std::string m_strID;
    std::string m_strPassword;
    std::string m_strDescription;
    int m_nPort = kDefaultServerPort;
    BYTE m_bDefaultPort = 1; // 1: the default port 2000 is in force, the port field disabled
    BYTE m_bReady = 0;       // 0 until set-up is complete; guards the change rule

    // Reads "IP", "Port", "ID" and "Description" (never "Password"); a value
    // that cannot be read leaves its member. A missing "Port" selects the
    // default port, a present one selects it as a chosen port.
    void LoadServerIP();
    // Writes all five values; the password is always written as 16 zero bytes.
    void SaveServerIP() const;

    // The port buttons: the default port ("2000" shown, field disabled) or a
    // port of the operator's choice (field emptied and enabled).
    void UseDefaultPort();
    void ChoosePort();
    // An edit of the address or the port text: while ready, the description
    // empties (the server it described is no longer the one named).
    void OnAddressOrPortChanged();

    // OK, first part: the port in force. False (the dialog stays open with
    // the port field emptied) when it is below 1, above 65534 or no number.
    bool TakePort();
    // OK: the texts cut to what the fields give back.
    void LimitTexts();
    // OK: records the server (address as typed, port, ID, description; no
    // password) in the book under the data folder.
    RecordResult SaveConnectInfo(const std::string& location, std::uint32_t now) const;
    // OK, last part: a host name becomes its first IPv4 address; a dotted
    // address, an empty one or a name that does not resolve stays as typed.
    void ResolveAddress(const HostResolver& resolve);

    // A server taken from the address book: address, port (which then is in
    // force, also when the default port was), ID and password when passwords
    // are kept (empty otherwise), then the book's description.
    void TakeFromBook(const BookChoice& choice, bool savePassword);

    // Hands the confirmed values to the connection's builder.
    bool HandOver(IConnectTarget& target) const;
};
