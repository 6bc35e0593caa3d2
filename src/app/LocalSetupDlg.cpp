#include "app/LocalSetupDlg.h"

#include "app/LocalSetupPages.h"
#include "app/MainCommands.h"
#include "app/ResIdsLocalSetup.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QDir>
#include <QFileDialog>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Caption colours of OK, Cancel and the pages' all-check buttons.
constexpr COLORREF kOkText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
constexpr COLORREF kMenuText[4] = {0xFBF1D8, 0xF1EB62, 0xF1EB62, 0xFBF1D8};
constexpr int kMenuTexts[CLocalSetupMenuPage::kButtons] = {IDS_LSETUP_MENU_GLOBAL, IDS_LSETUP_MENU_OPACITY,
                                                           IDS_LSETUP_MENU_AUDIOBUF, IDS_LSETUP_MENU_CAMNAME,
                                                           IDS_LSETUP_MENU_DEINTERLACE};
constexpr int kMenuAudioBuffer = 452;
constexpr int kMenuCameraName = 453;
constexpr int kMenuDeinterlace = 454;

void SetupTextButton(CSkinTextButton& b, int bitmap, int textId, int left, bool centre,
                     const COLORREF (&colours)[4])
{
    b.SetBitmap(static_cast<UINT>(bitmap));
    b.SetFont(9, 0, 700, "Arial Bold");
    for (int i = 0; i < 4; ++i)
        b.m_crText[i] = colours[i];
    b.SetText(left, LoadResString(textId), centre);
}

} // namespace

FolderChooser DefaultFolderChooser()
{
    return [](QWidget* parent, const QString& title, const QString& start, QString* chosen) {
        const QString dir = QFileDialog::getExistingDirectory(parent, title, start);
        if (dir.isEmpty())
            return false;
        *chosen = dir;
        return true;
    };
}

// ---------------------------------------------------------------------------
// Page base

CLocalPage::CLocalPage(CLocalSetupDlg* host) : Dialog(host, Qt::Widget), m_pHost(host) {}

LocalSetupRecord& CLocalPage::Record() const
{
    return *m_pHost->m_pRecord;
}

bool CLocalPage::DestroyWindow()
{
    if (m_pHost)
        m_pHost->ForgetChild(this);
    return Dialog::DestroyWindow();
}

void CLocalPage::PostNcDestroy()
{
    deleteLater();
}

void CLocalPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, width(), height(), true, 0);
}

// ---------------------------------------------------------------------------
// Frame

CLocalSetupDlg::CLocalSetupDlg(QWidget* pMainWnd, ILocalSetupHost* pHost, LocalSetupRecord* pRecord,
                               BYTE nOpacity)
    : Dialog(pMainWnd), m_pRecord(pRecord), m_nOpacity(nOpacity), m_pSetupHost(pHost),
      m_chooseFolder(DefaultFolderChooser())
{
    for (auto [button, id] : {std::pair<CSkinButton*, int>{&m_btnSet, kIdSet},
                              {&m_btnOk, kIdOk},
                              {&m_btnCancel, kIdCancel},
                              {&m_btnClose, kIdClose}}) {
        button->setParent(this);
        button->SetDlgCtrlID(id);
    }
    // Enter, Esc and Alt+F4 do nothing here (the skin's key rules); the
    // background drags the window.
    SetSkinKeyRules(true);
    SetDragFromBackground(true);
}

CLocalSetupDlg::~CLocalSetupDlg()
{
    // Children die with the frame; none may reach back into it meanwhile.
    for (QWidget* w : {static_cast<QWidget*>(m_pMenuPage), static_cast<QWidget*>(m_pGlobalPage),
                       static_cast<QWidget*>(m_pOpacityPage), static_cast<QWidget*>(m_pAudioBufferPage),
                       static_cast<QWidget*>(m_pDeinterlacePage), static_cast<QWidget*>(m_pCameraNamePage),
                       static_cast<QWidget*>(m_pListPicker)}) {
        if (w)
            delete w;
    }
}

