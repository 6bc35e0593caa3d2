#include "setup/RemoteSetupDlg.h"

#include "net/NetMessages.h"
#include "platform/Skin.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinDraw.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <vector>

namespace {
constexpr int kBackId = 1650;
constexpr int kCloseBitmap = 1651;
constexpr int kBarFirst = 2270;
constexpr int kTabBitmapFirst = 2020;
constexpr int kOkBitmap = 2260;
constexpr int kOkText = 5541;
constexpr int kCancelText = 5542;
constexpr COLORREF kOkColours[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
} // namespace

CRemoteSetupDlg::CRemoteSetupDlg(QWidget* pParent, std::uint8_t* image, BYTE nOpacity,
                                 const RecorderCaps& caps, RecorderLink link, ISetupHost* pHost,
                                 const CSetupPageRegistry* pRegistry)
    : Dialog(pParent), m_pSetupDb(image), m_nOpacity(nOpacity), m_caps(caps), m_link(std::move(link)),
      m_pHost(pHost), m_registry(pRegistry ? *pRegistry : CSetupPageRegistry::Default())
{
    // Enter and Esc press nothing, Alt+F4 is swallowed; the background drags.
    SetSkinKeyRules(true);
    SetDragFromBackground(true);
    if (m_pSetupDb) {
        m_nMajor = m_pSetupDb[0];
        m_nMinor = m_pSetupDb[1];
    }
    for (int i = 0; i < 4; ++i) {
        m_btnTab[i].setParent(this);
        m_btnTab[i].SetDlgCtrlID(kIdTabFirst + i);
    }
    m_btnOK.setParent(this);
    m_btnOK.SetDlgCtrlID(kIdOk);
    m_btnCancel.setParent(this);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    m_btnClose.setParent(this);
    m_btnClose.SetDlgCtrlID(kIdClose);
}

// Menus, pages and pop-ups are children of the frame and go with it.
CRemoteSetupDlg::~CRemoteSetupDlg() = default;

bool CRemoteSetupDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(kBackId);
    for (int i = 0; i < 3; ++i)
        m_bmpBar[static_cast<size_t>(i)] = LoadSkinBitmap(kBarFirst + i);
    for (int i = 0; i < 4; ++i) {
        m_btnTab[i].SetBitmap(static_cast<UINT>(kTabBitmapFirst + i));
        m_btnTab[i].setGeometry(22 + 71 * i, 1, 71, 65);
    }
    SetupCaptionButton(m_btnOK, kOkBitmap, LoadResString(kOkText), kOkColours);
    m_btnOK.setGeometry(400, 516, 97, 22);
    SetupCaptionButton(m_btnCancel, kOkBitmap, LoadResString(kCancelText), kOkColours);
    m_btnCancel.setGeometry(501, 516, 97, 22);
    m_btnClose.SetBitmap(kCloseBitmap);
    m_btnClose.setGeometry(580, 12, 26, 26);

    setFixedSize(kWidth, kHeight);
    if (QWidget* parent = parentWidget()) {
        const QRect area = parent->window()->frameGeometry();
        move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    ConvertDbToHost(m_pSetupDb);
    m_nTimeDelay = 0;
    m_bSubProduct6 = m_caps.subProduct6 ? 1 : 0;
    m_bServedModel = m_caps.servedModel ? 1 : 0;
    m_bChannelLock = m_caps.subProduct6 ? 1 : 0;
    OnTab(0);
    SetTransparent(this, m_nOpacity, m_bmpBack.isNull() ? QImage() : m_bmpBack.scaled(kWidth, kHeight));
    return true;
}

LRESULT CRemoteSetupDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND: {
        const int id = CommandId(wParam);
        if (id >= kIdTabFirst && id < kIdTabFirst + 4) {
            OnTab(id - kIdTabFirst);
            return 0;
        }
        if (id == kIdOk) {
            OnOK();
            return 0;
        }
        if (id == kIdCancel || id == kIdClose) {
            OnCancel();
            return 0;
        }
        return 0;
    }
    case WM_CLOSE:
        // The connection ended, the rights were withdrawn or the recorder is
        // being reset: as Cancel, nothing is sent.
        OnCancel();
        return 0;
    case WM_DVR_TIME_ACK:
        if (CSetupPage* page = Page(SetupPage::kDstSetup))
            return page->WindowProc(msg, wParam, lParam);
        return 0;
    default:
        return Dialog::WindowProc(msg, wParam, lParam);
    }
}

