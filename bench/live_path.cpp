// The live path end to end: 16 channels of 704 x 576 H.264 at 25 frames per
// second from the recorder simulator (a child process) over loopback into
// the headless client core (connection, reassembly, queues, 16 decode
// workers, picture buffers; no widgets), and in the same run the same frames
// decoded by plain libavcodec in one thread as the yardstick. Live audio of
// channel 0 plays meanwhile (the grid shows that channel alone as far as the
// audio choice goes; all 16 channels are still decoded).
//
//   live_path [--seconds N] [--channels N] [--noise 0|1] [--audio card|alsa|silent|off]
//
// --noise 1 (the default) adds sensor noise to every picture, so that a frame
// costs as much to decode as a camera's; --noise 0 decodes cheaply and shows
// the client's own overhead more plainly.
//
// --audio picks the sound output the audio player writes to:
//   card   (the default) the ALSA PCM "default", defined in an asoundrc of a
//          temporary folder (ALSA_CONFIG_PATH) as the file plugin over the
//          null plugin, so no sound card is needed; the null plugin takes
//          every frame at once, so the bench holds each write back as a card
//          with the output's 100 ms buffer playing 8000 frames per second would;
//   alsa   the same PCM without that pacing (the device never blocks);
//   silent the output's own clock-paced silent sink;
//   off    no audio.
// When the ALSA PCM cannot be opened the output falls back to its silent sink;
// the report says which ran.
//
// The simulator puts a block of the audio channel into every frame of every
// channel (25.6 times real time at 16 x 25 frames per second). The recorder
// process therefore passes the stream through a relay that keeps the audio
// only on the audio channel's own frames and only as many blocks as 8000
// samples per second need (5 of every 8 frames at 25 per second).
//
// Prints: CPU time per decoded frame of the client against the yardstick
// (target <= 1.15), frames shed or dropped (target 0), the delay from a
// frame's arrival to its published picture (p50, p99; target p99 < 40 ms),
// the client's peak resident memory, and for the audio: the start latency
// (AUDIO_ONOFF_REQ sent -> first block handed to the player -> first unit
// into the output's ring -> first unit handed to the device or sink), the
// output's resets per minute by reason, and units written and played against
// the units 8000 samples per second make over the same window. Resets per
// minute want a window of at least 60 s (--seconds 60).
#include "BenchHeadless.h"
#include "ProcStatus.h"
#include "SimLive.h"
#include "net/NetClient.h"
#include "platform/DecoderLibrary.h"
#include "streams/TestStreams.h"
#include "video/AudioPlayer.h"
#include "video/SoundOutput.h"
#include "video/VideoDecodeThread.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class BenchEnv : public DecodeEnv
{
public:
    bool DropLiveFrame(int) const override { return false; }
    std::uint32_t PlaybackClockTime(int) const override { return 0; }
    void SetMainClockTime(std::uint32_t) override {}
    std::string LocalCameraName(int) const override { return std::string(); }
    std::string RecorderCameraName(int channel) const override
    {
        return "CAM " + std::to_string(channel + 1);
    }
    bool DeinterlaceOn(int) const override { return false; }
    bool ServedModel() const override { return true; }
    AudioMarkInputs AudioMarkState(int, int, bool) const override { return AudioMarkInputs{}; }
    void ReportDecoderInitError() override { std::fprintf(stderr, "live_path: decoder init failed\n"); }
};

// ---------------------------------------------------------------------------
// Audio

enum class AudioOut
{
    Off,
    Card,
    Alsa,
    Silent
};

// The live AudioBuf value of a fresh installation.
constexpr int kAudioBufSetting = 2;
constexpr int kAudioChannel = 0;

