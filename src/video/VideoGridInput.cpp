// The video grid's mouse and keyboard, full screen and snapshot: thin
// handlers over GridInteraction. All of it runs on the GUI thread.
#include "video/VideoGridDlg.h"

#include "platform/Skin.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>

namespace {

constexpr COLORREF kFullScreenColour = 0x969696;
constexpr int kSplitBarAlpha = 150;

} // namespace

bool CVideoGridDlg::DomeMenuOpen() const
{
    return m_pHost && m_pHost->DomeMenuOpen();
}

// ---------------------------------------------------------------------------
// Mouse

void CVideoGridDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        const QPoint pt = e->position().toPoint();
        OnLButtonDown(pt.x(), pt.y());
    }
    e->accept();
}

void CVideoGridDlg::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    OnMouseMove(pt.x(), pt.y());
    e->accept();
}

void CVideoGridDlg::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        OnLButtonUp(pt.x(), pt.y());
    else if (e->button() == Qt::RightButton)
        LeaveFullScreen();
    e->accept();
}

void CVideoGridDlg::mouseDoubleClickEvent(QMouseEvent* e)
{
    // In place of the second press: the cell is the one the first press hit.
    if (e->button() == Qt::LeftButton)
        OnLButtonDblClk();
    e->accept();
}

void CVideoGridDlg::keyPressEvent(QKeyEvent* e)
{
    if (m_bFullScreen &&
        (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape)) {
        LeaveFullScreen();
        e->accept();
        return;
    }
    Wnd::keyPressEvent(e);
}

void CVideoGridDlg::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape)
        LeaveFullScreen();
    Wnd::keyReleaseEvent(e);
}

void CVideoGridDlg::OnLButtonDown(int x, int y)
{
    const VideoGridModel model = ModelSnapshot();
    if (!m_interaction.Press(model, x, y, DomeMenuOpen()))
        return;
    const GridDragState& drag = m_interaction.Drag();
    if (!drag.dragging) {
        setCursor(Qt::ForbiddenCursor);
        return;
    }
    setCursor(Qt::PointingHandCursor);
    BuildDragImage(drag.image);
    if (m_dragImage.isNull()) {
        m_interaction.Cancel();
        return;
    }
    update(DragImageRect());
}

void CVideoGridDlg::OnMouseMove(int x, int y)
{
    const QRect before = DragImageRect();
    if (m_interaction.Move(x, y)) {
        setCursor(Qt::PointingHandCursor);
        update(before);
        update(DragImageRect());
        return;
    }
    if (m_bFullScreen && m_pSplitSelectDlg &&
        InRevealZone(width(), height(), m_szSplitBar.width(), m_szSplitBar.height(), x, y))
        PostMessage(Handle(), WM_SHOW_SPLIT_BAR, 1, 0);
}

void CVideoGridDlg::OnLButtonUp(int x, int y)
{
    const QRect before = DragImageRect();
    const VideoGridModel model = ModelSnapshot();
    const GridReleaseResult r = m_interaction.Release(model, x, y, DomeMenuOpen(), Link());
    if (!r.handled)
        return;
    m_dragImage = QImage();
    unsetCursor();
    update(before);
    if (r.swapFrom >= 0 && r.swapTo >= 0) {
        if (r.swapFrom != r.swapTo) {
            std::lock_guard<std::mutex> lock(m_csModel);
            m_model.SwapCells(r.swapFrom, r.swapTo);
        }
        if (r.ptzChannel >= 0 && m_pHost)
            m_pHost->RequestPtzChannel(r.ptzChannel);
    }
    if (r.redrawFrames) {
        update();
        DrawCellFrames();
    }
}

void CVideoGridDlg::OnLButtonDblClk()
{
    const VideoGridModel model = ModelSnapshot();
    const GridZoomResult z = m_interaction.DoubleClick(model, DomeMenuOpen(), m_bZoomed.load());
    if (z.kind == GridZoomResult::None)
        return;
    if (z.kind == GridZoomResult::ZoomIn) {
        if (m_pHost)
            m_pHost->SelectChannel(z.channel, true);
        m_bZoomed = true;
    } else {
        {
            std::lock_guard<std::mutex> lock(m_csModel);
            m_model.SetPage(z.layout, z.page);
        }
        m_nSelectedLayout = z.layout;
        if (m_pHost) {
            for (int k = 0; k < static_cast<int>(GridLayout::kSplitLayouts.size()); ++k)
                m_pHost->SetGridButton(kGridSplitButtonFirst + k, k == z.splitButton ? 1 : 0);
            for (int c = 0; c < kVideoGridCells; ++c)
                m_pHost->SetGridButton(kGridChannelButtonFirst + c, 0);
        }
        m_bZoomed = false;
        UpdateVisibleCells();
    }
    if (m_pHost)
        m_pHost->TellRecorderView(GetVisibleChannels());
    SetHoldPage(false);
}

// ---------------------------------------------------------------------------
// The drag image: the cell shrunk by one pixel, its picture inside a frame.

