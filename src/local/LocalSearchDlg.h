// The local search window over the download folder. It runs modally from the
// main window. Its search, log and information pages join it later; today it
// finds the downloaded file sets and, when there are none, tells the main
// window so and closes.
#pragma once

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

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    ILocalHost* m_pMainDlg;
    BYTE m_nOpacity;
    std::vector<std::string> m_arrFileSet;
    QListWidget* m_pList = nullptr;
};