std::int64_t SteadyMs(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

// A sound card in front of another device: the card holds at most a buffer's
// worth of frames and plays them at 8000 per second, so a write blocks until
// there is room. Frames go on to the device behind (the ALSA file plugin).
// When the card has played everything before the next write it has run dry:
// that write answers -EPIPE once, as an ALSA card after an underrun does.
class CardPacedDevice final : public CSoundDevice
{
public:
    // The output asks ALSA for a 100 ms buffer.
    static constexpr unsigned long kBufferFrames = SOUND_RATE / 10;

    explicit CardPacedDevice(std::unique_ptr<CSoundDevice> inner) : m_inner(std::move(inner)) {}

    bool Open() override
    {
        const bool ok = m_inner->Open();
        std::lock_guard<std::mutex> lock(m_cs);
        m_bRunning = false;
        m_bXrun = false;
        return ok;
    }
    void Close() override { m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }

    long Write(const std::int16_t* pFrames, unsigned long nFrames) override
    {
        std::unique_lock<std::mutex> lock(m_cs);
        nFrames = std::min(nFrames, kBufferFrames);
        auto now = Clock::now();
        if (m_bRunning && m_end <= now) {
            m_bRunning = false;
            m_bXrun = true;
            ++m_nDry;
            m_dryFrom = m_end;
        }
        if (m_bXrun)
            return -EPIPE;
        if (m_bRunning) {
            // Room for these frames once the card has played down to the rest of its buffer.
            const auto roomAt = m_end - FramesTime(kBufferFrames - nFrames);
            m_cv.wait_until(lock, roomAt, [&] { return m_bInterrupted; });
            if (m_bInterrupted)
                return -EINTR;
            now = Clock::now();
        } else {
            if (m_dryFrom != Clock::time_point())
                m_dry += now - m_dryFrom;
            m_dryFrom = Clock::time_point();
            m_end = now;
            m_bRunning = true;
        }
        lock.unlock();
        const long n = m_inner->Write(pFrames, nFrames);
        lock.lock();
        if (n > 0) {
            m_end = std::max(m_end, now) + FramesTime(static_cast<unsigned long>(n));
            m_nFrames += static_cast<std::uint64_t>(n);
        }
        return n;
    }

    bool Recover(long nError) override
    {
        {
            std::lock_guard<std::mutex> lock(m_cs);
            if (m_bInterrupted)
                return false;
            if (nError == -EPIPE)
                m_bXrun = false;
        }
        return m_inner->Recover(nError);
    }

    void Drop() override
    {
        m_inner->Drop();
        std::lock_guard<std::mutex> lock(m_cs);
        m_bRunning = false;
        m_bXrun = false;
        m_dryFrom = Clock::time_point();
    }

    unsigned long ChunkFrames() const override { return std::min(m_inner->ChunkFrames(), kBufferFrames); }

    // What a card holds but has not yet played: the output judges its lead at play-out.
    int QueuedFrames() override
    {
        std::lock_guard<std::mutex> lock(m_cs);
        if (!m_bRunning)
            return 0;
        const auto left = m_end - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        return static_cast<int>(std::chrono::duration<double>(left).count() * SOUND_RATE);
    }

    void Interrupt() override
    {
        {
            std::lock_guard<std::mutex> lock(m_cs);
            m_bInterrupted = true;
            m_cv.notify_all();
        }
        m_inner->Interrupt();
    }

    struct Counts
    {
        std::uint64_t frames = 0; // taken by the card
        int dry = 0;              // times the card ran dry while playing
        double dryMs = 0;         // silence those gaps made (up to the next write)
    };
    Counts GetCounts() const
    {
        std::lock_guard<std::mutex> lock(m_cs);
        return Counts{m_nFrames, m_nDry, std::chrono::duration<double, std::milli>(m_dry).count()};
    }

private:
    static Clock::duration FramesTime(unsigned long frames)
    {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(double(frames) / SOUND_RATE));
    }

    std::unique_ptr<CSoundDevice> m_inner;
    mutable std::mutex m_cs;
    std::condition_variable m_cv;
    bool m_bRunning = false; // playing; m_end is when what it holds runs out
    bool m_bXrun = false;    // ran dry; the next write fails until Recover
    bool m_bInterrupted = false;
    Clock::time_point m_end;
    Clock::time_point m_dryFrom; // when it ran dry (zero: not dry)
    Clock::duration m_dry{0};
    std::uint64_t m_nFrames = 0;
    int m_nDry = 0;
};

CSoundOutput::Status operator-(CSoundOutput::Status a, const CSoundOutput::Status& b)
{
    for (std::size_t i = 0; i < a.arrResets.size(); ++i)
        a.arrResets[i] -= b.arrResets[i];
    a.nUnitsPlayed -= b.nUnitsPlayed;
    a.nUnitsWritten -= b.nUnitsWritten;
    a.nRecoveries -= b.nRecoveries;
    a.nDeviceErrors -= b.nDeviceErrors;
    a.nOpens -= b.nOpens;
    return a;
}

void AddStatus(CSoundOutput::Status& sum, const CSoundOutput::Status& s)
{
    for (std::size_t i = 0; i < sum.arrResets.size(); ++i)
        sum.arrResets[i] += s.arrResets[i];
    sum.nUnitsPlayed += s.nUnitsPlayed;
    sum.nUnitsWritten += s.nUnitsWritten;
    sum.nRecoveries += s.nRecoveries;
    sum.nDeviceErrors += s.nDeviceErrors;
    sum.nOpens += s.nOpens;
    sum.bDeviceOpen = sum.bDeviceOpen || s.bDeviceOpen;
    auto earliest = [](std::int64_t x, std::int64_t y) {
        if (x == CAudioClock::NO_STAMP)
            return y;
        return y == CAudioClock::NO_STAMP ? x : std::min(x, y);
    };
    sum.nFirstWriteMs = earliest(sum.nFirstWriteMs, s.nFirstWriteMs);
    sum.nFirstPlayMs = earliest(sum.nFirstPlayMs, s.nFirstPlayMs);
}

