#include "video/PtzPanels.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "platform/Trace.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"
#include "video/ResIdsPtz.h"

#include <QMoveEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kSnap = 20;

// Keypad text buttons: white, light cyan when selected or hovered, grey off.
constexpr COLORREF kKeypadText[4] = {RGB(255, 255, 255), RGB(98, 234, 241), RGB(98, 234, 241),
                                     RGB(179, 186, 190)};

void SetupButton(CSkinButton& button, int id, int bitmap, int x, int y, int w, int h)
{
    button.SetDlgCtrlID(id);
    button.SetBitmap(static_cast<UINT>(bitmap));
    button.setGeometry(x, y, w, h);
}

void SetupKeypadText(CSkinTextButton& button, int id, int textId, int x, int y)
{
    button.SetDlgCtrlID(id);
    SetupCaptionButton(button, IDB_PTZ_KEYPAD_BUTTON, ResourceLibrary::Current().LoadResString(textId),
                       kKeypadText);
    button.setGeometry(x, y, 100, 26);
}

// Windows-style edges: right and bottom exclusive.
int Right(const QRect& r)
{
    return r.x() + r.width();
}
int Bottom(const QRect& r)
{
    return r.y() + r.height();
}

} // namespace

// ---------------------------------------------------------------------------
// Pure rules

QPoint ClampPanelToGrid(const QRect& proposed, const QRect& grid)
{
    int x = proposed.x();
    int y = proposed.y();
    const int cx = proposed.width();
    const int cy = proposed.height();
    if (x - kSnap < grid.x())
        x = grid.x();
    if (y - kSnap < grid.y())
        y = grid.y();
    if (Right(grid) < x + cx + kSnap)
        x = Right(grid) - cx;
    if (Bottom(grid) < y + cy + kSnap)
        y = Bottom(grid) - cy;
    return QPoint(x, y);
}

QPoint DockMenuPanel(const QRect& proposed, const QRect* direction, const QRect& grid)
{
    int x = proposed.x();
    int y = proposed.y();
    const int cx = proposed.width();
    const int cy = proposed.height();
    if (direction) {
        const int dl = direction->x();
        const int dt = direction->y();
        const int dr = Right(*direction);
        const int db = Bottom(*direction);
        if (dt < y + cy && y < db) {
            if (x > dr) {
                if (x - dr < kSnap) {
                    x = dr;
                    y = dt;
                }
            } else if (x + cx < dl) {
                if ((dl - cx) - x < kSnap) {
                    x = dl - cx;
                    y = dt;
                }
            } else if (dl < x + cx && x < dr) {
                const int centre = dl + (dr - dl) / 2;
                if (centre < x + cx / 2)
                    x = Right(grid) < cx + dr ? dl - cx : dr;
                else
                    x = dl - cx < grid.x() ? dr : dl - cx;
                y = dt;
            }
        }
    }
    return ClampPanelToGrid(QRect(x, y, cx, cy), grid);
}

int KeypadNumberAfterDigit(int mode, int action, int number, int digit)
{
    if (mode == 1)
        return digit;
    if (action == 2)
        return digit >= 1 && digit <= 4 ? digit : 0;
    if (number == 0)
        return digit;
    return (number * 10 + digit) % 1000;
}

int KeypadActionCode(int mode, int action)
{
    if (mode == 1)
        return action == 0 ? kPresetLearnSet : kPresetLearnCall;
    if (action == 0)
        return kPresetSet;
    if (action == 2)
        return kPresetTour;
    return kPresetCall;
}

// ---------------------------------------------------------------------------
// Common panel

CPtzPanelBase::CPtzPanelBase(CPtzPanels& owner, BYTE alpha)
    : Dialog(nullptr, Qt::FramelessWindowHint | Qt::Tool), m_owner(owner), m_nAlpha(alpha)
{
    // Enter and Esc do nothing here and Alt+F4 is swallowed (the default rules).
    SetDragFromBackground(true);
}

LRESULT CPtzPanelBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow();
        return 0;
    }
    // Modeless: OK and Cancel end nothing.
    if (msg == WM_COMMAND)
        return 0;
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CPtzPanelBase::PostNcDestroy()
{
    m_owner.OnPanelDestroyed(this);
    deleteLater();
}

void CPtzPanelBase::CloseLater()
{
    hide();
    PostMessage(Handle(), WM_CLOSE, 0, 0);
}

