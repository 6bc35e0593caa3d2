#include "search/LogViewers.h"

#include "net/NetClient.h"
#include "platform/ResourceLibrary.h"
#include "search/RemoteSearchDlg.h"
#include "search/ResIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>

namespace {

constexpr COLORREF kButtonText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
constexpr int IDB_LOG_BACKGROUND = 1751;
constexpr int IDB_LOG_REGION_BACKGROUND = 1661;
constexpr int IDB_LOG_SCHEDULE_BACKGROUND = 1671;
constexpr int IDS_LOG_REGION = 5685;
constexpr int IDS_LOG_BEFORE = 5937;
constexpr int IDS_LOG_AFTER = 5936;

void TextButton(CSkinTextButton& button, QWidget* parent, int id, const std::string& text, int x)
{
    button.setParent(parent);
    button.SetDlgCtrlID(id);
    SetupCaptionButton(button, kBmpRowButton,
                       QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())), kButtonText);
    button.setGeometry(x, 396, 97, 22);
    button.show();
}

} // namespace

CLogViewerPage::CLogViewerPage(CRemoteSearchDlg& host, SearchSlot slot, const SearchPageArgs& args)
    : CSearchPage(host, slot), m_nOrigin(args.values[0]), m_nRecord(args.values[1]),
      m_nSubKind(args.values[2])
{
}

const RemoteLogRecord* CLogViewerPage::Record() const
{
    const std::vector<RemoteLogRecord>& table = Host().m_arrLogRecord;
    if (m_nRecord < 0 || m_nRecord >= static_cast<int>(table.size()))
        return nullptr;
    return &table[static_cast<std::size_t>(m_nRecord)];
}

void CLogViewerPage::OnPrev()
{
    CRemoteSearchDlg& host = Host();
    if (host.RequestPending())
        return;
    if (const RemoteLogRecord* r = Record())
        host.m_nLogSelected = static_cast<int>(r->number);
    switch (m_nOrigin) {
    case 1:
        host.ShowLogPage(SearchSlot::LogOperation, 3);
        break;
    case 2:
        host.ShowLogPage(SearchSlot::LogArchive, 6);
        break;
    default:
        host.RequestLogInfo();
        break;
    }
}

void CLogViewerPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

// ===========================================================================

CLogDetailPage::CLogDetailPage(CRemoteSearchDlg& host, const SearchPageArgs& args)
    : CLogViewerPage(host, SearchSlot::LogDetail, args), m_lstLog(this)
{
    m_lstLog.SetDlgCtrlID(914);
    m_lstLog.setGeometry(2, 2, 399, 389);
}

void CLogDetailPage::OnInitPage()
{
    const ISearchMainWindow& main = Host().Main();
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_LOG_BACKGROUND);
    m_lstLog.SetStyle(5, 0x783C3C, true, 9, "Arial Bold");
    TextButton(m_btnRegion, this, 480, main.LoadResString(IDS_LOG_REGION), 205);
    m_btnRegion.hide();
    TextButton(m_btnPrev, this, 482, main.LoadResString(IDS_SEARCH_PREV), 304);
    DecodeSetupChange();
}

void CLogDetailPage::DecodeSetupChange()
{
    CRemoteSearchDlg::InitLogListColumns(m_lstLog, 5, 50, 150, 200, 70, 336);
    const RemoteLogRecord* r = Record();
    if (!r)
        return;
    const ISearchMainWindow& main = Host().Main();
    LogDetailContext ctx;
    if (const std::shared_ptr<CNetClient> client = Host().Client()) {
        ctx.connected = true;
        ctx.subProductMajor = client->Hello().sub_product_num_major;
        ctx.helloFlag2Bit0 = client->m_bHelloFlag2Bit0.load();
        ctx.subProduct6 = client->m_bSubProduct6.load();
    }
    ctx.dateFormat = main.DateFormat();
    ctx.spaced = [&main](int id) { return main.LoadResStringSpaced(id); };
    ctx.plain = [&main](int id) { return main.LoadResString(id); };
    const LogDetail detail = ::DecodeSetupChange(*r, m_nSubKind, ctx);
    for (const LogDetailRow& row : detail.rows) {
        for (int c = 0; c < 5; ++c) {
            const std::string& text = row[static_cast<std::size_t>(c)];
            if (c == 0 || !text.empty())
                CRemoteSearchDlg::AddLogListItem(m_lstLog, c, text);
        }
    }
    m_btnRegion.setVisible(detail.region);
}

