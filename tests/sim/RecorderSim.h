// A recorder on loopback for tests and the demo: a TCP server that speaks the
// recorder's side of the wire protocol, records every message it receives and
// answers or pushes what a test asks for.
//
// The simulator is written from the protocol, not from the client: its header
// codec and record builders are its own, so a fault in the client's framing
// shows up as a mismatch instead of cancelling out.
//
// Extending it: every received message goes to the handler registered for its
// id (SetHandler); the default table answers HELLO, ALIVE_REQ, REC_ON_REQ,
// REC_OFF_REQ, REBOOT_REQ and DVR_TIME_REQ. Hooks run after the hello answer
// (OnHello), on each connection (OnConnect) and when a session ends
// (OnSessionEnd). Later message families (live data, playback, setup image,
// search, backup, firmware, PTZ) add handlers and builders in their own files
// of this library.
//
// Sessions come one after another, as on the recorder: when one ends (the
// client's BYE48, a close or a reset from either side) the simulator takes
// the next connection and serves it with the same handlers and state. While
// a session runs, a further connection is closed at once. A test that wants
// the recorder gone after its first session sets Config::sessionLimit.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace k5sim {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// Message ids the simulator itself uses (the client's names).
namespace id {
constexpr std::uint16_t HELLO = 1, BYE48 = 4, HELLO48_ACK = 5, LIVE_REQ = 16, LIVE_STOP = 20;
constexpr std::uint16_t REC_ON_REQ = 32, REC_ON_ACK = 33, REC_ON_NACK = 34;
constexpr std::uint16_t REC_OFF_REQ = 35, REC_OFF_ACK = 36, REC_OFF_NACK = 37;
constexpr std::uint16_t RPLAY_STOP = 55, TRANS_OFF_REQ = 102;
constexpr std::uint16_t DST_INFO = 125, DVR_TIME_REQ = 126, DVR_TIME_ACK = 127;
constexpr std::uint16_t NETLIVE_CH_CHANGE = 153, SYS_ETC_INFO_EX = 24;
constexpr std::uint16_t REC_STATUS = 256, MSG_257 = 257, DB_CHANGE = 258, SYS_ETC_INFO = 259;
constexpr std::uint16_t RIGHT_CHANGE = 270, CAM_INFO_CHANGE = 352;
constexpr std::uint16_t REBOOT_REQ = 342, REBOOT_ACK = 343, REBOOT_NACK = 344;
constexpr std::uint16_t ALIVE_REQ = 511;
} // namespace id

// One message as it went over the wire.
struct Message
{
    std::uint16_t id = 0;
    std::uint8_t sub = 0;
    std::uint16_t flags = 0;
    std::uint16_t length = 0; // as the header declared it
    Bytes header;             // the 16 bytes as they came
    Bytes payload;
    Clock::time_point time;
};

// The 16-byte header: word 0 = id << 7 | sub, word 1 = flags << 16 | length,
// words 2 and 3 zero; each word big-endian.
Bytes EncodeHeader(std::uint16_t msgId, std::uint16_t length, std::uint16_t flags = 0, std::uint8_t sub = 0);
Bytes EncodeMessage(std::uint16_t msgId, const Bytes& payload, std::uint16_t flags = 0, std::uint8_t sub = 0);
void PutBE32(Bytes& out, std::size_t offset, std::uint32_t value);
std::uint32_t GetBE32(const Bytes& in, std::size_t offset);
Bytes BE32(std::uint32_t value);