QPoint CPtzPanelBase::Placement(const QRect& proposed) const
{
    QRect grid;
    if (!m_owner.Host().VideoGridRect(grid))
        return proposed.topLeft();
    return ClampPanelToGrid(proposed, grid);
}

void CPtzPanelBase::PlaceAt(const QPoint& topLeft)
{
    m_bPlacing = true;
    move(Placement(QRect(topLeft, size())));
    m_bPlacing = false;
}

void CPtzPanelBase::moveEvent(QMoveEvent* e)
{
    Dialog::moveEvent(e);
    if (m_bPlacing)
        return;
    const QPoint placed = Placement(QRect(pos(), size()));
    if (placed != pos())
        PlaceAt(placed);
}

void CPtzPanelBase::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, width(), height(), false, 0);
}

// ---------------------------------------------------------------------------
// Direction panel

CPtzControlDlg::CPtzControlDlg(CPtzPanels& owner, BYTE alpha)
    : CPtzPanelBase(owner, alpha), m_btnPan(this), m_btnZoom(this), m_btnClose(this), m_btnUp(this),
      m_btnDown(this), m_btnLeft(this), m_btnRight(this), m_btnPresetPan(this), m_btnPresetZoom(this)
{
    setFixedSize(kWidth, kHeight);
}

bool CPtzControlDlg::OnInitDialog()
{
    m_bmpBack = ResourceLibrary::Current().LoadBitmap(IDB_PTZ_BACK);
    SetupButton(m_btnPan, IDC_PAN, IDB_PTZ_PAN, 5, 6, 41, 41);
    SetupButton(m_btnZoom, IDC_ZOOM, IDB_PTZ_ZOOM, 100, 6, 41, 41);
    SetupButton(m_btnClose, IDC_CLOSE, IDB_PTZ_CLOSE, 119, 143, 22, 22);
    SetupButton(m_btnUp, IDC_UP, IDB_PTZ_UP, 60, 47, 29, 29);
    SetupButton(m_btnDown, IDC_DOWN, IDB_PTZ_DOWN, 60, 124, 29, 29);
    SetupButton(m_btnLeft, IDC_LEFT, IDB_PTZ_LEFT, 21, 85, 29, 29);
    SetupButton(m_btnRight, IDC_RIGHT, IDB_PTZ_RIGHT, 98, 85, 29, 29);
    SetupButton(m_btnPresetPan, IDC_PRESET_PAN, IDB_PTZ_PRESET_PAN, 52, 78, 44, 44);
    SetupButton(m_btnPresetZoom, IDC_PRESET_ZOOM, IDB_PTZ_PRESET_ZOOM, 52, 78, 44, 44);
    // The directions wait for the main window (and then the channel answer).
    EnableDirections(false);
    ShowPresetButton();
    SetModeButtons(m_nMode);
    SetTransparent(this, m_nAlpha, m_bmpBack);
    return true;
}

void CPtzControlDlg::ShowPresetButton()
{
    m_btnPresetPan.Show(m_nMode == kPtzModePan);
    m_btnPresetZoom.Show(m_nMode == kPtzModeZoom);
}

void CPtzControlDlg::EnableDirections(bool enable)
{
    for (CSkinButton* b : {&m_btnUp, &m_btnDown, &m_btnLeft, &m_btnRight})
        b->Enable(enable);
}

void CPtzControlDlg::SetPresetButtonsState(int state)
{
    m_btnPresetPan.SetState(state);
    m_btnPresetZoom.SetState(state);
}

void CPtzControlDlg::SetModeButtons(int mode)
{
    m_btnPan.SetState(mode == kPtzModePan ? 1 : 0);
    m_btnZoom.SetState(mode == kPtzModeZoom ? 1 : 0);
}

void CPtzControlDlg::OnChannelState(bool hasPtz, bool presetPending)
{
    for (CSkinButton* b : {&m_btnUp, &m_btnDown, &m_btnLeft, &m_btnRight, &m_btnPresetPan, &m_btnPresetZoom})
        b->Enable(hasPtz);
    if (presetPending)
        SetPresetButtonsState(4);
}

