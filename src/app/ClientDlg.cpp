#include "app/ClientDlg.h"

#include "app/ClientNetHost.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include "app/ConnectLog.h"
#include "app/MainCommandHost.h"
#include "app/PasswordDlg.h"
#include "app/NotifyTable.h"
#include "app/ResIds.h"
#include "app/SkinMessageDlg.h"
#include "local/LocalPlayer.h"
#include "local/LocalSearchDlg.h"
#include "platform/Paths.h"
#include "platform/Skin.h"
#include "platform/System.h"
#include "ui/GridStatic.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <utility>

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
    if (!m_deps.runConnectDialog)
        m_deps.runConnectDialog = defaults.runConnectDialog;

    setFixedSize(kWidth, kHeight);
    SetSkinKeyRules(true);
    SetDragFromBackground(true);
    m_pLog = m_deps.createConnectLog();
    LoadClientFile();
    m_pCommandHost = std::make_unique<CClientCommandHost>(*this);
    m_pCommands = std::make_unique<CMainCommands>(*m_pCommandHost);

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
    m_pPlayClockWnd.reset();
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

    // The Min button is placed once the window has its size.
    if (const MainControl* min = FindMainControl(IDC_MIN))
        PlaceControl(*min);

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
    m_ToolTip.SetTextSource([this](QWidget* tool) {
        const auto* item = dynamic_cast<const CDlgItem*>(tool);
        return item ? OnToolTipNeedText(item->GetDlgCtrlID()) : QString();
    });
    const auto& table = MainLayout();
    for (const MainControl& control : table) {
        if (control.id != IDC_MIN)
            PlaceControl(control);
    }
    for (int i = 0; i < kHighlightButtonCount; ++i)
        m_arrButton[static_cast<std::size_t>(i)] = Button(table[static_cast<std::size_t>(i)].id);

    // The volume slider starts at this position and the speakers follow it.
    m_nVolume = kStartVolume;
    if (m_pMixer)
        m_pMixer->SetVolume(kStartVolume);
}

void CClientDlg::PlaceControl(const MainControl& c)
{
    QWidget* widget = Control(c.id);
    if (!widget)
        return;
    widget->setParent(this);
    if (c.kind == MainCtrlKind::Button) {
        CSkinButton* button = Button(c.id);
        button->SetDlgCtrlID(c.id);
        button->SetBitmap(static_cast<UINT>(c.bitmap));
        button->setGeometry(c.x, c.y, c.w, c.h);
        if (c.disabled)
            button->Enable(false);
    } else {
        CSkinSlider* slider = Slider(c.id);
        slider->SetDlgCtrlID(c.id);
        slider->SetChannelBitmaps(static_cast<UINT>(c.bitmap), static_cast<UINT>(c.active), false, 0, 0, 0);
        // The thumbs' transparent colour is their own corner pixel.
        if (c.thumb)
            slider->SetThumbBitmaps(static_cast<UINT>(c.thumb), static_cast<UINT>(c.thumbDrag), true,
                                    0xFF000000, 0, 0);
        slider->EnableFocusRect(true, false);
        slider->SetMargin(0, 0, 0, 0);
        const bool volume = c.id == IDC_VOLUME;
        slider->SetRange(0, volume ? kVolumeMax : kPositionMax, false);
        slider->SetPos(volume ? kVolumeStart : kPositionStart);
        slider->setGeometry(c.x, c.y, c.w, c.h);
    }
    m_ToolTip.AddTool(widget);
    widget->setVisible(!c.hidden);
}

