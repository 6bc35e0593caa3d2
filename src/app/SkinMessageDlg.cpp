#include "app/SkinMessageDlg.h"

#include "app/ResIds2.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <memory>

namespace {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kLineHeight = 20;
constexpr int kLineTop[3] = {22, 45, 68};

} // namespace

CSkinMessageDlg::CSkinMessageDlg(QWidget* pParent, BYTE nOpacity)
    : Dialog(pParent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_nOpacity(nOpacity),
      m_pParent(pParent)
{
    m_btnOk.setParent(this);
    m_btnCancel.setParent(this);
    m_btnOk.SetDlgCtrlID(kIdOk);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    for (int i = 0; i < 3; ++i) {
        m_lblLine[i].setParent(this);
        m_lblLine[i].SetDlgCtrlID(790 + i);
        // The lines take no mouse: a press anywhere on the body drags the box.
        m_lblLine[i].SetNotify(false);
        m_lblLine[i].hide();
    }
    // Enter and Esc end the box (WM_COMMAND OK / Cancel).
    SetSkinKeyRules(false);
    SetDragFromBackground(true);
}

CSkinMessageDlg::~CSkinMessageDlg() = default;

void CSkinMessageDlg::SetContent(const MessageBoxContent& content)
{
    m_nLineCount = content.lineCount < 1 ? 1 : content.lineCount > 3 ? 3 : content.lineCount;
    for (int i = 0; i < 3; ++i) {
        m_szLine[i] = content.text[static_cast<std::size_t>(i)];
        m_nWidth[i] = content.width[static_cast<std::size_t>(i)];
    }
    m_nButtonMode = content.buttonMode;
}

QRect CSkinMessageDlg::LineRect(int count, int index, int width)
{
    // A line wider than the box is cut to the box rather than pushed off its left edge.
    if (width > kWidth)
        width = kWidth;
    if (width < 0)
        width = 0;
    // One line sits in the middle row, two in the upper rows.
    const int row = count == 1 ? 1 : index;
    return QRect((kWidth + 1 - width) / 2, kLineTop[row], width, kLineHeight);
}

int CSkinMessageDlg::LineBitmap(int count, int index)
{
    const int row = count == 1 ? 1 : index;
    return IDB_MSGBOX_LINE_TOP + row;
}

bool CSkinMessageDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const ResourceLibrary& res = ResourceLibrary::Current();

    m_bmpBack = res.LoadBitmap(IDB_MSGBOX_BACK);
    m_rcWindow = QRect(0, 0, kWidth, kHeight);
    for (int i = 0; i < m_nLineCount; ++i) {
        CSkinLabel& label = m_lblLine[i];
        label.SetLabelStyle(0xFFFFFF, 0xFFFFFF, 0, 0, true, 9, "Arial Bold");
        label.SetText(m_szLine[i]);
        label.SetBitmap(0, static_cast<UINT>(LineBitmap(m_nLineCount, i)));
        m_rcLine[i] = LineRect(m_nLineCount, i, m_nWidth[i]);
        label.setGeometry(m_rcLine[i]);
        label.show();
        m_pLine[i] = &label;
    }

    const QString captions[2] = {res.LoadResString(IDS_NOTIFY_OK), res.LoadResString(IDS_NOTIFY_CANCEL)};
    CSkinTextButton* buttons[2] = {&m_btnOk, &m_btnCancel};
    for (int b = 0; b < 2; ++b) {
        SetupCaptionButton(*buttons[b], IDB_MSGBOX_BUTTON, captions[b], kPromptButtonText);
        buttons[b]->resize(100, 27);
    }
    switch (m_nButtonMode) {
    case NOTIFY_BUTTONS_OK:
        m_btnOk.move(111, 103);
        m_btnOk.Show(true);
        m_btnCancel.Show(false);
        break;
    case NOTIFY_BUTTONS_CANCEL:
        m_btnCancel.move(111, 103);
        m_btnCancel.Show(true);
        m_btnOk.Show(false);
        break;
    default:
        m_btnOk.move(50, 103);
        m_btnCancel.move(158, 103);
        m_btnOk.Show(true);
        m_btnCancel.Show(true);
        break;
    }

    setFixedSize(kWidth, kHeight);
    CentreOnParent();
    SetTransparent(this, m_nOpacity, m_bmpBack);
    update();
    return true;
}

void CSkinMessageDlg::CentreOnParent()
{
    // The nearest shown window among the parent and its owners (a dialog that
    // is not shown yet has no place of its own), else the screen.
    QWidget* owner = m_pParent ? m_pParent->window() : nullptr;
    while (owner && !owner->isVisible())
        owner = owner->parentWidget() ? owner->parentWidget()->window() : nullptr;
    QRect area;
    if (owner)
        area = owner->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
}

LRESULT CSkinMessageDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED &&
        (CommandId(wParam) == kIdOk || CommandId(wParam) == kIdCancel)) {
        int id = CommandId(wParam);
        // Enter on a box without OK answers as its only button does: it must
        // not confirm what the box offers no OK for.
        if (lParam == 0 && id == kIdOk && m_nButtonMode == NOTIFY_BUTTONS_CANCEL)
            id = kIdCancel;
        if (IsModalRunning())
            EndDialog(id);
        return 0;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CSkinMessageDlg::paintEvent(QPaintEvent*)
{
    if (m_bmpBack.isNull())
        return;
    QPainter p(this);
    // Unstretched: the background's top-left part the size of the window.
    p.drawImage(QPoint(0, 0), m_bmpBack, m_rcWindow);
}

int RunSkinMessageBox(QWidget* parent, BYTE opacity, const MessageBoxContent& content, CSkinMessageDlg** slot)
{
    auto box = std::make_unique<CSkinMessageDlg>(parent, opacity);
    box->SetContent(content);
    if (slot)
        *slot = box.get();
    const int result = box->DoModal();
    if (slot)
        *slot = nullptr;
    return result == kNotifyBoxOk ? kNotifyBoxOk : kNotifyBoxCancel;
}
