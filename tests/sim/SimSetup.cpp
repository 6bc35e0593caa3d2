#include "SimSetup.h"

#include <algorithm>
#include <array>

namespace k5sim {

namespace {
constexpr std::uint16_t kLastFragment = 0x4000;
constexpr std::size_t kMaxFragment = 0xFFFF;

const std::array<std::uint32_t, 256>& CrcTable()
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}
} // namespace

std::uint32_t SimCrc32(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i)
        c = CrcTable()[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

Bytes PatternedSetupImage(std::size_t size, std::uint8_t major, std::uint8_t minor, std::uint8_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0xFF);
    if (size > 0)
        b[0] = major;
    if (size > 1)
        b[1] = minor;
    return b;
}

struct SimSetup::State
{
    mutable std::mutex lock;
    Bytes image;
    Bytes factory;
    std::size_t fragment = 1460;
    InfoFault fault = InfoFault::None;
    std::size_t oversize = 70000;
    std::int32_t infoNack = 0;
    std::int32_t updateNack = 0;
    std::int32_t initNack = 0;
    std::int32_t badCrcReason = 97;
    bool setupRight = true;
    std::vector<Update> updates;
    std::size_t inits = 0;
};

namespace {

void SendInfo(RecorderSim& sim, const Bytes& payload, std::size_t fragment)
{
    fragment = std::clamp<std::size_t>(fragment, 1, kMaxFragment);
    std::size_t off = 0;
    do {
        const std::size_t n = std::min(fragment, payload.size() - off);
        const bool last = off + n >= payload.size();
        sim.Send(id::DB_INFO_ACK,
                 Bytes(payload.begin() + static_cast<std::ptrdiff_t>(off),
                       payload.begin() + static_cast<std::ptrdiff_t>(off + n)),
                 last ? kLastFragment : 0);
        off += n;
    } while (off < payload.size());
}

} // namespace

SimSetup::SimSetup(RecorderSim& sim, std::size_t imageSize, std::uint8_t major, std::uint8_t minor)
    : m_sim(sim), m_state(std::make_shared<State>())
{
    m_state->image = PatternedSetupImage(imageSize, major, minor);
    m_state->factory = m_state->image;
    std::shared_ptr<State> st = m_state;

    m_sim.SetHandler(id::DB_INFO_REQ, [st](RecorderSim& s, const Message&) {
        Bytes payload;
        std::size_t fragment;
        InfoFault fault;
        std::int32_t nack;
        {
            std::lock_guard<std::mutex> lock(st->lock);
            fragment = st->fragment;
            fault = st->fault;
            nack = st->setupRight ? st->infoNack : 1;
            if (fault == InfoFault::Oversize) {
                payload = PatternedSetupImage(st->oversize, 4, 6);
            } else {
                payload = BE32(SimCrc32(st->image.data(), st->image.size()));
                payload.insert(payload.end(), st->image.begin(), st->image.end());
            }
        }
        if (nack > 0) {
            s.SendReason(id::DB48_INFO_NACK, nack);
            return;
        }
        switch (fault) {
        case InfoFault::Silent:
            return;
        case InfoFault::Short:
            s.Send(id::DB_INFO_ACK, Bytes{1, 2, 3}, kLastFragment);
            return;
        case InfoFault::BadCrc:
            payload[0] ^= 0xFF;
            break;
        case InfoFault::Oversize:
            fragment = kMaxFragment;
            break;
        case InfoFault::None:
            break;
        }
        SendInfo(s, payload, fragment);
    });

    m_sim.SetHandler(id::DB_UPDATE_REQ, [st](RecorderSim& s, const Message& m) {
        Update u;
        u.payload = m.payload;
        u.crcOk = m.payload.size() >= 4 &&
                  GetBE32(m.payload, 0) == SimCrc32(m.payload.data() + 4, m.payload.size() - 4);
        std::int32_t reason = 0;
        {
            std::lock_guard<std::mutex> lock(st->lock);
            st->updates.push_back(u);
            if (!st->setupRight)
                reason = 1;
            else if (st->updateNack > 0)
                reason = st->updateNack;
            else if (!u.crcOk)
                reason = st->badCrcReason;
            else
                st->image.assign(m.payload.begin() + 4, m.payload.end());
        }
        if (reason > 0)
            s.SendReason(id::DB_UPDATE_NACK, reason);
        else
            s.Send(id::DB_UPDATE_ACK);
    });

    m_sim.SetHandler(id::DB_INIT_REQ, [st](RecorderSim& s, const Message&) {
        std::int32_t reason = 0;
        {
            std::lock_guard<std::mutex> lock(st->lock);
            ++st->inits;
            reason = st->initNack;
            if (reason == 0)
                st->image = st->factory;
        }
        if (reason > 0)
            s.SendReason(id::DB_INIT_NACK, reason);
        else
            s.Send(id::DB_INIT_ACK);
    });
}

SimSetup::~SimSetup()
{
    for (std::uint16_t msg : {id::DB_INFO_REQ, id::DB_UPDATE_REQ, id::DB_INIT_REQ})
        m_sim.SetHandler(msg, RecorderSim::Handler());
}

Bytes SimSetup::Image() const
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    return m_state->image;
}

void SimSetup::SetImage(const Bytes& image)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->image = image;
}

void SimSetup::SetByte(std::size_t offset, std::uint8_t value)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    if (offset < m_state->image.size())
        m_state->image[offset] = value;
}

void SimSetup::SetBE16(std::size_t offset, std::uint16_t value)
{
    SetByte(offset, static_cast<std::uint8_t>(value >> 8));
    SetByte(offset + 1, static_cast<std::uint8_t>(value));
}

void SimSetup::SetBE32(std::size_t offset, std::uint32_t value)
{
    SetBE16(offset, static_cast<std::uint16_t>(value >> 16));
    SetBE16(offset + 2, static_cast<std::uint16_t>(value));
}

void SimSetup::SetText(std::size_t offset, std::size_t width, const std::string& text)
{
    for (std::size_t i = 0; i < width; ++i)
        SetByte(offset + i, i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

void SimSetup::SetFactory()
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->factory = m_state->image;
}

void SimSetup::SetFragmentSize(std::size_t size)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->fragment = size;
}

void SimSetup::SetInfoFault(InfoFault fault, std::size_t oversize)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->fault = fault;
    m_state->oversize = oversize;
}

void SimSetup::SetInfoNack(std::int32_t reason)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->infoNack = reason;
}

void SimSetup::SetUpdateNack(std::int32_t reason)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->updateNack = reason;
}

void SimSetup::SetInitNack(std::int32_t reason)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->initNack = reason;
}

void SimSetup::SetSetupRight(bool granted)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->setupRight = granted;
}

void SimSetup::SetBadCrcReason(std::int32_t reason)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->badCrcReason = reason;
}

std::vector<SimSetup::Update> SimSetup::Updates() const
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    return m_state->updates;
}

std::size_t SimSetup::InitRequests() const
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    return m_state->inits;
}

} // namespace k5sim
