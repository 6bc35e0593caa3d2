#include "local/LocalSearchDlg.h"

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

bool CLocalSearchDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const std::string location = m_pMainDlg ? m_pMainDlg->DataLocation() : std::string();
    m_arrFileSet =
        location.empty() ? std::vector<std::string>() : FindFileSets(Paths::Join(location, "\\Download\\"));
    if (m_arrFileSet.empty()) {
        if (m_pMainDlg)
            m_pMainDlg->PostNotifyEvent(ILocalHost::kNotifyNoLocalData, 0);
        PostMessage(Handle(), WM_LOCAL_SEARCH_CLOSE, 0, 0);
        return true;
    }

    m_pList = new QListWidget(this);
    m_pList->setGeometry(10, 10, kWidth - 20, kHeight - 60);
    for (const std::string& file : m_arrFileSet)
        m_pList->addItem(QString::fromLocal8Bit(file.c_str()));
    auto* cancel = new QPushButton(ResourceLibrary::Current().LoadResString(IDS_LOCAL_SEARCH_CANCEL), this);
    cancel->setGeometry(kWidth - 110, kHeight - 40, 100, 27);
    connect(cancel, &QPushButton::clicked, this, [this] { EndDialog(kIdCancel); });
    SetTransparent(this, m_nOpacity);
    return true;
}

LRESULT CLocalSearchDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
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