bool CPtzControlDlg::OnButtonPress(WPARAM buttonHandle, LPARAM released)
{
    const std::pair<const CSkinButton*, unsigned> codes[] = {
        {&m_btnUp, kPtzUp},       {&m_btnDown, kPtzDown},        {&m_btnLeft, kPtzLeft},
        {&m_btnRight, kPtzRight}, {&m_btnPresetPan, kPtzPreset}, {&m_btnPresetZoom, kPtzPreset},
    };
    for (const auto& [button, code] : codes) {
        if (button->Handle().Id() != buttonHandle)
            continue;
        SendMessage(m_owner.Host().MainWindow(), WM_PTZ_MOVE, static_cast<WPARAM>(released),
                    static_cast<LPARAM>(code));
        return true;
    }
    return false;
}

LRESULT CPtzControlDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_BUTTON_UPDOWN) {
        OnButtonPress(wParam, lParam);
        return 0;
    }
    if (msg == WM_PTZ_CHANNEL_STATE) {
        OnChannelState(wParam != 0, lParam != 0);
        return 0;
    }
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        switch (CommandId(wParam)) {
        case IDC_PAN:
            SetModeButtons(kPtzModePan);
            if (m_nMode == kPtzModeZoom)
                m_owner.Host().TogglePtzPan();
            return 0;
        case IDC_ZOOM:
            SetModeButtons(kPtzModeZoom);
            if (m_nMode == kPtzModePan)
                m_owner.Host().TogglePtzZoom();
            return 0;
        case IDC_CLOSE:
            // The toggle of the mode the panel is in closes it (and the others).
            if (m_nMode == kPtzModeZoom)
                m_owner.Host().TogglePtzZoom();
            else
                m_owner.Host().TogglePtzPan();
            return 0;
        default:
            return 0;
        }
    }
    return CPtzPanelBase::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Preset keypad

CPtzPresetDlg::CPtzPresetDlg(CPtzPanels& owner, BYTE alpha)
    : CPtzPanelBase(owner, alpha), m_btnPreset(this), m_btnLearn(this), m_btnDome(this), m_btnSet(this),
      m_btnCall(this), m_btnOK(this), m_btnClose(this), m_btnTour(this)
{
    for (CSkinButton*& digit : m_btnDigit)
        digit = new CSkinButton(this);
    setFixedSize(kWidth, kHeight);
    m_fontNumber = MakeSkinFont("Arial", 9, 700);
    m_fontNumber.setPixelSize(20);
    m_fontNumber.setStyleStrategy(QFont::PreferAntialias);
}

bool CPtzPresetDlg::OnInitDialog()
{
    m_bmpBack = ResourceLibrary::Current().LoadBitmap(IDB_PTZ_KEYPAD_BACK);
    SetupKeypadText(m_btnPreset, IDC_PRESET, IDS_PTZ_PRESET_MODE, 6, 25);
    SetupKeypadText(m_btnLearn, IDC_LEARN, IDS_PTZ_LEARN_MODE, 110, 25);
    SetupKeypadText(m_btnDome, IDC_DOME, IDS_PTZ_DOME, 215, 26);
    SetupKeypadText(m_btnSet, IDC_SET, IDS_PTZ_SET, 162, 60);
    SetupKeypadText(m_btnCall, IDC_CALL, IDS_PTZ_CALL, 58, 60);
    SetupKeypadText(m_btnOK, IDC_OK, IDS_PTZ_OK, 210, 170);
    SetupButton(m_btnClose, IDC_CLOSE, IDB_PTZ_KEYPAD_CLOSE, 296, 2, 22, 22);
    static constexpr QPoint kDigitAt[9] = {{110, 95},  {145, 95},  {180, 95},  {215, 95}, {75, 124},
                                           {110, 124}, {145, 124}, {180, 124}, {215, 124}};
    for (int i = 0; i < 9; ++i)
        SetupButton(*m_btnDigit[static_cast<std::size_t>(i)], IDC_DIGIT1 + i, IDB_PTZ_DIGIT_FIRST + i,
                    kDigitAt[i].x(), kDigitAt[i].y(), 30, 26);
    SetupButton(*m_btnDigit[9], IDC_DIGIT0, IDB_PTZ_DIGIT_LAST, 75, 95, 30, 26);
    SetupButton(m_btnTour, IDC_TOUR, IDB_PTZ_TOUR, 250, 124, 30, 26);

    m_btnDome.Enable(true);
    m_btnSet.Enable(!m_bSetLocked);
    OnPresetMode();
    SetTransparent(this, m_nAlpha, m_bmpBack);
    return true;
}

