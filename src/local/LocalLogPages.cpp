#include "local/LocalLogPages.h"

#include "local/LocalLogPrint.h"
#include "local/LocalSearchDlg.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "platform/System.h"
#include "search/ResIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>
#include <cstdio>

namespace {

constexpr int IDB_LOCAL_LOG_BACKGROUND = 1751;
constexpr int IDS_LOCAL_LOG_PRINT = 5604;
constexpr int IDS_LOCAL_LOG_TITLE = 5527;
constexpr int IDS_LOCAL_VERSION = 5410;
constexpr COLORREF kPrintText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};

} // namespace

// ===========================================================================
// Connection log

CLocalLogPage::CLocalLogPage(CLocalSearchDlg& host)
    : CSearchPage(host, static_cast<int>(LocalSlot::Log)), m_lstLog(this), m_pSearchDlg(host)
{
    m_lstLog.SetDlgCtrlID(914);
    m_lstLog.setGeometry(2, 2, 399, 389);
}

void CLocalLogPage::OnInitPage()
{
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_LOCAL_LOG_BACKGROUND);
    m_lstLog.SetStyle(5, 0x783C3C, true, 9, "Arial Bold");
    ParseConnectLog();
    m_btnPrint.setParent(this);
    m_btnPrint.SetDlgCtrlID(480);
    SetupCaptionButton(m_btnPrint, kBmpRowButton,
                       QString::fromStdString(PageHost().PageText(IDS_LOCAL_LOG_PRINT)), kPrintText);
    m_btnPrint.setGeometry(2, 396, 97, 22);
    m_btnPrint.show();
    FillLogList();
    m_lstLog.show();
}

void CLocalLogPage::ParseConnectLog()
{
    CLocalSearchDlg& host = m_pSearchDlg;
    // The table of the previous parse goes even when nothing new was loaded,
    // so the count never outlives its records.
    host.m_arrLogRecord.clear();
    host.m_nLogRecordCount = 0;
    if (host.m_nLogLength > 0) {
        host.m_arrLogRecord = ::ParseConnectLog(host.LogBuffer());
        host.m_nLogRecordCount = static_cast<int>(host.m_arrLogRecord.size());
    }
    host.ClearLogBuffer();
}

void CLocalLogPage::FillLogList()
{
    CLocalSearchDlg::InitLogListColumns(m_lstLog, 5, 40, 144, 120, 70, 160);
    const ISearchPageHost& host = PageHost();
    m_rows = BuildLocalLogRows(m_pSearchDlg.m_arrLogRecord, host.PageDateFormat(),
                               [&host](int id) { return " " + host.PageText(id); });
    for (const LocalLogRow& row : m_rows)
        for (int c = 0; c < 5; ++c)
            CLocalSearchDlg::AddLogListItem(m_lstLog, c, row.cells[static_cast<std::size_t>(c)]);
}

CLogPrint::Result CLocalLogPage::PrintLog()
{
    return m_print.PrintLog(MakeConnectLogPrintJob(m_rows, PageHost().PageText(IDS_LOCAL_LOG_TITLE)));
}

void CLocalLogPage::OnCommand(int id, int code)
{
    if (id == 480 && code == BN_CLICKED)
        PrintLog();
}

void CLocalLogPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

// ===========================================================================
// Information

CLocalInfoPage::CLocalInfoPage(CLocalSearchDlg& host)
    : CSearchPage(host, static_cast<int>(LocalSlot::Info)), m_lstInfo(this), m_pSearchDlg(host)
{
    m_lstInfo.SetDlgCtrlID(915);
    m_lstInfo.setGeometry(2, 2, 399, 413);
}

void CLocalInfoPage::OnInitPage()
{
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_LOCAL_LOG_BACKGROUND);
    m_lstInfo.SetStyle(5, 0x783C3C, true, 9, "Arial Bold");
    FillInfoList();
    m_lstInfo.show();
}

void CLocalInfoPage::FillInfoList()
{
    CLocalSearchDlg::InitInfoListColumns(m_lstInfo, 2, 130, 160, 0, 0, 0);
    const std::array<std::uint16_t, 4> v = ProgramVersion();
    char version[48];
    std::snprintf(version, sizeof version, " %d.%d.%d.%d", v[0], v[1], v[2], v[3]);
    CLocalSearchDlg::AddInfoListItem(m_lstInfo, 0, PageHost().PageText(IDS_LOCAL_VERSION));
    CLocalSearchDlg::AddInfoListItem(m_lstInfo, 1, version);
}

void CLocalInfoPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

void RegisterLocalLogPages()
{
    RegisterLocalPage(LocalSlot::Log,
                      [](CLocalSearchDlg& host, LocalPageArgs&) { return new CLocalLogPage(host); });
    RegisterLocalPage(LocalSlot::Info,
                      [](CLocalSearchDlg& host, LocalPageArgs&) { return new CLocalInfoPage(host); });
}
