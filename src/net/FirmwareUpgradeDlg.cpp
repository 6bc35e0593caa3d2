#include "net/FirmwareUpgradeDlg.h"

#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "net/ResIds.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "platform/Trace.h"
#include "ui/UiMessages.h"

#include <QPainter>

namespace {

constexpr int kRowNames[kFirmwareRows] = {IDS_FW_NAME_BOOT, IDS_FW_NAME_TYPE3, IDS_FW_NAME_TYPE4,
                                          IDS_FW_NAME_TYPE5, IDS_FW_NAME_TYPE6};
constexpr UINT kWmNotifyEvent = WM_USER + 20006;
constexpr LPARAM kRebootOffer = 0x80005; // NOTIFY_FW_UPGRADE, sub-code 5
const QRect kStatusRect(19, 155, 361 - 19, 177 - 155);

} // namespace

CFirmwareUpgradeDlg::CFirmwareUpgradeDlg(QWidget* pMainDlg, std::weak_ptr<CNetClient> connection,
                                         BYTE nOpacity, std::string upgradeFolder)
    : Dialog(pMainDlg, Qt::Dialog | Qt::FramelessWindowHint), m_btnStart(this), m_btnStop(this),
      m_btnClose(this), m_connection(std::move(connection)), m_nOpacity(nOpacity),
      m_strFolder(std::move(upgradeFolder))
{
    m_btnStart.SetDlgCtrlID(kIdStart);
    m_btnStop.SetDlgCtrlID(kIdStop);
    m_btnClose.SetDlgCtrlID(kIdClose);
    for (int i = 0; i < 6; ++i) {
        m_chkRow[i].setParent(this);
        m_chkRow[i].SetDlgCtrlID(kIdCheckFirst + i);
        m_lblName[i].setParent(this);
        m_lblName[i].SetDlgCtrlID(kIdNameFirst + i);
        m_prgRow[i].setParent(this);
        m_prgRow[i].SetDlgCtrlID(kIdProgressFirst + i);
        m_lblStatus[i].setParent(this);
        m_lblStatus[i].SetDlgCtrlID(kIdStatusFirst + i);
    }
    SetSkinKeyRules(true);
    SetDragFromBackground(true);
}

CFirmwareUpgradeDlg::~CFirmwareUpgradeDlg()
{
    JoinUpload();
}

int CFirmwareUpgradeDlg::ScanUpgradeFolder()
{
    HelloRecord hello{};
    if (auto conn = m_connection.lock())
        hello = conn->Hello();
    const int count = ScanFirmwareFolder(m_strFolder, hello, m_arrComponent);
    m_session.Init(m_arrComponent);
    return count;
}

bool CFirmwareUpgradeDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(IDB_FW_BACK);
    m_bmpStatus = res.LoadBitmap(IDB_FW_STATUS_LINE);
    SetupCaptionButton(m_btnStart, IDB_FW_BUTTON, res.LoadResString(IDS_FW_START), kPromptButtonText);
    SetupCaptionButton(m_btnStop, IDB_FW_BUTTON, res.LoadResString(IDS_FW_STOP), kPromptButtonText);
    SetupCaptionButton(m_btnClose, IDB_FW_BUTTON, res.LoadResString(IDS_FW_CLOSE), kPromptButtonText);
    m_btnStart.setGeometry(220, 187, 86, 27);
    m_btnStop.setGeometry(220, 187, 86, 27);
    m_btnClose.setGeometry(306, 187, 86, 27);
    for (int i = 0; i < 6; ++i) {
        const int y = 19 + 23 * i;
        m_chkRow[i].SetBitmaps(IDB_FW_CHECK_OFF, IDB_FW_CHECK_ON, IDB_FW_CHECK_OFF, IDB_FW_CHECK_OFF,
                               IDB_FW_CHECK_OFF, IDB_FW_CHECK_MASK, 0, 0, 0);
        m_chkRow[i].move(18, y - 1);
        for (CSkinLabel* label : {&m_lblName[i], &m_lblStatus[i]}) {
            label->SetBitmap(0, IDB_FW_LABEL);
            label->SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        }
        m_lblName[i].setGeometry(38, y, 78, 14);
        m_lblStatus[i].setGeometry(243, y, 132, 14);
        m_prgRow[i].SetBackBitmap(IDB_FW_PROGRESS_BACK);
        m_prgRow[i].SetBarBitmap(IDB_FW_PROGRESS_BAR);
        m_prgRow[i].setGeometry(94, y, 140, m_prgRow[i].m_bmBack.height());
        m_prgRow[i].SetRange(0, 100, true);
        m_prgRow[i].SetPos(0);
        m_prgRow[i].SetTextStyle(false, 0x783C3C);
        if (i < kFirmwareRows) {
            m_lblName[i].SetText(res.LoadResString(kRowNames[i]));
            if (m_session.CheckEnabled(i))
                m_prgRow[i].SetTextStyle(true, 0x783C3C);
        } else {
            // The template's sixth row is never used.
            m_chkRow[i].hide();
            m_lblName[i].hide();
            m_prgRow[i].hide();
            m_lblStatus[i].hide();
        }
    }
    setFixedSize(kWidth, kHeight);
    if (QWidget* parent = parentWidget())
        move(parent->window()->frameGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
    SetTransparent(this, m_nOpacity, m_bmpBack.isNull() ? QImage() : m_bmpBack);
    ShowState();
    return true;
}

