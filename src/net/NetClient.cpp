#include "net/NetClient.h"

#include "net/NetMessages.h"
#include "net/PasswordMatch.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::atomic<std::uint32_t> g_nextSession{1};

// The hidden-camera flags RIGHT_CHANGE last applied, kept for the whole run.
std::mutex g_hiddenLock;
std::array<std::uint8_t, 16> g_hiddenCopy{};

std::string Cut(const std::string& text, std::size_t limit)
{
    // A field ends at its first zero byte, as the recorder's texts do.
    const std::size_t end = std::min({text.size(), limit, text.find('\0')});
    return text.substr(0, end);
}

std::string Lower(std::string text)
{
    return LowerAscii(std::move(text));
}

// A text field of a record that fills its bytes without a terminator.
std::string BoundedText(const char* field, std::size_t size)
{
    std::size_t n = 0;
    while (n < size && field[n] != '\0')
        ++n;
    return std::string(field, n);
}

std::uint32_t FirstWord(const std::vector<std::uint8_t>& payload)
{
    std::uint8_t word[4] = {0, 0, 0, 0};
    std::memcpy(word, payload.data(), std::min<std::size_t>(payload.size(), 4));
    return ReadBE32(word);
}

LPARAM ConnectFailure(int error)
{
    switch (error) {
    case WSAETIMEDOUT:
        return NetNotify::Param(NetNotify::CONNECT_FAILED, 0);
    case WSAECONNREFUSED:
        return NetNotify::Param(NetNotify::CONNECT_FAILED, 1);
    case WSAEADDRNOTAVAIL:
        return NetNotify::Param(NetNotify::CONNECT_FAILED, 2);
    case WSAEHOSTUNREACH:
        return NetNotify::Param(NetNotify::CONNECT_FAILED, 3);
    default:
        return NetNotify::Param(NetNotify::CONNECT_FAILED, error);
    }
}

// What each refusal handler reports for the reasons it knows. Reasons not
// listed only trace.
struct ReasonMap
{
    int reason;
    LPARAM lParam;
};
struct RefusalRule
{
    std::uint16_t id;
    const char* name;
    ReasonMap map[7]; // ends at reason 0
};

constexpr LPARAM kLiveRec0 = 0x50000, kLiveRec1 = 0x50001, kLiveRec2 = 0x50002;
constexpr LPARAM kNack0 = 0x60000, kNack1 = 0x60001, kNack3 = 0x60003, kNack4 = 0x60004, kNack5 = 0x60005,
                 kNack6 = 0x60006, kNack7 = 0x60007;
constexpr LPARAM kDbUpd0 = 0x70000, kDbUpd1 = 0x70001, kDbUpd2 = 0x70002, kDbUpd3 = 0x70003;
constexpr LPARAM kNoData = 0x40000;
constexpr LPARAM kAListen0 = 0xC0000, kAListen1 = 0xC0001;

const RefusalRule kRefusalRules[] = {
    {LIVE_NACK, "LiveNack", {{1, kLiveRec0}}},
    {LIVE_STOP_NACK, "LiveStopNack", {{1, kLiveRec0}}},
    {REC_ON_NACK, "RecOnNack", {{1, kLiveRec0}, {65, kLiveRec1}, {66, kLiveRec2}}},
    {REC_OFF_NACK, "RecOffNack", {{1, kLiveRec0}, {65, kLiveRec1}, {66, kLiveRec2}}},
    {PLAY_ON_NACK, "PlayOnNack", {{1, kNack0}, {53, kNack4}, {83, kNoData}, {98, kNack6}}},
    {PLAY_OFF_NACK, "PlayOffNack", {{1, kNack0}, {2, kNack1}}},
    {TRANS_ON_NACK,
     "TransOnNack",
     {{1, kNack0}, {53, kNack4}, {83, kNoData}, {86, kNack3}, {87, kNack5}, {98, kNack6}}},
    {TRANS_OFF_NACK, "TransOffNack", {{1, kNack0}, {2, kNack1}}},
    {DB48_INFO_NACK, "DBInfoNack", {{1, kNack0}, {2, kNack1}, {83, kNoData}, {86, kNack3}}},
    {DB_UPDATE_NACK, "DBUpdateNack", {{1, kDbUpd0}, {51, kDbUpd2}, {81, kDbUpd1}, {97, kDbUpd3}}},
    {PLAY_INFO_MONTH_NACK, "PlayInfoMonthNack", {{1, kNack0}, {53, kNack4}, {86, kNack3}, {98, kNack6}}},
    {PLAY_INFO_DAY_NACK, "PlayInfoDayNack", {{1, kNack0}, {53, kNack4}, {83, kNoData}, {98, kNack6}}},
    {PLAY_ON_FAIL, "PlayOnFail", {{1, kNack0}, {53, kNack4}, {83, kNoData}, {86, kNack3}, {98, kNack6}}},
    {A_LISTEN_NACK,
     "AListenNack",
     {{1, kNack0}, {2, kNack1}, {53, kNack4}, {54, kAListen0}, {55, kAListen1}, {98, kNack6}}},
    {TRANS_INFO_MONTH_NACK, "TransInfoMonthNack", {{1, kNack0}, {53, kNack4}, {86, kNack3}, {98, kNack6}}},
    {TRANS_INFO_DAY_NACK,
     "TransInfoDayNack",
     {{1, kNack0}, {53, kNack4}, {83, kNoData}, {86, kNack3}, {98, kNack6}}},
    {TRANS_ON_FAIL, "TransOnFail", {{1, kNack0}, {53, kNack4}, {83, kNoData}, {86, kNack3}, {98, kNack6}}},
    {LOG_INFO_NACK, "Log48InfoNack", {{1, kNack0}, {83, kNoData}, {86, kNack3}}},
    {SYSTEM_INFO_NACK, "System48InfoNack", {{1, kNack0}, {83, kNoData}, {86, kNack3}}},
    {STATUS_INFO_NACK, "StatusInfoNack", {{1, kNack0}, {83, kNoData}, {86, kNack3}}},
    {EVENT_INFO_NACK, "EventInfoNack", {{1, kNack0}, {53, kNack4}, {83, kNoData}, {98, kNack6}}},
    {DB_INIT_NACK, "DBInitNack", {{1, kNack0}, {2, kNack1}, {97, kNack7}, {98, kNack6}}},
    {SEND_TEST_MAIL_NACK, "SendTestMailNack", {{1, kNack0}}},
    {REBOOT_NACK, "RebootNack", {{1, kNack0}, {2, kNack1}}},
    {POWEROFF_NACK, "PowerOffNack", {{1, kNack0}, {2, kNack1}}},
};

const RefusalRule* FindRefusalRule(std::uint16_t id)
{
    for (const RefusalRule& r : kRefusalRules) {
        if (r.id == id)
            return &r;
    }
    return nullptr;
}