// The hello answer.
struct HelloConfig
{
    enum class Reply
    {
        Answer,
        NoAnswer
    };
    Reply reply = Reply::Answer;
    std::size_t length = 768; // another length sends that many bytes of the record
    std::uint8_t protocolMajor = 1, protocolMinor = 0;
    std::uint8_t productNumber = 4; // only 4 is served
    std::uint8_t productMajor = 2, productMinor = 0;
    std::uint8_t frontVersion = 1;
    std::uint8_t channelNum = 16;
    std::uint8_t account = 0;
    std::array<std::uint8_t, 6> mac{{0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
    std::uint8_t subMajor = 0, subMinor = 0;
    std::uint8_t flags = 0x01;
    std::uint8_t flags2 = 0x04; // bit 2: the served model
    // Firmware components as received (entry order of the record), up to 20.
    std::vector<std::pair<std::string, std::uint32_t>> firmware{
        {"boot", 1199145600u},  {"kernel", 1199232000u}, {"app", 1199318400u},
        {"front", 1199404800u}, {"fpga", 1199491200u},   {"font", 1199577600u}};
};
Bytes BuildHello(const HelloConfig& config);

// One user row of the rights table.
struct UserRow
{
    std::string name;
    std::string password;
    std::uint8_t level = 1;
    std::array<std::uint8_t, 8> rights{
        {1, 1, 1, 1, 1, 1, 1, 1}}; // stop rec, setup, search, backup, PTZ, hidden, admission, reboot
};
Bytes BuildRightChange(const std::vector<UserRow>& users);

struct DbChangeConfig
{
    std::array<std::uint8_t, 16> hidden{};
    std::array<std::string, 16> cameraNames{};
    std::uint8_t audioChannel = 0;
    std::string archivePass; // up to 8 bytes, unterminated when it fills them
    std::uint32_t head = 0;
    bool fullNames = false; // fill all 32 bytes of every name (no terminator)
};
Bytes BuildDbChange(const DbChangeConfig& config);
// [user][channel], 1 = may watch live.
Bytes BuildNetliveChChange(const std::array<std::array<std::uint8_t, 16>, 8>& allowed);
Bytes BuildRecStatus(std::uint32_t status, std::uint32_t state);
Bytes Filled(std::size_t size, std::uint8_t seed);
// DST_INFO: a count word, then 100 preset rules of 12 bytes (start month,
// week, weekday, hour, minute, the end's five, two spare); `rules` fill the
// first presets.
Bytes BuildDstInfo(const std::vector<std::array<std::uint8_t, 12>>& rules);
// SYS_ETC_INFO (320 bytes): language ids by entry (0 = empty entry), the
// protocol pairs left zero.
Bytes BuildSysEtcInfo(const std::vector<std::uint8_t>& languageIds);
// SYS_ETC_INFO_EX (3200 bytes): language names by entry, 16 bytes each (an
// empty name leaves a gap; a 16-character name fills its slot unterminated).
Bytes BuildSysEtcInfoEx(const std::vector<std::string>& languageNames); // a record of a given size with recognisable bytes

class RecorderSim
{
public:
    struct Config
    {
        std::uint16_t port = 0; // 0: any free port
        HelloConfig hello;
        bool answerAlive = true; // echo ALIVE_REQ
        std::uint32_t recorderTime = 1199145600u;
        bool answerTime = true; // false: DVR_TIME_REQ goes unanswered
        std::int32_t recOnValue = 49;  // REC_ON_ACK payload
        std::int32_t recOffValue = 50; // REC_OFF_ACK payload
        bool closeOnBye = true;        // the recorder closes after the client's BYE48
        // Sessions served before the simulator stops listening (further
        // connections are refused); 0: no limit.
        std::size_t sessionLimit = 0;
        // How long the recorder's end lets its sent data go unacknowledged
        // before it gives the connection up (its own dead-peer detection);
        // 0: the system's default of many minutes.
        std::chrono::milliseconds deadPeerLimit{0};
    };
    using Handler = std::function<void(RecorderSim&, const Message&)>;
    using Hook = std::function<void(RecorderSim&)>;

    RecorderSim();
    explicit RecorderSim(const Config& config);
    ~RecorderSim();
    RecorderSim(const RecorderSim&) = delete;
    RecorderSim& operator=(const RecorderSim&) = delete;

    // Listens on 127.0.0.1; false when the port cannot be bound.
    bool Start();
    void Stop();
    std::uint16_t Port() const { return m_port; }
    Config& Settings() { return m_config; }

    // Script and hooks. Set before the client connects.
    void SetHandler(std::uint16_t msgId, Handler handler);
    // Answers every `requestId` with `nackId` carrying `reason`.
    void Refuse(std::uint16_t requestId, std::uint16_t nackId, std::int32_t reason);
    void OnHello(Hook hook);   // after HELLO48_ACK went out
    void OnConnect(Hook hook); // as a client is accepted
    // After a session's reading ended and its connection was released, on
    // the session's thread: what one session started stops here. One hook
    // per owner; a null hook removes the owner's (waiting for it if it runs).
    // A hook must not set hooks itself.
    void OnSessionEnd(const void* owner, Hook hook);

    // Pushes to the connected client; false when none is connected.
    bool Send(std::uint16_t msgId, const Bytes& payload = Bytes(), std::uint16_t flags = 0,
              std::uint8_t sub = 0);
    bool SendReason(std::uint16_t msgId, std::int32_t reason);
    bool SendBye(std::int32_t reason) { return SendReason(id::BYE48, reason); }
    bool SendRaw(const Bytes& bytes);
    // A message whose header declares `declared` bytes while `payload` follows.
    bool SendDeclared(std::uint16_t msgId, std::uint16_t declared, const Bytes& payload);
    // Faults: close at once; send the first `cut` bytes of a message and close.
    void CloseClient();
    // The recorder resets the connection: the client sees a reset instead of
    // an orderly close.
    void ResetClient();
    bool SendCutAndClose(std::uint16_t msgId, const Bytes& payload, std::size_t cut);

    // What arrived.
    std::vector<Message> Received() const;
    std::size_t Count(std::uint16_t msgId) const;
    std::vector<Message> ReceivedOf(std::uint16_t msgId) const;
    void ClearReceived();
    bool WaitFor(const std::function<bool(const std::vector<Message>&)>& predicate,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60));
    bool WaitForCount(std::uint16_t msgId, std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // A client has connected (count so far >= n).
    bool WaitForConnections(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The current client's end is closed.
    bool WaitForClientGone(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Sessions whose reading has ended (the client closed, or we did).
    bool WaitForSessionsEnded(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    bool ClientConnected() const;
    std::size_t Connections() const;
    // Connections closed at once because a session was running.
    std::size_t Turned() const;

private:
    void AcceptLoop();
    void SessionLoop(int fd);
    void Dispatch(const Message& message);
    void InstallDefaults();
    bool SendLocked(const Bytes& bytes);
    void DropClient(bool reset = false);
    void JoinEndedSessions();

    Config m_config;
    std::uint16_t m_port = 0;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptThread;
    std::vector<std::thread> m_sessionThreads;

    mutable std::mutex m_lock; // records, client fd, handlers
    std::condition_variable m_changed;
    int m_clientFd = -1;
    std::size_t m_connections = 0;
    std::size_t m_sessionsEnded = 0;
    std::size_t m_turned = 0;
    std::mutex m_sessionEndLock; // the session-end hooks, and held while they run
    std::map<const void*, Hook> m_onSessionEnd;
    std::vector<Message> m_received;
    std::map<std::uint16_t, Handler> m_handlers;
    // Handlers running on session threads, by message id: replacing or
    // removing a handler waits for them, so the object a handler belongs to
    // can be destroyed right after it removed its handlers.
    std::map<std::uint16_t, int> m_running;
    std::condition_variable m_handlerIdle;
    Hook m_onHello;
    Hook m_onConnect;
    std::mutex m_sendLock;
};

// What a recorder set up for one operator sends at hello: `user` logged in
// with every right, and every account allowed to watch every channel live.
void GrantOperator(RecorderSim& sim, const std::string& user, const std::string& password);

} // namespace k5sim
