#include "search/InfoPages.h"

#include "net/NetClient.h"
#include "search/RemoteSearchDlg.h"

CInfoListPage::CInfoListPage(CRemoteSearchDlg& host, SearchSlot slot) : CSearchPage(host, slot), m_lstInfo(this)
{
    m_lstInfo.SetDlgCtrlID(915);
    m_lstInfo.setGeometry(2, 2, 399, 413);
}

void CInfoListPage::OnInitPage()
{
    m_lstInfo.SetStyle(3, 0x783C3C, true, 9, "Arial Bold");
    const ISearchMainWindow& main = Host().Main();
    const ResText spaced = [&main](int id) { return main.LoadResStringSpaced(id); };
    const std::shared_ptr<CNetClient> client = Host().Client();
    std::vector<InfoRow> rows;
    if (Slot() == SearchSlot::StatusInfo) {
        CRemoteSearchDlg::InitInfoListColumns(m_lstInfo, 3, 130, 170, 100, 0, 0);
        StatusInfoRecord record;
        const SearchAnswer* answer = Host().StatusAnswer();
        if (answer && ReadStatusRecord(answer->raw.data(), answer->raw.size(), record))
            rows = StatusRows(record, client ? client->ChannelCount() : 16, spaced);
    } else {
        CRemoteSearchDlg::InitInfoListColumns(m_lstInfo, 3, 130, 140, 120, 0, 0);
        if (client) {
            SystemInfoInput in = SystemInfoFromHello(client->Hello());
            in.address = client->Address();
            in.port = client->Port();
            in.description = client->Description();
            rows = SystemRows(in, spaced);
        }
    }
    for (const InfoRow& row : rows) {
        for (int c = 0; c < 3; ++c)
            CRemoteSearchDlg::AddInfoListItem(m_lstInfo, c, row[static_cast<std::size_t>(c)]);
    }
    m_lstInfo.show();
}

void RegisterInfoPages()
{
    for (SearchSlot slot : {SearchSlot::StatusInfo, SearchSlot::SystemInfo}) {
        RegisterSearchPage(slot, [slot](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CInfoListPage(h, slot);
        });
    }
}