void CRemoteSetupDlg::OnOK()
{
    ShowOnlyPage(nullptr);
    // A page's teardown may have asked a question in a box of its own; if the
    // session ended while it was up, the window has been cancelled and OK
    // must not turn that into a send.
    if (!Stands())
        return;
    m_bEnded = true;
    ConvertDbToNetwork(m_pSetupDb);
    EndDialog(kIdOk);
}

void CRemoteSetupDlg::OnCancel()
{
    ClosePickers();
    m_bEnded = true;
    EndDialog(kIdCancel);
    // A box still asking on behalf of a page (the summer-time question) goes
    // with the window, as Cancel: there is no session left to answer for.
    for (Dialog* box : findChildren<Dialog*>())
        if (box != this && box->IsModalRunning())
            box->EndDialog(kIdCancel);
}

bool CRemoteSetupDlg::Stands() const
{
    return !m_bEnded && !IsDestroyed();
}

void CRemoteSetupDlg::OnTab(int index)
{
    if (index < 0 || index > 3)
        return;
    for (int i = 0; i < 4; ++i)
        m_btnTab[i].SetState(i == index ? 1 : 0);
    for (int i = 0; i < 4; ++i) {
        if (i != index && m_arrMenu[static_cast<size_t>(i)]) {
            CSetupMenuPage* menu = m_arrMenu[static_cast<size_t>(i)];
            m_arrMenu[static_cast<size_t>(i)] = nullptr;
            menu->DestroyWindow();
        }
    }
    m_nCurTab = index;
    CSetupMenuPage*& slot = m_arrMenu[static_cast<size_t>(index)];
    if (!slot) {
        SetupMenuCaps caps;
        caps.channelLock = m_bChannelLock != 0;
        caps.servedModel = m_bServedModel != 0;
        caps.subProduct52 = m_caps.subProduct52;
        caps.subProductMajor = m_caps.hasConnection ? m_caps.subProductMajor : 0;
        caps.version = Version();
        slot = new CSetupMenuPage(static_cast<SetupMenuKind>(index), caps);
        // Its initialisation opens the menu's first page.
        slot->Create(this);
    }
    slot->show();
}

CSetupMenuPage* CRemoteSetupDlg::Menu(int index) const
{
    return index >= 0 && index < 4 ? m_arrMenu[static_cast<size_t>(index)] : nullptr;
}

void CRemoteSetupDlg::OnMenuGone(CSetupMenuPage* menu)
{
    for (CSetupMenuPage*& slot : m_arrMenu)
        if (slot == menu)
            slot = nullptr;
}

CSetupPage* CRemoteSetupDlg::Page(int templateId) const
{
    const auto it = m_arrPage.find(templateId);
    return it == m_arrPage.end() ? nullptr : it->second;
}

CSetupPage* CRemoteSetupDlg::CurrentPage() const
{
    return m_arrPage.empty() ? nullptr : m_arrPage.begin()->second;
}

void CRemoteSetupDlg::DestroyPage(CSetupPage* page)
{
    page->hide();
    page->RunTeardown();
    for (auto it = m_arrPage.begin(); it != m_arrPage.end();) {
        if (it->second == page)
            it = m_arrPage.erase(it);
        else
            ++it;
    }
    // Deleted later: the handler that called the opener may still be running.
    page->DestroyWindow();
}

void CRemoteSetupDlg::ShowOnlyPage(CSetupPage* keep)
{
    // Pop-ups first, so that a slider's last value reaches its page.
    ClosePickers();
    std::vector<CSetupPage*> others;
    for (const auto& [id, page] : m_arrPage)
        if (page != keep)
            others.push_back(page);
    for (CSetupPage* page : others)
        DestroyPage(page);
}

CSetupPage* CRemoteSetupDlg::ShowPage(int templateId, const SetupPageArgs& args)
{
    CSetupPage* page = Page(templateId);
    ShowOnlyPage(page);
    // The old page's teardown may run a box with its own event loop, in
    // which the window can be closed (the session ended): no page is built
    // in a window that has gone.
    if (!Stands())
        return nullptr;
    if (!page) {
        // A page no one has registered opens nothing.
        page = m_registry.Make(templateId);
        if (!page)
            return nullptr;
        m_arrPage[templateId] = page;
        if (!page->Create(this, args)) {
            m_arrPage.erase(templateId);
            page->deleteLater();
            return nullptr;
        }
    }
    page->show();
    return page;
}