bool CLocalSetupDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(IDB_LSETUP_BACK);
    m_btnSet.SetBitmap(IDB_LSETUP_SET);
    m_btnSet.setGeometry(22, 1, 71, 65);
    SetupTextButton(m_btnOk, IDB_LSETUP_OK, IDS_LSETUP_OK, 0, true, kOkText);
    m_btnOk.setGeometry(400, 516, 97, 22);
    SetupTextButton(m_btnCancel, IDB_LSETUP_OK, IDS_LSETUP_CANCEL, 0, true, kOkText);
    m_btnCancel.setGeometry(501, 516, 97, 22);
    m_btnClose.SetBitmap(IDB_LSETUP_CLOSE);
    m_btnClose.setGeometry(580, 12, 26, 26);

    setFixedSize(kWidth, kHeight);
    if (QWidget* owner = parentWidget()) {
        const QRect o = owner->window()->frameGeometry();
        move(o.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    OnSet();
    SetTransparent(this, m_nOpacity, m_bmpBack.isNull() ? QImage() : m_bmpBack.scaled(kWidth, kHeight));
    return true;
}

void CLocalSetupDlg::OnSet()
{
    m_btnSet.SetState(1);
    if (!m_pMenuPage) {
        m_pMenuPage = new CLocalSetupMenuPage(this);
        m_pMenuPage->Create();
    }
    m_pMenuPage->show();
}

void CLocalSetupDlg::ForgetChild(QWidget* child)
{
    if (child == m_pMenuPage)
        m_pMenuPage = nullptr;
    if (child == m_pGlobalPage)
        m_pGlobalPage = nullptr;
    if (child == m_pOpacityPage)
        m_pOpacityPage = nullptr;
    if (child == m_pAudioBufferPage)
        m_pAudioBufferPage = nullptr;
    if (child == m_pDeinterlacePage)
        m_pDeinterlacePage = nullptr;
    if (child == m_pCameraNamePage)
        m_pCameraNamePage = nullptr;
    if (child == m_pListPicker)
        m_pListPicker = nullptr;
}

void CLocalSetupDlg::ShowOnlyPage(QWidget* keep)
{
    QWidget* pages[] = {m_pGlobalPage,      m_pOpacityPage,    m_pAudioBufferPage,
                        m_pDeinterlacePage, m_pCameraNamePage, m_pListPicker};
    for (QWidget* w : pages) {
        if (w && w != keep)
            static_cast<Wnd*>(w)->DestroyWindow();
    }
}

template <typename Page, typename... Args> void CLocalSetupDlg::OpenPage(Page*& slot, Args&&... args)
{
    ShowOnlyPage(slot);
    if (!slot) {
        slot = new Page(this, std::forward<Args>(args)...);
        slot->Create();
    }
    slot->show();
}

void CLocalSetupDlg::ShowGlobalPage()
{
    OpenPage(m_pGlobalPage);
}

void CLocalSetupDlg::ShowOpacityPage()
{
    OpenPage(m_pOpacityPage, kOpacityRows);
}

void CLocalSetupDlg::ShowAudioBufferPage()
{
    OpenPage(m_pAudioBufferPage, kAudioBufferRows);
}

void CLocalSetupDlg::ShowDeinterlacePage()
{
    OpenPage(m_pDeinterlacePage);
}

void CLocalSetupDlg::ShowCameraNamePage()
{
    OpenPage(m_pCameraNamePage);
}

void CLocalSetupDlg::OpenListPicker(QWidget* pOwnerPage, int nItemId, const ListPickerRequest* pRequest,
                                    int nColumnsMode)
{
    ClosePicker();
    m_pListPicker = new CLocalListPickerPopup(pOwnerPage, nItemId, pRequest, nColumnsMode, this);
    m_pListPicker->Create(this);
}

void CLocalSetupDlg::OnPickerGone(Wnd* pPopup)
{
    if (pPopup == m_pListPicker)
        m_pListPicker = nullptr;
}

void CLocalSetupDlg::ClosePicker()
{
    if (m_pListPicker)
        m_pListPicker->DestroyWindow();
}

void CLocalSetupDlg::OnListPicked(QWidget* pOwnerPage, int nItemId, int nIndex)
{
    if (nIndex == -1 || !pOwnerPage || pOwnerPage != m_pGlobalPage)
        return;
    m_pGlobalPage->OnListPicked(nItemId, nIndex);
}

LRESULT CLocalSetupDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED && lParam != 0) {
        switch (CommandId(wParam)) {
        case kIdSet:
            OnSet();
            return 0;
        case kIdOk:
            ShowOnlyPage(nullptr);
            EndDialog(kModalOk);
            return 0;
        case kIdCancel:
        case kIdClose:
            ShowOnlyPage(nullptr);
            EndDialog(kModalCancel);
            return 0;
        default:
            break;
        }
    }
    // Enter, Esc and the window manager's close never end the window.
    if (msg == WM_CLOSE || (msg == WM_COMMAND && lParam == 0))
        return 0;
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CLocalSetupDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, kWidth, kHeight, true, 0);
}

void CLocalSetupDlg::mousePressEvent(QMouseEvent* e)
{
    // A press on the frame's own surface drops the pop-up and drags the window.
    if (e->button() == Qt::LeftButton && childAt(e->position().toPoint()) == nullptr)
        ClosePicker();
    Dialog::mousePressEvent(e);
}

// ---------------------------------------------------------------------------
// Menu

CLocalSetupMenuPage::CLocalSetupMenuPage(CLocalSetupDlg* host) : CLocalPage(host)
{
    for (int i = 0; i < kButtons; ++i) {
        m_btnMenu[i].setParent(this);
        m_btnMenu[i].SetDlgCtrlID(kFirstButton + i);
    }
}