void CLogDetailPage::OnRegion()
{
    Host().ShowPage(SearchSlot::LogRegion, SearchPageArgs{{m_nOrigin, m_nRecord, m_nSubKind}});
}

void CLogDetailPage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == 480)
        OnRegion();
    else if (id == 482)
        OnPrev();
}

// ===========================================================================

CLogRegionPage::CLogRegionPage(CRemoteSearchDlg& host, const SearchPageArgs& args)
    : CLogViewerPage(host, SearchSlot::LogRegion, args), m_grid(this),
      m_oldCells(CMotionGridModel::kChannels * CMotionGridModel::kRows * CMotionGridModel::kCols, 0),
      m_newCells(m_oldCells.size(), 0)
{
}

CLogRegionPage::~CLogRegionPage()
{
    KillTimer(kTimer);
    m_grid.RemoveAllCells();
}

void CLogRegionPage::OnInitPage()
{
    const ISearchMainWindow& main = Host().Main();
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_LOG_REGION_BACKGROUND);
    TextButton(m_btnOld, this, 480, main.LoadResString(IDS_LOG_BEFORE), 2);
    TextButton(m_btnNew, this, 481, main.LoadResString(IDS_LOG_AFTER), 103);
    TextButton(m_btnPrev, this, 482, main.LoadResString(IDS_SEARCH_PREV), 304);
    // The picture is repainted whole on every tick: no erase in between.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetupGrid();
    OnNewRegion();
    SetTimer(kTimer, 100);
}

void CLogRegionPage::SetupGrid()
{
    m_grid.setGeometry(21, 72, 363, 288);
    m_grid.LoadBitmaps();
    m_grid.m_bReadOnly = 1;
    m_grid.show();
    if (const RemoteLogRecord* r = Record()) {
        const auto before = UnpackRegion(*r, 93);
        const auto after = UnpackRegion(*r, 124);
        std::copy(before.begin(), before.end(), m_oldCells.begin());
        std::copy(after.begin(), after.end(), m_newCells.begin());
    }
}

void CLogRegionPage::GrabStill()
{
    m_grid.m_bShowStill = 0;
    const RemoteLogRecord* r = Record();
    Host().Main().GrabStillForMotionGrid(&m_grid, r ? RegionChannel(*r) : 0);
}

void CLogRegionPage::ShowTable(bool showNew)
{
    m_bShowNew = showNew;
    if (m_grid.CellCount() == 0) {
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 10; ++col)
                m_grid.AddCell(col * 36, row * 36, col * 36 + 36, row * 36 + 36);
        }
    }
    RefreshCells();
    m_btnOld.SetState(showNew ? 0 : 1);
    m_btnNew.SetState(showNew ? 1 : 0);
}

void CLogRegionPage::RefreshCells()
{
    GrabStill();
    m_grid.m_nChannel = 0;
    std::vector<BYTE>& table = m_bShowNew ? m_newCells : m_oldCells;
    m_grid.m_pCells = table.data();
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 10; ++col) {
            const GridRect cell{col * 36, row * 36, col * 36 + 36, row * 36 + 36};
            if (table[static_cast<std::size_t>(row * 11 + col)] == 1)
                m_grid.SelectCell(cell);
            else
                m_grid.DeselectCell(cell);
        }
    }
    m_grid.update();
}

void CLogRegionPage::OnOldRegion()
{
    ShowTable(false);
}

void CLogRegionPage::OnNewRegion()
{
    ShowTable(true);
}

void CLogRegionPage::OnTimer(UINT id)
{
    if (id == kTimer) {
        GrabStill();
        update();
    }
    CLogViewerPage::OnTimer(id);
}

LRESULT CLogRegionPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE)
        KillTimer(kTimer);
    return CLogViewerPage::WindowProc(msg, wParam, lParam);
}

