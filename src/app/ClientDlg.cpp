#include "app/ClientDlg.h"

#include "app/ConnectLog.h"
#include "app/NotifyTable.h"
#include "app/ResIds.h"
#include "local/LocalPlayer.h"
#include "local/LocalSearchDlg.h"
#include "platform/Paths.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int kLogRecordSize = 184;
constexpr int kIdOk = 1;

// The frame pieces: piece k covers this rectangle (left, top, right, bottom).
constexpr int kFrameRects[9][4] = {
    {0, 0, 86, 58},      {86, 0, 841, 58},  {841, 0, 928, 58},   {0, 58, 86, 626},     {86, 58, 841, 626},
    {841, 58, 928, 626}, {0, 626, 86, 698}, {86, 626, 841, 698}, {841, 626, 928, 698},
};
constexpr int kPlayBarRect[4] = {250, 630, 677, 644};

// The video grid's place in the window.
constexpr int kGridLeft = 53, kGridTop = 72, kGridRight = 868, kGridBottom = 620;
constexpr int kGridBorder = 1;
constexpr COLORREF kGridBackground = 0x969696;
constexpr int kGridCells = 16;
constexpr int kLayout16 = 14;

QRect FromLtrb(const int r[4])
{
    return QRect(QPoint(r[0], r[1]), QPoint(r[2] - 1, r[3] - 1));
}

} // namespace

CClientDlg::CClientDlg(QWidget* parent, ClientDeps deps) : Dialog(parent), m_deps(std::move(deps))
{
    const ClientDeps defaults = ClientDeps::Defaults();
    // Entries a caller leaves empty keep the machine's own.
    if (!m_deps.inhibitScreenSaver)
        m_deps.inhibitScreenSaver = defaults.inhibitScreenSaver;
    if (!m_deps.hasSoundDevice)
        m_deps.hasSoundDevice = defaults.hasSoundDevice;
    if (!m_deps.loadDecoder)
        m_deps.loadDecoder = defaults.loadDecoder;
    if (!m_deps.loadResources)
        m_deps.loadResources = defaults.loadResources;
    if (!m_deps.createMixer)
        m_deps.createMixer = defaults.createMixer;
    if (!m_deps.enumMonitors)
        m_deps.enumMonitors = defaults.enumMonitors;
    if (!m_deps.isReadOnlyMedia)
        m_deps.isReadOnlyMedia = defaults.isReadOnlyMedia;
    if (!m_deps.createConnectLog)
        m_deps.createConnectLog = defaults.createConnectLog;
    if (!m_deps.now)
        m_deps.now = defaults.now;
    if (!m_deps.findSettingsFile)
        m_deps.findSettingsFile = defaults.findSettingsFile;
    if (!m_deps.userLanguageId)
        m_deps.userLanguageId = defaults.userLanguageId;

    setFixedSize(kWidth, kHeight);
    SetSkinKeyRules(true);
    SetDragFromBackground(true);
    m_pLog = m_deps.createConnectLog();
    LoadClientFile();

    // Whether the client is the active application (read by the alarm's
    // bring-to-front).
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            m_bAppActive = state == Qt::ApplicationActive ? 1 : 0;
        });
}

CClientDlg::~CClientDlg()
{
    if (m_bStarted && !m_bCleanedUp)
        Cleanup();
    FreePlaylist();
    // The local player's thread writes through this window; it ends first.
    m_pLocalPlayer.reset();
    m_pLocalSearchDlg.reset();
    m_pClockWnd.reset();
    m_pVideoWnd.reset();
}

void CClientDlg::LoadClientFile()
{
    CLocalSettings::LoadClientFile(m_deps.findSettingsFile(), m_deps.userLanguageId(), m_deps.now());
    m_Playlist.clear();
    m_bRegionPending = 1;
    if (m_pLog)
        m_pLog->SetZoneOffset(ZoneOffsetSeconds());
}

bool CClientDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_bStarted = true;

    // On read-only media nothing is written: no settings, no log, no folders.
    m_bReadOnlyMedia = m_deps.isReadOnlyMedia() ? 1 : 0;
    if (m_pLog)
        m_pLog->SetReadOnly(m_bReadOnlyMedia != 0);

    hide();
    InitDevices();

    resize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    show();

    ProcessCommandLine();
    return true;
}