bool CLocalSetupMenuPage::OnInitDialog()
{
    CLocalPage::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(IDB_LSETUP_MENU_BACK);
    for (int i = 0; i < kButtons; ++i) {
        SetupTextButton(m_btnMenu[i], IDB_LSETUP_MENU_BUTTON, kMenuTexts[i], 34, false, kMenuText);
        m_btnMenu[i].setGeometry(2, 1 + 40 * i, 170, 35);
    }
    setGeometry(14, 74, 174, 430);
    // The audio players take their buffers when they start: while video runs
    // the setting cannot be changed (for the life of this menu).
    if (Host()->SetupHost() && Host()->SetupHost()->VideoViewMode() != 0)
        m_btnMenu[kMenuAudioBuffer - kFirstButton].Enable(false);
    m_btnMenu[kMenuCameraName - kFirstButton].Show(true);
    m_btnMenu[kMenuDeinterlace - kFirstButton].Show(false);
    OnMenuButton(kFirstButton);
    return true;
}

void CLocalSetupMenuPage::OnMenuButton(int id)
{
    if (id < kFirstButton || id >= kFirstButton + kButtons)
        return;
    if (id == kMenuAudioBuffer && Host()->SetupHost() && Host()->SetupHost()->VideoViewMode() != 0)
        return;
    for (CSkinTextButton& b : m_btnMenu)
        b.SetState(0);
    m_btnMenu[id - kFirstButton].SetState(1);
    switch (id) {
    case 450:
        Host()->ShowGlobalPage();
        break;
    case 451:
        Host()->ShowOpacityPage();
        break;
    case kMenuAudioBuffer:
        Host()->ShowAudioBufferPage();
        break;
    case kMenuCameraName:
        Host()->ShowCameraNamePage();
        break;
    default:
        Host()->ShowDeinterlacePage();
        break;
    }
}

LRESULT CLocalSetupMenuPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        OnMenuButton(CommandId(wParam));
        return 0;
    }
    return CLocalPage::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// List pop-up

CLocalListPickerPopup::CLocalListPickerPopup(QWidget* pOwnerPage, int nItemId,
                                             const ListPickerRequest* pRequest, int nColumnsMode,
                                             QWidget* pParent)
    : CListPickerPopup(pOwnerPage, nItemId, pRequest, nColumnsMode, pParent)
{
}

LocalListLayout CLocalListPickerPopup::Layout() const
{
    return LayoutLocalList(ShownCount(), PopupWidth(), QRect(), QPoint(), ColumnsMode());
}

int CLocalListPickerPopup::Rows() const
{
    return Layout().contentHeight / kLocalListRowHeight;
}

PickerStrip CLocalListPickerPopup::StripRect(int i) const
{
    const LocalListLayout l = Layout();
    PickerStrip strip;
    if (i < 0 || i >= l.count)
        return strip;
    for (int k = 0; k < 3; ++k) {
        const QRect& r = l.rowParts[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)];
        strip[static_cast<std::size_t>(k)] =
            PickerPiece{r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), k == 1};
    }
    return strip;
}

QRect CLocalListPickerPopup::CellRect(int i) const
{
    const LocalListLayout l = Layout();
    return i >= 0 && i < l.count ? l.cells[static_cast<std::size_t>(i)] : QRect();
}

// ---------------------------------------------------------------------------
// The modal run for the main window

namespace {

class CLocalSetupWindow : public IMainModalWindow
{
public:
    CLocalSetupWindow(std::unique_ptr<CLocalSetupDlg> dlg, CLocalSetupDlg** slot)
        : m_dlg(std::move(dlg)), m_slot(slot)
    {
    }
    ~CLocalSetupWindow() override
    {
        if (m_slot && *m_slot == m_dlg.get())
            *m_slot = nullptr;
    }
    int Run() override
    {
        if (m_slot)
            *m_slot = m_dlg.get();
        const int result = m_dlg->DoModal();
        if (m_slot)
            *m_slot = nullptr;
        return result;
    }
    WndHandle Handle() const override { return m_dlg->Handle(); }

private:
    std::unique_ptr<CLocalSetupDlg> m_dlg;
    CLocalSetupDlg** m_slot;
};

} // namespace

std::unique_ptr<IMainModalWindow> MakeLocalSetupWindow(QWidget* pMainWnd, ILocalSetupHost* pHost,
                                                       LocalSetupRecord* pRecord, BYTE nOpacity,
                                                       CLocalSetupDlg** runningSlot)
{
    return std::make_unique<CLocalSetupWindow>(
        std::make_unique<CLocalSetupDlg>(pMainWnd, pHost, pRecord, nOpacity), runningSlot);
}