void CLogRegionPage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == 480) {
        OnOldRegion();
    } else if (id == 481) {
        OnNewRegion();
    } else if (id == 482) {
        KillTimer(kTimer);
        // Back to the details of the same entry.
        Host().ShowPage(SearchSlot::LogDetail, SearchPageArgs{{m_nOrigin, m_nRecord, m_nSubKind}});
    }
}

// ===========================================================================

CLogSchedulePage::CLogSchedulePage(CRemoteSearchDlg& host, const SearchPageArgs& args)
    : CLogViewerPage(host, SearchSlot::LogSchedule, args), m_grid(this)
{
    m_grid.hide();
}

void CLogSchedulePage::OnInitPage()
{
    const ISearchMainWindow& main = Host().Main();
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_LOG_SCHEDULE_BACKGROUND);
    for (int j = 0; j < 7; ++j) {
        CSkinLabel& label = m_lblDays[j];
        const COLORREF colour = j == 0 ? 0x0000FF : 0x785A5A;
        label.setParent(this);
        label.SetDlgCtrlID(790 + j);
        label.SetNotify(false);
        label.SetStyle(colour, colour, 0, 0, true, 9, "Arial Bold");
        const std::string text = main.LoadResString(IDS_WEEKDAY_FIRST + j);
        label.SetText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        label.setGeometry(56 + 50 * j, 14, 46, 14);
        label.show();
    }
    TextButton(m_btnOld, this, 480, main.LoadResString(IDS_LOG_BEFORE), 2);
    TextButton(m_btnNew, this, 481, main.LoadResString(IDS_LOG_AFTER), 103);
    TextButton(m_btnPrev, this, 482, main.LoadResString(IDS_SEARCH_PREV), 304);
    if (const RemoteLogRecord* r = Record()) {
        m_oldCells = UnpackSchedule(*r, 88);
        m_newCells = UnpackSchedule(*r, 120);
    }
    if (const std::shared_ptr<CNetClient> client = Host().Client())
        SetupGrid(client->Hello().sub_product_num_major);
    OnNewSchedule();
}

void CLogSchedulePage::SetupGrid(int mode)
{
    m_grid.setGeometry(53, 30, 350, 360);
    m_grid.LoadBitmaps(ResourceLibrary::Current(), mode);
    m_grid.m_nMode = mode;
    m_gridCells = m_newCells;
    m_grid.m_pCells = m_gridCells.data();
    m_grid.m_bReadOnly = 1;
    for (int hour = 0; hour < 24; ++hour) {
        for (int day = 0; day < 7; ++day)
            m_grid.AddCell(day * 50, hour * 15, day * 50 + 50, hour * 15 + 15);
    }
    m_grid.show();
    m_bGrid = true;
}

void CLogSchedulePage::ShowTable(bool showNew)
{
    const auto& table = showNew ? m_newCells : m_oldCells;
    for (int hour = 0; hour < 24; ++hour) {
        for (int day = 0; day < 7; ++day) {
            m_grid.SetCell(GridRect{day * 50, hour * 15, day * 50 + 50, hour * 15 + 15},
                           table[static_cast<std::size_t>(day * 24 + hour)]);
        }
    }
    m_bShowNew = showNew;
    m_btnOld.SetState(showNew ? 0 : 1);
    m_btnNew.SetState(showNew ? 1 : 0);
    update();
}

void CLogSchedulePage::OnOldSchedule()
{
    ShowTable(false);
}

void CLogSchedulePage::OnNewSchedule()
{
    ShowTable(true);
}

void CLogSchedulePage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == 480)
        OnOldSchedule();
    else if (id == 481)
        OnNewSchedule();
    else if (id == 482)
        OnPrev();
}

void RegisterLogViewers()
{
    RegisterSearchPage(SearchSlot::LogDetail,
                       [](CRemoteSearchDlg& h, const SearchPageArgs& a) { return new CLogDetailPage(h, a); });
    RegisterSearchPage(SearchSlot::LogRegion,
                       [](CRemoteSearchDlg& h, const SearchPageArgs& a) { return new CLogRegionPage(h, a); });
    RegisterSearchPage(SearchSlot::LogSchedule, [](CRemoteSearchDlg& h, const SearchPageArgs& a) {
        return new CLogSchedulePage(h, a);
    });
}
