// CNetClient: the client's one session with one recorder.
//
// The main window creates it per connection, fills the session fields and
// starts it; Connect runs the connect thread, which opens the socket, starts
// the receive thread and sends HELLO. The receive thread reads every message
// and runs its handler; once the hello answer is accepted a keep-alive thread
// sends ALIVE_REQ at a fixed interval. DestroyWindow ends the session and
// joins every thread. The object is shared: windows and workers that may
// outlive it keep a weak reference, and a send after the close fails.
#pragma once

#include "net/BackupWriter.h"
#include "net/DecodeQueue.h"
#include "net/LiveData.h"
#include "net/NetHost.h"
#include "net/NetRecords.h"
#include "net/PlayCommandQueue.h"
#include "net/PtzRequests.h"
#include "net/SearchAnswers.h"
#include "net/SearchKeep.h"
#include "net/SetupTransport.h"
#include "net/Wire.h"
#include "platform/TcpSocket.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Intervals of a session; tests shorten them.
struct NetTimings
{
    std::chrono::milliseconds keepAlive{std::chrono::seconds(10)};
    std::chrono::milliseconds helloTimeout{std::chrono::seconds(60)};
    std::chrono::milliseconds receiveLimit{kReceiveLimit};
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(20)};
    // How long the receive thread waits for the first byte of a message
    // before it looks round again (a quiet recorder is not an error).
    std::chrono::milliseconds idleWait{std::chrono::minutes(10)};
    // False keeps the login from starting the keep-alive thread: the receive
    // loop run alone on the caller's thread (fuzz targets).
    bool keepAliveThread = true;
};

inline constexpr int kWorkerSlotCount = 26;
inline constexpr int kSlotAudioPlayer = 16;
inline constexpr int kSlotBackupWriter = 17;

class CNetClient : public std::enable_shared_from_this<CNetClient>, public IPtzConnection
{
public:
    // Limits of the session fields.
    static constexpr std::size_t kAddressLimit = 127;
    static constexpr std::size_t kUserIdLimit = 15;
    static constexpr std::size_t kPasswordLimit = 15;
    static constexpr std::size_t kDescriptionLimit = 259;

    // Creates a session; sets the Connect button to its selected state.
    static std::shared_ptr<CNetClient> Create(NetHost& host, const NetTimings& timings = NetTimings());
    ~CNetClient();
    CNetClient(const CNetClient&) = delete;
    CNetClient& operator=(const CNetClient&) = delete;

    // Session fields, each cut to its limit. Before Connect.
    void SetConnectInfo(const std::string& address, int port, const std::string& userId,
                        const std::string& password, const std::string& description = std::string());

    // Starts the connect thread and returns at once.
    bool Connect();

    // The disconnect (GUI thread): stops streams, closes the windows the
    // session fed, stops and joins every thread, sends BYE48, closes the
    // socket. Idempotent; the object stays valid afterwards.
    void DestroyWindow();

    // The receive loop, run on the calling thread until it ends. The fuzz
    // target runs it directly after AttachSocketForTesting.
    void Thread_Connecting();
    // Gives the session a connected socket without starting any thread.
    // Before Connect only.
    bool AttachSocketForTesting(std::unique_ptr<TcpSocket> socket);

    // Sends one message on the session's socket; false once it is closed.
    bool Send(std::uint16_t id, const void* payload = nullptr, std::size_t length = 0, std::uint8_t sub = 0);
    // The socket, for windows that send their own messages (PTZ keypads,
    // search pages); its sends fail once the session is closed.
    std::shared_ptr<TcpSocket> Socket() const { return m_socket; }

