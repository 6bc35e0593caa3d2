#include "SimSearch.h"

#include "SimLive.h"

#include <algorithm>

namespace k5sim {

bool SendFragmented(RecorderSim& sim, std::uint16_t msgId, const Bytes& payload, std::size_t fragment)
{
    fragment = std::clamp<std::size_t>(fragment, 1, 65535);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(fragment, payload.size() - at);
        const bool last = at + n >= payload.size();
        Bytes part(payload.begin() + static_cast<std::ptrdiff_t>(at),
                   payload.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (!sim.Send(msgId, part, last ? kLastFragment : 0))
            return false;
        at += n;
    } while (at < payload.size());
    return true;
}

SimSearch::SimSearch(RecorderSim& sim, SimCatalogue catalogue) : m_sim(sim), m_catalogue(std::move(catalogue))
{
    for (std::uint16_t req :
         {id::PLAY_INFO_MONTH_REQ, id::PLAY_INFO_DAY_REQ, id::TRANS_INFO_MONTH_REQ, id::TRANS_INFO_DAY_REQ,
          id::LOG_INFO_REQ, id::STATUS_INFO_REQ, id::EVENT_INFO_REQ, id::EVENT_TIME_REQ})
        m_sim.SetHandler(req, [this](RecorderSim&, const Message& m) { Answer(m); });
}

SimSearch::~SimSearch()
{
    for (std::uint16_t req :
         {id::PLAY_INFO_MONTH_REQ, id::PLAY_INFO_DAY_REQ, id::TRANS_INFO_MONTH_REQ, id::TRANS_INFO_DAY_REQ,
          id::LOG_INFO_REQ, id::STATUS_INFO_REQ, id::EVENT_INFO_REQ, id::EVENT_TIME_REQ})
        m_sim.SetHandler(req, nullptr);
}

void SimSearch::SetScript(const SearchScript& script)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_script = script;
}

SearchScript SimSearch::Script() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_script;
}

void SimSearch::AttachPlayback(SimLive& live)
{
    const SimCatalogue* catalogue = &m_catalogue;
    live.SetPlayPlanner([catalogue](const Bytes& body, PlayConfig& play) {
        if (body.size() < 24) {
            play.refuseReason = 83;
            return;
        }
        const std::uint32_t mask = GetBE32(body, 0) & 0xFFFFu;
        const std::uint32_t start = GetBE32(body, 16);
        std::uint32_t first = 0;
        const std::uint32_t channels = catalogue->RecordedFrom(mask, start);
        if (channels == 0 || !catalogue->FirstRecorded(mask, start, first)) {
            play.refuseReason = 83;
            return;
        }
        play.refuseReason = 0;
        play.channels = static_cast<std::uint16_t>(channels);
        play.startTime = first;
    });
}

void SimSearch::Answer(const Message& m)
{
    const SearchScript script = Script();
    if (script.silent)
        return;
    std::uint16_t ack = 0, nack = 0;
    std::int32_t refuse = 0;
    Bytes payload;
    auto day = [&](int& y, int& mo, int& d) {
        if (m.payload.size() < 8)
            return false;
        y = static_cast<int>(GetBE32(m.payload, 0));
        mo = m.payload[4];
        d = m.payload[5];
        return true;
    };
    switch (m.id) {
    case id::PLAY_INFO_MONTH_REQ:
    case id::TRANS_INFO_MONTH_REQ:
        ack = m.id == id::PLAY_INFO_MONTH_REQ ? id::PLAY_INFO_MONTH_ACK : id::TRANS_INFO_MONTH_ACK;
        nack = ack + 1;
        refuse = script.monthRefuse;
        payload = m_catalogue.YearRecords(script.splitYears);
        break;
    case id::PLAY_INFO_DAY_REQ:
    case id::TRANS_INFO_DAY_REQ: {
        ack = m.id == id::PLAY_INFO_DAY_REQ ? id::PLAY_INFO_DAY_ACK : id::TRANS_INFO_DAY_ACK;
        nack = ack + 1;
        refuse = script.dayRefuse;
        int y = 0, mo = 0, d = 0;
        if (day(y, mo, d))
            payload = m_catalogue.DayRecords(y, mo, d);
        if (payload.empty() && refuse == 0)
            refuse = 83;
        break;
    }
    case id::EVENT_INFO_REQ:
        ack = id::EVENT_INFO_ACK;
        nack = id::EVENT_INFO_NACK;
        refuse = script.eventRefuse;
        payload = m_catalogue.AllEvents();
        break;
    case id::EVENT_TIME_REQ:
        ack = id::EVENT_INFO_ACK;
        nack = id::EVENT_INFO_NACK;
        refuse = script.eventRefuse;
        if (m.payload.size() >= 24)
            payload = m_catalogue.EventsIn(GetBE32(m.payload, 0), m.payload[4], GetBE32(m.payload, 16),
                                           GetBE32(m.payload, 20));
        if (payload.empty() && refuse == 0)
            refuse = 83;
        break;
    case id::LOG_INFO_REQ:
        ack = id::LOG_INFO_ACK;
        nack = id::LOG_INFO_NACK;
        refuse = script.logRefuse;
        payload = script.log;
        break;
    case id::STATUS_INFO_REQ:
        ack = id::STATUS_INFO_ACK;
        nack = id::STATUS_INFO_NACK;
        refuse = script.statusRefuse;
        payload = script.status;
        break;
    default:
        return;
    }
    if (refuse != 0) {
        m_sim.SendReason(nack, refuse);
        return;
    }
    if (script.truncateTo != 0 && payload.size() > script.truncateTo)
        payload.resize(script.truncateTo);
    SendFragmented(m_sim, ack, payload, script.fragment);
}

} // namespace k5sim