void CFirmwareUpgradeDlg::ShowState()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    for (int i = 0; i < kFirmwareRows; ++i) {
        m_chkRow[i].SetCheck(m_session.Ticked(i) ? 1 : 0);
        m_chkRow[i].setEnabled(m_session.CheckEnabled(i));
        const int text = m_session.StatusText(i);
        m_lblStatus[i].SetText(text != 0 ? res.LoadResString(text) : QString());
        m_prgRow[i].SetPos(m_session.Progress(i));
    }
    m_btnStart.Show(m_session.StartShown());
    m_btnStart.Enable(m_session.StartEnabled());
    m_btnStop.Show(m_session.StopShown());
    m_btnStop.Enable(m_session.StopEnabled());
    m_btnClose.Enable(m_session.CloseEnabled());
    update(kStatusRect);
}

void CFirmwareUpgradeDlg::SendRequest()
{
    const FirmwareComponentRecord& rec = m_session.Record(m_session.Current());
    TRACE("Send... FW_UPDATE_REQ...\n");
    bool sent = false;
    if (auto conn = m_connection.lock())
        sent = conn->Send(FW_UPDATE_REQ, rec.request.data(), rec.request.size());
    if (!sent)
        TRACE("FW_UPDATE_REQ not sent\n");
}

void CFirmwareUpgradeDlg::StartUpload()
{
    JoinUpload();
    const int row = m_session.Current();
    const std::string path = m_session.Record(row).path;
    const WndHandle self = Handle();
    m_bStop = false;
    // The thread holds only a weak handle on the connection and posts what it
    // has to say: it never touches a widget and never waits for this window.
    m_upload = std::thread([this, row, path, self, weak = m_connection] {
        FwUploadIo io;
        io.send = [weak](const std::uint8_t* bytes, std::size_t n, bool last) {
            auto conn = weak.lock();
            if (!conn)
                return false;
            const std::shared_ptr<TcpSocket> socket = conn->Socket();
            if (!socket)
                return false;
            const WireHeader h =
                WireHeader::Make(FW_DATA, static_cast<std::uint16_t>(n), 0, last ? kFlagLastFragment : 0);
            return SendPacket(*socket, h, bytes, n);
        };
        io.progress = [self, row](int percent) {
            PostMessage(self, WM_FW_PROGRESS, static_cast<WPARAM>(row), static_cast<LPARAM>(percent));
        };
        const FwUploadResult result = UploadFirmwareFile(path, io, m_bStop);
        PostMessage(self, WM_FW_UPLOAD_END, static_cast<WPARAM>(result), 0);
    });
}

void CFirmwareUpgradeDlg::JoinUpload()
{
    m_bStop = true;
    if (m_upload.joinable())
        m_upload.join();
}

void CFirmwareUpgradeDlg::Apply(CFirmwareSession::Action action)
{
    switch (action) {
    case CFirmwareSession::Action::SendRequest:
        SendRequest();
        break;
    case CFirmwareSession::Action::StartUpload:
        StartUpload();
        break;
    case CFirmwareSession::Action::StopUpload:
        // The end comes as WM_FW_UPLOAD_END; the window does not wait for it.
        m_bStop = true;
        break;
    case CFirmwareSession::Action::None:
        break;
    }
    ShowState();
}

void CFirmwareUpgradeDlg::OnClose()
{
    if (m_session.OnClose() && m_hMain)
        PostMessage(m_hMain, kWmNotifyEvent, Handle().Id(), kRebootOffer);
    PostMessage(Handle(), WM_CLOSE, 0, 0);
}

LRESULT CFirmwareUpgradeDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (CommandCode(wParam) == BN_CLICKED) {
            const int id = CommandId(wParam);
            if (id == kIdStart) {
                Apply(m_session.OnStart());
                return 0;
            }
            if (id == kIdStop) {
                Apply(m_session.OnStop());
                return 0;
            }
            if (id == kIdClose) {
                OnClose();
                return 0;
            }
            if (id >= kIdCheckFirst && id < kIdCheckFirst + kFirmwareRows) {
                m_session.SetTicked(id - kIdCheckFirst, m_chkRow[id - kIdCheckFirst].GetCheck() != 0);
                ShowState();
                return 0;
            }
        }
        break;
    case WM_FW_UPDATE_ACK:
    case WM_FW_UPDATE_NACK:
    case WM_FW_DATA_RX_DONE:
    case WM_FW_DATA_RX_FAIL:
    case WM_FW_UPDATE_DONE:
    case WM_FW_UPDATE_FAIL:
        Apply(m_session.OnAnswer(msg, static_cast<int>(static_cast<std::int32_t>(wParam))));
        break;
    case WM_FW_PROGRESS:
        if (wParam < kFirmwareRows) {
            m_session.SetProgress(static_cast<int>(wParam), static_cast<int>(lParam));
            m_prgRow[wParam].SetPos(static_cast<int>(lParam));
        }
        return 0;
    case WM_FW_UPLOAD_END:
        if (m_upload.joinable())
            m_upload.join(); // it has posted its last word
        Apply(m_session.OnUploadEnded(static_cast<FwUploadResult>(wParam)));
        return 0;
    default:
        break;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

bool CFirmwareUpgradeDlg::DestroyWindow()
{
    JoinUpload();
    return Dialog::DestroyWindow();
}

void CFirmwareUpgradeDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_bmpBack.isNull())
        p.drawImage(QRect(0, 0, kWidth, kHeight), m_bmpBack);
    if (!m_bmpStatus.isNull())
        p.drawImage(kStatusRect, m_bmpStatus);
    const int mode = m_session.StatusMode();
    if (mode == 1 || mode == 3) {
        const ResourceLibrary& res = ResourceLibrary::Current();
        p.setFont(BuildBoldLogFont(9));
        p.setPen(fromColorRef(mode == 1 ? 0xFFFFFF : 0x00FFFF));
        p.drawText(kStatusRect, Qt::AlignCenter | Qt::TextSingleLine,
                   res.LoadResString(mode == 1 ? IDS_FW_UPLOADING : IDS_FW_WRITING));
    }
}