    // Request senders.
    bool SendRecOnReq();
    bool SendRecOffReq();
    bool SendRebootReq();
    bool SendPowerOffReq();
    bool SendAListenReq();
    void SendAListenStop();
    bool SendDvrTimeReq();
    // The setup database (GUI thread). A fetch does nothing while an exchange
    // is busy; the update sends the edited image (kSetupDbSize bytes, network
    // order) with the received tail and the CRC, nothing when no image was
    // received; the reset sends DB_INIT_REQ and closes the setup window.
    bool SendDBInfoReq();
    bool SendDBUpdateReq(const std::uint8_t* image);
    bool SendDBInitReq();
    // The last checked image: `size` bytes zeroed, then the received image
    // bytes copied in. Returns how many were copied (0: none received).
    std::size_t CopySetupImage(std::uint8_t* image, std::size_t size) const;
    // The channels the main window shows now, after a split or channel
    // change: LIVE_REQ with them during live view, PLAY_VIEW_CH during remote
    // playback (the caller ANDs the playback's channel mask in). Neither
    // starts anything: no workers, no layout, no flags.
    bool SendLiveReqMask(std::uint32_t mask);
    bool SendPlayViewCh(std::uint32_t mask);
    // Stopping what streams (the live, playback and backup paths fill in the
    // workers; this is the wire message, the flags and the workers' stop).
    void SendLiveStop();
    bool SendRPlayStop();
    void SendTransOffReq();
    // Backup start (GUI thread): makes the download writer when slot 17 is
    // empty (it posts WM_TRANSFER_START), starts a fresh reassembly and marks
    // the transfer unless one is marked, and sends TRANS_DATA_REQ with the
    // 24-byte range body. The writer's stem follows the recorder's model.
    bool StartBackup(std::uint32_t totalKB, BackupSetOptions options, const std::array<std::uint8_t, 24>& range);
    // The download writer's queue bound, in bytes (tests and the benchmark).
    void SetBackupQueueBytes(std::size_t bytes) { m_nBackupQueueBytes = bytes; }
    // Backed-up frames the receive thread dropped (bad marker or sizes, no
    // writer) and the times it waited for room in the writer's queue.
    std::uint64_t TransFramesDropped() const { return m_nTransDropped.load(); }
    // The queue of the last download writer made (its peak and waits).
    std::shared_ptr<CBackupQueue> BackupQueue() const;
    void StartAudioPlayer(bool live);
    void StopAudioPlayer();

    // --- PTZ (the panels' view of the session) ------------------------------
    bool SendPtzMessage(std::uint16_t id, const void* payload, std::size_t length) override;
    CPtzState& PtzState() override { return m_ptz; }
    int HelloAccount() const override;
    std::uint32_t VideoLossMask() const override;
    bool IsLiveOn() const override { return m_bLive.load(); }
    // The PTZ channel and mode, the pending Learn-mode Set and slots 22-24.
    CPtzState m_ptz;

    // --- Live view and remote playback ------------------------------------
    // The maker of the channels' decode workers (the main window's: the
    // workers belong to the video library). Set before live view starts.
    void SetDecodeWorkerFactory(DecodeWorkerFactory factory);
    // Starts live view of every channel (GUI or receive thread): lays out the
    // grid, makes the missing decode workers and sends LIVE_REQ. False when a
    // live or playback request is pending, local playback runs or the
    // request could not be sent.
    bool SendLiveReq();
    // AUDIO_ONOFF_REQ on (code 0x0B88) and off (0x0B80), only when the PC has
    // a sound device.
    bool SendAudioOnReq();
    bool SendAudioOffReq();
    // The main window's playback buttons (GUI thread): 1 backward play,
    // 2 fast backward, 3 forward play, 4 pause, 7 fast forward; 5 and 6 only
    // repaint. Returns at once: the command runs (state and controls) once
    // the previous command's pause has passed; a repeat of a command that
    // still waits is absorbed.
    void PlayControl(int command);
    // True once every playback command has gone out and its pause passed.
    bool WaitPlayCommandsIdle(std::chrono::milliseconds timeout) { return m_playCommands.WaitIdle(timeout); }
    // The playback speed the video grid shows.
    int GetPlaySpeed() const;
    // Whole frames the data path dropped: a wrong marker or model stem, a
    // channel beyond the recorder's count, sizes longer than the frame, a
    // frame longer than the reassembly buffer, no worker or a refusing one.
    std::uint64_t FramesDropped() const { return m_nFramesDropped.load(); }

    // Channels the recorder reports without video signal (bits 0-15), kept
    // for channels that have a decode worker.
    std::atomic<std::uint32_t> m_nLiveMask{0};
    // Remote playback state (receive thread and GUI thread).
    std::atomic<int> m_nPlayState{0};   // 1, 2, 3 or 7; 3 after PLAY_ON_ACK
    std::atomic<int> m_nPlayPending{0}; // 0 normal, 1 paused, 2 resuming
    std::atomic<int> m_nPlayPrevKind{0};
    std::atomic<bool> m_bPlayCmdBusy{false};
    std::atomic<bool> m_bPlayResync{false};
    std::atomic<bool> m_bPlayClockSync{false};
    std::atomic<int> m_nPlaySpeed{0};
    std::atomic<int> m_nSpeedCode{0};
    std::atomic<int> m_nSpeedCodePrev{-1};
    std::atomic<int> m_nFrameCredit{0};
    // The time the playback clock shows (recorder seconds).
    std::atomic<std::uint32_t> m_nPlayClockTime{0};
    // The channels shown when playback last resynchronised.
    std::atomic<std::uint32_t> m_nLastChannelMask{0};
    // 1 once the audio player was stopped for want of a playable block; the
    // next playable block starts it again.
    std::atomic<bool> m_bAudioReset{false};

