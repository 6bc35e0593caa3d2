// The local search window over the download folder. It runs modally from the
// main window. Its search, log and information pages join it later; today it
// finds the downloaded file sets and, when there are none, tells the main
// window so and closes.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalHost.h"
#include "platform/Wnd.h"

#include <string>
#include <vector>

class QListWidget;

class CLocalSearchDlg : public Dialog
{
    Q_OBJECT
public:
    CLocalSearchDlg(ILocalHost* pMainDlg, BYTE nOpacity);
    ~CLocalSearchDlg() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The .idx files of the downloaded file sets under the folder, sorted.
    static std::vector<std::string> FindFileSets(const std::string& downloadFolder);

    const std::vector<std::string>& FileSets() const { return m_arrFileSet; }

    // A play request (WM_LOCAL_PLAY: wParam the start time, lParam the end
    // time or 0): scans the folder, builds the playlist and starts the
    // player. False when nothing is left to play (the no-data notice).
    bool OnLocalPlay(int start, int end);
    // The download folder for this run.
    std::string DownloadFolder() const;

    // 0 play from the start time, 1 play the range.
    int m_nSearchMode = 0;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    ILocalHost* m_pMainDlg;
    BYTE m_nOpacity;
    std::vector<std::string> m_arrFileSet;
    std::vector<LocalSetRef> m_arrSets; // newest first, as listed
    bool m_bSkipToldOnce = false;
    QListWidget* m_pList = nullptr;
};
