// The four tab pages of the remote search window: a column of buttons, one
// per view. One class; what differs between the tabs is a table.
#pragma once

#include "platform/Wnd.h"
#include "search/SearchRules.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <vector>

class CRemoteSearchDlg;

class CSearchTabPage : public Wnd
{
    Q_OBJECT
public:
    CSearchTabPage(CRemoteSearchDlg& host, SearchTab tab);
    ~CSearchTabPage() override;

    SearchTab Tab() const { return m_tab; }
    // Lays out the column and opens the tab's first view.
    void OnInitPage();
    // The two halves of OnInitPage. The window lays the column out before it
    // shows the page: a control made under a page already on screen would
    // stay hidden.
    void Layout();
    void OpenFirstView();
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool DestroyWindow() override;
    void PostNcDestroy() override;

    // Button k of the column (0 top), as the table orders them.
    void OnButton(int k);
    CSkinTextButton* Button(int k);
    int ButtonCount() const { return static_cast<int>(m_buttons.size()); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void Select(int k);
    void OnArchive();

    CRemoteSearchDlg& m_host;
    SearchTab m_tab;
    std::vector<CSkinTextButton*> m_buttons;
    QImage m_bmpBackground;
};
