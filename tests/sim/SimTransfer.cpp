#include "SimTransfer.h"

#include <algorithm>
#include <cstring>

namespace k5sim {

namespace {

void PutLE(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<int> Channels(const Bytes& range)
{
    std::vector<int> c;
    const std::uint32_t mask = range.size() >= 4 ? GetBE32(range, 0) : 0;
    for (int i = 0; i < 16; ++i) {
        if (mask & (1u << i))
            c.push_back(i);
    }
    return c;
}

// Which picture of its channel's second each picture of a plan is.
std::vector<int> PlaceInSecond(const std::vector<CatalogueFrame>& plan)
{
    std::vector<int> place(plan.size(), 0);
    std::uint32_t last[16] = {};
    int count[16] = {};
    for (std::size_t n = 0; n < plan.size(); ++n) {
        const int c = plan[n].channel & 15;
        count[c] = n > 0 && last[c] == plan[n].time ? count[c] + 1 : 0;
        last[c] = plan[n].time;
        place[n] = count[c];
    }
    return place;
}

constexpr std::size_t kPoolSize = 1 << 21;
constexpr std::size_t kOversize = 1300000; // past any frame the client keeps

} // namespace

SimTransfer::SimTransfer(RecorderSim& sim) : m_sim(sim), m_pool(kPoolSize)
{
    std::uint32_t x = 0x12345678;
    for (auto& b : m_pool) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    // A backup streams to the session that asked for it and to no other.
    m_sim.OnSessionEnd(this, [this](RecorderSim&) { StopStream(); });
    m_sim.SetHandler(id::TRANS_ON_REQ, [this](RecorderSim& s, const Message& m) {
        if (m_config.refuseReason != 0) {
            Bytes p = BE32(static_cast<std::uint32_t>(m_config.refuseReason));
            if (m_config.refuseReason == 87 && (m_config.nackNeededMB || m_config.nackFreeMB)) {
                const Bytes a = BE32(m_config.nackNeededMB), b = BE32(m_config.nackFreeMB);
                p.insert(p.end(), a.begin(), a.end());
                p.insert(p.end(), b.begin(), b.end());
            }
            s.Send(id::TRANS_ON_NACK, p);
            return;
        }
        Bytes p = BE32(AnswerKB(m.payload));
        if (m_config.longSizeAnswer)
            p.insert(p.end(), 8, 0xEE);
        s.Send(id::TRANS_ON_ACK, p);
    });
    m_sim.SetHandler(id::TRANS_DATA_REQ, [this](RecorderSim&, const Message& m) { OnDataReq(m); });
    m_sim.SetHandler(id::TRANS_OFF_REQ, [this](RecorderSim&, const Message&) { OnOffReq(); });
}

SimTransfer::~SimTransfer()
{
    m_sim.OnSessionEnd(this, nullptr);
    StopStream();
    m_sim.SetHandler(id::TRANS_ON_REQ, nullptr);
    m_sim.SetHandler(id::TRANS_DATA_REQ, nullptr);
    m_sim.SetHandler(id::TRANS_OFF_REQ, nullptr);
}

Bytes SimTransfer::RangeBody(std::uint32_t channelMask, std::uint32_t start, std::uint32_t end)
{
    Bytes b(24, 0);
    PutBE32(b, 0, channelMask);
    b[4] = 0x3F;
    PutBE32(b, 16, start);
    PutBE32(b, 20, end);
    return b;
}

std::vector<CatalogueFrame> SimTransfer::Plan(const Bytes& range) const
{
    std::vector<CatalogueFrame> plan;
    if (range.size() < 24)
        return plan;
    const std::uint32_t mask = GetBE32(range, 0);
    const std::uint32_t start = GetBE32(range, 16), end = GetBE32(range, 20);
    const int fps = std::max(m_config.fps, 1);
    if (m_catalogue != nullptr)
        return m_catalogue->Frames(mask, start, end, fps, end == 0 ? m_config.frames : 0);
    const std::vector<int> channels = Channels(range);
    if (channels.empty())
        return plan;
    const std::size_t count =
        end > start ? channels.size() * static_cast<std::size_t>(fps) * (end - start) : m_config.frames;
    plan.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t round = n / channels.size();
        plan.push_back({channels[n % channels.size()], start + static_cast<std::uint32_t>(round / fps)});
    }
    return plan;
}

std::size_t SimTransfer::FrameCount(const Bytes& range) const
{
    return Plan(range).size();
}

bool SimTransfer::IsGood(std::size_t n) const
{
    // A stored size that disagrees with the header's sizes costs the frame nothing.
    return n != m_config.badMarkerAt && n != m_config.oversizeAt;
}

Bytes SimTransfer::MakeFrame(const Bytes& range, std::size_t n) const
{
    const std::vector<CatalogueFrame> plan = Plan(range);
    return n < plan.size() ? MakeFrameAt(plan[n], n, PlaceInSecond(plan)[n]) : Bytes();
}

Bytes SimTransfer::MakeFrameAt(const CatalogueFrame& where, std::size_t n, int inSecond) const
{
    if (m_frameMaker && IsGood(n))
        return m_frameMaker(where, n, inSecond);
    const int channel = where.channel;
    const std::uint32_t time = where.time;
    std::size_t video = m_config.videoBytes + (n * 37) % 509;
    const std::size_t audio = n % 3 == 0 ? m_config.audioBytes : 0;
    if (n == m_config.oversizeAt)
        video = kOversize;
    const std::size_t stored = 40 + video + audio;
    Bytes f(192 + stored, 0);
    std::memcpy(f.data(), m_config.stem.data(), std::min<std::size_t>(m_config.stem.size(), 16));
    PutLE(f, 24, time);
    const std::size_t segmentEvery = std::max<std::size_t>(m_config.segmentEvery, 1);
    PutLE(f, 40, static_cast<std::uint32_t>(1000 + n / segmentEvery));
    f[48] = static_cast<std::uint8_t>(n);
    f[49] = static_cast<std::uint8_t>(n >> 8);
    f[50] = static_cast<std::uint8_t>(1u << ((n / std::max<std::size_t>(m_config.kindEvery, 1)) % 3));
    f[51] = 3;
    PutLE(f, 192, n == m_config.badMarkerAt ? 0x1FE : 511);
    const std::uint32_t storedField =
        static_cast<std::uint32_t>(stored + (n == m_config.wrongSizeAt ? 1 : 0));
    PutLE(f, 192 + 8, static_cast<std::uint32_t>(channel) | (storedField & 0xFFFFF) << 12);
    PutLE(f, 192 + 12, time);
    PutLE(f, 192 + 20, static_cast<std::uint32_t>(video & 0xFFFFF) | static_cast<std::uint32_t>(audio) << 20);
    // Recognisable bytes: a slice of the pool that moves with the frame number.
    std::size_t at = (n * 7919) % (kPoolSize / 2);
    for (std::size_t i = 232; i < f.size();) {
        const std::size_t chunk = std::min(f.size() - i, kPoolSize - at);
        std::memcpy(f.data() + i, m_pool.data() + at, chunk);
        i += chunk;
        at = 0;
    }
    return f;
}

std::uint32_t SimTransfer::AnswerKB(const Bytes& range) const
{
    if (m_catalogue == nullptr || m_config.kbPerSecond == 0 || range.size() < 24)
        return SizeKB(range);
    return m_catalogue->BackupSizeKB(GetBE32(range, 0), GetBE32(range, 16), GetBE32(range, 20), range[4],
                                     m_config.kbPerSecond);
}

std::uint32_t SimTransfer::SizeKB(const Bytes& range) const
{
    const std::size_t count = FrameCount(range);
    std::uint64_t bytes = 0;
    if (m_frameMaker) {
        const std::vector<CatalogueFrame> plan = Plan(range);
        const std::vector<int> place = PlaceInSecond(plan);
        for (std::size_t n = 0; n < plan.size(); ++n)
            if (IsGood(n))
                bytes += m_frameMaker(plan[n], n, place[n]).size();
        return static_cast<std::uint32_t>((bytes + 1023) / 1024);
    }
    for (std::size_t n = 0; n < count; ++n) {
        if (!IsGood(n))
            continue;
        const std::size_t video = m_config.videoBytes + (n * 37) % 509;
        const std::size_t audio = n % 3 == 0 ? m_config.audioBytes : 0;
        bytes += 232 + video + audio;
    }
    return static_cast<std::uint32_t>((bytes + 1023) / 1024);
}

std::vector<Bytes> SimTransfer::GoodFrames() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_good;
}