void CPtzPresetDlg::OnPresetMode()
{
    m_nMode = 0;
    m_nAction = 1;
    m_btnPreset.SetState(1);
    m_btnCall.SetState(1);
    m_btnLearn.SetState(0);
    m_btnSet.SetState(0);
    m_btnTour.SetState(0);
    m_btnDigit[9]->Show(true);
    m_btnTour.Show(true);
    m_nNumber = 0;
    update();
}

void CPtzPresetDlg::OnLearnMode()
{
    m_nMode = 1;
    m_nAction = 1;
    m_btnLearn.SetState(1);
    m_btnCall.SetState(1);
    m_btnPreset.SetState(0);
    m_btnSet.SetState(0);
    m_btnDigit[9]->Show(false);
    m_btnTour.Show(false);
    m_nNumber = 0;
    update();
}

void CPtzPresetDlg::OnSet()
{
    if (m_bSetLocked)
        return;
    m_nAction = 0;
    m_btnSet.SetState(1);
    m_btnCall.SetState(0);
    m_btnTour.Show(false);
    m_nNumber = 0;
    update();
}

void CPtzPresetDlg::OnCall()
{
    m_nAction = 1;
    m_btnCall.SetState(1);
    m_btnSet.SetState(0);
    m_btnTour.SetState(0);
    m_btnTour.Show(m_nMode == 0);
    m_nNumber = 0;
    update();
}

void CPtzPresetDlg::OnTour()
{
    if (m_nAction != 2) {
        m_nAction = 2;
        m_btnTour.SetState(1);
    } else {
        m_nAction = 1;
        m_btnTour.SetState(0);
    }
    m_nNumber = 0;
    update();
}

void CPtzPresetDlg::OnDigit(int digit)
{
    m_nNumber = KeypadNumberAfterDigit(m_nMode, m_nAction, m_nNumber, digit);
    update();
}

void CPtzPresetDlg::OnOK()
{
    if (m_nNumber <= 0)
        return;
    const std::shared_ptr<IPtzConnection> connection = m_owner.Connection();
    if (!connection) {
        CloseLater();
        return;
    }
    if (m_nMode == 1 && m_nAction == 0) {
        // Completed when the direction panel closes or the preset button is
        // pressed again.
        CPtzState& state = connection->PtzState();
        state.m_nPresetValue = m_nNumber;
        state.m_bPresetPending = true;
    }
    SendMessage(m_owner.Host().MainWindow(), WM_PTZ_PRESET,
                static_cast<WPARAM>(KeypadActionCode(m_nMode, m_nAction)), static_cast<LPARAM>(m_nNumber));
    if (m_nMode == 0 && m_nAction == 1) {
        // Calls come one after the other: the keypad stays for the next.
        m_nNumber = 0;
        update();
        return;
    }
    CloseLater();
}

void CPtzPresetDlg::OnDome()
{
    m_owner.SendPtzCommand(kPtzDomeMenuAccess);
    CloseLater();
    if (CPtzControlDlg* control = m_owner.Control()) {
        control->m_bDomeMenu = 1;
        m_owner.ShowPtzMenu();
    }
}

void CPtzPresetDlg::OnClose()
{
    CloseLater();
}

LRESULT CPtzPresetDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int id = CommandId(wParam);
        if (id >= IDC_DIGIT1 && id < IDC_DIGIT1 + 9) {
            OnDigit(id - IDC_DIGIT1 + 1);
            return 0;
        }
        switch (id) {
        case IDC_DIGIT0:
            OnDigit(0);
            return 0;
        case IDC_PRESET:
            OnPresetMode();
            return 0;
        case IDC_LEARN:
            OnLearnMode();
            return 0;
        case IDC_SET:
            OnSet();
            return 0;
        case IDC_CALL:
            OnCall();
            return 0;
        case IDC_TOUR:
            OnTour();
            return 0;
        case IDC_OK:
            OnOK();
            return 0;
        case IDC_DOME:
            OnDome();
            return 0;
        case IDC_CLOSE:
            OnClose();
            return 0;
        default:
            return 0;
        }
    }
    return CPtzPanelBase::WindowProc(msg, wParam, lParam);
}