// -1 when the handler does not know the reason.
LPARAM RefusalNotification(const RefusalRule& rule, int reason)
{
    for (const ReasonMap& m : rule.map) {
        if (m.reason == 0)
            break;
        if (m.reason == reason)
            return m.lParam;
    }
    return -1;
}

void JoinThread(std::thread& t)
{
    if (!t.joinable())
        return;
    if (t.get_id() == std::this_thread::get_id())
        t.detach(); // cannot happen by design; never wait for oneself
    else
        t.join();
}

} // namespace

// ---------------------------------------------------------------------------
// Life cycle

std::shared_ptr<CNetClient> CNetClient::Create(NetHost& host, const NetTimings& timings)
{
    std::shared_ptr<CNetClient> client(new CNetClient(host, timings));
    host.SetButtonState(kButtonConnect, kButtonSelected);
    return client;
}

CNetClient::CNetClient(NetHost& host, const NetTimings& timings)
    : m_host(host), m_timings(timings), m_nSession(g_nextSession.fetch_add(1)),
      m_socket(std::make_shared<TcpSocket>())
{
    std::memset(&m_netliveChChange, 1, sizeof m_netliveChChange);
    std::memset(&m_camInfo, 1, sizeof m_camInfo);
    m_payload.reserve(65536);
}

CNetClient::~CNetClient()
{
    // DestroyWindow normally ran; whatever happened, no thread outlives us.
    {
        std::lock_guard<std::mutex> lock(m_threadLock);
        m_bClosing = true;
    }
    {
        std::lock_guard<std::mutex> lock(m_aliveLock);
        m_bStopAlive = true;
    }
    m_aliveWake.notify_all();
    m_bStopRecv = true;
    m_socket->Close();
    m_playCommands.Stop();
    JoinThread(m_aliveThread);
    JoinThread(m_recvThread);
    JoinThread(m_connectThread);
    for (auto& w : m_workers) {
        if (w)
            w->Stop();
    }
}

void CNetClient::SetConnectInfo(const std::string& address, int port, const std::string& userId,
                                const std::string& password, const std::string& description)
{
    m_szAddress = Cut(address, kAddressLimit);
    m_nPort = port;
    m_szUserID = Cut(userId, kUserIdLimit);
    m_szDescription = Cut(description, kDescriptionLimit);
    // Kept lower-cased from the start, as the rights table's row replaces it
    // later: the prompts then see one form of the password all session long.
    std::lock_guard<std::mutex> lock(m_passwordLock);
    m_szPassword = Lower(Cut(password, kPasswordLimit));
}

std::string CNetClient::Password() const
{
    std::lock_guard<std::mutex> lock(m_passwordLock);
    return m_szPassword;
}

bool CNetClient::Connect()
{
    std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_bClosing || m_connectThread.joinable() || m_recvThread.joinable())
        return false;
    m_connectThread = std::thread([this] { ConnectToServer(); });
    return true;
}

bool CNetClient::AttachSocketForTesting(std::unique_ptr<TcpSocket> socket)
{
    std::lock_guard<std::mutex> lock(m_threadLock);
    if (!socket || m_bClosing || m_connectThread.joinable() || m_recvThread.joinable())
        return false;
    m_socket = std::shared_ptr<TcpSocket>(std::move(socket));
    m_bStopRecv = false;
    return true;
}

void CNetClient::ConnectToServer()
{
    const std::string address = AddressForConnect(m_szAddress);
    // An address that normalises to nothing names no host at all.
    int error = address.empty() ? WSAEADDRNOTAVAIL
                                : m_socket->Connect(address, static_cast<std::uint16_t>(m_nPort),
                                                    m_timings.connectTimeout);
    // A name that resolves to nothing is reported like an address that
    // cannot be used.
    if (error == WSAHOST_NOT_FOUND)
        error = WSAEADDRNOTAVAIL;
    if (error != 0) {
        {
            std::lock_guard<std::mutex> lock(m_threadLock);
            if (m_bClosing)
                return; // the main window's own disconnect ended the attempt
        }
        TRACE("Connect failed: %d\n", error);
        // The main window disconnects on its own thread; this thread only
        // reports and ends.
        m_host.RequestDisconnect(m_nSession);
        PostNotify(ConnectFailure(error));
        m_socket->Close();
        m_host.WriteConnectLog(kLogTypeConnection, kLogConnectFailed, Lower(m_szUserID), address);
        return;
    }
    m_socket->SetKeepAlive(std::chrono::seconds(3), std::chrono::seconds(2));
    StartSession();
}

bool CNetClient::StartSession()
{
    std::uint8_t hello[32] = {};
    const std::string user = Lower(m_szUserID);
    const std::string password = Lower(Password());
    std::memcpy(hello, user.data(), std::min<std::size_t>(user.size(), 15));
    std::memcpy(hello + 16, password.data(), std::min<std::size_t>(password.size(), 15));
    {
        std::lock_guard<std::mutex> lock(m_threadLock);
        if (m_bClosing)
            return false;
        m_bStopRecv = false;
        // The timer starts before HELLO goes out, so that the answer's kill
        // can never overtake it.
        m_host.StartHelloTimer(m_timings.helloTimeout);
        m_recvThread = std::thread([this] { Thread_Connecting(); });
    }
    TRACE("Send... HELLO...\n");
    Send(HELLO, hello, sizeof hello);
    return true;
}

void CNetClient::DestroyWindow()
{
    {
        std::lock_guard<std::mutex> lock(m_threadLock);
        if (m_bDestroyed)
            return;
        m_bDestroyed = true;
        m_bClosing = true; // from here on no thread is started
    }
    m_host.SetButtonState(kButtonConnect, kButtonNormal);

    if (m_bLive) {
        SendLiveStop();
    } else if (m_bPlay) {
        SendRPlayStop();
    } else if (m_bTrans) {
        SendTransOffReq();
        m_host.DestroyTransferBar();
        m_hTransferBarDlg = WndHandle();
    } else if (m_bAListen) {
        SendAListenStop();
    }

    m_playCommands.Stop();
    PostTo(m_host.PasswordPrompt(), WM_CLOSE);
    if (auto frame = SearchFrame()) {
        if (m_bArchiveSupport)
            PostTo(frame->ArchivePasswordPrompt(), WM_CLOSE);
        PostTo(frame->Frame(), WM_CLOSE);
    }
    PostTo(m_hSetupDlg.load(), WM_CLOSE);
    if (VideoGridSink* grid = m_host.VideoGrid())
        grid->LeaveFullScreen();

    m_bDbBusy = false;
    m_bLiveReqPending = false;
    m_bPlayReqPending = false;
    std::thread alive;
    {
        std::lock_guard<std::mutex> lock(m_threadLock);
        alive = std::move(m_aliveThread);
    }
    {
        std::lock_guard<std::mutex> lock(m_aliveLock);
        m_bStopAlive = true;
    }
    m_aliveWake.notify_all();
    JoinThread(alive);

    TRACE("Send... BYE48...\n");
    Send(BYE48);

    std::thread recv;
    std::thread connect;
    {
        std::lock_guard<std::mutex> lock(m_threadLock);
        recv = std::move(m_recvThread);
        connect = std::move(m_connectThread);
    }
    m_bStopRecv = true;
    m_socket->Wake();
    JoinThread(recv);
    // Closing also ends a connect still under way.
    m_socket->Close();
    JoinThread(connect);
    // After the connect thread has ended, so that its timer start (if any)
    // comes before this kill.
    m_host.KillHelloTimer();
    StopAllWorkers();

    PostTo(m_hFirmwareDlg.load(), WM_CLOSE);
    PostTo(m_ptz.m_hPtzPresetDlg.load(), WM_CLOSE);
    PostTo(m_ptz.m_hPtzMenuDlg.load(), WM_CLOSE);
    PostTo(m_ptz.m_hPtzControlDlg.load(), WM_CLOSE);
    m_searchKeep.Clear();

    if (m_bLogin)
        m_host.WriteConnectLog(kLogTypeConnection, kLogDisconnected, m_szUserID, m_szAddress);
    m_bLogin = false;
}