void CClientDlg::InitDevices()
{
    m_screenSaver = m_deps.inhibitScreenSaver();
    m_bSoundDevice = m_deps.hasSoundDevice() ? 1 : 0;

    m_hDecoderDll = m_deps.loadDecoder();
    m_hResDll = m_deps.loadResources();
    ResourceLibrary::SetCurrent(m_hResDll.get());

    m_pMixer = m_deps.createMixer();
    if (m_pMixer) {
        m_nSavedVolume = m_pMixer->GetVolume();
        m_bSavedMute = m_pMixer->GetMute() ? 1 : 0;
        m_pMixer->SetMute(false);
    }
    m_bMute = 0;
    m_bAudioReset = 0;

    LoadSkin();
    LayoutControls();
    InitChildren();

    WriteConnectLog(kLogRecordSize, 1, 1, 0, nullptr, nullptr);
    setWindowTitle(QString::fromLocal8Bit(m_strTitle.c_str()));
    PostMessage(Handle(), WM_OPEN_LOCAL_SEARCH, 0, 0);
}

void CClientDlg::LayoutControls()
{
    // The volume slider starts at this position and the speakers follow it.
    m_nVolume = kStartVolume;
    if (m_pMixer)
        m_pMixer->SetVolume(kStartVolume);
}

void CClientDlg::CreateVideoGrid()
{
    m_pVideoWnd = std::make_unique<CVideoGridDlg>(this);
    m_pVideoWnd->CreateGrid(kGridCells, MakeSkinFont("Arial Bold", 13, 700));
    m_pVideoWnd->Place(kGridLeft, kGridTop, kGridRight, kGridBottom, kGridBorder, kGridBackground);
    m_pVideoWnd->show();
}

void CClientDlg::InitChildren()
{
    CreateVideoGrid();
    m_arrMonitor = m_deps.enumMonitors();
    m_pVideoWnd->SetMonitors(m_arrMonitor);

    LoadLocalSetup();
    m_nActiveDrawMode = m_nDrawMode;
    FillLocalSetup(m_LocalSetup, m_bReadOnlyMedia != 0);
    if (m_pLog)
        m_pLog->SetLocation(m_strLocation);

    if (!m_bReadOnlyMedia)
        Paths::CreateFolders(Paths::Join(m_strLocation, "\\Upgrade\\"));

    m_pVideoWnd->SelectDrawPath(m_nActiveDrawMode == 0 ? CVideoGridDlg::DrawDirect : CVideoGridDlg::DrawGdi);
    m_pVideoWnd->SetLayout(kLayout16);
    m_pVideoWnd->m_nSelectedLayout = kLayout16;

    m_arrVersion = ProgramVersion();
    m_pClockWnd = std::make_unique<CClockWnd>(this, 0);

    m_LastLocalSearch.Clear();
    m_nAudioChannel = -1;
    m_nAudioIndex = 0;
    m_bAppActive = 0;
}

void CClientDlg::ProcessCommandLine()
{
    ConnectRequest request;
    if (!ParseCommandLine(m_strCommandLine, request)) {
        OnConnect();
        return;
    }
    // The command line connects also from read-only media.
    if (!m_pNetClient)
        StartConnection(request.address, request.port, request.user, request.password);
}

bool CClientDlg::StartConnection(const std::string& address, int port, const std::string& user,
                                 const std::string& password)
{
    m_lastConnectRequest.address = address.substr(0, kMaxAddressLength);
    m_lastConnectRequest.port = port;
    m_lastConnectRequest.user = user.substr(0, kMaxUserLength);
    m_lastConnectRequest.password = password.substr(0, kMaxPasswordLength);
    if (m_deps.startConnection)
        return m_deps.startConnection(m_lastConnectRequest);
    // CONNECTION HOOK: create the connection object into m_pNetClient, copy
    // the request into it, clear its description and start it.
    return false;
}

void CClientDlg::Disconnect()
{
    if (m_pNetClient) {
        // CONNECTION HOOK: the connection object's disconnect (BYE, threads
        // stopped, socket closed). The object stays alive while its own
        // threads hold it.
        m_pNetClient.reset();
    }
}