void CRemoteSetupDlg::ShowClientAccountPage(int bReturning, int nUser)
{
    ShowPage(SetupPage::kClientAccount, SetupPageArgs{bReturning, nUser});
}

void CRemoteSetupDlg::ShowAccountChannelPage(int nUser)
{
    ShowPage(SetupPage::kAccountChannel, SetupPageArgs{nUser, 0});
}

void CRemoteSetupDlg::ShowMailSchedulePage(int nMailMode)
{
    ShowPage(SetupPage::kMailSchedule, SetupPageArgs{nMailMode, 0});
}

void CRemoteSetupDlg::ShowSpotSequencePage()
{
    ShowPage(SetupPage::kSpotSequence);
}

void CRemoteSetupDlg::ShowEmptyPage()
{
    ShowPage(SetupPage::kEmpty);
}

void CRemoteSetupDlg::OnPageGone(CSetupPage* page)
{
    for (auto it = m_arrPage.begin(); it != m_arrPage.end();) {
        if (it->second == page)
            it = m_arrPage.erase(it);
        else
            ++it;
    }
}

void CRemoteSetupDlg::OpenListPicker(CSetupPage* pOwnerPage, int nItemId, const ListPickerRequest* pRequest,
                                     int nColumnsMode)
{
    ClosePickers();
    auto* popup = new CListPickerPopup(pOwnerPage, nItemId, pRequest, nColumnsMode, this);
    m_pListPicker = popup;
    popup->Create(this);
}

void CRemoteSetupDlg::OpenSliderPicker(CSetupPage* pOwnerPage, int nItemId,
                                       const SliderPickerRequest* pRequest, int bTimeMode)
{
    ClosePickers();
    auto* popup = new CSliderPickerPopup(pOwnerPage, nItemId, pRequest, bTimeMode, this);
    m_pSliderPicker = popup;
    popup->Create(this);
}

void CRemoteSetupDlg::ClosePickers()
{
    if (m_pListPicker)
        m_pListPicker->DestroyWindow();
    if (m_pSliderPicker)
        m_pSliderPicker->DestroyWindow();
}

void CRemoteSetupDlg::OnPickerGone(Wnd* pPopup)
{
    if (pPopup == m_pListPicker)
        m_pListPicker = nullptr;
    if (pPopup == m_pSliderPicker)
        m_pSliderPicker = nullptr;
}

namespace {
// The open page that owns a pick, or null when it has gone or is going.
CSetupPage* OpenOwner(const std::map<int, CSetupPage*>& pages, QWidget* owner)
{
    if (owner == nullptr)
        return nullptr;
    for (const auto& [id, page] : pages)
        if (page == owner && !page->IsDestroyed() && !page->TornDown())
            return page;
    return nullptr;
}
} // namespace

void CRemoteSetupDlg::OnListPicked(QWidget* pOwner, int nItemId, int nIndex)
{
    if (nIndex == -1)
        return;
    if (CSetupPage* page = OpenOwner(m_arrPage, pOwner))
        page->OnListPicked(nItemId, nIndex);
}

void CRemoteSetupDlg::OnSliderPicked(QWidget* pOwner, int nItemId, int nValue1, int nValue2, int nValue3)
{
    if (CSetupPage* page = OpenOwner(m_arrPage, pOwner))
        page->OnSliderPicked(nItemId, nValue1, nValue2, nValue3);
}

void CRemoteSetupDlg::DrawSectionBar(QPainter& p, int x, int y, int nWidth) const
{
    DrawBitmap(p, m_bmpBar[0], x, y, x + 5, y + 19, false, 0);
    DrawBitmap(p, m_bmpBar[1], x + 5, y, x + nWidth - 10, y + 19, true, 0);
    DrawBitmap(p, m_bmpBar[2], x + nWidth - 10, y, x + nWidth, y + 19, false, 0);
}

bool CRemoteSetupDlg::IsAudioInputChannel(int nChannel) const
{
    if (m_bSubProduct6 != 1)
        return true;
    const ImageRef image = Image();
    for (int k = 0; k < 4; ++k)
        if (static_cast<int>(image.Get(SetupDb::AudioInputChannel, k)) == nChannel)
            return true;
    return false;
}

void CRemoteSetupDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, kWidth, kHeight, true, 0);
}

void CRemoteSetupDlg::mousePressEvent(QMouseEvent* e)
{
    // A press on the frame's own background drags it, and closes the pickers.
    if (e->button() == Qt::LeftButton && childAt(e->position().toPoint()) == nullptr)
        ClosePickers();
    Dialog::mousePressEvent(e);
}