bool SimTransfer::WaitFramesSent(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_sent.load() >= n; });
}

std::size_t SimTransfer::Streams() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_streams;
}

bool SimTransfer::WaitStreams(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_streams >= n; });
}

bool SimTransfer::WaitStreamEnd(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return !m_running; });
}

void SimTransfer::Release()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_released = true;
    }
    m_changed.notify_all();
}

void SimTransfer::OnDataReq(const Message& m)
{
    StopStream();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_good.clear();
        m_released = false;
        m_running = true;
        m_sent = 0;
        m_bytes = 0;
        ++m_streams;
    }
    m_changed.notify_all();
    std::lock_guard<std::mutex> lock(m_threadLock);
    m_stop = false;
    m_thread = std::thread([this, range = m.payload] { Run(range); });
}

// Two sessions (a reconnect while the old one winds down) may stop the stream
// at once: the thread is taken out under a lock, so exactly one joins it.
void SimTransfer::StopStream()
{
    std::thread stream;
    {
        std::lock_guard<std::mutex> lock(m_threadLock);
        m_stop = true;
        stream = std::move(m_thread);
    }
    m_changed.notify_all();
    if (stream.joinable())
        stream.join();
}

void SimTransfer::OnOffReq()
{
    StopStream();
    if (m_config.offRefuseReason != 0)
        m_sim.SendReason(id::TRANS_OFF_NACK, m_config.offRefuseReason);
    else
        m_sim.Send(id::TRANS_OFF_ACK);
}