// ---------------------------------------------------------------------------
// Sending

bool CNetClient::Send(std::uint16_t id, const void* payload, std::size_t length, std::uint8_t sub)
{
    if (length > 0xFFFF)
        return false;
    std::shared_ptr<TcpSocket> socket = m_socket;
    const WireHeader header = WireHeader::Make(id, static_cast<std::uint16_t>(length), sub);
    return SendPacket(*socket, header, payload, length);
}

bool CNetClient::SendRecOnReq()
{
    TRACE("Send... REC_ON_REQ...\n");
    return Send(REC_ON_REQ);
}

bool CNetClient::SendRecOffReq()
{
    TRACE("Send... REC_OFF_REQ...\n");
    return Send(REC_OFF_REQ);
}

bool CNetClient::SendRebootReq()
{
    TRACE("Send... REBOOT_REQ...\n");
    return Send(REBOOT_REQ);
}

bool CNetClient::SendPowerOffReq()
{
    TRACE("Send... POWEROFF_REQ...\n");
    return Send(POWEROFF_REQ);
}

bool CNetClient::SendAListenReq()
{
    if (!m_host.HasSoundDevice())
        return false;
    TRACE("Send... A_LISTEN_REQ...\n");
    return Send(A_LISTEN_REQ);
}

void CNetClient::SendAListenStop()
{
    // The recorder has no message to end listening; nothing goes out.
}

bool CNetClient::SendDvrTimeReq()
{
    TRACE("Send... DVR_TIME_REQ...\n");
    return Send(DVR_TIME_REQ);
}

bool CNetClient::SendLiveReqMask(std::uint32_t mask)
{
    std::uint8_t payload[4];
    WriteBE32(payload, mask & 0xFFFF);
    TRACE("Send... LIVE_REQ 0x%x...\n", mask & 0xFFFF);
    return Send(LIVE_REQ, payload, sizeof payload);
}

bool CNetClient::SendPlayViewCh(std::uint32_t mask)
{
    std::uint8_t payload[4];
    WriteBE32(payload, mask);
    TRACE("Send... PLAY_VIEW_CH 0x%x...\n", mask);
    return Send(PLAY_VIEW_CH, payload, sizeof payload);
}

void CNetClient::SendLiveStop()
{
    m_nLiveSeq = 0;
    {
        // Under the slot lock: see StartAudioPlayer.
        std::lock_guard<std::mutex> lock(m_slotLock);
        m_bLive = false;
    }
    TRACE("Send... LIVE_STOP...\n");
    Send(LIVE_STOP);
    DrainAndStopAudioPlayer();
    PostTo(m_ptz.m_hPtzPresetDlg.load(), WM_CLOSE);
    PostTo(m_ptz.m_hPtzMenuDlg.load(), WM_CLOSE);
    // The direction panel closes the way its button closes it, so that a
    // pending Learn-mode Set is completed and Pan and Zoom go dark.
    if (m_ptz.m_hPtzControlDlg.load())
        m_host.ClosePtzPanel(m_ptz.m_nPanelMode.load());
    StopDecodeWorkers();
    m_nLiveMask = 0;
    m_bAudioReset = false;
    m_host.OnLiveStopped();
}

bool CNetClient::SendRPlayStop()
{
    {
        // Under the slot lock: see StartAudioPlayer.
        std::lock_guard<std::mutex> lock(m_slotLock);
        if (!m_bPlay.exchange(false))
            return false;
    }
    // Waiting commands are dropped; one that is going out ends before the stop.
    m_playCommands.Cancel();
    TRACE("Send... RPLAY_STOP...\n");
    Send(RPLAY_STOP);
    DrainAndStopAudioPlayer();
    ResetPlaySeq(m_arrPlaySeq);
    StopDecodeWorkers();
    m_bAudioReset = false;
    m_host.OnRemotePlayStopped();
    return true;
}

void CNetClient::SendTransOffReq()
{
    TRACE("Send... TRANS_OFF_REQ...\n");
    Send(TRANS_OFF_REQ);
    // Cleared before the writer ends: its own end notice must never reach the
    // main window while the transfer still counts as running.
    m_bTrans = false;
    if (auto writer = TakeWorker(kSlotBackupWriter))
        writer->Stop(); // drains its queue, closes the file set
    PostTo(m_host.MainWindow(), WM_TRANSFER_END);
}

void CNetClient::StartAudioPlayer(bool live)
{
    m_host.SetAudioChannel(-1);
    m_nAudioChannelShown = -1;
    m_nSoloChannel = 0;
    StopAudioPlayer();
    if (!m_host.HasSoundDevice())
        return;
    std::unique_ptr<NetWorker> player = m_host.CreateAudioPlayer(live);
    std::unique_ptr<NetWorker> spare;
    {
        // A stop clears its stream's flag under this lock before it empties
        // the slot: a player made for a stream that has stopped meanwhile is
        // never installed, so none idles in the slot until the disconnect.
        std::lock_guard<std::mutex> lock(m_slotLock);
        if (live ? m_bLive.load() : m_bPlay.load())
            spare = std::exchange(m_workers[kSlotAudioPlayer], std::move(player));
        else
            spare = std::move(player);
    }
    if (spare)
        spare->Stop();
}

void CNetClient::StopAudioPlayer()
{
    if (auto player = TakeWorker(kSlotAudioPlayer))
        player->Stop();
}

// ---------------------------------------------------------------------------
// PTZ

bool CNetClient::SendPtzMessage(std::uint16_t id, const void* payload, std::size_t length)
{
    return Send(id, payload, length);
}

int CNetClient::HelloAccount() const
{
    return Hello().account;
}