    // --- Session -----------------------------------------------------------
    std::uint32_t Session() const { return m_nSession; }
    const std::string& Address() const { return m_szAddress; }
    int Port() const { return m_nPort; }
    const std::string& UserId() const { return m_szUserID; }
    std::string Password() const;
    const std::string& Description() const { return m_szDescription; }

    // --- Recorder description (copies; the receive thread may replace them) --
    HelloRecord Hello() const;
    int ChannelCount() const; // channel_num of the hello record, 16 before it
    RightChange Rights() const;
    DbChange DbChangeRecord() const;
    NetliveChChange NetliveRecord() const;
    CamInfoChange CamInfo() const;
    SysEtcInfo SysEtcInfoRecord() const;
    SysEtcInfoEx SysEtcInfoExRecord() const;
    DstInfo DstInfoRecord() const;
    std::string CameraName(int channel) const;
    std::string ArchivePassword() const;
    int UserIndex() const { return m_nUserIndex.load(); }
    // A row of the rights table has matched the logged-in user in this session.
    bool UserMatched() const { return m_bUserMatched.load(); }
    // True when the logged-in user holds right k. Before any row of a rights
    // table has matched the user in this session, no right is held.
    bool HasRight(int k) const;
    int BlockedState(int channel) const;

    // Derived flags of the hello answer.
    std::atomic<int> m_nModelKind{1};
    std::atomic<bool> m_bServedModel{false};
    std::atomic<bool> m_bProductVer11{false};
    std::atomic<bool> m_bProductVer12{false};
    std::atomic<bool> m_bArchiveSupport{false};
    std::atomic<bool> m_bHelloFlag1{false};
    std::atomic<bool> m_bSubProduct6{false};
    std::atomic<bool> m_nHelloFlag2{false};
    std::atomic<bool> m_bHelloFlag3{false};
    std::atomic<bool> m_bSubProduct52{false};
    std::atomic<bool> m_bSubProductOther{false};
    std::atomic<bool> m_bHelloFlag2Bit0{false};
    std::atomic<bool> m_bHelloFlag2Bit1{false};
    std::atomic<bool> m_bHelloFlag6{false};
    std::atomic<bool> m_bHasSysEtcInfoEx{false};

    // Session state.
    std::atomic<bool> m_bLogin{false};
    std::atomic<bool> m_bLive{false};
    std::atomic<bool> m_bPlay{false};
    std::atomic<bool> m_bTrans{false};
    std::atomic<bool> m_bRecord{false};
    std::atomic<bool> m_bAListen{false};
    std::atomic<bool> m_bAudio{false};
    std::atomic<bool> m_bAudioBit{false};
    std::atomic<bool> m_bDbBusy{false};
    std::atomic<bool> m_bLiveReqPending{false};
    std::atomic<bool> m_bPlayReqPending{false};
    std::atomic<std::uint32_t> m_nLiveSeq{0};
    std::atomic<std::uint32_t> m_nChannelMask{0};
    std::atomic<std::uint32_t> m_nSoloChannel{0};
    std::array<std::atomic<std::uint32_t>, 16> m_arrPlaySeq{};
    // Sizes of a refused backup (needed, free; MByte), shown by the main window.
    std::array<std::atomic<std::int32_t>, 2> m_nTransNackInfo{};

    // Stop flags of the receive and keep-alive threads.
    std::atomic<bool> m_bStopRecv{true};
    std::atomic<bool> m_bStopAlive{true};

    // --- Worker and window slots ------------------------------------------
    // Windows are kept by handle (a post to a closed one is dropped); the GUI
    // thread sets and clears them, the receive thread reads them.
    std::atomic<WndHandle> m_hFirmwareDlg{WndHandle()};          // 18
    std::atomic<WndHandle> m_hSetupDlg{WndHandle()};             // 20
    std::atomic<WndHandle> m_hClockWnd{WndHandle()};             // 21
    // 22-24: the PTZ panels, with the rest of the PTZ state (m_ptz).
    std::atomic<WndHandle> m_hTransferBarDlg{WndHandle()};       // 25
    void SetSearchFrame(std::shared_ptr<SearchFrameLink> frame); // 19 (null empties it)
    std::shared_ptr<SearchFrameLink> SearchFrame() const;
    // The hand-over, live and kept search lists and kept log records.
    CSearchKeep& SearchKeep() { return m_searchKeep; }
    const CSearchKeep& SearchKeep() const { return m_searchKeep; }
    // Slots 0-17: the decode workers, the audio player and the download writer.
    void SetWorker(int slot, std::unique_ptr<NetWorker> worker);
    bool HasWorker(int slot) const;

