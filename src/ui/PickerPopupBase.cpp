#include "ui/PickerPopupBase.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/ResIdsPicker.h"
#include "ui/SkinDraw.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

CPickerPopupBase::CPickerPopupBase(QWidget* pOwnerPage, int nItemId, QWidget* pParent)
    : Dialog(pParent, Qt::Tool | Qt::FramelessWindowHint), m_pOwner(pOwnerPage), m_nItemId(nItemId)
{
    // The platform's keys: Esc closes the pop-up, Enter picks nothing.
    SetSkinKeyRules(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CPickerPopupBase::~CPickerPopupBase() = default;

bool CPickerPopupBase::CreatePopup(IPickerHost* pHost)
{
    m_pHost = pHost;
    return Create();
}

LRESULT CPickerPopupBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND && wParam == 2) {
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND && wParam == 1)
        return 0; // Enter picks nothing
    return Wnd::WindowProc(msg, wParam, lParam);
}

bool CPickerPopupBase::DestroyWindow()
{
    if (!Dialog::DestroyWindow())
        return false;
    // At once, so that the host's slot is free for the next pop-up before
    // this object is deleted.
    if (m_pHost && !m_bGoneReported) {
        m_bGoneReported = true;
        m_pHost->OnPickerGone(this);
    }
    return true;
}

void CPickerPopupBase::PostNcDestroy()
{
    deleteLater();
}

void CPickerPopupBase::LoadFrameBitmaps()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    for (int i = 0; i < 9; ++i)
        m_bmpFrame[static_cast<size_t>(i)] = res.LoadBitmap(IDB_PICKER_FRAME_FIRST + i);
    for (int i = 0; i < 3; ++i)
        m_bmpRow[static_cast<size_t>(i)] = res.LoadBitmap(IDB_PICKER_ROW_FIRST + i);
}

void CPickerPopupBase::PaintFrame(QPainter& p) const
{
    const auto pieces = PickerFramePieces(m_nWidth, m_nRowHeight);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const PickerPiece& pc = pieces[i];
        DrawBitmap(p, m_bmpFrame[i], pc.left, pc.top, pc.right, pc.bottom, pc.stretch, 0);
    }
    for (const PickerStrip& strip : m_strips)
        for (size_t k = 0; k < strip.size(); ++k)
            DrawBitmap(p, m_bmpRow[k], strip[k].left, strip[k].top, strip[k].right, strip[k].bottom,
                       strip[k].stretch, 0);
}

QImage CPickerPopupBase::RenderBackground() const
{
    QImage img(m_nWidth, m_nRowHeight + 2 * kPickerBorder, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    PaintFrame(p);
    return img;
}

void CPickerPopupBase::PlaceAndShape(const PickerRect& anchor, int clickX, int clickY)
{
    const int totalHeight = m_nRowHeight + 2 * kPickerBorder;
    setFixedSize(m_nWidth, totalHeight);
    const QPoint click(anchor.left + clickX, anchor.top + clickY);
    QScreen* screen = QGuiApplication::screenAt(click);
    if (!screen && parentWidget())
        screen = parentWidget()->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect();
    move(PickerPlacement(anchor, clickX, clickY, m_nWidth, totalHeight, area));
    SetTransparent(this, 255, RenderBackground());
}

void CPickerPopupBase::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintFrame(p);
}
