#include "app/BookmarkDlg.h"

#include "app/ResIdsLocalSetup.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>

CBookmarkDlg::CBookmarkDlg(IBookmarkHost* pMainDlg, QWidget* pMainWnd, BYTE nOpacity)
    : CSnappingBarDlg(pMainWnd), m_nOpacity(nOpacity),
      m_layout(BookmarkLayoutOf(0)), m_pMainDlg(pMainDlg)
{
    for (int i = 0; i < 5; ++i) {
        m_btn[static_cast<std::size_t>(i)].setParent(this);
        m_btn[static_cast<std::size_t>(i)].SetDlgCtrlID(kFirstButton + i);
    }
    // Enter and Esc do nothing, Alt+F4 is swallowed.
    SetSkinKeyRules(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CBookmarkDlg::~CBookmarkDlg() = default;

bool CBookmarkDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_layout = BookmarkLayoutOf(m_nMode);
    for (int i = 0; i < 4; ++i)
        m_bmpBack[static_cast<std::size_t>(i)] = LoadSkinBitmap(IDB_BOOKMARK_BACK_FIRST + i);
    setFixedSize(m_layout.width, kHeight);
    const QPoint origin = m_pMainDlg ? m_pMainDlg->BookmarkClientOrigin() : QPoint();
    MoveBar(origin + m_layout.start);
    for (int i = 0; i < 5; ++i) {
        CSkinButton& b = m_btn[static_cast<std::size_t>(i)];
        b.SetBitmap(static_cast<UINT>(IDB_BOOKMARK_BUTTON_FIRST + i));
        b.setGeometry(m_layout.buttons[static_cast<std::size_t>(i)]);
        b.Show(m_layout.shown[static_cast<std::size_t>(i)]);
    }
    SetTransparent(this, m_nOpacity, Compose());
    return true;
}

QImage CBookmarkDlg::Compose() const
{
    QImage image(m_layout.width, kHeight, QImage::Format_RGB32);
    image.fill(fromColorRef(kColorKey));
    QPainter p(&image);
    for (int i = 0; i < 3; ++i) {
        const QRect& r = m_layout.back[static_cast<std::size_t>(i)];
        DrawBitmap(p, m_bmpBack[static_cast<std::size_t>(i)], r.left(), r.top(), r.left() + r.width(),
                   r.top() + r.height(), i == 1, 0);
    }
    return image;
}

void CBookmarkDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Compose());
}

QPoint CBookmarkDlg::MoveBar(QPoint proposed)
{
    BarRect area;
    // The transfer bar's magnetic edges: snap within 20 pixels, never left of
    // or above the video area, pushed back inside at the right and bottom.
    if (m_pMainDlg && m_pMainDlg->BookmarkVideoArea(&area))
        proposed = SnapTransferBar(proposed, QSize(m_layout.width, kHeight), area);
    move(proposed);
    return proposed;
}

void CBookmarkDlg::OnStepBack()
{
    if (m_nMode == 1 && m_pMainDlg)
        m_pMainDlg->BookmarkStep(10);
}

void CBookmarkDlg::OnStepForward()
{
    if (m_nMode == 1 && m_pMainDlg)
        m_pMainDlg->BookmarkStep(11);
}

LRESULT CBookmarkDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (CommandCode(wParam) == BN_CLICKED && lParam != 0) {
            if (CommandId(wParam) == kStepBack)
                OnStepBack();
            else if (CommandId(wParam) == kStepForward)
                OnStepForward();
            // 1013-1015 do nothing.
        }
        return 0;
    case WM_BOOKMARK_BUTTONS:
        m_btn[0].SetState(static_cast<int>(wParam));
        m_btn[1].SetState(static_cast<int>(lParam));
        return 0;
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    default:
        return Dialog::WindowProc(msg, wParam, lParam);
    }
}

void CBookmarkDlg::PostNcDestroy()
{
    if (m_pMainDlg)
        m_pMainDlg->BookmarkBarGone(this);
}