// What the bench reads of the connection's audio players (slot 16), made and
// stopped by the receive thread.
class AudioProbe
{
public:
    void OnPlayer(const CSoundOutput* output, CardPacedDevice* card)
    {
        std::lock_guard<std::mutex> lock(m_cs);
        ++m_nPlayers;
        m_pOutput = output;
        m_pCard = card;
    }
    // The player stopped: its output's figures are kept.
    void OnPlayerStopped(const CSoundOutput* output)
    {
        std::lock_guard<std::mutex> lock(m_cs);
        if (m_pOutput != output)
            return;
        AddStatus(m_retired, output->GetStatus());
        if (m_pCard)
            AddCard(m_retiredCard, m_pCard->GetCounts());
        m_pOutput = nullptr;
        m_pCard = nullptr;
    }
    void OnBlock(bool queued)
    {
        const std::int64_t now = SteadyMs(Clock::now());
        std::lock_guard<std::mutex> lock(m_cs);
        if (m_nFirstBlockMs == CAudioClock::NO_STAMP)
            m_nFirstBlockMs = now;
        ++m_nBlocks;
        if (!queued)
            ++m_nRefused;
    }

    struct Snapshot
    {
        int players = 0;
        std::uint64_t blocks = 0;  // handed to the player
        std::uint64_t refused = 0; // of which the player did not queue
        std::int64_t firstBlockMs = CAudioClock::NO_STAMP;
        CSoundOutput::Status output;
        CardPacedDevice::Counts card;
    };
    Snapshot Take() const
    {
        std::lock_guard<std::mutex> lock(m_cs);
        Snapshot s;
        s.players = m_nPlayers;
        s.blocks = m_nBlocks;
        s.refused = m_nRefused;
        s.firstBlockMs = m_nFirstBlockMs;
        s.output = m_retired;
        s.card = m_retiredCard;
        if (m_pOutput)
            AddStatus(s.output, m_pOutput->GetStatus());
        if (m_pCard)
            AddCard(s.card, m_pCard->GetCounts());
        return s;
    }

private:
    static void AddCard(CardPacedDevice::Counts& sum, const CardPacedDevice::Counts& c)
    {
        sum.frames += c.frames;
        sum.dry += c.dry;
        sum.dryMs += c.dryMs;
    }

    mutable std::mutex m_cs;
    int m_nPlayers = 0;
    const CSoundOutput* m_pOutput = nullptr;
    CardPacedDevice* m_pCard = nullptr; // owned by m_pOutput
    CSoundOutput::Status m_retired;
    CardPacedDevice::Counts m_retiredCard;
    std::uint64_t m_nBlocks = 0;
    std::uint64_t m_nRefused = 0;
    std::int64_t m_nFirstBlockMs = CAudioClock::NO_STAMP;
};

// The connection's audio worker: the client's CAudioPlayer, watched by the probe.
class ProbedAudioWorker final : public IAudioWorker
{
public:
    ProbedAudioWorker(std::unique_ptr<CAudioPlayer> player, const CSoundOutput* output, AudioProbe& probe)
        : m_player(std::move(player)), m_pOutput(output), m_probe(probe)
    {
    }
    ~ProbedAudioWorker() override { Stop(); }
    bool PutBlock(const std::uint8_t* data, std::size_t length) override
    {
        const bool queued = m_player->PutBlock(data, length);
        m_probe.OnBlock(queued);
        return queued;
    }
    void Flush() override { m_player->Flush(); }
    void Resume() override { m_player->Resume(); }
    bool WaitQueueDrained(std::chrono::milliseconds bound) override
    {
        return m_player->WaitQueueDrained(bound);
    }
    void Stop() override
    {
        m_player->Stop();
        m_probe.OnPlayerStopped(m_pOutput);
    }

private:
    std::unique_ptr<CAudioPlayer> m_player;
    const CSoundOutput* m_pOutput; // owned by m_player
    AudioProbe& m_probe;
};