std::uint32_t CNetClient::VideoLossMask() const
{
    return m_nLiveMask.load();
}

// ---------------------------------------------------------------------------
// Slots and records

void CNetClient::SetSearchFrame(std::shared_ptr<SearchFrameLink> frame)
{
    std::lock_guard<std::mutex> lock(m_slotLock);
    m_searchFrame = std::move(frame);
    ++m_nSearchFrameGen;
}

std::shared_ptr<SearchFrameLink> CNetClient::SearchFrame() const
{
    std::lock_guard<std::mutex> lock(m_slotLock);
    return m_searchFrame;
}

void CNetClient::SetWorker(int slot, std::unique_ptr<NetWorker> worker)
{
    if (slot < 0 || slot >= static_cast<int>(m_workers.size()))
        return;
    std::unique_ptr<NetWorker> old;
    {
        std::lock_guard<std::mutex> lock(m_slotLock);
        old = std::exchange(m_workers[slot], std::move(worker));
    }
    if (old)
        old->Stop();
}

bool CNetClient::HasWorker(int slot) const
{
    if (slot < 0 || slot >= static_cast<int>(m_workers.size()))
        return false;
    std::lock_guard<std::mutex> lock(m_slotLock);
    return m_workers[slot] != nullptr;
}

std::unique_ptr<NetWorker> CNetClient::TakeWorker(int slot)
{
    std::lock_guard<std::mutex> lock(m_slotLock);
    return std::move(m_workers[slot]);
}

void CNetClient::StopAllWorkers()
{
    for (int slot = 0; slot < static_cast<int>(m_workers.size()); ++slot) {
        if (auto w = TakeWorker(slot))
            w->Stop();
    }
}

HelloRecord CNetClient::Hello() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_hello;
}

int CNetClient::ChannelCount() const
{
    const int n = Hello().channel_num;
    return n == 4 || n == 8 || n == 16 ? n : 16;
}

RightChange CNetClient::Rights() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_rightChange;
}

DbChange CNetClient::DbChangeRecord() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_dbChange;
}

NetliveChChange CNetClient::NetliveRecord() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_netliveChChange;
}

CamInfoChange CNetClient::CamInfo() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_camInfo;
}

SysEtcInfo CNetClient::SysEtcInfoRecord() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_sysEtcInfo;
}

SysEtcInfoEx CNetClient::SysEtcInfoExRecord() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_sysEtcInfoEx;
}

DstInfo CNetClient::DstInfoRecord() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_dstInfo;
}

std::string CNetClient::CameraName(int channel) const
{
    if (channel < 0 || channel >= 16)
        return std::string();
    std::lock_guard<std::mutex> lock(m_recordLock);
    return std::string(m_szCameraName[channel].data());
}

std::string CNetClient::ArchivePassword() const
{
    std::lock_guard<std::mutex> lock(m_recordLock);
    return std::string(m_szArchivePass.data());
}

bool CNetClient::HasRight(int k) const
{
    if (k < 0 || k > 7 || !m_bUserMatched)
        return false;
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_rightChange.right[k][m_nUserIndex.load()] == 1;
}

int CNetClient::BlockedState(int channel) const
{
    if (channel < 0 || channel >= 16)
        return 0;
    std::lock_guard<std::mutex> lock(m_recordLock);
    return m_arrBlockedState[channel];
}

void CNetClient::ResetHiddenCopyForTesting()
{
    std::lock_guard<std::mutex> lock(g_hiddenLock);
    g_hiddenCopy.fill(0);
}

void CNetClient::PostNotify(LPARAM lParam, WndHandle owner)
{
    m_host.PostNotify(lParam, owner);
}

void CNetClient::PostTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (target)
        m_host.PostMessageTo(target, msg, wParam, lParam);
}

void CNetClient::ShowRecording(bool on)
{
    m_bRecord = on;
    m_host.SetButtonState(kButtonRecord, on ? kButtonSelected : kButtonNormal);
}

bool CNetClient::ComputeBlocked(int channel, int user, const DbChange& db, const NetliveChChange& live,
                                const RightChange& rights) const
{
    const bool liveDenied = live.allowed[user][channel] == 0;
    const bool seesHidden = m_bUserMatched && rights.right[RIGHT_HIDDEN_CAMERA][user] != 0;
    if (seesHidden)
        return liveDenied;
    return db.hidden[channel] == 1 || liveDenied;
}

// ---------------------------------------------------------------------------
// The receive loop

void CNetClient::Thread_Connecting()
{
    TcpSocket& socket = *m_socket;
    while (!m_bStopRecv) {
        std::uint8_t raw[kWireHeaderSize];
        // A quiet recorder is no error: wait for the first byte without the
        // receive limit, then read the rest of the header within it.
        const RecvResult r = socket.RecvExact(raw, 1, &m_bStopRecv, m_timings.idleWait);
        if (r == RecvResult::TimedOut)
            continue;
        if (r != RecvResult::Ok)
            break;
        if (!LoopReceive(socket, raw + 1, kWireHeaderSize - 1, &m_bStopRecv, m_timings.receiveLimit))
            break;
        if (!DispatchMessage(DecodeHeader(raw)))
            break;
    }
    socket.Close();
    m_bStopRecv = true;
    m_bAudio = false;
    m_host.SetButtonState(kButtonAudio, kButtonNormal);
    PostNotify(NetNotify::Param(NetNotify::DISCONNECTED, 0));
}

