#include "local/LocalPlayer.h"

namespace {
constexpr int kLogRecordSize = 184;
constexpr int kLogTypeLocalPlay = 4;
} // namespace

CLocalPlayer::CLocalPlayer(ILocalHost* pMainDlg) : m_pMainDlg(pMainDlg) {}

CLocalPlayer::~CLocalPlayer()
{
    DestroyWindow();
}

bool CLocalPlayer::Start()
{
    if (m_thread.joinable())
        return true;
    // The grid switches before the thread runs, so everything started by the
    // playback sees local playback from its first frame.
    if (m_pMainDlg) {
        m_pMainDlg->SetVideoViewMode(3);
        m_pMainDlg->SetLastChannelMask(0);
    }
    m_nPlayState = 3;
    m_nSpeed = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = false;
    }
    m_thread = std::thread([this] { PlayLoop(); });
    if (m_pMainDlg)
        m_pMainDlg->ShowBookmarkBar(1);
    return true;
}

void CLocalPlayer::PlayLoop()
{
    if (m_pMainDlg)
        m_pMainDlg->WriteConnectLog(kLogRecordSize, kLogTypeLocalPlay, 1, 0, nullptr, nullptr);
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_bStop; });
    }
    if (m_pMainDlg)
        m_pMainDlg->WriteConnectLog(kLogRecordSize, kLogTypeLocalPlay, 2, 0, nullptr, nullptr);
}

bool CLocalPlayer::DestroyWindow()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

void CLocalPlayer::Stop()
{
    m_nSpeed = 0;
    DestroyWindow();
    m_bRedraw = 0;
    if (m_pMainDlg) {
        m_pMainDlg->EndBookmarkBar();
        m_pMainDlg->SetVideoViewMode(0);
    }
}

void CLocalPlayer::SetPlayCommand(int nCommand)
{
    switch (nCommand) {
    case 1:
        m_nPlayState = 1;
        break;
    case 2: {
        m_bResync = 1;
        m_nPlayState = 2;
        const int speed = m_nSpeed;
        m_nSpeed = (speed >= -5 && speed <= -2) ? speed - 1 : -2;
        break;
    }
    case 3: {
        m_nPlayState = 3;
        const int speed = m_nSpeed;
        m_nSpeed = (speed >= 1 && speed <= 5) ? speed + 1 : 1;
        m_bRedraw = 1;
        break;
    }
    case 4: {
        m_bResync = 1;
        const int state = m_nPlayState;
        if (state == 2 || state == 10) {
            m_nSpeed = 0;
            m_bRedraw = 1;
        } else if (state == 3 || state == 11) {
            const int speed = m_nSpeed;
            if (speed >= 2 && speed <= 6)
                m_bRedraw = 1;
            m_nSpeed = 7;
        }
        m_nPlayState = 4;
        break;
    }
    case 7:
        m_nPlayState = 7;
        break;
    case 10:
        m_bResync = 1;
        m_nPlayState = 10;
        m_nSpeed = 10;
        break;
    case 11:
        m_nPlayState = 11;
        m_nSpeed = 11;
        m_bRedraw = 1;
        break;
    default:
        break;
    }
    // The bar lights the button of the step it is in; commands 1 and 7 leave it.
    if (!m_pMainDlg)
        return;
    if (nCommand == 10 || nCommand == 11)
        m_pMainDlg->SetBookmarkButtons(nCommand == 10 ? 1 : 0, nCommand == 11 ? 1 : 0);
    else if (nCommand >= 2 && nCommand <= 4)
        m_pMainDlg->SetBookmarkButtons(0, 0);
}

int CLocalPlayer::GetPlaySpeed() const
{
    const int state = m_nPlayState;
    if (state == 10 || state == 11)
        return state;
    const int speed = m_nSpeed;
    if (speed >= 1 && speed <= 6)
        return speed;
    if (speed < 0)
        return speed + 1;
    return 0;
}
