// The button columns of the local search window's three tabs. One class; the
// Search column opens the view the last local search left, the Log and Info
// columns their one page.
#pragma once

#include "local/LocalSearchDlg.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <vector>

class CLocalMenuPage : public Wnd
{
    Q_OBJECT
public:
    CLocalMenuPage(CLocalSearchDlg& host, LocalTab tab);
    ~CLocalMenuPage() override;

    LocalTab Tab() const { return m_tab; }
    // Lays out the column and opens the tab's first view.
    void OnInitPage();
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool DestroyWindow() override;
    void PostNcDestroy() override;

    // The Search column's views (buttons 450, 451, 452, 454).
    void OnDateTime();
    void OnEvent();
    void OnCalendar();
    void OnFileList();
    // The Log and Info columns' one button (450).
    void OnAll();
    void OnInfo();

    CSkinTextButton* Button(int id);
    CSkinButton* SingleButton() { return m_pSingle; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void Light(int id);

    CLocalSearchDlg& m_host;
    LocalTab m_tab;
    std::vector<CSkinTextButton*> m_buttons;
    CSkinButton* m_pSingle = nullptr;
    QImage m_bmpBackground;
};

// The Search column's first view: 450 Date/Time, 451 Event, 452 Calendar,
// 454 File List, from the media and the last local search.
int LocalSearchFirstView(bool readOnlyMedia, const LastLocalSearch* last);