// A folder of our own under the system's temporary folder, removed with its files.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "live_path.XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempFolder()
    {
        if (!m_path.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_path, ec);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Points ALSA at a configuration of our own: "default" is the file plugin
// writing what is played into `raw`, over the null plugin.
bool UseAlsaFilePlugin(const std::filesystem::path& folder, const std::filesystem::path& raw)
{
    const std::filesystem::path conf = folder / "asoundrc";
    std::ofstream f(conf);
    f << "pcm.!default {\n"
         "    type file\n"
         "    slave.pcm \"benchnull\"\n"
         "    file \""
      << raw.string()
      << "\"\n"
         "    format \"raw\"\n"
         "}\n"
         "pcm.benchnull {\n"
         "    type null\n"
         "}\n";
    f.close();
    if (!f)
        return false;
    return setenv("ALSA_CONFIG_PATH", conf.c_str(), 1) == 0;
}

// ---------------------------------------------------------------------------
// The recorder's audio at the real rate

void PutLE32At(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetLE32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// Keeps a live frame's audio section only on the audio channel's frames and
// only on as many as 8000 samples per second need; strips it from the others
// and writes their frame headers as the recorder writes a frame without audio.
class AudioThinner
{
public:
    AudioThinner(int channel, int fps) : m_channel(channel), m_fps(std::max(1, fps)) {}

    void Thin(std::vector<std::uint8_t>& frame)
    {
        constexpr std::size_t kHeader = 40;
        if (frame.size() < kHeader)
            return;
        const std::uint32_t sizes = GetLE32At(frame, 20);
        const std::uint32_t dataSize = sizes & 0xFFFFF;
        const std::uint32_t audioSize = sizes >> 20;
        if (audioSize == 0 || frame.size() < kHeader + dataSize)
            return;
        std::uint32_t w8 = GetLE32At(frame, 8);
        if (static_cast<int>(w8 & 0xF) == m_channel && Keep(m_nFrame++))
            return;
        frame.resize(kHeader + dataSize);
        w8 = (w8 & 0xF0F) | (((std::uint32_t(kHeader) + dataSize) & 0xFFFFF) << 12);
        PutLE32At(frame, 8, w8);
        PutLE32At(frame, 20, dataSize);
        PutLE32At(frame, 24, GetLE32At(frame, 24) & 0xFFFF0000u);
        PutLE32At(frame, 28, GetLE32At(frame, 28) & ~(1u << 18));
    }

private:
    // Frame n of the channel carries a block when the blocks owed by the end
    // of it (n + 1 frame periods of 8000 / 512 blocks a second) grow.
    bool Keep(std::uint64_t n) const
    {
        const std::uint64_t per = AUDIO_BLOCK_BYTES * static_cast<std::uint64_t>(m_fps);
        auto owed = [&](std::uint64_t frames) { return (frames * SOUND_RATE + per - 1) / per; };
        return owed(n + 1) > owed(n);
    }

    const int m_channel;
    const int m_fps;
    std::uint64_t m_nFrame = 0;
};

bool ReadAll(int fd, std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t r = recv(fd, p, n, 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t r = send(fd, p, n, MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// Recorder to client: messages pass as they are, LIVE_DATA frames are
// gathered, thinned and sent on in fragments of the simulator's size.
void RelayDown(int from, int to, AudioThinner thinner)
{
    std::vector<std::uint8_t> frame;
    std::vector<std::uint8_t> out;
    std::uint8_t header[16];
    std::vector<std::uint8_t> payload;
    while (ReadAll(from, header, sizeof header)) {
        const std::uint32_t word0 = std::uint32_t(header[0]) << 24 | std::uint32_t(header[1]) << 16 |
                                    std::uint32_t(header[2]) << 8 | header[3];
        const std::uint32_t word1 = std::uint32_t(header[4]) << 24 | std::uint32_t(header[5]) << 16 |
                                    std::uint32_t(header[6]) << 8 | header[7];
        const auto msgId = static_cast<std::uint16_t>((word0 >> 7) & 0x1FF);
        const auto sub = static_cast<std::uint8_t>(word0 & 0x7F);
        const auto flags = static_cast<std::uint16_t>(word1 >> 16);
        const std::size_t length = word1 & 0xFFFF;
        payload.resize(length);
        if (length > 0 && !ReadAll(from, payload.data(), length))
            break;
        if (msgId != k5sim::id::LIVE_DATA) {
            out.assign(header, header + sizeof header);
            out.insert(out.end(), payload.begin(), payload.end());
            if (!WriteAll(to, out.data(), out.size()))
                break;
            continue;
        }
        frame.insert(frame.end(), payload.begin(), payload.end());
        if (!(flags & k5sim::kLastFragment))
            continue;
        thinner.Thin(frame);
        out.clear();
        constexpr std::size_t kFragment = k5sim::LiveConfig().fragment;
        for (std::size_t at = 0; at < frame.size(); at += kFragment) {
            const std::size_t n = std::min(kFragment, frame.size() - at);
            const bool last = at + n == frame.size();
            const auto f = static_cast<std::uint16_t>((flags & ~k5sim::kLastFragment) |
                                                      (last ? k5sim::kLastFragment : 0));
            const k5sim::Bytes h =
                k5sim::EncodeHeader(k5sim::id::LIVE_DATA, static_cast<std::uint16_t>(n), f, sub);
            out.insert(out.end(), h.begin(), h.end());
            out.insert(out.end(), frame.begin() + static_cast<std::ptrdiff_t>(at),
                       frame.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        frame.clear();
        if (!WriteAll(to, out.data(), out.size()))
            break;
    }
    shutdown(to, SHUT_RDWR);
    shutdown(from, SHUT_RDWR);
}

void RelayUp(int from, int to)
{
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        const ssize_t r = recv(from, buffer.data(), buffer.size(), 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || !WriteAll(to, buffer.data(), static_cast<std::size_t>(r)))
            break;
    }
    shutdown(to, SHUT_RDWR);
    shutdown(from, SHUT_RDWR);
}

int LoopbackSocket()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
}

// In the recorder process: listens on a port of its own and joins the one
// client that connects to the simulator at simPort. Answers the port, 0 on
// failure. Its threads end with the process.
std::uint16_t StartAudioRelay(std::uint16_t simPort, AudioThinner thinner)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(listener);
        return 0;
    }
    std::thread([listener, simPort, thinner] {
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        close(listener);
        if (client < 0)
            return;
        const int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const int sim = LoopbackSocket();
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(simPort);
        if (sim < 0 || connect(sim, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            close(client);
            return;
        }
        std::thread up(RelayUp, client, sim);
        RelayDown(sim, client, thinner);
        up.join();
        close(sim);
        close(client);
    }).detach();
    return ntohs(addr.sin_port);
}

// The main window's part as the connection needs it, without windows.
class BenchHost : public NetHost
{
public:
    std::shared_ptr<CNetClient> client;
    WndHandle MainWindow() const override { return WndHandle(); }
    void PostMessageTo(WndHandle, UINT, WPARAM, LPARAM) override {}
    void PostNotify(LPARAM, WndHandle) override {}
    void RequestDisconnect(std::uint32_t) override {}
    void ShowPlainMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void StartHelloTimer(std::chrono::milliseconds) override {}
    void KillHelloTimer() override {}
    void WriteConnectLog(int, int, const std::string&, const std::string&) override {}
    void SetButtonState(int, int) override {}
    bool IsLocalPlaybackRunning() const override { return false; }
    bool HasSoundDevice() const override { return audio != AudioOut::Off; }
    void RequestLiveStart() override { m_liveWanted = true; }
    void SetAudioChannel(int) override {}
    WndHandle PasswordPrompt() const override { return WndHandle(); }
    void ClosePtzPanel(int) override {}
    void DestroyTransferBar() override {}
    VideoGridSink* VideoGrid() override { return &grid; }
    void OnLiveStopped() override {}
    void OnRemotePlayStopped() override {}
    // As the main window makes it (the AudioBuf value of live or playback
    // audio, the PCM "default"), with the output made here so the probe can
    // read it.
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool live) override
    {
        if (audio == AudioOut::Off)
            return nullptr;
        SoundOutputOptions sound;
        CardPacedDevice* card = nullptr;
        if (audio == AudioOut::Silent) {
            sound.bSilent = true;
        } else if (audio == AudioOut::Card) {
            auto device = std::make_unique<CardPacedDevice>(CreateAlsaSoundDevice(sound.strPcmName));
            card = device.get();
            sound.pDevice = std::move(device);
        }
        auto output = std::make_unique<CSoundOutput>(!live, std::move(sound));
        if (output->CreateBuffer(AudioUnitBytes(kAudioBufSetting)) != 0)
            std::fprintf(stderr, "live_path: the audio output's ring was not made\n");
        const CSoundOutput* watched = output.get();
        probe.OnPlayer(watched, card);
        AudioPlayerOptions options;
        options.pOutput = std::move(output);
        auto player = std::make_unique<CAudioPlayer>(kAudioBufSetting, !live, std::move(options));
        return std::make_unique<ProbedAudioWorker>(std::move(player), watched, probe);
    }

    AudioOut audio = AudioOut::Off;
    AudioProbe probe;
    HeadlessGrid grid;
    std::atomic<bool> m_liveWanted{false};
};

// The recorder in a child process, so that its sending does not count as the
// client's CPU time. Returns the port (0 on failure) through a pipe.
pid_t StartRecorder(const std::vector<k5streams::EncodedFrame>& frames, int channels, bool audio,
                    std::uint16_t& port)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        k5sim::RecorderSim sim;
        sim.Settings().hello.channelNum = 16;
        sim.OnHello([](k5sim::RecorderSim& s) { k5sim::GrantOperator(s, "admin", "1234"); });
        k5sim::SimLive live(sim);
        live.Live().fps = 25;
        live.Live().channels = static_cast<std::uint16_t>(channels >= 16 ? 0xFFFF : (1u << channels) - 1);
        for (int ch = 0; ch < 16; ++ch) {
            k5sim::SimStream s;
            s.width = 704;
            s.height = 576;
            for (const auto& f : frames)
                s.frames.push_back(k5sim::SimFrame{f.data, f.key});
            live.SetStream(ch, std::move(s));
        }
        live.Live().audioChannel = kAudioChannel;
        std::uint16_t p = sim.Start() ? sim.Port() : 0;
        // The client connects through the relay that brings the audio down to its real rate.
        if (p != 0 && audio)
            p = StartAudioRelay(p, AudioThinner(kAudioChannel, live.Live().fps));
        if (write(fds[1], &p, sizeof p) != sizeof p)
            _exit(1);
        close(fds[1]);
        // Until the parent ends it.
        for (;;)
            pause();
    }
    close(fds[1]);
    if (read(fds[0], &port, sizeof port) != sizeof port)
        port = 0;
    close(fds[0]);
    return pid;
}

double Percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(q * double(v.size())));
    return v[i];
}