void CVideoGridDlg::BuildDragImage(const GridCellRect& r)
{
    const int dw = r.Width();
    const int dh = r.Height();
    m_dragImage = QImage();
    if (dw <= 2 || dh <= 2)
        return;
    const QImage shown = grab(QRect(r.left, r.top, dw, dh)).toImage();
    QImage image(dw, dh, QImage::Format_RGB32);
    image.fill(fromColorRef(kDragFrameColour));
    QPainter p(&image);
    if (!shown.isNull())
        p.drawImage(QRect(1, 1, dw - 2, dh - 2), shown);
    // The frame's pen is 4 pixels wide, centred on the rectangle's edge.
    QPen pen(fromColorRef(kDragFrameColour));
    pen.setWidth(4);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, dw, dh));
    p.end();
    m_dragImage = image;
}

QRect CVideoGridDlg::DragImageRect() const
{
    const GridDragState& drag = m_interaction.Drag();
    if (!drag.dragging || m_dragImage.isNull())
        return QRect();
    return QRect(drag.imageX, drag.imageY, m_dragImage.width(), m_dragImage.height());
}

void CVideoGridDlg::DrawDragImage(QPainter& p)
{
    const QRect r = DragImageRect();
    if (!r.isEmpty())
        p.drawImage(r.topLeft(), m_dragImage);
}

// ---------------------------------------------------------------------------
// Full screen

void CVideoGridDlg::EnterFullScreen(int monitor)
{
    if (m_bFullScreen)
        return;
    QRect screenRect;
    if (monitor >= 0 && monitor < static_cast<int>(m_monitors.size()) && m_monitors[monitor].valid)
        screenRect = m_monitors[monitor].monitor;
    if (screenRect.isEmpty()) {
        // A monitor that is not there: the screen the main window is on.
        QScreen* s = window() ? window()->screen() : nullptr;
        if (!s)
            s = QGuiApplication::primaryScreen();
        if (s)
            screenRect = s->geometry();
    }
    if (screenRect.isEmpty())
        return;

    m_rcSaved = geometry();
    m_pSavedParent = parentWidget();
    hide();
    setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
    // Without tracking the reveal zone would see no moves.
    setMouseTracking(true);

    if (m_pHost)
        m_pSplitSelectDlg = m_pHost->CreateSplitBar(this);
    if (m_pSplitSelectDlg) {
        m_szSplitBar = m_pSplitSelectDlg->BarSize();
        m_pSplitSelectDlg->PopupAt(screenRect, kSplitBarAlpha);
    }
    MoveView(screenRect.x(), screenRect.y(), screenRect.x() + screenRect.width(),
             screenRect.y() + screenRect.height(), Border(), kFullScreenColour);
    m_bFullScreen = true;
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void CVideoGridDlg::LeaveFullScreen()
{
    if (QThread::currentThread() != thread()) {
        PostMessage(Handle(), WM_GRID_LEAVE_FULL, 0, 0);
        return;
    }
    if (!m_bFullScreen)
        return;
    m_pSplitSelectDlg.reset();
    m_szSplitBar = QSize();
    hide();
    setParent(m_pSavedParent, Qt::Widget);
    setMouseTracking(false);
    MoveView(m_rcSaved.x(), m_rcSaved.y(), m_rcSaved.x() + m_rcSaved.width(),
             m_rcSaved.y() + m_rcSaved.height(), 1, kFullScreenColour);
    m_bFullScreen = false;
    if (m_pHost)
        m_pHost->ShowMainWindow();
}

void CVideoGridDlg::OnSplitSelect(int id)
{
    const int layout = SplitBarLayout(id);
    if (layout < 0) {
        LeaveFullScreen();
        return;
    }
    if (m_pHost)
        m_pHost->SetScreenSplit(layout);
}

void CVideoGridDlg::OnShowSplitBar(int show)
{
    if (m_pSplitSelectDlg)
        m_pSplitSelectDlg->ShowAutoHide(show);
    if (m_bFullScreen) {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    }
}

// ---------------------------------------------------------------------------
// Snapshot

std::vector<CVideoGridDlg::SnapshotPicture> CVideoGridDlg::TakeSnapshot(int dateFormat) const
{
    std::uint16_t channels = 0;
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        channels = SnapshotChannels(m_model);
    }
    std::vector<SnapshotPicture> out;
    for (int k = 0; k < kVideoGridCells; ++k) {
        if (!(channels & (1u << k)) || !m_arrPicture[k])
            continue;
        SnapshotPicture shot;
        shot.channel = k;
        // Whole, under the channel's lock, with the size and format it has.
        if (!m_arrPicture[k]->CopyLatest(shot.picture, shot.width, shot.height, shot.format))
            continue;
        int frameTime = 0;
        {
            std::lock_guard<std::mutex> lock(m_csOsd);
            frameTime = m_osd[k].frameTime;
        }
        shot.timeText = SnapshotTimeText(frameTime, dateFormat);
        out.push_back(std::move(shot));
    }
    return out;
}