const std::array<CNetClient::Handler, 512>& CNetClient::HandlerTable()
{
    static const std::array<Handler, 512> table = [] {
        std::array<Handler, 512> t{};
        for (const RefusalRule& r : kRefusalRules)
            t[r.id] = &CNetClient::RecvFn_Refusal;
        for (std::uint16_t id : {LIVE_STOP_ACK, PLAY_OFF_ACK, TRANS_OFF_ACK, DB_INIT_ACK, A_LISTEN_STOP_ACK,
                                 REBOOT_ACK, POWEROFF_ACK, SEND_TEST_MAIL_ACK})
            t[id] = &CNetClient::RecvFn_Nothing;
        for (std::uint16_t id : {FW_UPDATE_ACK, FW_UPDATE_NACK, FW_DATA_RX_DONE, FW_DATA_RX_FAIL,
                                 FW_UPDATE_DONE, FW_UPDATE_FAIL})
            t[id] = &CNetClient::RecvFn_FwAnswer;
        t[BYE48] = &CNetClient::RecvFn_Bye48;
        t[HELLO48_ACK] = &CNetClient::RecvFn_Hello48Ack;
        t[REC_ON_ACK] = &CNetClient::RecvFn_RecOnAck;
        t[REC_OFF_ACK] = &CNetClient::RecvFn_RecOffAck;
        t[REC_STATUS] = &CNetClient::RecvFn_RecStatus;
        t[MSG_257] = &CNetClient::RecvFn_Msg257;
        t[DB_CHANGE] = &CNetClient::RecvFn_DBChange;
        t[RIGHT_CHANGE] = &CNetClient::RecvFn_RightChange;
        t[NETLIVE_CH_CHANGE] = &CNetClient::RecvFn_NetliveChChange;
        t[SYS_ETC_INFO] = &CNetClient::RecvFn_SysEtcInfo;
        t[SYS_ETC_INFO_EX] = &CNetClient::RecvFn_SysEtcInfoEx;
        t[DST_INFO] = &CNetClient::RecvFn_DstInfo;
        t[DVR_TIME_ACK] = &CNetClient::RecvFn_DvrTimeAck;
        t[CAM_INFO_CHANGE] = &CNetClient::RecvFn_CamInfoChange;
        t[A_LISTEN_ACK] = &CNetClient::RecvFn_AListenAck;
        t[DB_UPDATE_ACK] = &CNetClient::RecvFn_DBUpdateAck;
        t[DB_INFO_ACK] = &CNetClient::RecvFn_DBInfoAck;
        t[LIVE_CHANNEL_INFO] = &CNetClient::RecvFn_LiveChannelInfo;
        t[LIVE_DATA] = &CNetClient::RecvFn_LiveData;
        t[PLAY_ON_ACK] = &CNetClient::RecvFn_PlayOnAck;
        t[PLAY_CHANNEL_INFO] = &CNetClient::RecvFn_PlayChannelInfo;
        t[PLAY_ON_DATA] = &CNetClient::RecvFn_PlayOnData;
        t[PLAY_MSG_63] = &CNetClient::RecvFn_Msg63;
        t[PLAY_ON_DONE] = &CNetClient::RecvFn_PlayOnDone;
        t[PTZ_CHANNEL_ACK] = &CNetClient::RecvFn_PtzChannelAck;
        for (std::uint16_t id : {PLAY_INFO_MONTH_ACK, TRANS_INFO_MONTH_ACK, PLAY_INFO_DAY_ACK, TRANS_INFO_DAY_ACK,
                                 EVENT_INFO_ACK, LOG_INFO_ACK, SYSTEM_INFO_ACK, STATUS_INFO_ACK})
            t[id] = &CNetClient::RecvFn_SearchAnswer;
        t[TRANS_ON_ACK] = &CNetClient::RecvFn_TransOnAck;
        t[TRANS_ON_DATA] = &CNetClient::RecvFn_TransOnData;
        t[TRANS_ON_DONE] = &CNetClient::RecvFn_TransOnDone;
        return t;
    }();
    return table;
}

bool CNetClient::DispatchMessage(const WireHeader& header)
{
    m_nPayloadLeft = header.length();
    NoteAudioBit(header);
    bool ok = true;
    if (const Handler fn = HandlerTable()[header.cmd()]) {
        ok = (this->*fn)(header);
    } else if (header.cmd() != ALIVE_REQ) {
        TRACE("Unknown message...0x%x\n", header.code());
    }
    // Whatever the handler left unread is drained, so the stream stays in step.
    if (ok && m_nPayloadLeft > 0)
        ok = DiscardBytes(*m_socket, m_nPayloadLeft, &m_bStopRecv, m_timings.receiveLimit);
    m_nPayloadLeft = 0;
    return ok;
}

void CNetClient::NoteAudioBit(const WireHeader& header)
{
    const bool audio = (header.sub() & kSubAudio) != 0;
    if (audio == m_bAudioBit || !(m_bLive || m_bPlay))
        return;
    m_bAudioBit = audio;
    if (audio) {
        StartAudioPlayer(m_bLive);
        m_bAudio = true;
        m_host.SetButtonState(kButtonAudio, kButtonSelected);
    } else {
        StopAudioPlayer();
        m_nSoloChannel = 0;
        m_bAudio = false;
        m_host.SetButtonState(kButtonAudio, kButtonNormal);
    }
}

bool CNetClient::ReadPayload(std::vector<std::uint8_t>& out)
{
    out.resize(m_nPayloadLeft);
    if (m_nPayloadLeft > 0 &&
        !LoopReceive(*m_socket, out.data(), m_nPayloadLeft, &m_bStopRecv, m_timings.receiveLimit))
        return false;
    m_nPayloadLeft = 0;
    return true;
}

bool CNetClient::ReadReason(int& reason, std::uint8_t* extra)
{
    if (!ReadPayload(m_payload)) {
        reason = kReplyRecvFailed;
        return false;
    }
    reason = ReasonFromPayload(m_payload.data(), m_payload.size());
    if (extra != nullptr && m_payload.size() == 12)
        std::memcpy(extra, m_payload.data() + 4, 8);
    return true;
}

// ---------------------------------------------------------------------------
// Handlers

bool CNetClient::RecvFn_Nothing(const WireHeader& h)
{
    TRACE("Recv...0x%x...\n", h.code());
    (void)h;
    return true;
}

bool CNetClient::RecvFn_Bye48(const WireHeader&)
{
    TRACE("Recv...BYE48...\n");
    m_bLogin = false;
    int reason = 0;
    if (!ReadReason(reason))
        return false;
    TRACE("RecvFn_Bye48... %d\n", reason);
    static constexpr struct
    {
        int reason;
        int sub;
    } kByeReasons[] = {{1, 0}, {2, 1}, {3, 2}, {33, 3}, {34, 4}, {35, 5}, {36, 6}, {-2, 7}};
    if (reason == 37) {
        PostNotify(NetNotify::Param(NetNotify::NO_PERMISSION, 0));
    } else {
        for (const auto& r : kByeReasons) {
            if (r.reason == reason) {
                PostNotify(NetNotify::Param(NetNotify::BYE, r.sub));
                break;
            }
        }
    }
    m_host.WriteConnectLog(kLogTypeConnection, kLogConnectFailed, m_szUserID, m_szAddress);
    m_host.KillHelloTimer();
    return true;
}