bool CClientDlg::IsRemotePlaybackOn() const
{
    // CONNECTION HOOK: the connection object's remote-playback flag.
    return false;
}

void CClientDlg::OnConnect()
{
    if (m_bReadOnlyMedia)
        return;
    if (m_pNetClient) {
        Disconnect();
        return;
    }
    // CONNECTION HOOK: run the connect dialog; on OK StartConnection with
    // its address, port, user ID and password.
}

void CClientDlg::OnLocalSearch()
{
    if (m_pLocalSearchDlg)
        return;
    m_pLocalSearchDlg = std::make_unique<CLocalSearchDlg>(this, m_arrOpacity[3]);
    m_pLocalSearchDlg->DoModal();
    m_pLocalSearchDlg.reset();
}

void CClientDlg::OnOpenLocalSearch()
{
    if (m_bReadOnlyMedia)
        OnLocalSearch();
}

void CClientDlg::OnQuit()
{
    Shutdown();
    EndDialog(kIdOk);
}

void CClientDlg::Shutdown()
{
    CloseLocalPlayer();
    if (m_pNetClient) {
        // CONNECTION HOOK: stop live view, remote playback, a transfer and
        // audio listening as they run, then the connection object's
        // disconnect.
        m_pNetClient.reset();
    }
    if (m_pVideoWnd) {
        m_pVideoWnd->DestroyWindow();
        m_pVideoWnd.reset();
    }
}

void CClientDlg::CloseLocalPlayer()
{
    if (!m_pLocalPlayer)
        return;
    // DestroyWindow returns once the play thread has ended, so Stop and the
    // delete never race it.
    m_pLocalPlayer->DestroyWindow();
    m_pLocalPlayer->Stop();
    m_pLocalPlayer.reset();
    FreePlaylist();
    update();
}

void CClientDlg::FreePlaylist()
{
    m_Playlist.clear();
}

void CClientDlg::ClearLastLocalSearch()
{
    m_LastLocalSearch.Clear();
}

bool CClientDlg::DestroyWindow()
{
    if (!m_bCleanedUp && m_bStarted)
        Cleanup();
    return Dialog::DestroyWindow();
}

void CClientDlg::Cleanup()
{
    if (m_bCleanedUp)
        return;
    m_bCleanedUp = true;

    if (m_pClockWnd) {
        m_pClockWnd->DestroyWindow();
        m_pClockWnd.reset();
    }
    m_bmpLogo = QImage();
    WriteConnectLog(kLogRecordSize, 1, 2, 0, nullptr, nullptr);

    ResourceLibrary::SetCurrent(nullptr);
    m_hResDll.reset();
    m_hDecoderDll.reset();

    if (m_pMixer) {
        m_pMixer->SetVolume(m_nSavedVolume);
        m_pMixer->SetMute(m_bSavedMute != 0);
        m_pMixer.reset();
    }
    m_screenSaver.reset();
    ClearLastLocalSearch();
}

void CClientDlg::ApplyLocalSetup()
{
    const bool drawModeChanged = ApplyLocalSetupValues(m_LocalSetup, m_bReadOnlyMedia != 0);
    if (drawModeChanged) {
        // The grid's pictures are made for one drawing path; a new path needs
        // a new grid.
        if (m_pVideoWnd) {
            m_pVideoWnd->DestroyWindow();
            m_pVideoWnd.reset();
        }
        CreateVideoGrid();
        m_pVideoWnd->SetMonitors(m_arrMonitor);
        m_pVideoWnd->SelectDrawPath(m_nDrawMode == 0 ? CVideoGridDlg::DrawDirect : CVideoGridDlg::DrawGdi);
    }
    if (!m_bReadOnlyMedia) {
        SaveLocalSetup();
        Paths::CreateFolders(Paths::Join(m_strLocation, "\\Upgrade\\"));
        if (m_pLog)
            m_pLog->SetLocation(m_strLocation);
        WriteConnectLog(kLogRecordSize, 8, 1, 0, nullptr, nullptr);
    }
}