void SimTransfer::Run(Bytes range)
{
    const std::vector<CatalogueFrame> plan = Plan(range);
    const std::vector<int> place = PlaceInSecond(plan);
    const std::size_t count = plan.size();
    const std::size_t fragment = std::clamp<std::size_t>(m_config.fragment, 1, 65535);
    Bytes message;
    bool ok = true;
    for (std::size_t n = 0; n < count && ok && !m_stop; ++n) {
        if (m_config.holdAfter != 0 && n == m_config.holdAfter) {
            std::unique_lock<std::mutex> lock(m_lock);
            m_changed.wait(lock, [&] { return m_released || m_stop.load(); });
            if (m_stop)
                break;
        }
        const Bytes frame = MakeFrameAt(plan[n], n, place[n]);
        for (std::size_t at = 0; at < frame.size() && ok; at += fragment) {
            const std::size_t len = std::min(fragment, frame.size() - at);
            const bool last = at + len == frame.size();
            message = EncodeHeader(id::TRANS_ON_DATA, static_cast<std::uint16_t>(len), last ? 0x4000 : 0);
            message.insert(message.end(), frame.begin() + static_cast<std::ptrdiff_t>(at),
                           frame.begin() + static_cast<std::ptrdiff_t>(at + len));
            ok = m_sim.SendRaw(message);
        }
        if (!ok)
            break;
        m_bytes += frame.size();
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_config.keepFrames && IsGood(n))
                m_good.push_back(frame);
            ++m_sent;
        }
        m_changed.notify_all();
    }
    if (ok && !m_stop) {
        if (m_config.failReason != 0)
            m_sim.SendReason(id::TRANS_ON_FAIL, m_config.failReason);
        else
            m_sim.Send(id::TRANS_ON_DONE);
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_running = false;
    }
    m_changed.notify_all();
}

} // namespace k5sim