bool CNetClient::RecvFn_Hello48Ack(const WireHeader&)
{
    TRACE("Recv...HELLO48_ACK...\n");
    m_bLogin = true;
    if (!ReadPayload(m_payload))
        return false;
    HelloRecord hello;
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        if (m_payload.size() == kHelloSize) {
            std::memcpy(&m_hello, m_payload.data(), kHelloSize);
            for (int i = 0; i < 20; ++i)
                m_hello.FirmVer[i] = ReadBE32(m_payload.data() + offsetof(HelloRecord, FirmVer) + 4 * i);
            // The component list is rebuilt in the order the firmware pages
            // expect; the other slots are cleared.
            HelloRecord received = m_hello;
            std::memset(m_hello.FirmName, 0, sizeof m_hello.FirmName);
            std::memset(m_hello.FirmVer, 0, sizeof m_hello.FirmVer);
            static constexpr int kOrder[][2] = {{0, 0}, {3, 2}, {4, 5}, {5, 3}, {6, 4}};
            for (const auto& o : kOrder) {
                std::memcpy(m_hello.FirmName[o[0]], received.FirmName[o[1]], 32);
                m_hello.FirmVer[o[0]] = received.FirmVer[o[1]];
            }
        } else {
            TRACE("hello size : %d, Payload size : %d\n", int(kHelloSize), int(m_payload.size()));
        }
        hello = m_hello;
    }
    m_host.KillHelloTimer();

    const int product = hello.product_number;
    const int kind = product == 2 || product == 3 ? 2 : product == 4 ? 3 : 1;
    m_nModelKind = kind;
    if (kind != 3) {
        m_host.ShowPlainMessage("Not MIRA3100 !");
        PostNotify(NetNotify::Param(NetNotify::DISCONNECTED, 0));
        return true;
    }
    m_bServedModel = (hello.hello_flags2 & 0x04) != 0;
    if (!m_bServedModel) {
        m_host.ShowPlainMessage("Not KOLA5500 !");
        PostNotify(NetNotify::Param(NetNotify::DISCONNECTED, 0));
        return true;
    }
    if (hello.channel_num != 4 && hello.channel_num != 8 && hello.channel_num != 16) {
        std::lock_guard<std::mutex> lock(m_recordLock);
        m_hello.channel_num = 16;
        hello.channel_num = 16;
    }

    // Every flag is in place before anyone hears of the accepted session.
    const int major = hello.product_major_ver;
    const int minor = hello.product_minor_ver;
    m_bProductVer11 = major > 1 || (major == 1 && minor > 0);
    m_bProductVer12 = major > 1 || (major == 1 && minor > 1);
    m_bArchiveSupport = (hello.hello_flags & 0x01) != 0;
    m_bHelloFlag1 = (hello.hello_flags & 0x02) != 0;
    m_bSubProduct6 = hello.sub_product_num_major == 6;
    m_nHelloFlag2 = (hello.hello_flags & 0x04) != 0 && !m_bSubProduct6;
    m_bHelloFlag3 = (hello.hello_flags & 0x08) != 0;
    m_bSubProduct52 = hello.sub_product_num_major == 5 && hello.sub_product_num_minor == 2;
    m_bSubProductOther = hello.sub_product_num_major != 5 && !m_bSubProduct6;
    m_bHelloFlag2Bit0 = (hello.hello_flags2 & 0x01) != 0;
    m_bHelloFlag2Bit1 = (hello.hello_flags2 & 0x02) != 0;
    m_bHelloFlag6 = (hello.hello_flags & 0x40) != 0;

    m_host.SetButtonState(kButtonLive, kButtonNormal);
    if (!m_host.IsLocalPlaybackRunning())
        m_host.RequestLiveStart();
    m_host.WriteConnectLog(kLogTypeConnection, kLogConnected, m_szUserID, m_szAddress);

    std::lock_guard<std::mutex> lock(m_threadLock);
    if (!m_bClosing && m_timings.keepAliveThread && !m_aliveThread.joinable()) {
        m_bStopAlive = false;
        m_aliveThread = std::thread([this] { Thread_Alive(); });
    }
    return true;
}

void CNetClient::Thread_Alive()
{
    std::unique_lock<std::mutex> lock(m_aliveLock);
    while (!m_bStopAlive) {
        lock.unlock();
        EndFailedTransfer();
        TRACE("Send... ALIVE_REQ...\n");
        Send(ALIVE_REQ);
        lock.lock();
        m_aliveWake.wait_for(lock, m_timings.keepAlive, [this] { return m_bStopAlive.load(); });
    }
}

bool CNetClient::RecvFn_Refusal(const WireHeader& h)
{
    const RefusalRule* rule = FindRefusalRule(h.cmd());
    std::uint8_t extra[8] = {};
    int reason = 0;
    if (rule == nullptr || !ReadReason(reason, extra))
        return rule == nullptr;
    TRACE("RecvFn_%s... %d\n", rule->name, reason);
    const LPARAM notification = RefusalNotification(*rule, reason);
    const std::shared_ptr<SearchFrameLink> frame = SearchFrame();

    // What happens before the box is asked for.
    switch (h.cmd()) {
    case PLAY_ON_NACK:
        m_bPlayReqPending = false;
        break;
    case PLAY_ON_FAIL:
        SendRPlayStop();
        break;
    case TRANS_ON_FAIL:
        SendTransOffReq();
        break;
    case TRANS_ON_NACK:
        // Only the 12-byte form carries the two sizes; the 4-byte one leaves
        // the stored pair alone. Stored before the box is asked for, which
        // reads them on the GUI thread.
        if (reason == 87 && m_payload.size() == 12) {
            m_nTransNackInfo[0] = static_cast<std::int32_t>(ReadBE32(extra));
            m_nTransNackInfo[1] = static_cast<std::int32_t>(ReadBE32(extra + 4));
        }
        break;
    case A_LISTEN_NACK:
        if (reason == 2 || reason == 53 || reason == 55 || reason == 98) {
            PostTo(m_host.MainWindow(), WM_ALISTEN_NACK);
            std::this_thread::yield();
        }
        break;
    case PLAY_INFO_MONTH_NACK:
    case TRANS_INFO_MONTH_NACK:
        // No recordings in that month is an empty answer, not a refusal: the
        // calendar opens on no records rather than on an older answer's.
        if (reason == 83 && frame) {
            auto empty = std::make_unique<SearchAnswer>();
            empty->kind = h.cmd() == PLAY_INFO_MONTH_NACK ? SearchAnswerKind::PlayMonth : SearchAnswerKind::TransMonth;
            frame->DeliverAnswer(std::move(empty));
        }
        break;
    default:
        break;
    }

    if (notification >= 0) {
        // The event list's box belongs over the search frame.
        const WndHandle owner = h.cmd() == EVENT_INFO_NACK && frame ? frame->Frame() : WndHandle();
        PostNotify(notification, owner);
    }

    switch (h.cmd()) {
    case LIVE_NACK:
        m_bLogin = false;
        StopAudioPlayer();
        break;
    case PLAY_ON_NACK:
        if (m_bPlay) {
            StopAudioPlayer();
            SendRPlayStop();
        }
        if (frame)
            frame->ClearRequestPending();
        break;
    case PLAY_ON_FAIL:
        StopAudioPlayer();
        m_host.RequestLiveStart();
        break;
    case TRANS_ON_NACK:
        if (frame)
            frame->ClearRequestPending();
        break;
    case DB48_INFO_NACK:
    case DB_UPDATE_NACK: {
        std::lock_guard<std::mutex> lock(m_dbLock);
        m_db.Abort();
        m_bDbBusy = false;
        break;
    }
    case PLAY_INFO_MONTH_NACK:
    case TRANS_INFO_MONTH_NACK:
    case PLAY_INFO_DAY_NACK:
    case TRANS_INFO_DAY_NACK:
        if (frame)
            frame->ClearRequestPending();
        break;
    case EVENT_INFO_NACK:
        if (frame) {
            frame->ClearRequestPending();
            frame->ClearDayRecords();
            PostTo(frame->Frame(), WM_EVENT_INFO_ACK);
        }
        break;
    case LOG_INFO_NACK:
    case SYSTEM_INFO_NACK:
    case STATUS_INFO_NACK:
        // The window stays open with its pages; the operator may try again.
        if (frame)
            frame->ClearRequestPending();
        break;
    default:
        break;
    }
    return true;
}

