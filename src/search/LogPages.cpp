#include "search/LogPages.h"

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
constexpr int IDS_LOG_PRINT = 5604;
constexpr int IDS_LOG_DETAILS = 5892;

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

SearchSlot LogSlotOf(LogList list)
{
    switch (list) {
    case LogList::Power:
        return SearchSlot::LogPower;
    case LogList::Record:
        return SearchSlot::LogRecord;
    case LogList::Operation:
        return SearchSlot::LogOperation;
    case LogList::Client:
        return SearchSlot::LogClient;
    case LogList::Event:
        return SearchSlot::LogEvent;
    case LogList::Archive:
        return SearchSlot::LogArchive;
    case LogList::All:
        break;
    }
    return SearchSlot::LogAll;
}

CLogListPage::CLogListPage(CRemoteSearchDlg& host, SearchSlot slot, LogList list)
    : CSearchPage(host, slot), m_model(list), m_lstLog(this)
{
    m_lstLog.SetDlgCtrlID(914);
    m_lstLog.setGeometry(2, 2, 399, 389);
    connect(&m_lstLog, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                if (!m_bFilling)
                    OnItemChanged(item ? m_lstLog.indexOfTopLevelItem(item) : -1);
            });
}

LogViewContext CLogListPage::Context() const
{
    LogViewContext ctx;
    const ISearchMainWindow& main = Host().Main();
    if (const std::shared_ptr<CNetClient> client = Host().Client()) {
        ctx.connected = true;
        ctx.archiveSupport = client->m_bArchiveSupport.load();
        ctx.userIndex = client->UserIndex();
    }
    ctx.localPlayer = main.LocalPlayerRunning();
    ctx.dateFormat = main.DateFormat();
    ctx.spaced = [&main](int id) { return main.LoadResStringSpaced(id); };
    ctx.plain = [&main](int id) { return main.LoadResString(id); };
    return ctx;
}

int CLogListPage::Origin() const
{
    return List() == LogList::Operation ? 1 : List() == LogList::Archive ? 2 : 0;
}

void CLogListPage::OnInitPage()
{
    const ISearchMainWindow& main = Host().Main();
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_LOG_BACKGROUND);
    m_lstLog.SetStyle(5, 0x783C3C, true, 9, "Arial Bold");
    TextButton(m_btnPrint, this, 480, main.LoadResString(IDS_LOG_PRINT), 2);
    if (List() == LogList::All) {
        TextButton(m_btnDetails, this, 481, main.LoadResString(IDS_LOG_DETAILS), 205);
        TextButton(m_btnPlay, this, 482, main.LoadResString(IDS_SEARCH_PLAY), 304);
    } else if (m_model.HasDetails()) {
        TextButton(m_btnDetails, this, 482, main.LoadResString(IDS_LOG_DETAILS), 304);
        m_btnPlay.hide();
    } else if (m_model.HasPlay()) {
        TextButton(m_btnPlay, this, 482, main.LoadResString(IDS_SEARCH_PLAY), 304);
        m_btnDetails.hide();
    } else {
        m_btnDetails.hide();
        m_btnPlay.hide();
    }
    m_btnDetails.Enable(false);
    m_btnPlay.Enable(false);

    if (List() == LogList::All) {
        BuildLogRecords();
    } else if (List() == LogList::Event) {
        // After a Play from this page the window reopens here without a new
        // answer: the connection's copy is the table.
        if (const std::shared_ptr<CNetClient> client = Host().Client()) {
            std::vector<RemoteLogRecord> table;
            for (const std::vector<std::uint8_t>& block : client->SearchKeep().KeptLog())
                table.push_back(RemoteLogRecord::FromBlock(block.data(), block.size()));
            Host().m_arrLogRecord = std::move(table);
        }
    }
    FillLogList();
    if (m_model.HasDetails())
        SelectRememberedRecord();
}

