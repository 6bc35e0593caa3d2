// The backup transfer on the connection's side: the size answer, the
// reassembly of backed-up frames into the download writer's queue, the end
// of a transfer, and the backup start the backup pages call.
#include "net/NetClient.h"

#include "net/NetMessages.h"
#include "platform/Trace.h"

#include <cstring>

namespace {

// What the writer reports, carried to the main window by the host; a file
// error is only flagged here, and the connection ends the transfer from a
// thread of its own.
class CBackupHostLink : public IBackupWriterHost
{
public:
    CBackupHostLink(NetHost& host, std::shared_ptr<std::atomic<bool>> failed)
        : m_host(host), m_failed(std::move(failed))
    {
    }
    void PostTransfer(UINT msg, WPARAM wParam) override
    {
        m_host.PostMessageTo(m_host.MainWindow(), msg, wParam, 0);
    }
    void NotifyWriteFailed(int sub) override
    {
        m_host.PostNotify(NetNotify::Param(NetNotify::WRITE_FAILED, sub));
    }
    void OnWriterFailed() override { m_failed->store(true); }

private:
    NetHost& m_host;
    std::shared_ptr<std::atomic<bool>> m_failed;
};

// Slot 17: the writer with the link it reports through. Once stopped, it
// tells the host how the download ended: the name its sets were made under
// and the frames of this download that arrived damaged and were left out.
class CBackupSlot : public NetWorker
{
public:
    CBackupSlot(NetHost& host, std::shared_ptr<std::atomic<bool>> failed, std::uint32_t totalKB,
                BackupSetOptions options, std::size_t queueBytes, const std::atomic<std::uint64_t>& dropped)
        : m_host(host), m_strAsked(options.name), m_dropped(dropped), m_nDroppedAtStart(dropped.load()),
          m_link(host, std::move(failed)), m_writer(m_link, totalKB, std::move(options), queueBytes)
    {
    }
    void Stop() override
    {
        m_writer.Stop();
        if (m_bReported)
            return;
        m_bReported = true;
        DownloadSummary summary;
        summary.askedName = m_strAsked;
        summary.setName = m_writer.SetName();
        summary.framesWritten = m_writer.FramesWritten();
        summary.framesDropped = m_dropped.load() - m_nDroppedAtStart;
        summary.failed = m_writer.Failed();
        m_host.OnDownloadClosed(summary);
    }
    std::shared_ptr<CBackupQueue> Queue() const { return m_writer.Queue(); }

private:
    NetHost& m_host;
    const std::string m_strAsked;
    const std::atomic<std::uint64_t>& m_dropped;
    const std::uint64_t m_nDroppedAtStart;
    bool m_bReported = false;
    CBackupHostLink m_link;
    CBackupWriter m_writer;
};

} // namespace

bool CNetClient::StartBackup(std::uint32_t totalKB, BackupSetOptions options,
                             const std::array<std::uint8_t, 24>& range)
{
    {
        std::unique_lock<std::mutex> lock(m_slotLock);
        if (m_workers[kSlotBackupWriter] == nullptr) {
            lock.unlock();
            options.servedModel = m_bServedModel.load();
            m_pTransFailed->store(false);
            auto slot = std::make_unique<CBackupSlot>(m_host, m_pTransFailed, totalKB, std::move(options),
                                                      m_nBackupQueueBytes, m_nTransDropped);
            {
                std::lock_guard<std::mutex> relock(m_slotLock);
                m_pBackupQueue = slot->Queue();
            }
            SetWorker(kSlotBackupWriter, std::move(slot));
        }
    }
    if (!m_bTrans) {
        m_bTransRestart = true;
        m_bTrans = true;
    }
    TRACE("Send... TRANS_DATA_REQ...\n");
    return Send(TRANS_DATA_REQ, range.data(), range.size());
}

std::shared_ptr<CBackupQueue> CNetClient::BackupQueue() const
{
    std::lock_guard<std::mutex> lock(m_slotLock);
    return m_pBackupQueue;
}

bool CNetClient::RecvFn_TransOnAck(const WireHeader& h)
{
    (void)h;
    // The size is the first four bytes; a longer payload is read to its end.
    if (!ReadPayload(m_payload))
        return false;
    std::uint8_t size[4] = {};
    std::memcpy(size, m_payload.data(), std::min<std::size_t>(4, m_payload.size()));
    const std::uint32_t kb = ReadBE32(size);
    TRACE("Recv...TRANS_ON_ACK... %u\n", kb);
    if (const std::shared_ptr<SearchFrameLink> frame = SearchFrame()) {
        frame->ClearRequestPending();
        frame->DeliverBackupSize(kb);
    }
    return true;
}

bool CNetClient::RecvFn_TransOnData(const WireHeader& h)
{
    EndFailedTransfer();
    if (m_bTransRestart.exchange(false))
        m_transStream.Reset();
    std::shared_ptr<CBackupQueue> queue;
    {
        std::lock_guard<std::mutex> lock(m_slotLock);
        if (auto* slot = dynamic_cast<CBackupSlot*>(m_workers[kSlotBackupWriter].get()))
            queue = slot->Queue();
    }
    if (!queue) {
        // No writer: the fragment is drained and its frame dropped.
        if (h.IsLastFragment())
            ++m_nTransDropped;
        m_transStream.Reset();
        return true;
    }

    // The reassembly is bounded: a frame that outgrows it is drained whole.
    const std::size_t length = m_nPayloadLeft;
    if (std::uint8_t* room = m_transStream.Reserve(length)) {
        if (length > 0 && !LoopReceive(*m_socket, room, length, &m_bStopRecv, m_timings.receiveLimit))
            return false;
        m_nPayloadLeft = 0;
        m_transStream.Commit(length);
    }
    const std::uint64_t oversize = m_transStream.OversizeFrames();
    const bool whole = m_transStream.EndFragment(h.IsLastFragment());
    if (m_transStream.OversizeFrames() != oversize)
        ++m_nTransDropped;
    if (!whole)
        return true;

    const std::size_t keep = CheckBackupFrame(m_transStream.Data(), m_transStream.Length());
    if (keep == 0) {
        TRACE("RecvFn_TransOnData: frame dropped\n");
        ++m_nTransDropped;
        m_transStream.Reset();
        return true;
    }
    // The reassembly buffer itself goes to the writer, and a buffer the
    // writer is done with takes its place: no frame is copied on the way.
    BackupItem item;
    item.length = keep;
    std::size_t spareRoom = 0;
    std::unique_ptr<std::uint8_t[]> spare = queue->TakeSpare(spareRoom);
    item.block = m_transStream.TakeBuffer(item.room, std::move(spare), spareRoom);
    // A full queue holds the receive thread back until the writer catches up;
    // a stopped or failed writer drops the frame.
    if (!queue->Push(std::move(item), &m_bStopRecv))
        ++m_nTransDropped;
    return true;
}

bool CNetClient::RecvFn_TransOnDone(const WireHeader& h)
{
    (void)h;
    TRACE("Recv...TRANS_ON_DONE...\n");
    m_transStream.Reset();
    SendTransOffReq();
    return true;
}

void CNetClient::EndFailedTransfer()
{
    // The flag stays until a marked transfer can be ended: a new writer
    // clears it when it is made.
    if (m_bTrans && m_pTransFailed->exchange(false))
        SendTransOffReq();
}