bool CNetClient::RecvFn_FwAnswer(const WireHeader& h)
{
    UINT msg = 0;
    bool hasReason = false;
    switch (h.cmd()) {
    case FW_UPDATE_ACK:
        msg = WM_FW_UPDATE_ACK;
        break;
    case FW_UPDATE_NACK:
        msg = WM_FW_UPDATE_NACK;
        hasReason = true;
        break;
    case FW_DATA_RX_DONE:
        msg = WM_FW_DATA_RX_DONE;
        break;
    case FW_DATA_RX_FAIL:
        msg = WM_FW_DATA_RX_FAIL;
        hasReason = true;
        break;
    case FW_UPDATE_DONE:
        msg = WM_FW_UPDATE_DONE;
        break;
    default:
        msg = WM_FW_UPDATE_FAIL;
        hasReason = true;
        break;
    }
    int reason = 0;
    if (hasReason && !ReadReason(reason))
        return false;
    TRACE("Recv...firmware answer 0x%x... %d\n", h.code(), reason);
    PostTo(m_hFirmwareDlg.load(), msg, static_cast<WPARAM>(static_cast<std::uint32_t>(reason)), 0);
    return true;
}

bool CNetClient::RecvFn_RecOnAck(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    const std::uint32_t v = FirstWord(m_payload);
    TRACE("Recv...REC_ON_ACK... %u\n", v);
    ShowRecording(v == 49 || v == 51);
    return true;
}

bool CNetClient::RecvFn_RecOffAck(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    const std::uint32_t v = FirstWord(m_payload);
    TRACE("Recv...REC_OFF_ACK... %u\n", v);
    ShowRecording(!(v == 50 || v == 52));
    return true;
}

bool CNetClient::RecvFn_RecStatus(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    if (m_payload.size() != kRecStatusSize) {
        TRACE("rec ststus size : %d, Payload size : %d\n", int(kRecStatusSize), int(m_payload.size()));
        return true;
    }
    TRACE("rec_status : %u\n", ReadBE32(m_payload.data()));
    ShowRecording(ReadBE32(m_payload.data() + 4) < 6);
    return true;
}

bool CNetClient::RecvFn_Msg257(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    PostTo(m_host.MainWindow(), WM_BRING_TO_FRONT);
    return true;
}

bool CNetClient::RecvFn_DBChange(const WireHeader&)
{
    TRACE("Recv...DB_CHANGE...\n");
    if (!ReadPayload(m_payload))
        return false;
    if (m_payload.size() != sizeof(DbChange)) {
        TRACE("db change size : %d, Payload size : %d\n", int(sizeof(DbChange)), int(m_payload.size()));
        return true;
    }
    DbChange db;
    std::memcpy(&db, m_payload.data(), sizeof db);
    db.head = ReadBE32(m_payload.data());
    const int user = m_nUserIndex;
    RightChange rights;
    NetliveChChange live;
    int n = 0;
    std::array<int, 16> previous{};
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        m_dbChange = db;
        n = std::min<int>(m_hello.channel_num, 16);
        for (int ch = 0; ch < n; ++ch) {
            std::memcpy(m_szCameraName[ch].data(), db.camera_name[ch], 32);
            m_szCameraName[ch][32] = '\0';
        }
        rights = m_rightChange;
        live = m_netliveChChange;
        previous = m_arrBlockedState;
    }

    VideoGridSink* grid = m_host.VideoGrid();
    std::array<int, 16> blocked = previous;
    int changed = 0;
    for (int ch = 0; ch < n; ++ch) {
        blocked[ch] = ComputeBlocked(ch, user, db, live, rights) ? 1 : 0;
        if (grid)
            grid->SetChannelBlocked(ch, blocked[ch] != 0);
        if (blocked[ch] != previous[ch])
            ++changed;
    }
    if (changed > 0 && grid)
        grid->Repaint(true);
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        m_arrBlockedState = blocked;
        m_szArchivePass.fill('\0');
        std::memcpy(m_szArchivePass.data(), db.archive_pass, sizeof db.archive_pass);
    }
    // Through the same record of the shown channel as the audio frames, so
    // that the next frame of another channel moves the mark back.
    if (m_bAudio)
        ShowAudioChannel(db.audio_channel);
    TRACE("archive_pass : %s\n", ArchivePassword().c_str());
    return true;
}