void CClientDlg::ResetLocalSetup()
{
    FillLocalSetup(m_LocalSetup, m_bReadOnlyMedia != 0);
}

void CClientDlg::WriteConnectLog(int nSize, int nType, int nSubType, int /*nReserved*/, const char* pUser,
                                 const char* pAddress)
{
    if (m_bReadOnlyMedia || !m_pLog)
        return;
    m_pLog->Write(static_cast<std::uint32_t>(nSize), nType, nSubType, pUser, pAddress);
}

QString CClientDlg::LoadResString(int id)
{
    return ResourceLibrary::Current().LoadResString(id);
}

void CClientDlg::PostNotifyEvent(int code, int subCode)
{
    PostMessage(Handle(), WM_NOTIFY_EVENT, Handle().Id(), MakeNotifyParam(code, subCode));
}

void CClientDlg::SetVideoViewMode(int mode)
{
    if (m_pVideoWnd)
        m_pVideoWnd->m_nViewMode = mode;
    update();
}

LRESULT CClientDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_OPEN_LOCAL_SEARCH:
        OnOpenLocalSearch();
        return 0;
    default:
        // The window never ends on OK, Cancel or a close request: Quit is
        // the only way out.
        return Wnd::WindowProc(msg, wParam, lParam);
    }
}

void CClientDlg::LoadSkin()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    for (int k = 0; k < 9; ++k) {
        m_bmpFrame[k] = res.LoadBitmap(IDB_MAIN_FRAME_FIRST + k);
        m_rcFrame[k] = FromLtrb(kFrameRects[k]);
    }
    m_bmpCentre = res.LoadBitmap(IDB_MAIN_CENTRE);
    m_bmpPlayBar = res.LoadBitmap(IDB_MAIN_PLAYBAR);
    const std::string logo = Paths::FindProgramFile("LogoK5.bmp");
    m_bmpLogo = logo.empty() ? QImage() : QImage(QString::fromLocal8Bit(logo.c_str()));
    m_rcCentre = FromLtrb(kFrameRects[4]);
    const int logoRect[4] = {710, 23, 849, 57};
    m_rcLogo = FromLtrb(logoRect);
}

QImage CClientDlg::ComposeSkin() const
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    auto draw = [&p](const QImage& bmp, const QRect& r, bool stretch) {
        DrawBitmap(p, bmp, r.left(), r.top(), r.right() + 1, r.bottom() + 1, stretch, 0);
    };
    for (int k = 0; k < 9; ++k)
        draw(m_bmpFrame[k], m_rcFrame[k], false);
    draw(m_bmpCentre, m_rcCentre, true);
    draw(m_bmpLogo, m_rcLogo, false);
    if (m_pLocalPlayer || IsRemotePlaybackOn())
        draw(m_bmpPlayBar, FromLtrb(kPlayBarRect), false);
    return image;
}

QRegion CClientDlg::CornerKeyRegion(const QImage& image)
{
    const QRgb key = fromColorRef(kCornerKey).rgb() & 0xFFFFFF;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QRegion region;
    for (int y = 0; y < rgb.height(); ++y) {
        if (y >= 51 && y <= 641)
            continue;
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        int runStart = -1;
        for (int x = 0; x <= rgb.width(); ++x) {
            const bool inCorner = x < rgb.width() && (x < 54 || x > 868);
            const bool keyed = inCorner && (line[x] & 0xFFFFFF) == key;
            if (keyed && runStart < 0) {
                runStart = x;
            } else if (!keyed && runStart >= 0) {
                region += QRect(runStart, y, x - runStart, 1);
                runStart = -1;
            }
        }
    }
    return region;
}

void CClientDlg::CutWindowRegion(const QImage& skin)
{
    if (!m_bRegionPending)
        return;
    const QRegion keyed = CornerKeyRegion(skin);
    if (keyed.isEmpty())
        return;
    m_bRegionPending = 0;
    setMask(QRegion(0, 0, width(), height()) - keyed);
    update();
}

void CClientDlg::paintEvent(QPaintEvent*)
{
    const QImage skin = ComposeSkin();
    {
        QPainter p(this);
        p.drawImage(0, 0, skin);
    }
    CutWindowRegion(skin);
}