void CPtzPresetDlg::paintEvent(QPaintEvent* e)
{
    CPtzPanelBase::paintEvent(e);
    if (m_nNumber <= 0)
        return;
    QPainter p(this);
    p.setFont(m_fontNumber);
    p.setPen(QColor(80, 80, 80));
    p.drawText(QRect(QPoint(110, 173), QPoint(159, 192)), Qt::AlignCenter | Qt::TextSingleLine,
               QString::number(m_nNumber));
}

// ---------------------------------------------------------------------------
// Dome menu panel

CPtzMenuDlg::CPtzMenuDlg(CPtzPanels& owner, BYTE alpha)
    : CPtzPanelBase(owner, alpha), m_btnSel(this), m_btnPrev(this), m_btnClose(this)
{
    setFixedSize(kWidth, kHeight);
}

bool CPtzMenuDlg::OnInitDialog()
{
    m_bmpBack = ResourceLibrary::Current().LoadBitmap(IDB_PTZ_MENU_BACK);
    SetupButton(m_btnSel, IDC_SEL, IDB_PTZ_MENU_SEL, 9, 34, 39, 39);
    SetupButton(m_btnPrev, IDC_PREV, IDB_PTZ_MENU_PREV, 9, 78, 39, 39);
    SetupButton(m_btnClose, IDC_CLOSE, IDB_PTZ_MENU_CLOSE, 9, 122, 39, 39);
    SetTransparent(this, m_nAlpha, m_bmpBack);
    // The dome's menu is steered in pan mode.
    if (CPtzControlDlg* control = m_owner.Control(); control && control->m_nMode == kPtzModeZoom)
        m_owner.Host().TogglePtzPan();
    return true;
}

LRESULT CPtzMenuDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        switch (CommandId(wParam)) {
        case IDC_SEL:
            m_owner.SendPtzCommand(kPtzMenuEnter);
            return 0;
        case IDC_PREV:
            m_owner.SendPtzCommand(kPtzMenuEsc);
            return 0;
        case IDC_CLOSE:
            m_owner.SendPtzCommand(kPtzDomeMenuExit);
            if (CPtzControlDlg* control = m_owner.Control())
                control->m_bDomeMenu = 0;
            CloseLater();
            return 0;
        default:
            return 0;
        }
    }
    return CPtzPanelBase::WindowProc(msg, wParam, lParam);
}

QPoint CPtzMenuDlg::Placement(const QRect& proposed) const
{
    QRect grid;
    if (!m_owner.Host().VideoGridRect(grid))
        return proposed.topLeft();
    const CPtzControlDlg* control = m_owner.Control();
    const QRect direction = control ? control->frameGeometry() : QRect();
    return DockMenuPanel(proposed, control ? &direction : nullptr, grid);
}

// ---------------------------------------------------------------------------
// Manager

CPtzPanels::CPtzPanels(IPtzHost& host) : m_host(host) {}

CPtzPanels::~CPtzPanels()
{
    // Panels still open (or still closing) go with the manager they call.
    for (CPtzPanelBase* panel :
         {static_cast<CPtzPanelBase*>(m_pPtzControlDlg), static_cast<CPtzPanelBase*>(m_pPtzPresetDlg),
          static_cast<CPtzPanelBase*>(m_pPtzMenuDlg)}) {
        if (panel)
            m_panels.insert(panel);
    }
    ClearSlot(&CPtzState::m_hPtzControlDlg, m_pPtzControlDlg ? m_pPtzControlDlg->Handle() : WndHandle());
    ClearSlot(&CPtzState::m_hPtzPresetDlg, m_pPtzPresetDlg ? m_pPtzPresetDlg->Handle() : WndHandle());
    ClearSlot(&CPtzState::m_hPtzMenuDlg, m_pPtzMenuDlg ? m_pPtzMenuDlg->Handle() : WndHandle());
    m_pPtzControlDlg = nullptr;
    m_pPtzPresetDlg = nullptr;
    m_pPtzMenuDlg = nullptr;
    const std::set<CPtzPanelBase*> panels = std::move(m_panels);
    for (CPtzPanelBase* panel : panels)
        delete panel;
}

void CPtzPanels::SetConnection(const std::shared_ptr<IPtzConnection>& connection)
{
    m_connection = connection;
}

CPtzControlDlg* CPtzPanels::Control() const
{
    return m_pPtzControlDlg && !m_pPtzControlDlg->IsDestroyed() ? m_pPtzControlDlg : nullptr;
}

