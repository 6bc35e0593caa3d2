// The remote search window's answers: month lists, day and event intervals,
// log, system and status bytes.
#include "net/NetClient.h"

#include "net/NetMessages.h"
#include "platform/Trace.h"

namespace {

[[maybe_unused]] const char* AnswerName(SearchAnswerKind kind)
{
    switch (kind) {
    case SearchAnswerKind::PlayMonth:
        return "PLAY_INFO_MONTH_ACK";
    case SearchAnswerKind::TransMonth:
        return "TRANS_INFO_MONTH_ACK";
    case SearchAnswerKind::PlayDay:
        return "PLAY_INFO_DAY_ACK";
    case SearchAnswerKind::TransDay:
        return "TRANS_INFO_DAY_ACK";
    case SearchAnswerKind::Event:
        return "EVENT_INFO_ACK";
    case SearchAnswerKind::Log:
        return "LOG_INFO_ACK";
    case SearchAnswerKind::System:
        return "SYSTEM_INFO_ACK";
    case SearchAnswerKind::Status:
        return "STATUS_INFO_ACK";
    }
    return "?";
}

} // namespace

bool CNetClient::RecvFn_SearchAnswer(const WireHeader& h)
{
    SearchAnswerKind kind;
    if (!SearchAnswerKindOf(h.cmd(), kind))
        return true;
    // The payload is read in every case, so the stream stays framed.
    if (!ReadPayload(m_payload))
        return false;
    TRACE("Recv...%s...%d%s\n", AnswerName(kind), int(m_payload.size()), h.IsLastFragment() ? " last" : "");

    const std::shared_ptr<SearchFrameLink> frame = SearchFrame();
    const std::uint32_t generation = m_nSearchFrameGen.load();
    if (generation != m_nSearchAnswerGen) {
        // Another window (or none) since the last fragment: what was gathered
        // belonged to the window that went.
        m_searchAnswers.Reset();
        m_nSearchAnswerGen = generation;
    }
    if (!frame)
        return true; // no window: drained and dropped

    std::unique_ptr<SearchAnswer> answer;
    switch (m_searchAnswers.Add(kind, m_payload.data(), m_payload.size(), h.IsLastFragment(), answer)) {
    case CSearchAnswerAssembler::Step::Partial:
        return true;
    case CSearchAnswerAssembler::Step::Dropped:
        TRACE("%s dropped: larger than %d bytes\n", AnswerName(kind), int(kSearchAnswerLimit));
        frame->ClearRequestPending();
        PostNotify(NetNotify::Param(NetNotify::NACK, NetNotify::NACK_ANSWER_DROPPED), frame->Frame());
        return true;
    case CSearchAnswerAssembler::Step::Complete:
        break;
    }

    // The connection's live lists feed the hand-over of the next window.
    if (kind == SearchAnswerKind::PlayMonth)
        m_searchKeep.SetLiveMonth(answer->years);
    else if (kind == SearchAnswerKind::PlayDay || kind == SearchAnswerKind::Event)
        m_searchKeep.SetLiveDay(answer->days);
    frame->DeliverAnswer(std::move(answer));
    return true;
}