bool CNetClient::RecvFn_RightChange(const WireHeader&)
{
    TRACE("Recv...RIGHT_CHANGE...\n");
    if (!ReadPayload(m_payload))
        return false;
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        std::memset(&m_rightChange, 0, sizeof m_rightChange);
    }
    if (m_payload.size() != sizeof(RightChange)) {
        TRACE("RightChange size : %d, Payload size : %d\n", int(sizeof(RightChange)), int(m_payload.size()));
        return true;
    }
    RightChange rc;
    std::memcpy(&rc, m_payload.data(), sizeof rc);
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        m_rightChange = rc;
    }

    const std::string me = Lower(m_szUserID);
    for (int i = 0; i < 8; ++i) {
        if (Lower(BoundedText(rc.name[i], sizeof rc.name[i])) != me)
            continue;
        if (rc.right[RIGHT_ADMISSION][i] != 0 && rc.level[i] != 0) {
            m_nUserIndex = i;
            m_bUserMatched = true;
            std::lock_guard<std::mutex> lock(m_passwordLock);
            m_szPassword = Lower(BoundedText(rc.password[i], 8));
        } else {
            TRACE("RightChange: user refused\n");
            m_bStopRecv = true;
            PostNotify(NetNotify::Param(NetNotify::NO_PERMISSION, 0));
            return true;
        }
        break;
    }

    // Until a row has matched the user in this session no right is held.
    const int u = m_nUserIndex;
    const bool matched = m_bUserMatched;
    auto right = [&](int k) -> int { return matched ? rc.right[k][u] : 0; };
    const std::shared_ptr<SearchFrameLink> frame = SearchFrame();
    const WndHandle main = m_host.MainWindow();

    if (right(RIGHT_REMOTE_SETUP) == 0)
        PostTo(m_hSetupDlg.load(), WM_CLOSE);

    const int search = right(RIGHT_SEARCH);
    const int backup = right(RIGHT_BACKUP);
    // Without the search right nothing may bring a searched view back.
    if (search == 0)
        m_searchKeep.ClearHandOverAndKept();
    if (search == 0 && backup == 0) {
        if (m_bArchiveSupport) {
            if (frame) {
                PostTo(frame->ArchivePasswordPrompt(), WM_CLOSE);
                PostTo(frame->Frame(), WM_CLOSE);
            }
        } else {
            if (frame)
                PostTo(frame->Frame(), WM_CLOSE);
            PostTo(m_host.PasswordPrompt(), WM_CLOSE);
        }
        if (m_bPlay)
            PostTo(main, WM_STOP_PLAYBACK);
        if (m_bTrans)
            SendTransOffReq();
    } else if (search == 0 && backup == 1) {
        if (m_bPlay)
            PostTo(main, WM_STOP_PLAYBACK);
        if (frame) {
            if (m_bArchiveSupport)
                PostTo(frame->ArchivePasswordPrompt(), WM_CLOSE);
            PostTo(frame->Frame(), WM_RIGHT_CHANGE, 1);
        }
    } else if (search == 1 && backup == 0) {
        if (m_bTrans)
            SendTransOffReq();
        if (frame)
            PostTo(frame->Frame(), WM_RIGHT_CHANGE, 2);
    } else if (frame) {
        PostTo(frame->Frame(), WM_RIGHT_CHANGE, 0);
    }

    if (right(RIGHT_PTZ) == 0 && m_ptz.m_hPtzControlDlg.load())
        m_host.ClosePtzPanel(m_ptz.m_nPanelMode.load());

    if (right(RIGHT_HIDDEN_CAMERA) == 0) {
        DbChange db;
        NetliveChChange live;
        {
            std::lock_guard<std::mutex> lock(m_recordLock);
            db = m_dbChange;
            live = m_netliveChChange;
        }
        VideoGridSink* grid = m_host.VideoGrid();
        // The same rule as DB_CHANGE: hidden cameras and the channels this
        // user may not watch live both stay blocked.
        if (grid) {
            for (int ch = 0; ch < 16; ++ch)
                grid->SetChannelBlocked(ch, db.hidden[ch] == 1 || live.allowed[u][ch] == 0);
        }
        int differ = 0;
        {
            std::lock_guard<std::mutex> lock(g_hiddenLock);
            for (int ch = 0; ch < 16; ++ch) {
                if (g_hiddenCopy[ch] != db.hidden[ch]) {
                    g_hiddenCopy[ch] = db.hidden[ch];
                    ++differ;
                }
            }
        }
        if (differ > 0) {
            ++m_nLiveSeq;
            if (grid) {
                grid->SetActiveChannels(0, true);
                grid->Repaint(true);
            }
        }
    }
    return true;
}

bool CNetClient::RecvFn_NetliveChChange(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    if (m_payload.size() != sizeof(NetliveChChange)) {
        TRACE("netlive_ch_change size : %d, Payload size : %d\n", int(sizeof(NetliveChChange)),
              int(m_payload.size()));
        return true;
    }
    std::lock_guard<std::mutex> lock(m_recordLock);
    std::memcpy(&m_netliveChChange, m_payload.data(), sizeof m_netliveChChange);
    return true;
}

bool CNetClient::RecvFn_SysEtcInfo(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    std::lock_guard<std::mutex> lock(m_recordLock);
    std::memset(&m_sysEtcInfo, 0, sizeof m_sysEtcInfo);
    if (m_payload.size() == kSysEtcInfoSize)
        std::memcpy(&m_sysEtcInfo, m_payload.data(), kSysEtcInfoSize);
    else
        TRACE("SysEtcInfo size : %d, Payload size : %d\n", int(kSysEtcInfoSize), int(m_payload.size()));
    return true;
}

bool CNetClient::RecvFn_SysEtcInfoEx(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    std::lock_guard<std::mutex> lock(m_recordLock);
    std::memset(&m_sysEtcInfoEx, 0, sizeof m_sysEtcInfoEx);
    if (m_payload.size() == kSysEtcInfoExSize) {
        std::memcpy(&m_sysEtcInfoEx, m_payload.data(), kSysEtcInfoExSize);
        m_bHasSysEtcInfoEx = true;
    } else {
        TRACE("SysEtcInfoEx size : %d, Payload size : %d\n", int(kSysEtcInfoExSize), int(m_payload.size()));
    }
    return true;
}

bool CNetClient::RecvFn_DstInfo(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    if (m_payload.size() == kDstInfoSize) {
        std::lock_guard<std::mutex> lock(m_recordLock);
        std::memcpy(&m_dstInfo, m_payload.data(), kDstInfoSize);
        m_dstInfo.head = ReadBE32(m_payload.data());
    }
    return true;
}

bool CNetClient::RecvFn_DvrTimeAck(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    const std::uint32_t time = FirstWord(m_payload);
    TRACE("Recv...DVR_TIME_ACK... %u\n", time);
    // The setup window hands it to its time page when that page is open.
    PostTo(m_hSetupDlg.load(), WM_DVR_TIME_ACK, time, 0);
    return true;
}

bool CNetClient::RecvFn_CamInfoChange(const WireHeader&)
{
    if (!ReadPayload(m_payload))
        return false;
    CamInfoChange cam;
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        if (m_payload.size() == sizeof(CamInfoChange))
            std::memcpy(&m_camInfo, m_payload.data(), sizeof m_camInfo);
        cam = m_camInfo;
    }
    VideoGridSink* grid = m_host.VideoGrid();
    if (grid == nullptr)
        return true;
    if (m_bLive) {
        std::uint32_t mask = 0;
        for (int ch = 0; ch < 16; ++ch) {
            if (cam.in_use[ch] != 0)
                mask |= 1u << ch;
        }
        grid->SetActiveChannels(mask, false);
    }
    grid->Repaint(true);
    return true;
}

bool CNetClient::RecvFn_AListenAck(const WireHeader&)
{
    TRACE("Recv...A_LISTEN_ACK...\n");
    PostTo(m_host.MainWindow(), WM_ALISTEN_ACK);
    return true;
}

bool CNetClient::RecvFn_DBUpdateAck(const WireHeader&)
{
    TRACE("Recv...DB_UPDATE_ACK...\n");
    m_bDbBusy = false;
    PostNotify(NetNotify::Param(NetNotify::DB_UPDATED, 0));
    return true;
}

bool CNetClient::RecvFn_PtzChannelAck(const WireHeader&)
{
    TRACE("Recv...PTZ_CHANNEL_ACK...\n");
    // The whole answer is read even when the panel has closed meanwhile, so
    // the stream stays in step; an empty answer means no PTZ.
    if (!ReadPayload(m_payload))
        return false;
    m_ptz.OnChannelAck(m_payload.data(), m_payload.size());
    return true;
}