CPtzPresetDlg* CPtzPanels::Keypad() const
{
    return m_pPtzPresetDlg && !m_pPtzPresetDlg->IsDestroyed() ? m_pPtzPresetDlg : nullptr;
}

CPtzMenuDlg* CPtzPanels::Menu() const
{
    return m_pPtzMenuDlg && !m_pPtzMenuDlg->IsDestroyed() ? m_pPtzMenuDlg : nullptr;
}

void CPtzPanels::SetSlot(std::atomic<WndHandle> CPtzState::*slot, WndHandle handle)
{
    if (const auto connection = Connection())
        (connection->PtzState().*slot).store(handle);
}

void CPtzPanels::ClearSlot(std::atomic<WndHandle> CPtzState::*slot, WndHandle handle)
{
    if (handle.IsNull())
        return;
    if (const auto connection = Connection()) {
        WndHandle expected = handle;
        (connection->PtzState().*slot).compare_exchange_strong(expected, WndHandle());
    }
}

void CPtzPanels::ShowPtzControl(int mode)
{
    m_host.SetPtzButtons(mode == kPtzModePan ? 1 : 0, mode == kPtzModeZoom ? 1 : 0);
    const auto connection = Connection();
    CPtzControlDlg* panel = Control();
    if (panel) {
        panel->m_nMode = mode;
        if (connection)
            connection->PtzState().m_nPanelMode = mode;
        panel->ShowPresetButton();
        panel->show();
        panel->activateWindow();
        panel->update();
    } else {
        panel = new CPtzControlDlg(*this, m_host.PanelOpacity());
        m_pPtzControlDlg = panel;
        m_panels.insert(panel);
        panel->m_nMode = mode;
        if (connection)
            connection->PtzState().m_nPanelMode = mode;
        SetSlot(&CPtzState::m_hPtzControlDlg, panel->Handle());
        const QRect client = m_host.MainClientRect();
        panel->PlaceAt(QPoint(client.x() + 730, client.y() + 550));
        panel->Create();

        std::uint32_t visible = 0;
        std::array<int, 16> cells{};
        if (connection && m_host.VideoGridCells(visible, cells)) {
            CPtzState& state = connection->PtzState();
            const int channel =
                ChoosePtzChannel(state.m_nPtzChannel.load(), visible, cells, connection->VideoLossMask());
            if (channel >= 0) {
                state.m_nPtzChannel = channel;
                SendPtzChannelReq();
            }
        }
    }
    panel->SetModeButtons(mode);
}

void CPtzPanels::CompletePendingSet()
{
    const auto connection = Connection();
    if (!connection)
        return;
    CPtzState& state = connection->PtzState();
    // Sent, so the request is out before the pending mark goes.
    SendMessage(m_host.MainWindow(), WM_PTZ_PRESET, kPresetLearnComplete,
                static_cast<LPARAM>(state.m_nPresetValue.load()));
    state.m_bPresetPending = false;
    state.m_nPresetValue = 0;
}

void CPtzPanels::ClosePtzControl()
{
    m_host.SetPtzButtons(0, 0);
    const auto connection = Connection();
    if (connection) {
        CPtzState& state = connection->PtzState();
        state.m_nPtzChannel = 0;
        state.m_nPtzMode = kPtzStateNoPanel;
        if (state.m_bPresetPending) {
            CompletePendingSet();
            if (CPtzPresetDlg* keypad = Keypad()) {
                ClearSlot(&CPtzState::m_hPtzPresetDlg, keypad->Handle());
                keypad->DestroyWindow();
            }
        }
    }
    if (CPtzControlDlg* panel = Control())
        PostMessage(panel->Handle(), WM_CLOSE, 0, 0);
}

void CPtzPanels::ShowPtzPreset(int mode)
{
    if (CPtzPresetDlg* keypad = Keypad()) {
        keypad->m_nMode = mode;
        keypad->show();
        keypad->activateWindow();
        keypad->update();
        return;
    }
    const auto connection = Connection();
    if (connection && connection->PtzState().m_bPresetPending) {
        // The second press of the preset button stores the Learn-mode preset.
        CompletePendingSet();
        if (CPtzControlDlg* panel = Control())
            panel->SetPresetButtonsState(0);
        return;
    }
    auto* keypad = new CPtzPresetDlg(*this, m_host.PanelOpacity());
    m_pPtzPresetDlg = keypad;
    m_panels.insert(keypad);
    keypad->m_bSetLocked = connection && connection->HelloAccount() != 0;
    SetSlot(&CPtzState::m_hPtzPresetDlg, keypad->Handle());
    const QRect client = m_host.MainClientRect();
    keypad->PlaceAt(QPoint(client.x(), client.y() + client.height() - 261));
    keypad->Create();
    if (mode == 1)
        keypad->OnLearnMode();
}

