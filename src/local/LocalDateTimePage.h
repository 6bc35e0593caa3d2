// The local search's date and time page: the remote search page's two rows
// of cells over the download folder. Play starts local playback from the
// start, up to the end when one was chosen.
#pragma once

#include "search/SearchPages.h"

class CLocalSearchDlg;

class CLocalDateTimePage : public CSearchDateTimePage
{
    Q_OBJECT
public:
    explicit CLocalDateTimePage(CLocalSearchDlg& host);

    // The end row's initial value, 2037-12-31 23:59:59: an end left there
    // plays on to the last recording.
    static constexpr std::int64_t kNoEnd = 0x7FE8177F;

    void OnPlay() override;

protected:
    bool WithEndRow() const override { return true; }
    // Not while a connection plays back remotely or waits for a live or
    // playback answer.
    bool PlayEnabled() const override;
    // Nothing is ever awaited here.
    bool CellsWait() const override { return false; }

private:
    CLocalSearchDlg& m_pSearchDlg;
};