void CLogListPage::BuildLogRecords()
{
    std::vector<RemoteLogRecord>& table = Host().m_arrLogRecord;
    table.clear();
    const std::shared_ptr<CNetClient> client = Host().Client();
    if (!client)
        return;
    if (client->SearchKeep().HandOverActive()) {
        for (const std::vector<std::uint8_t>& block : client->SearchKeep().KeptLog())
            table.push_back(RemoteLogRecord::FromBlock(block.data(), block.size()));
        return;
    }
    const SearchAnswer* answer = Host().LogAnswer();
    if (!answer)
        return;
    // The window checked the answer before opening the page; a bad one
    // leaves the table empty.
    if (ParseRemoteLog(answer->raw.data(), answer->raw.size(), table) != LogParse::Ok)
        table.clear();
    std::vector<std::vector<std::uint8_t>> kept;
    kept.reserve(table.size());
    for (const RemoteLogRecord& r : table)
        kept.push_back(r.Block());
    client->SearchKeep().SetKeptLog(std::move(kept));
}

void CLogListPage::FillLogList()
{
    m_bFilling = true;
    m_lstLog.DeleteAllItems();
    if (m_lstLog.columnCount() == 0)
        CRemoteSearchDlg::InitLogListColumns(m_lstLog, 5, 50, 150, 120, 70, 336);
    m_model.Build(Host().m_arrLogRecord, Context());
    for (const LogRow& row : m_model.Rows()) {
        for (int c = 0; c < 5; ++c) {
            const std::string& text = row.cells[static_cast<std::size_t>(c)];
            if (c == 0 || !text.empty())
                CRemoteSearchDlg::AddLogListItem(m_lstLog, c, text);
        }
    }
    m_bFilling = false;
    m_btnDetails.Enable(false);
    m_btnPlay.Enable(false);
}

void CLogListPage::SelectRememberedRecord()
{
    const int row = m_model.RowOfNumber(Host().m_arrLogRecord, Host().m_nLogSelected);
    if (row < 0)
        return;
    QTreeWidgetItem* item = m_lstLog.topLevelItem(row);
    if (!item)
        return;
    m_lstLog.setCurrentItem(item);
    item->setSelected(true);
    m_lstLog.scrollToItem(item, QAbstractItemView::PositionAtTop);
}

void CLogListPage::OnItemChanged(int row)
{
    m_model.Select(row, Host().m_arrLogRecord, Host().Main().LocalPlayerRunning());
    m_btnDetails.Enable(m_model.DetailsEnabled());
    m_btnPlay.Enable(m_model.PlayEnabled());
}

CLogPrint::Result CLogListPage::PrintLog()
{
    const LogViewContext ctx = Context();
    const std::string title = Host().Main().LoadResString(LogPrintParamsOf(List()).titleId);
    const LogPrintJob job = m_model.PrintJob(Host().m_arrLogRecord, ctx, title);
    return m_print.PrintLog(job);
}

void CLogListPage::ShowDetails()
{
    const int record = m_model.SelectedRecord();
    switch (m_model.DetailTarget(Host().m_arrLogRecord)) {
    case LogDetailTarget::Schedule:
        Host().ShowPage(SearchSlot::LogSchedule, SearchPageArgs{{Origin(), record, 15}});
        break;
    case LogDetailTarget::Detail:
        Host().ShowPage(SearchSlot::LogDetail, SearchPageArgs{{Origin(), record, m_model.DetailKind()}});
        break;
    case LogDetailTarget::None:
        break;
    }
}

void CLogListPage::OnPlay()
{
    const int record = m_model.SelectedRecord();
    const std::vector<RemoteLogRecord>& table = Host().m_arrLogRecord;
    if (record < 0 || record >= static_cast<int>(table.size()))
        return;
    const RemoteLogRecord& r = table[static_cast<std::size_t>(record)];
    PlayHandOver block;
    block.active = 1;
    block.fromLog = 1;
    block.logPage = List() == LogList::Event ? 1 : 0;
    block.startTime = r.time;
    block.channelMask = Host().m_nChannelMask;
    // The request asks for the entry's cameras; the note keeps the window's.
    Host().PlayAndHandOver(block, 0, 0, false, r.camera);
}

void CLogListPage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == 480) {
        PrintLog();
    } else if (id == 481 || (id == 482 && m_model.HasDetails() && List() != LogList::All)) {
        ShowDetails();
    } else if (id == 482) {
        OnPlay();
    }
}

void CLogListPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

void RegisterLogPages()
{
    for (LogList list : {LogList::All, LogList::Power, LogList::Record, LogList::Operation, LogList::Client,
                         LogList::Event, LogList::Archive}) {
        const SearchSlot slot = LogSlotOf(list);
        RegisterSearchPage(slot, [slot, list](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CLogListPage(h, slot, list);
        });
    }
}