CSkinButton* CClientDlg::Button(int id)
{
    if (id >= IDC_CHANNEL_FIRST && id <= IDC_CHANNEL_LAST)
        return &m_btnChannel[id - IDC_CHANNEL_FIRST];
    if (id >= IDC_SPLIT_FIRST && id <= IDC_SPLIT_LAST)
        return &m_btnSplit[id - IDC_SPLIT_FIRST];
    if (id >= IDC_PLAY_FIRST && id <= IDC_PLAY_LAST)
        return &m_btnPlay[id - IDC_PLAY_FIRST];
    // The buttons that stand alone.
    static const std::pair<int, CSkinButton CClientDlg::*> kSingle[] = {
        {IDC_FULL, &CClientDlg::m_btnFull},
        {IDC_PAN, &CClientDlg::m_btnPan},
        {IDC_ZOOM, &CClientDlg::m_btnZoom},
        {IDC_CONNECT, &CClientDlg::m_btnConnect},
        {IDC_REMOTE_SEARCH, &CClientDlg::m_btnRemoteSearch},
        {IDC_REMOTE_SETUP, &CClientDlg::m_btnRemoteSetup},
        {IDC_LOCAL_SEARCH, &CClientDlg::m_btnLocalSearch},
        {IDC_LOCAL_SETUP, &CClientDlg::m_btnLocalSetup},
        {IDC_QUIT, &CClientDlg::m_btnQuit},
        {IDC_SOUND, &CClientDlg::m_btnSound},
        {IDC_VERINFO, &CClientDlg::m_btnVerInfo},
        {IDC_SELAUDIO, &CClientDlg::m_btnSelAudio},
        {IDC_LIVE, &CClientDlg::m_btnLive},
        {IDC_OSD, &CClientDlg::m_btnOsd},
        {IDC_ARRANGE, &CClientDlg::m_btnArrange},
        {IDC_SAVE, &CClientDlg::m_btnSave},
        {IDC_LOAD, &CClientDlg::m_btnLoad},
        {IDC_FIRMUP, &CClientDlg::m_btnFirmUp},
        {IDC_MIKE, &CClientDlg::m_btnMike},
        {IDC_MIN, &CClientDlg::m_btnMin},
        {IDC_AUDIO, &CClientDlg::m_btnAudio},
        {IDC_REBOOT, &CClientDlg::m_btnReboot},
    };
    for (const auto& [ctrl, member] : kSingle) {
        if (ctrl == id)
            return &(this->*member);
    }
    return nullptr;
}

CSkinSlider* CClientDlg::Slider(int id)
{
    if (id == IDC_VOLUME)
        return &m_sliderVolume;
    if (id == IDC_POSITION)
        return &m_sliderPosition;
    return nullptr;
}

QWidget* CClientDlg::Control(int id)
{
    if (CSkinButton* button = Button(id))
        return button;
    return Slider(id);
}

QString CClientDlg::OnToolTipNeedText(int id) const
{
    MainTipState state;
    state.connected = static_cast<bool>(m_pNetClient);
    state.loggedIn = m_pNetClient && m_pNetClient->m_bLogin;
    state.recording = m_pNetClient && m_pNetClient->m_bRecord;
    return MainToolTipText(id, state, [](int stringId) { return LoadResString(stringId); });
}

void CClientDlg::OnButton(int id)
{
    switch (id) {
    case IDC_CONNECT:
        OnConnect();
        break;
    case IDC_PAN:
        TogglePtzPan();
        break;
    case IDC_ZOOM:
        TogglePtzZoom();
        break;
    default:
        m_pCommands->OnButton(id);
        break;
    }
}

void CClientDlg::OnTimer(UINT id)
{
    m_pCommands->HandleTimer(id);
    Dialog::OnTimer(id);
}

bool CClientDlg::ModalDialogOpen() const
{
    return m_pLocalSearchDlg || m_pPasswordDlg || m_pMessageDlg || m_pFileDlg || m_pImageViewDlg;
}