    // The program-wide copy of the hidden-camera flags that RIGHT_CHANGE last
    // applied; it outlives connections. Tests clear it.
    static void ResetHiddenCopyForTesting();

    // One received message, dispatched as the receive loop does: its handler
    // runs, then whatever payload the handler left unread is drained.
    bool DispatchMessage(const WireHeader& header);

private:
    explicit CNetClient(NetHost& host, const NetTimings& timings);

    using Handler = bool (CNetClient::*)(const WireHeader&);
    static const std::array<Handler, 512>& HandlerTable();

    void ConnectToServer();
    bool StartSession();
    void Thread_Alive();
    void NoteAudioBit(const WireHeader& header);

    // Payload reads of the current message: never past its length.
    bool ReadPayload(std::vector<std::uint8_t>& out);
    bool ReadReason(int& reason, std::uint8_t* extra = nullptr);

    void PostNotify(LPARAM lParam, WndHandle owner = WndHandle());
    void PostTo(WndHandle target, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    void ShowRecording(bool on);
    bool ComputeBlocked(int channel, int user, const DbChange& db, const NetliveChChange& live,
                        const RightChange& rights) const;
    void StopAllWorkers();
    std::unique_ptr<NetWorker> TakeWorker(int slot);

    // Handlers.
    bool RecvFn_Nothing(const WireHeader& h);
    bool RecvFn_Bye48(const WireHeader& h);
    bool RecvFn_Hello48Ack(const WireHeader& h);
    bool RecvFn_Refusal(const WireHeader& h);
    bool RecvFn_RecOnAck(const WireHeader& h);
    bool RecvFn_RecOffAck(const WireHeader& h);
    bool RecvFn_RecStatus(const WireHeader& h);
    bool RecvFn_Msg257(const WireHeader& h);
    bool RecvFn_DBChange(const WireHeader& h);
    bool RecvFn_RightChange(const WireHeader& h);
    bool RecvFn_NetliveChChange(const WireHeader& h);
    bool RecvFn_SysEtcInfo(const WireHeader& h);
    bool RecvFn_SysEtcInfoEx(const WireHeader& h);
    bool RecvFn_DstInfo(const WireHeader& h);
    bool RecvFn_DvrTimeAck(const WireHeader& h);
    bool RecvFn_CamInfoChange(const WireHeader& h);
    bool RecvFn_AListenAck(const WireHeader& h);
    bool RecvFn_DBUpdateAck(const WireHeader& h);
    bool RecvFn_DBInfoAck(const WireHeader& h);
    bool RecvFn_PtzChannelAck(const WireHeader& h);
    bool RecvFn_FwAnswer(const WireHeader& h);
    // Backup transfer.
    bool RecvFn_TransOnAck(const WireHeader& h);
    bool RecvFn_TransOnData(const WireHeader& h);
    bool RecvFn_TransOnDone(const WireHeader& h);
    // Ends the transfer once the writer gave up on a file error (receive or
    // keep-alive thread; never the writer's own thread, which it joins).
    void EndFailedTransfer();
    // Live view and remote playback data.
    bool RecvFn_LiveChannelInfo(const WireHeader& h);
    bool RecvFn_LiveData(const WireHeader& h);
    bool RecvFn_PlayOnAck(const WireHeader& h);
    bool RecvFn_PlayChannelInfo(const WireHeader& h);
    bool RecvFn_PlayOnData(const WireHeader& h);
    bool RecvFn_Msg63(const WireHeader& h);
    bool RecvFn_PlayOnDone(const WireHeader& h);
    // Month, day, event, log, system and status answers (NetClientSearch.cpp).
    bool RecvFn_SearchAnswer(const WireHeader& h);
    // Reads one fragment into the reassembly buffer (or drains it when the
    // stream is off or the frame outgrew the buffer). `whole` when the
    // fragment completed a frame. False when reading failed.
    bool ReceiveFragment(const WireHeader& h, bool running, bool& whole);
    // ReceiveFragment, then the parse of a completed frame; a frame that fails
    // its checks is counted as dropped. `ready` when `frame` holds a good frame.
    using FrameParser = FrameCheck (*)(const std::uint8_t*, std::size_t, int, ParsedFrame&);
    bool ReceiveFrame(const WireHeader& h, bool running, FrameParser parse, ParsedFrame& frame, bool& ready);
    void QueueVideo(const ParsedFrame& frame, const WireHeader& h);
    void PlayAudio(const ParsedFrame& frame, bool live);
    void ShowAudioChannel(int channel);
    void PlayDataFrame(ParsedFrame& frame, const WireHeader& h);
    void CreateDecodeWorkers(int count);
    void StopDecodeWorkers();
    void DrainAndStopAudioPlayer();
    // One playback command, run by the command queue's thread; returns the
    // pause the recorder wants before the next.
    std::chrono::milliseconds RunPlayControl(int command);
    bool SendPlayCommand(std::uint16_t id, std::uint32_t value);
    bool SendPlayCommand(std::uint16_t id);
    void ResetPlayAudio(bool play);

    NetHost& m_host;
    const NetTimings m_timings;
    const std::uint32_t m_nSession;

    std::string m_szAddress;
    int m_nPort = 0;
    std::string m_szUserID;
    std::string m_szDescription;
    mutable std::mutex m_passwordLock;
    std::string m_szPassword; // replaced by the rights table's row

    std::shared_ptr<TcpSocket> m_socket;

    // Threads: created under m_threadLock, never once m_bClosing is set.
    std::mutex m_threadLock;
    bool m_bClosing = false;
    bool m_bDestroyed = false;
    std::thread m_connectThread;
    std::thread m_recvThread;
    std::thread m_aliveThread;
    std::mutex m_aliveLock;
    std::condition_variable m_aliveWake;

    // Records, written by the receive thread and read by any thread.
    mutable std::mutex m_recordLock;
    HelloRecord m_hello{};
    RightChange m_rightChange{};
    DbChange m_dbChange{};
    NetliveChChange m_netliveChChange{};
    CamInfoChange m_camInfo{};
    SysEtcInfo m_sysEtcInfo{};
    SysEtcInfoEx m_sysEtcInfoEx{};
    DstInfo m_dstInfo{};
    std::array<std::array<char, 33>, 16> m_szCameraName{}; // always terminated
    std::array<char, 9> m_szArchivePass{};                 // always terminated
    std::array<int, 16> m_arrBlockedState{};
    std::atomic<int> m_nUserIndex{0};
    std::atomic<bool> m_bUserMatched{false};

    // Slots.
    mutable std::mutex m_slotLock;
    std::array<std::unique_ptr<NetWorker>, 18> m_workers;
    std::shared_ptr<SearchFrameLink> m_searchFrame;
    // Bumped whenever slot 19 changes, so that fragments gathered for one
    // window are never completed into another (receive thread compares).
    std::atomic<std::uint32_t> m_nSearchFrameGen{0};
    std::uint32_t m_nSearchAnswerGen = 0;
    CSearchAnswerAssembler m_searchAnswers;
    CSearchKeep m_searchKeep;

    // The live and playback data path (receive thread only, except the
    // factory, which is guarded by m_slotLock).
    DecodeWorkerFactory m_decodeFactory;
    CStreamAssembler m_stream;
    CFrameCredits m_frameCredits;
    CPlayPacer m_pacer;
    FrameInfo m_lastPlayInfo{};
    std::atomic<std::uint64_t> m_nFramesDropped{0};
    // The audio channel last told to the main window (-2 none yet), so that
    // it hears of a change once, not of every frame.
    std::atomic<int> m_nAudioChannelShown{-2};

    // The backup path: reassembly (receive thread only; a backup start asks
    // for a fresh one), the writer's failure flag, counters.
    CStreamAssembler m_transStream;
    std::atomic<bool> m_bTransRestart{false};
    std::shared_ptr<std::atomic<bool>> m_pTransFailed = std::make_shared<std::atomic<bool>>(false);
    std::size_t m_nBackupQueueBytes = CBackupWriter::kDefaultQueueBytes;
    std::atomic<std::uint64_t> m_nTransDropped{0};
    std::shared_ptr<CBackupQueue> m_pBackupQueue; // under m_slotLock
    // The setup database exchange: fragments joined by the receive thread,
    // the checked image read and the update built by the GUI thread.
    mutable std::mutex m_dbLock;
    CSetupDbAssembler m_db;

    // The message being dispatched (receive thread only).
    std::size_t m_nPayloadLeft = 0;
    std::vector<std::uint8_t> m_payload;

    // Last, so that its thread ends before any member it uses goes.
    CPlayCommandQueue m_playCommands;
};