// The audio figures: the start, the window's resets and units, and the
// device's own count of what it was given.
void ReportAudio(AudioOut audio, bool sent, std::int64_t reqMs, const AudioProbe::Snapshot& before,
                 const AudioProbe::Snapshot& after, const AudioProbe::Snapshot& end, double wall,
                 const std::filesystem::path& raw)
{
    const CSoundOutput::Status& o = end.output;
    const bool deviceRan = audio != AudioOut::Silent && o.nOpens > 0;
    const char* what = audio == AudioOut::Silent ? "the output's silent sink (paced by the clock)"
                       : !deviceRan              ? "the silent sink: the ALSA PCM did not open"
                       : audio == AudioOut::Card
                           ? "ALSA \"default\" = file plugin over null, paced as a card with a 100 ms buffer"
                           : "ALSA \"default\" = file plugin over null, unpaced (the null PCM never blocks)";
    std::printf("audio: channel %d, AudioBuf %d (units of %d blocks, %d ms), output: %s\n", kAudioChannel,
                kAudioBufSetting, AudioBlocksPerWrite(kAudioBufSetting), AudioUnitMs(kAudioBufSetting), what);
    if (!sent) {
        std::printf("audio: AUDIO_ONOFF_REQ was not sent\n");
        return;
    }
    auto step = [](std::int64_t from, std::int64_t to) {
        return from == CAudioClock::NO_STAMP || to == CAudioClock::NO_STAMP ? -1.0 : double(to - from);
    };
    std::printf("audio start: AUDIO_ONOFF_REQ sent -> first block handed to the player %.0f ms"
                " -> first unit handed to the %s %.0f ms (total %.0f ms)\n",
                step(reqMs, end.firstBlockMs), deviceRan ? "device" : "sink",
                step(end.firstBlockMs, o.nFirstPlayMs), step(reqMs, o.nFirstPlayMs));
    std::printf("             of the second step: collecting the unit into the output's ring %.0f ms,"
                " ring to %s %.0f ms\n",
                step(end.firstBlockMs, o.nFirstWriteMs), deviceRan ? "device" : "sink",
                step(o.nFirstWriteMs, o.nFirstPlayMs));

    const CSoundOutput::Status w = after.output - before.output;
    const double unitMs = AudioUnitMs(kAudioBufSetting);
    const double expected = wall * 1000.0 / unitMs;
    const std::uint64_t blocks = after.blocks - before.blocks;
    const int resets = w.arrResets[CSoundOutput::RESET_UNDERRUN] + w.arrResets[CSoundOutput::RESET_LEAD] +
                       w.arrResets[CSoundOutput::RESET_OVERRUN] + w.arrResets[CSoundOutput::RESET_RESYNC] +
                       w.arrResets[CSoundOutput::RESET_CLEAR];
    const double perMinute = 60.0 / wall;
    std::printf("audio window %.1f s: output resets %d = %.1f per minute (underrun %d, lead %d, overwrite %d,"
                " clear %d)\n",
                wall, resets, resets * perMinute, w.arrResets[CSoundOutput::RESET_UNDERRUN],
                w.arrResets[CSoundOutput::RESET_LEAD], w.arrResets[CSoundOutput::RESET_OVERRUN],
                w.arrResets[CSoundOutput::RESET_CLEAR]);
    std::printf("audio units: written %lld, played %lld, expected %.1f (8000 samples/s over the window);"
                " blocks handed to the player %llu = %.1f units (%llu refused)\n",
                static_cast<long long>(w.nUnitsWritten), static_cast<long long>(w.nUnitsPlayed), expected,
                static_cast<unsigned long long>(blocks),
                double(blocks) / AudioBlocksPerWrite(kAudioBufSetting),
                static_cast<unsigned long long>(after.refused - before.refused));
    std::printf("audio device: opens %d, errors recovered %d, errors that closed it %d, players made %d\n",
                o.nOpens, o.nRecoveries, o.nDeviceErrors, end.players);
    if (audio == AudioOut::Card && deviceRan) {
        const double dry = after.card.dryMs - before.card.dryMs;
        std::printf("audio card: ran dry %d times in the window, %.0f ms of silence (%.2f%% of the window)\n",
                    after.card.dry - before.card.dry, dry, dry / (wall * 10.0));
    }
    if (!raw.empty() && deviceRan) {
        // What the file plugin wrote: every frame the device was given, start to stop.
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(raw, ec);
        const double unitBytes = AudioUnitBytes(kAudioBufSetting);
        if (!ec)
            std::printf(
                "audio file plugin: %llu bytes = %.1f units since the start (output played %lld units)\n",
                static_cast<unsigned long long>(bytes), double(bytes) / unitBytes,
                static_cast<long long>(o.nUnitsPlayed));
    }
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 10;
    int channels = 16;
    bool noise = true;
    AudioOut audio = AudioOut::Card;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--channels") == 0)
            channels = std::clamp(std::atoi(argv[i + 1]), 1, 16);
        else if (std::strcmp(argv[i], "--noise") == 0)
            noise = std::atoi(argv[i + 1]) != 0;
        else if (std::strcmp(argv[i], "--audio") == 0) {
            const std::string v = argv[i + 1];
            if (v == "card")
                audio = AudioOut::Card;
            else if (v == "alsa")
                audio = AudioOut::Alsa;
            else if (v == "silent")
                audio = AudioOut::Silent;
            else if (v == "off")
                audio = AudioOut::Off;
            else {
                std::fprintf(stderr, "live_path: --audio card|alsa|silent|off\n");
                return 2;
            }
        }
    }

    // Before anything in this process touches ALSA.
    TempFolder alsaFolder;
    const std::filesystem::path alsaRaw = alsaFolder.Path() / "played.raw";
    const bool alsa = audio == AudioOut::Card || audio == AudioOut::Alsa;
    if (alsa && (alsaFolder.Path().empty() || !UseAlsaFilePlugin(alsaFolder.Path(), alsaRaw)))
        std::fprintf(stderr, "live_path: the ALSA configuration could not be written; ALSA's own is used\n");

    // A camera-like stream: interlaced (MBAFF), sensor noise, a key frame a second.
    k5streams::StreamSpec spec;
    spec.width = 704;
    spec.height = 576;
    spec.interlaced = true;
    spec.noise = noise;
    spec.gop = 25;
    spec.frames = 50;
    const std::vector<k5streams::EncodedFrame> frames = k5streams::MakeH264Stream(spec);
    if (frames.empty()) {
        std::fprintf(stderr, "live_path: no libx264 encoder\n");
        return 1;
    }
    std::size_t bytes = 0;
    for (const auto& f : frames)
        bytes += f.data.size();
    std::printf(
        "stream: 704x576 MBAFF%s, %zu frames looped, %.1f KB per frame, %d channels at 25 fps, %u CPUs\n",
        noise ? " with noise" : "", frames.size(), double(bytes) / 1024.0 / double(frames.size()), channels,
        std::thread::hardware_concurrency());

    std::uint16_t port = 0;
    const pid_t recorder = StartRecorder(frames, channels, audio != AudioOut::Off, port);
    if (recorder <= 0 || port == 0) {
        std::fprintf(stderr, "live_path: the recorder simulator did not start\n");
        return 1;
    }

    // The client's own peak from here on (the encoder's memory is not the client's).
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
    }

    DecoderLibrary library;
    if (!library.Load()) {
        std::fprintf(stderr, "live_path: libH264_D1.so not found beside the program\n");
        kill(recorder, SIGTERM);
        return 1;
    }

    BenchHost host;
    host.audio = audio;
    if (audio != AudioOut::Off)
        host.grid.SetSingleView(kAudioChannel);
    BenchEnv env;
    std::mutex latencyLock;
    std::vector<double> latencies;
    std::atomic<bool> measuring{false};
    std::atomic<std::uint64_t> publishedInWindow{0};
    std::array<CVideoDecodeThread*, 16> workers{};
    std::mutex workersLock;

    DecodeWorkerOptions options;
    options.modeLabels = {"Live", "Playback", "Local"};
    options.onPublished = [&](int, Clock::time_point arrival) {
        if (!measuring)
            return;
        ++publishedInWindow;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - arrival).count();
        std::lock_guard<std::mutex> lock(latencyLock);
        latencies.push_back(ms);
    };
    const DecoderEntryPoints entries = DecoderEntryPoints::From(library);

    NetTimings timings;
    auto client = CNetClient::Create(host, timings);
    host.client = client;
    client->SetDecodeWorkerFactory([&](int channel) -> std::unique_ptr<IDecodeWorker> {
        auto w = std::make_unique<CVideoDecodeThread>(channel, host.grid, env, entries, options);
        std::lock_guard<std::mutex> lock(workersLock);
        workers[static_cast<std::size_t>(channel)] = w.get();
        return w;
    });
    client->SetConnectInfo("127.0.0.1", port, "admin", "1234");
    client->Connect();
    for (int i = 0; i < 500 && !host.m_liveWanted; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!host.m_liveWanted || !client->SendLiveReq()) {
        std::fprintf(stderr, "live_path: the hello was not accepted\n");
        client->DestroyWindow();
        kill(recorder, SIGTERM);
        return 1;
    }

    // Warm up: every channel shows pictures.
    std::this_thread::sleep_for(std::chrono::seconds(2));

    // Audio on, as the Audio button does, and wait for the first unit to reach the device.
    std::int64_t audioReqMs = CAudioClock::NO_STAMP;
    bool audioSent = false;
    if (audio != AudioOut::Off) {
        audioReqMs = SteadyMs(Clock::now());
        audioSent = client->SendAudioOnReq();
        for (int i = 0; i < 500 && audioSent; ++i) {
            if (host.probe.Take().output.nFirstPlayMs != CAudioClock::NO_STAMP)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // Let the start settle so the window sees steady playing.
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    auto totals = [&](CVideoDecodeThread::Stats& sum) {
        sum = CVideoDecodeThread::Stats();
        std::lock_guard<std::mutex> lock(workersLock);
        for (CVideoDecodeThread* w : workers) {
            if (!w)
                continue;
            const auto s = w->GetStats();
            sum.published += s.published;
            sum.shed += s.shed;
            sum.failed += s.failed;
            sum.refused += s.refused;
            sum.waitingKey += s.waitingKey;
            sum.queued += s.queued;
        }
    };
    CVideoDecodeThread::Stats before;
    totals(before);
    const std::uint64_t droppedBefore = client->FramesDropped();
    const AudioProbe::Snapshot audioBefore = host.probe.Take();
    const double cpuStart = CpuSeconds(RUSAGE_SELF);
    const auto wallStart = Clock::now();
    measuring = true;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    measuring = false;
    const double cpuSpent = CpuSeconds(RUSAGE_SELF) - cpuStart;
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const AudioProbe::Snapshot audioAfter = host.probe.Take();
    CVideoDecodeThread::Stats after;
    totals(after);
    const std::uint64_t droppedByConnection = client->FramesDropped() - droppedBefore;
    const long peakKb = ProcStatusValue("VmHWM:");

    client->SendLiveStop();
    client->DestroyWindow();
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);

    const std::uint64_t published = after.published - before.published;
    const std::uint64_t shed = after.shed - before.shed;
    const std::uint64_t failed = after.failed - before.failed;
    const std::uint64_t refused = after.refused - before.refused;
    const double expected = 25.0 * channels * wall;
    const double clientPerFrame = published > 0 ? cpuSpent / double(published) : 0;
    const double yardstick = YardstickPerFrame(frames, static_cast<std::size_t>(published), false);

    std::printf("window: %.2f s, pictures published %llu (%.1f per channel per second; sent about %.0f)\n",
                wall, static_cast<unsigned long long>(published), double(published) / channels / wall,
                expected);
    std::printf("client CPU per decoded frame   %.3f ms (all threads of the client process)\n",
                clientPerFrame * 1e3);
    std::printf("yardstick CPU per decoded frame %.3f ms (libavcodec, one thread)\n", yardstick * 1e3);
    std::printf("ratio client/yardstick          %.3f   (target <= 1.15)\n",
                yardstick > 0 ? clientPerFrame / yardstick : 0.0);
    std::printf("frames shed %llu, decoder failures %llu, refused %llu, dropped by the connection %llu"
                "   (target 0)\n",
                static_cast<unsigned long long>(shed), static_cast<unsigned long long>(failed),
                static_cast<unsigned long long>(refused),
                static_cast<unsigned long long>(droppedByConnection));
    std::printf("arrival to published: p50 %.2f ms, p99 %.2f ms, max %.2f ms   (target p99 < 40 ms)\n",
                Percentile(latencies, 0.50), Percentile(latencies, 0.99), Percentile(latencies, 1.0));
    std::printf("peak RSS of the client: %.1f MB\n", double(peakKb) / 1024.0);
    if (audio != AudioOut::Off)
        ReportAudio(audio, audioSent, audioReqMs, audioBefore, audioAfter, host.probe.Take(), wall,
                    alsa ? alsaRaw : std::filesystem::path());
    return 0;
}
