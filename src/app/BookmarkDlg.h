// The bookmark bar: a small floating bar over the video area during local
// playback, whose two buttons step the local player back and forward. The
// main window owns it (m_pBookmarkDlg) and replaces it on every
// WM_SHOW_BOOKMARK_BAR. It is dragged by any point of its surface, always
// through the snapping that keeps it inside the video area.
//
// The local player lights its buttons and ends it from its own threads: such
// requests are posted to the bar's handle, so they run on the GUI thread and
// a request for a bar already gone is dropped.
#pragma once

#include "app/BarGeometry.h"
#include "app/LocalSetupModel.h"
#include "app/SnappingBar.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <array>

// wParam the step-back button's state, lParam the step-forward button's.
constexpr UINT WM_BOOKMARK_BUTTONS = WM_USER + 20070;

// What the bar needs of the main window.
class IBookmarkHost
{
public:
    virtual ~IBookmarkHost() = default;
    // The main window's client origin and the video area, in screen coordinates.
    virtual QPoint BookmarkClientOrigin() = 0;
    virtual bool BookmarkVideoArea(BarRect* rect) = 0;
    // Step back (10) or forward (11): only when a local player exists.
    virtual void BookmarkStep(int command) = 0;
    // The bar's window has ended.
    virtual void BookmarkBarGone(class CBookmarkDlg* bar) = 0;
};

class CBookmarkDlg : public CSnappingBarDlg
{
    Q_OBJECT
public:
    static constexpr int kHeight = 54;
    static constexpr int kFirstButton = 1011;
    static constexpr int kStepBack = 1011;
    static constexpr int kStepForward = 1012;

    CBookmarkDlg(IBookmarkHost* pMainDlg, QWidget* pMainWnd, BYTE nOpacity);
    ~CBookmarkDlg() override;

    void SetMode(int mode) { m_nMode = mode; }
    int Mode() const { return m_nMode; }

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    void OnStepBack();
    void OnStepForward();

    // Moves the bar to `proposed` (screen) after the snapping; returns where it went.
    QPoint MoveBar(QPoint proposed) override;

    std::array<CSkinButton, 5> m_btn; // 1011-1015
    BYTE m_nOpacity;
    int m_nMode = 0;
    BookmarkLayout m_layout;
    std::array<QImage, 4> m_bmpBack; // 2280-2283

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage Compose() const;

    IBookmarkHost* m_pMainDlg;
};
