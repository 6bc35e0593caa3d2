#include "local/LocalSearchDlg.h"

#include "local/LocalLists.h"
#include "local/LocalPlaylist.h"
#include "local/ResIds.h"
#include "platform/Paths.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"

#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {
// Closes the window once its modal loop runs.
constexpr UINT WM_LOCAL_SEARCH_CLOSE = WM_USER + 20100;
// A page's play request to this window.
constexpr UINT WM_LOCAL_PLAY = WM_USER + 20008;
constexpr int kIdPlay = 482;
constexpr int kIdCancel = 2;
constexpr int kWidth = 420;
constexpr int kHeight = 320;
} // namespace

CLocalSearchDlg::CLocalSearchDlg(ILocalHost* pMainDlg, BYTE nOpacity)
    : Dialog(nullptr), m_pMainDlg(pMainDlg), m_nOpacity(nOpacity)
{
    setFixedSize(kWidth, kHeight);
    SetDragFromBackground(true);
}

CLocalSearchDlg::~CLocalSearchDlg() = default;

std::vector<std::string> CLocalSearchDlg::FindFileSets(const std::string& downloadFolder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(downloadFolder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& p = it->path();
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        std::string ext = p.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == ".idx")
            found.push_back(p.string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string CLocalSearchDlg::DownloadFolder() const
{
    if (!m_pMainDlg)
        return {};
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    return LocalDownloadFolder(m_pMainDlg->DataLocation(), m_pMainDlg->ReadOnlyMedia(), cwd);
}

bool CLocalSearchDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const std::string folder = DownloadFolder();
    m_arrFileSet = folder.empty() ? std::vector<std::string>() : FindFileSets(folder);
    LocalScanResult scan = ScanDownloadFolder(folder, LocalScan::FileList);
    if (scan.skipped > 0 && m_pMainDlg && !m_bSkipToldOnce) {
        m_bSkipToldOnce = true;
        m_pMainDlg->ReportSkippedSet(scan.firstSkipped);
    }
    m_arrSets = SortByFirstTime(std::move(scan.sets));
    std::reverse(m_arrSets.begin(), m_arrSets.end());
    if (m_arrSets.empty()) {
        if (m_pMainDlg)
            m_pMainDlg->PostNotifyEvent(ILocalHost::kNotifyNoLocalData, 0);
        PostMessage(Handle(), WM_LOCAL_SEARCH_CLOSE, 0, 0);
        return true;
    }

    m_pList = new QListWidget(this);
    m_pList->setGeometry(10, 10, kWidth - 20, kHeight - 60);
    for (const LocalSetRef& set : m_arrSets)
        m_pList->addItem(QString::fromLocal8Bit(set.name.c_str()));
    m_pList->setCurrentRow(0);
    auto* play = new QPushButton(QStringLiteral("Play"), this);
    play->setObjectName(QStringLiteral("play"));
    play->setGeometry(kWidth - 220, kHeight - 40, 100, 27);
    connect(play, &QPushButton::clicked, this, [this] {
        const int row = m_pList->currentRow();
        if (row < 0 || row >= static_cast<int>(m_arrSets.size()))
            return;
        if (m_pMainDlg)
            m_pMainDlg->CloseLocalPlayer();
        m_nSearchMode = 0;
        PostMessage(Handle(), WM_LOCAL_PLAY, static_cast<WPARAM>(m_arrSets[static_cast<std::size_t>(row)].firstTime), 0);
        PostMessage(Handle(), WM_LOCAL_SEARCH_CLOSE, 0, 0);
    });
    auto* cancel = new QPushButton(ResourceLibrary::Current().LoadResString(IDS_LOCAL_SEARCH_CANCEL), this);
    cancel->setGeometry(kWidth - 110, kHeight - 40, 100, 27);
    connect(cancel, &QPushButton::clicked, this, [this] { EndDialog(kIdCancel); });
    SetTransparent(this, m_nOpacity);
    return true;
}

bool CLocalSearchDlg::OnLocalPlay(int start, int end)
{
    LocalScanResult scan = ScanDownloadFolder(DownloadFolder(), LocalScan::Play);
    Playlist list;
    const LocalPlaylistResult built =
        BuildLocalPlaylist(OrderAndChainSets(std::move(scan.sets)), {m_nSearchMode, start, end}, list);
    if (m_pMainDlg && !m_bSkipToldOnce && (scan.skipped > 0 || built.skipped > 0)) {
        m_bSkipToldOnce = true;
        m_pMainDlg->ReportSkippedSet(scan.skipped > 0 ? scan.firstSkipped : built.firstSkipped);
    }
    if (built.current == list.end()) {
        if (m_pMainDlg)
            m_pMainDlg->PostNotifyEvent(ILocalHost::kNotifyNoData, 0);
        return false;
    }
    return m_pMainDlg && m_pMainDlg->StartLocalPlayer(list, built.current);
}

LRESULT CLocalSearchDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LOCAL_PLAY) {
        OnLocalPlay(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    }
    if (msg == WM_LOCAL_SEARCH_CLOSE) {
        EndDialog(kIdCancel);
        return 0;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CLocalSearchDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), fromColorRef(RGB(0x23, 0x26, 0x2c)));
}