void CClientDlg::CreateVideoGrid()
{
    m_pVideoWnd = std::make_unique<CVideoGridDlg>(this);
    m_pVideoWnd->SetHost(this);
    m_pVideoWnd->InitCells(kGridCells);
    m_pVideoWnd->SetOsdFont(13, 700, "Arial Bold");
    m_pVideoWnd->MoveView(kGridLeft, kGridTop, kGridRight, kGridBottom, kGridBorder, kGridBackground);
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

    m_pVideoWnd->SetDirectDraw(m_nActiveDrawMode == 0);
    m_pVideoWnd->SetLayout(kLayout16);
    m_pVideoWnd->m_nSelectedLayout = kLayout16;
    if (CSkinButton* split = m_arrButton[16 + static_cast<std::size_t>(SplitButtonOfLayout(kLayout16))])
        split->SetState(1);

    // Live waits for a connection; the remote windows' buttons are unlit.
    m_btnLive.Enable(false);
    m_btnRemoteSearch.SetState(0);
    m_btnRemoteSetup.SetState(0);

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
                                 const std::string& password, const std::string& description)
{
    m_lastConnectRequest.address = address.substr(0, kMaxAddressLength);
    m_lastConnectRequest.port = port;
    m_lastConnectRequest.user = user.substr(0, kMaxUserLength);
    m_lastConnectRequest.password = password.substr(0, kMaxPasswordLength);
    m_lastConnectRequest.description = description.substr(0, CNetClient::kDescriptionLimit);
    if (m_deps.startConnection)
        return m_deps.startConnection(m_lastConnectRequest);
    if (!m_pNetHost)
        m_pNetHost = std::make_unique<CClientNetHost>(*this);
    m_pNetClient = CNetClient::Create(*m_pNetHost);
    m_pAudioNet = m_pNetClient.get();
    m_pNetHost->AttachConnection(*m_pNetClient);
    m_pNetClient->SetConnectInfo(m_lastConnectRequest.address, m_lastConnectRequest.port,
                                 m_lastConnectRequest.user, m_lastConnectRequest.password,
                                 m_lastConnectRequest.description);
    // The PTZ panels serve this session from now on.
    m_ptzPanels.SetConnection(m_pNetClient);
    return m_pNetClient->Connect();
}

void CClientDlg::Disconnect()
{
    m_pCommands->Disconnect();
}

void CClientDlg::EndConnection()
{
    if (m_pNetClient) {
        // BYE48, every thread of the session joined, socket closed.
        m_pNetClient->DestroyWindow();
        m_pAudioNet = nullptr;
        if (m_pNetHost)
            m_pNetHost->DetachConnection();
        m_pNetClient.reset();
        // The session's threads have ended; what they freed goes back to
        // the system instead of staying with the allocator session after
        // session.
        ReleaseFreedMemory();
    }
    DestroyPlaybackClock();
}

bool CClientDlg::IsRemotePlaybackOn() const
{
    return m_pNetClient && m_pNetClient->m_bPlay;
}

void CClientDlg::OnConnect()
{
    if (m_bReadOnlyMedia)
        return;
    if (m_pNetClient) {
        Disconnect();
        return;
    }
    // On OK the dialog hands its values to StartConnection.
    if (m_deps.runConnectDialog)
        m_deps.runConnectDialog(this, *this, *this, m_arrOpacity[0]);
}

void CClientDlg::OnLocalSearch()
{
    m_pCommands->OnLocalSearch();
}

void CClientDlg::RunLocalSearchDialog()
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
    m_pCommands->OnQuit();
}

