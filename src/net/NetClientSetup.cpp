// The setup database exchange of the connection: fetch, the joined and
// checked answer, the update with the received tail, and the reset.
#include "net/NetClient.h"

#include "net/NetMessages.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cstring>

bool CNetClient::SendDBInfoReq()
{
    // One exchange at a time: a second fetch while the image is edited or
    // sent does nothing.
    bool expected = false;
    if (!m_bDbBusy.compare_exchange_strong(expected, true))
        return false;
    {
        std::lock_guard<std::mutex> lock(m_dbLock);
        m_db.Begin();
    }
    TRACE("Send... DB_INFO_REQ...\n");
    if (!Send(DB_INFO_REQ)) {
        std::lock_guard<std::mutex> lock(m_dbLock);
        m_db.Abort();
        m_bDbBusy = false;
        return false;
    }
    return true;
}

bool CNetClient::SendDBUpdateReq(const std::uint8_t* image)
{
    std::vector<std::uint8_t> payload;
    {
        std::lock_guard<std::mutex> lock(m_dbLock);
        payload = m_db.BuildUpdate(image);
    }
    // No image received: nothing to send back.
    if (payload.empty()) {
        TRACE("DB_UPDATE_REQ without a received image: not sent\n");
        return false;
    }
    TRACE("Send... DB_UPDATE_REQ... %d\n", int(payload.size()));
    return Send(DB_UPDATE_REQ, payload.data(), payload.size());
}

bool CNetClient::SendDBInitReq()
{
    TRACE("Send... DB_INIT_REQ...\n");
    const bool sent = Send(DB_INIT_REQ);
    // The recorder's setup is being reset under the open window.
    PostTo(m_hSetupDlg.load(), WM_CLOSE);
    return sent;
}

std::size_t CNetClient::CopySetupImage(std::uint8_t* image, std::size_t size) const
{
    if (image == nullptr)
        return 0;
    // A short image must not keep bytes of an earlier one.
    std::memset(image, 0, size);
    std::lock_guard<std::mutex> lock(m_dbLock);
    const std::size_t n = std::min(m_db.ImageLength(), size);
    if (n > 0)
        std::memcpy(image, m_db.Payload() + 4, n);
    return n;
}

bool CNetClient::RecvFn_DBInfoAck(const WireHeader& h)
{
    // The fragment is read whole first, so the stream stays in step whatever
    // becomes of it.
    if (!ReadPayload(m_payload))
        return false;
    CSetupDbAssembler::Result result;
    [[maybe_unused]] std::size_t dropped = 0;
    {
        std::lock_guard<std::mutex> lock(m_dbLock);
        result = m_db.Feed(m_payload.data(), m_payload.size(), h.IsLastFragment());
        dropped = m_db.DroppedLength();
    }
    switch (result) {
    case CSetupDbAssembler::Result::More:
        break;
    case CSetupDbAssembler::Result::Unexpected:
        TRACE("Recv...DB_INFO_ACK... without a fetch: dropped\n");
        break;
    case CSetupDbAssembler::Result::Ready:
        TRACE("Recv...DB_INFO_ACK... image ready\n");
        // The busy flag stays set: the image is being edited now.
        PostTo(m_host.MainWindow(), WM_SETUP_DB_READY);
        break;
    case CSetupDbAssembler::Result::TooLarge:
        TRACE("Recv...DB_INFO_ACK... %zu bytes: larger than %zu, dropped\n", dropped, kSetupDbMaxPayload);
        m_bDbBusy = false;
        PostNotify(NetNotify::Param(NetNotify::NACK, NetNotify::NACK_ANSWER_DROPPED));
        break;
    case CSetupDbAssembler::Result::CrcError:
        TRACE("Recv...DB_INFO_ACK... CRC error\n");
        m_bDbBusy = false;
        PostNotify(NetNotify::Param(NetNotify::DB_CRC_ERROR, 0));
        break;
    }
    return true;
}
