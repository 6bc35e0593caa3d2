#include "local/LocalDateTimePage.h"

#include "local/LocalLists.h"
#include "local/LocalSearchDlg.h"

#include <thread>

CLocalDateTimePage::CLocalDateTimePage(CLocalSearchDlg& host)
    : CSearchDateTimePage(host, static_cast<int>(LocalSlot::DateTime)), m_pSearchDlg(host)
{
}

bool CLocalDateTimePage::PlayEnabled() const
{
    const ILocalHost* main = m_pSearchDlg.Main();
    return !(main && main->RemotePlayback().Busy());
}

void CLocalDateTimePage::OnPlay()
{
    PageHost().ClosePickers();
    ILocalHost* main = m_pSearchDlg.Main();
    // The button may have been enabled before remote playback began.
    if (main && main->RemotePlayback().Runs())
        return;
    const int start = static_cast<int>(Model().RowSeconds(0));
    const Playlist* running = main ? main->RunningPlaylist() : nullptr;
    if (LocalPlayStartsNew(running != nullptr, running, start)) {
        if (running && !running->empty())
            main->CloseLocalPlayer();
        const std::int64_t end = Model().RowSeconds(1);
        if (end == kNoEnd)
            m_pSearchDlg.PostPlayAndClose(0, start, 0);
        else
            m_pSearchDlg.PostPlayAndClose(1, start, static_cast<int>(end));
        return;
    }
    // Every recording of the running playlist ends before the start: it
    // goes on, and the window only closes.
    std::this_thread::yield();
    PostMessage(m_pSearchDlg.Handle(), WM_CLOSE, 0, 0);
}

void RegisterLocalDateTimePage()
{
    RegisterLocalPage(LocalSlot::DateTime,
                      [](CLocalSearchDlg& host, LocalPageArgs&) { return new CLocalDateTimePage(host); });
}