void CClientDlg::Shutdown()
{
    m_pCommands->Shutdown();
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
    DestroyPlaybackClock();
    FreePlaylist();
    // The idle window shows no playback position: the slider goes, and the
    // repaint draws the play bar's area from the skin without it.
    m_sliderPosition.hide();
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
    if (drawModeChanged && m_pVideoWnd) {
        // The grid stays: the receive thread, the decode workers and the
        // local player hold it. Only its drawing path and the format of the
        // pictures it asks for change. The connection's decoders were set up
        // for the old format, so what streams stops first (and returns, for
        // live view, with decoders for the new one); every picture carries
        // the format it was written in, so a picture under way still shows
        // right.
        const bool live = m_pNetClient && m_pNetClient->m_bLive;
        if (live)
            m_pNetClient->SendLiveStop();
        else if (m_pNetClient && m_pNetClient->m_bPlay)
            m_pNetClient->SendRPlayStop();
        m_pVideoWnd->SetDirectDraw(m_nDrawMode == 0);
        m_pVideoWnd->Repaint(true);
        if (live)
            m_pNetClient->SendLiveReq();
    }
    // Running decode workers take the new names and deinterlace at once;
    // the next audio player its buffer.
    if (m_pNetHost)
        m_pNetHost->RefreshSettings();
    if (!m_bReadOnlyMedia) {
        const bool saved = SaveLocalSetup();
        Paths::CreateFolders(Paths::Join(m_strLocation, "\\Upgrade\\"));
        if (m_pLog)
            m_pLog->SetLocation(m_strLocation);
        // The record says the settings were saved: only when they were.
        if (saved)
            WriteConnectLog(kLogRecordSize, 8, 1, 0, nullptr, nullptr);
        else
            PostNotifyEvent(NOTIFY_WRITE_FAILED, WRITE_FAILED_SETTINGS);
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
    if (OnBookmarkMessage(msg, wParam, lParam))
        return 0;
    switch (msg) {
    case WM_OPEN_LOCAL_SEARCH:
        OnOpenLocalSearch();
        return 0;
    case WM_COMMAND:
        if (CommandCode(wParam) == BN_CLICKED)
            OnButton(CommandId(wParam));
        return 0;
    case WM_NOTIFY_EVENT:
        return m_notify.OnNotifyEventMsg(wParam, lParam);
    case WM_TRANSFER_START:
        OnTransferStart(static_cast<unsigned>(wParam));
        return 0;
    case WM_TRANSFER_PROGRESS:
        OnTransferProgress(static_cast<unsigned>(wParam));
        return 0;
    case WM_TRANSFER_END:
        OnTransferEnd();
        return 0;
    case WM_PTZ_MOVE:
        OnPtzMove(wParam, lParam);
        return 0;
    case WM_PTZ_PRESET:
        OnPtzPreset(wParam, lParam);
        return 0;
    case WM_SLIDER_PRESSED:
        m_pCommands->OnSliderPressed(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_SLIDER_MOVED:
        m_pCommands->OnSliderMoved(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_SLIDER_RELEASED:
        m_pCommands->OnSliderReleased(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_SETUP_DB_READY:
        m_pCommands->OnSetupDbReady();
        return 0;
    case WM_REMOTE_PLAY_STARTED:
        m_pCommands->OnRemotePlayStarted();
        return 0;
    case WM_BRING_TO_FRONT:
        m_pCommands->OnBringToFront();
        return 0;
    case WM_STOP_PLAYBACK:
        m_pCommands->OnStopPlayback();
        return 0;
    case WM_ALISTEN_ACK:
    case WM_ALISTEN_NACK:
        // Audio listening has no window of its own.
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
    m_skinCache = QImage();
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
    if (PlayBarShown())
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

bool CClientDlg::PlayBarShown() const
{
    return m_pLocalPlayer || IsRemotePlaybackOn();
}

void CClientDlg::paintEvent(QPaintEvent* e)
{
    // The skin changes only with the play bar, while the grid and the
    // controls over it repaint often: it is composed once per look and only
    // the part being repainted is copied.
    const bool playBar = PlayBarShown();
    if (m_skinCache.isNull() || playBar != m_bSkinCachePlayBar) {
        m_skinCache = ComposeSkin();
        m_bSkinCachePlayBar = playBar;
    }
    {
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(e->rect(), m_skinCache, e->rect());
    }
    CutWindowRegion(m_skinCache);
}

// ---- Notifications ---------------------------------------------------------

NotifyState CClientDlg::NotifySnapshot()
{
    NotifyState state;
    state.version = m_arrVersion;
    state.skippedSet = SkippedSetName();
    state.downloadName = m_lastDownload.setName;
    state.downloadDropped = m_lastDownload.framesDropped;
    if (!m_pNetClient)
        return state;
    const CNetClient& net = *m_pNetClient;
    constexpr int kRightReboot = 7;
    state.connected = true;
    state.loggedIn = net.m_bLogin;
    state.dbBusy = net.m_bDbBusy;
    state.rebootRight = net.HasRight(kRightReboot);
    state.transNackNeededMB = net.m_nTransNackInfo[0];
    state.transNackFreeMB = net.m_nTransNackInfo[1];
    const std::shared_ptr<SearchFrameLink> frame = net.SearchFrame();
    state.searchWindowOpen = static_cast<bool>(frame);
    state.backupSpareMB = frame ? frame->SpaceLeftMB() : 0;
    state.loginPassword = net.Password();
    state.playHandOverActive = net.SearchKeep().HandOverActive();
    return state;
}

int CClientDlg::UserLanguageId()
{
    return m_deps.userLanguageId();
}

namespace {

// The window behind a handle: the box belongs to it (the main window, or the
// firmware dialog for its own notices).
QWidget* WindowOfHandle(WndHandle handle, QWidget* fallback)
{
    if (handle && IsWindow(handle)) {
        for (QWidget* widget : QApplication::allWidgets()) {
            const auto* wnd = qobject_cast<Wnd*>(widget);
            if (wnd && wnd->Handle() == handle)
                return widget;
        }
    }
    return fallback;
}

} // namespace

int CClientDlg::RunNotifyBox(WndHandle sender, const MessageBoxContent& content)
{
    return RunSkinMessageBox(WindowOfHandle(sender, this), m_arrOpacity[8], content, &m_pMessageDlg);
}

void CClientDlg::OpenRemoteSearch()
{
    m_pCommands->OnRemoteSearch();
}

void CClientDlg::ClearSearchHandOver()
{
    // The operator declined to go back to the search: nothing is restored.
    if (m_pNetClient) {
        m_pNetClient->SearchKeep().ClearHandOverAndKept();
        m_pNetClient->SearchKeep().ClearKeptLog();
    }
}

void CClientDlg::ClearTransNackInfo()
{
    if (!m_pNetClient)
        return;
    m_pNetClient->m_nTransNackInfo[0] = 0;
    m_pNetClient->m_nTransNackInfo[1] = 0;
}

void CClientDlg::SendDBUpdateReq()
{
    if (m_pNetClient)
        m_pNetClient->SendDBUpdateReq(m_SetupDb.data());
}

void CClientDlg::SendDBInitReq()
{
    if (m_pNetClient)
        m_pNetClient->SendDBInitReq();
}

void CClientDlg::SendRebootReq()
{
    if (m_pNetClient)
        m_pNetClient->SendRebootReq();
}

void CClientDlg::RunFirmwareDialog()
{
    m_pCommands->RunFirmwareDialog();
}

void CClientDlg::DeleteFirmwareDialog()
{
    m_pCommands->DeleteFirmwareDialog();
}

bool CClientDlg::RunPasswordPrompt(std::string* typed)
{
    if (m_pPasswordDlg || !typed)
        return false;
    // On the heap and in the member while it runs, so that a disconnect or a
    // change of rights can close it.
    auto prompt = std::make_unique<CPasswordDlg>(this, m_arrOpacity[0]);
    m_pPasswordDlg = prompt.get();
    if (m_pNetHost)
        m_pNetHost->m_hPasswordPrompt = prompt->Handle();
    const int result = prompt->DoModal();
    if (m_pNetHost)
        m_pNetHost->m_hPasswordPrompt = WndHandle();
    m_pPasswordDlg = nullptr;
    if (result != kIdOk)
        return false;
    // Recorder strings are bytes; the box only takes name characters.
    *typed = prompt->m_strPassword.toLatin1().toStdString();
    return true;
}

// ---- Playback clock --------------------------------------------------------

void CClientDlg::CreatePlaybackClock()
{
    if (!m_pNetClient || m_pPlayClockWnd)
        return;
    m_pPlayClockWnd = std::make_unique<CClockWnd>(this, 1);
    m_pNetClient->m_hClockWnd = m_pPlayClockWnd->Handle();
}

void CClientDlg::DestroyPlaybackClock()
{
    if (!m_pPlayClockWnd)
        return;
    if (m_pNetClient && m_pNetClient->m_hClockWnd.load() == m_pPlayClockWnd->Handle())
        m_pNetClient->m_hClockWnd = WndHandle();
    m_pPlayClockWnd->DestroyWindow();
    m_pPlayClockWnd.reset();
}

// ---- Services --------------------------------------------------------------

bool CClientDlg::GrabStill(int channel, GridStill& still)
{
    if (!m_pVideoWnd)
        return false;
    const int mode = m_pVideoWnd->m_nViewMode;
    if (!MayGrabChannel(mode, m_pVideoWnd->GetActiveChannels(), m_pVideoWnd->GetVisibleChannels(), channel))
        return false;
    PictureBuffer* buffer = m_pVideoWnd->GetPicture(channel);
    if (!buffer)
        return false;
    // The copy is taken under the channel's lock: the decode worker never
    // writes the published picture, so the still is whole.
    std::vector<std::uint8_t> picture;
    int width = 0, height = 0, format = 0;
    if (!buffer->CopyLatest(picture, width, height, format))
        return false;
    return MakeGridStill(picture, width, height, format, still);
}

int CClientDlg::GrabStillForMotionGrid(CMotionGridStatic* grid, int channel)
{
    GridStill still;
    if (!grid || !GrabStill(channel, still))
        return 0;
    const BYTE path = static_cast<BYTE>(m_pVideoWnd->DrawPathSelected());
    if (!grid->SetImage(this, still.pixels.data(), path, still.width, still.height))
        return 0;
    grid->m_bShowStill = 1;
    return 1;
}

int CClientDlg::GrabStillForRegionGrid(CRegionGridStatic* grid, int channel)
{
    GridStill still;
    if (!grid || !GrabStill(channel, still))
        return 0;
    const BYTE path = static_cast<BYTE>(m_pVideoWnd->DrawPathSelected());
    if (!grid->SetImage(still.pixels.data(), path, still.width, still.height))
        return 0;
    grid->m_bShowStill = 1;
    return 1;
}

AudioChannelFacts CClientDlg::AudioFacts() const
{
    AudioChannelFacts facts;
    if (const CNetClient* net = m_pAudioNet.load()) {
        facts.connection = true;
        facts.soloChannel = net->m_nSoloChannel;
    }
    // The playlist changes only while no local player runs, and the player's
    // workers end before it is dropped.
    facts.localPlayer = static_cast<bool>(m_pLocalPlayer);
    if (facts.localPlayer && !m_Playlist.empty()) {
        facts.playlistAudio = m_Playlist.front().bAudio == 1;
        facts.playlistMask = m_Playlist.front().nChannelMask;
    }
    facts.audioChannel = m_nAudioChannel;
    return facts;
}

int CClientDlg::IsAudioChannel(int source, int channel) const
{
    return ::IsAudioChannel(AudioFacts(), source, channel);
}

int CClientDlg::GetChannelState(int source, int channel) const
{
    return ::GetChannelState(AudioFacts(), source, channel);
}

bool CClientDlg::GetDiskSpace(int* freeUnits, int* totalUnits) const
{
    return GetDiskSpaceUnits(m_strLocation, freeUnits, totalUnits);
}

// ---- Transfer bar ----------------------------------------------------------

void CClientDlg::OnTransferStart(unsigned totalKB)
{
    if (!m_pNetClient)
        return;
    CloseTransferBar();
    m_pTransferBarDlg = std::make_unique<CTransferBarDlg>(this, this);
    m_pNetClient->m_hTransferBarDlg = m_pTransferBarDlg->Handle();
    m_pTransferBarDlg->Start(totalKB);
}

void CClientDlg::OnTransferProgress(unsigned receivedKB)
{
    if (m_pNetClient && m_pTransferBarDlg)
        m_pTransferBarDlg->SetProgress(receivedKB);
}

void CClientDlg::OnTransferEnd()
{
    // Also without a connection: the disconnect ends the transfer with this
    // message, and a bar left behind would never close.
    CloseTransferBar();
}

void CClientDlg::CloseTransferBar()
{
    if (!m_pTransferBarDlg)
        return;
    m_pTransferBarDlg->DestroyWindow();
    m_pTransferBarDlg.reset();
    if (m_pNetClient)
        m_pNetClient->m_hTransferBarDlg = WndHandle();
}

bool CClientDlg::TransferGridRect(BarRect* rect)
{
    if (!m_pVideoWnd || !rect)
        return false;
    const QPoint topLeft = m_pVideoWnd->mapToGlobal(QPoint(0, 0));
    rect->left = topLeft.x();
    rect->top = topLeft.y();
    rect->right = topLeft.x() + m_pVideoWnd->width();
    rect->bottom = topLeft.y() + m_pVideoWnd->height();
    return true;
}

void CClientDlg::TransferStop()
{
    if (m_pNetClient)
        m_pNetClient->SendTransOffReq();
}