void CPtzPanels::OpenPtzPreset(int released, int)
{
    if (released == 0)
        ShowPtzPreset(0);
}

void CPtzPanels::ClosePtzPreset()
{
    if (CPtzPresetDlg* keypad = Keypad())
        PostMessage(keypad->Handle(), WM_CLOSE, 0, 0);
}

void CPtzPanels::ShowPtzMenu()
{
    if (CPtzMenuDlg* menu = Menu()) {
        menu->show();
        menu->activateWindow();
        menu->update();
        return;
    }
    auto* menu = new CPtzMenuDlg(*this, m_host.PanelOpacity());
    m_pPtzMenuDlg = menu;
    m_panels.insert(menu);
    SetSlot(&CPtzState::m_hPtzMenuDlg, menu->Handle());
    const QRect client = m_host.MainClientRect();
    menu->PlaceAt(QPoint(client.x() + client.width() - 201, client.y() + client.height() - 200));
    menu->Create();
}

void CPtzPanels::ClosePtzMenu()
{
    if (CPtzMenuDlg* menu = Menu())
        PostMessage(menu->Handle(), WM_CLOSE, 0, 0);
}

void CPtzPanels::EnableDirections(bool enable)
{
    if (CPtzControlDlg* panel = Control())
        panel->EnableDirections(enable);
}

bool CPtzPanels::SendPtzChannelReq()
{
    const auto connection = Connection();
    // The request carries the panel's mode: it needs the panel.
    if (!connection || !Control())
        return false;
    return ::SendPtzChannelReq(*connection);
}

bool CPtzPanels::SendPtzMoveReq(int released, unsigned direction)
{
    const auto connection = Connection();
    return connection && ::SendPtzMoveReq(*connection, released, direction);
}

bool CPtzPanels::SendPtzPresetReq(int action, int number)
{
    const auto connection = Connection();
    if (!connection)
        return false;
    if (connection->PtzState().m_bPresetPending) {
        if (CPtzControlDlg* panel = Control())
            panel->SetPresetButtonsState(4);
    }
    return ::SendPtzPresetReq(*connection, action, number);
}

bool CPtzPanels::SendPtzCommand(std::uint8_t command)
{
    const auto connection = Connection();
    return connection && ::SendPtzCommand(*connection, command);
}

void CPtzPanels::SetPtzChannel(int channel)
{
    const auto connection = Connection();
    if (!connection || !Control() || channel < 0 || channel > 15)
        return;
    connection->PtzState().m_nPtzChannel = channel;
    SendPtzChannelReq();
}

void CPtzPanels::OnPtzMove(WPARAM wParam, LPARAM lParam)
{
    const auto connection = Connection();
    if (!connection || !connection->IsLiveOn() || !Control())
        return;
    const int code = static_cast<int>(lParam);
    if (code >= 0 && code <= static_cast<int>(kPtzRight))
        SendPtzMoveReq(static_cast<int>(wParam), static_cast<unsigned>(code));
    else if (code >= static_cast<int>(kPtzPreset))
        OpenPtzPreset(static_cast<int>(wParam), code);
}

void CPtzPanels::OnPtzPreset(WPARAM wParam, LPARAM lParam)
{
    SendPtzPresetReq(static_cast<int>(wParam), static_cast<int>(lParam));
}

void CPtzPanels::OnPanelDestroyed(CPtzPanelBase* panel)
{
    m_panels.erase(panel);
    if (panel == m_pPtzControlDlg) {
        m_pPtzControlDlg = nullptr;
        ClearSlot(&CPtzState::m_hPtzControlDlg, panel->Handle());
    } else if (panel == m_pPtzPresetDlg) {
        m_pPtzPresetDlg = nullptr;
        ClearSlot(&CPtzState::m_hPtzPresetDlg, panel->Handle());
    } else if (panel == m_pPtzMenuDlg) {
        m_pPtzMenuDlg = nullptr;
        ClearSlot(&CPtzState::m_hPtzMenuDlg, panel->Handle());
    }
}
