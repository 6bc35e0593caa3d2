// The three floating PTZ panels and the manager that opens, places and closes
// them for the connection:
//   CPtzControlDlg  the direction panel (pan or zoom mode, four directions and
//                   the preset button), reports presses to the main window;
//   CPtzPresetDlg   the preset keypad (Preset and Learn modes: Set, Call,
//                   Tour), reports its result to the main window;
//   CPtzMenuDlg     the dome menu keys, sent to the recorder directly.
// Every send goes through the connection (IPtzConnection): whole messages
// under its send lock, refused once it is closed. The panels live on the GUI
// thread; the receive thread reaches the direction panel only by a posted
// WM_PTZ_CHANNEL_STATE.
#pragma once

#include "net/PtzRequests.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <set>

class CPtzPanels;

// What the panels need of the main window.
class IPtzHost
{
public:
    virtual ~IPtzHost() = default;
    // The window that hears WM_PTZ_MOVE and WM_PTZ_PRESET (sent, GUI thread).
    virtual WndHandle MainWindow() const = 0;
    // The main window's Pan and Zoom buttons (skinned button states).
    virtual void SetPtzButtons(int panState, int zoomState) = 0;
    // The main window's Pan and Zoom commands (open, switch or close the panel).
    virtual void TogglePtzPan() = 0;
    virtual void TogglePtzZoom() = 0;
    // The main window's client rectangle on the screen.
    virtual QRect MainClientRect() const = 0;
    // The video grid's view rectangle on the screen; false without a grid.
    virtual bool VideoGridRect(QRect& screenRect) const = 0;
    // The grid's visible-cell mask and each cell's channel; false without a grid.
    virtual bool VideoGridCells(std::uint32_t& visibleMask, std::array<int, 16>& cellChannel) const = 0;
    // The panels' alpha (opacity entry 5).
    virtual BYTE PanelOpacity() const = 0;
};

// Placement while a panel moves (screen coordinates). Direction panel and
// keypad: snapped onto the grid's edges within 20 pixels and kept inside it.
QPoint ClampPanelToGrid(const QRect& proposed, const QRect& grid);
// Dome menu panel: docked level with the direction panel's top beside it
// (`direction` null when there is none), then kept inside the grid.
QPoint DockMenuPanel(const QRect& proposed, const QRect* direction, const QRect& grid);

// The keypad's number after digit d (0-9): mode 0 Preset / 1 Learn, action
// 0 Set / 1 Call / 2 Tour.
int KeypadNumberAfterDigit(int mode, int action, int number, int digit);
// The WM_PTZ_PRESET action code the keypad's OK reports.
int KeypadActionCode(int mode, int action);

// Common skin of the three panels: background, alpha, drag, placement.
class CPtzPanelBase : public Dialog
{
    Q_OBJECT
public:
    CPtzPanelBase(CPtzPanels& owner, BYTE alpha);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    // Moves the panel, applying its placement rule.
    void PlaceAt(const QPoint& topLeft);
    virtual QPoint Placement(const QRect& proposed) const;

    CPtzPanels& m_owner;
    BYTE m_nAlpha;
    QImage m_bmpBack;

protected:
    // Hides the panel and closes it on the event loop.
    void CloseLater();
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool m_bPlacing = false;
};

class CPtzControlDlg : public CPtzPanelBase
{
    Q_OBJECT
public:
    static constexpr int kWidth = 147;
    static constexpr int kHeight = 171;
    static constexpr int IDC_UP = 440;
    static constexpr int IDC_DOWN = 441;
    static constexpr int IDC_LEFT = 442;
    static constexpr int IDC_RIGHT = 443;
    static constexpr int IDC_PAN = 444;
    static constexpr int IDC_ZOOM = 445;
    static constexpr int IDC_CLOSE = 446;
    static constexpr int IDC_PRESET_PAN = 447;
    static constexpr int IDC_PRESET_ZOOM = 448;

    CPtzControlDlg(CPtzPanels& owner, BYTE alpha);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // A press or release of a panel button; true when it was one of the six
    // with a direction code (reported to the main window).
    bool OnButtonPress(WPARAM buttonHandle, LPARAM released);
    // The channel answer: the six buttons on or off, and the Learn-mode mark.
    void OnChannelState(bool hasPtz, bool presetPending);
    // Shows the preset button of the current mode.
    void ShowPresetButton();
    void EnableDirections(bool enable);
    void SetPresetButtonsState(int state);
    void SetModeButtons(int mode);

    int m_nMode = kPtzModePan;
    BYTE m_bDomeMenu = 0;
    CSkinButton m_btnPan;
    CSkinButton m_btnZoom;
    CSkinButton m_btnClose;
    CSkinButton m_btnUp;
    CSkinButton m_btnDown;
    CSkinButton m_btnLeft;
    CSkinButton m_btnRight;
    CSkinButton m_btnPresetPan;
    CSkinButton m_btnPresetZoom;
};

class CPtzPresetDlg : public CPtzPanelBase
{
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 200;
    static constexpr int IDC_PRESET = 550;
    static constexpr int IDC_LEARN = 551;
    static constexpr int IDC_DOME = 552;
    static constexpr int IDC_SET = 553;
    static constexpr int IDC_CALL = 554;
    static constexpr int IDC_OK = 555;
    static constexpr int IDC_CLOSE = 556;
    static constexpr int IDC_DIGIT1 = 570; // 570-578: digits 1-9
    static constexpr int IDC_DIGIT0 = 579;
    static constexpr int IDC_TOUR = 580;

    CPtzPresetDlg(CPtzPanels& owner, BYTE alpha);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void OnPresetMode();
    void OnLearnMode();
    void OnSet();
    void OnCall();
    void OnTour();
    void OnDigit(int digit);
    void OnOK();
    void OnDome();
    void OnClose();

    int m_nMode = 0;           // 0 Preset, 1 Learn
    int m_nAction = 1;         // 0 Set, 1 Call, 2 Tour
    int m_nNumber = 0;         // 0: none typed
    bool m_bSetLocked = false; // the account may not store presets
    QFont m_fontNumber;

    CSkinTextButton m_btnPreset;
    CSkinTextButton m_btnLearn;
    CSkinTextButton m_btnDome;
    CSkinTextButton m_btnSet;
    CSkinTextButton m_btnCall;
    CSkinTextButton m_btnOK;
    CSkinButton m_btnClose;
    std::array<CSkinButton*, 10> m_btnDigit{}; // [0] digit 1 ... [8] digit 9, [9] digit 0 (children)
    CSkinButton m_btnTour;

protected:
    void paintEvent(QPaintEvent* e) override;
};

class CPtzMenuDlg : public CPtzPanelBase
{
    Q_OBJECT
public:
    static constexpr int kWidth = 54;
    static constexpr int kHeight = 171;
    static constexpr int IDC_SEL = 357;
    static constexpr int IDC_PREV = 358;
    static constexpr int IDC_CLOSE = 359;

    CPtzMenuDlg(CPtzPanels& owner, BYTE alpha);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    QPoint Placement(const QRect& proposed) const override;

    CSkinButton m_btnSel;
    CSkinButton m_btnPrev;
    CSkinButton m_btnClose;
};

// Opens, places, switches and closes the three panels for the current
// connection and turns the main window's PTZ messages into requests. Lives
// as long as the main window (GUI thread only); the connection it serves may
// change, and requests without one do nothing.
class CPtzPanels
{
public:
    explicit CPtzPanels(IPtzHost& host);
    ~CPtzPanels();
    CPtzPanels(const CPtzPanels&) = delete;
    CPtzPanels& operator=(const CPtzPanels&) = delete;

    void SetConnection(const std::shared_ptr<IPtzConnection>& connection);
    std::shared_ptr<IPtzConnection> Connection() const { return m_connection.lock(); }
    IPtzHost& Host() { return m_host; }

    // Opens the direction panel in mode 0 (pan) or 1 (zoom), or switches the
    // open one; a newly opened panel asks for the PTZ channel of the grid.
    void ShowPtzControl(int mode);
    // Closes the direction panel, completing a pending Learn-mode Set.
    void ClosePtzControl();
    // Opens the keypad in mode 0 (Preset) or 1 (Learn); with a Learn-mode Set
    // pending it completes the Set instead and opens nothing.
    void ShowPtzPreset(int mode);
    void OpenPtzPreset(int released, int code);
    void ClosePtzPreset();
    void ShowPtzMenu();
    void ClosePtzMenu();
    // The main window enables the four direction buttons after opening.
    void EnableDirections(bool enable);

    // Requests (false when nothing went out).
    bool SendPtzChannelReq();
    bool SendPtzMoveReq(int released, unsigned direction);
    bool SendPtzPresetReq(int action, int number);
    bool SendPtzCommand(std::uint8_t command);

    // The grid's change of the PTZ channel while the direction panel is open.
    void SetPtzChannel(int channel);

    // The main window's WM_PTZ_MOVE and WM_PTZ_PRESET.
    void OnPtzMove(WPARAM wParam, LPARAM lParam);
    void OnPtzPreset(WPARAM wParam, LPARAM lParam);

    // The open panels (null when closed or closing).
    CPtzControlDlg* Control() const;
    CPtzPresetDlg* Keypad() const;
    CPtzMenuDlg* Menu() const;
    bool IsControlOpen() const { return Control() != nullptr; }
    int ControlMode() const { return Control() ? Control()->m_nMode : kPtzModePan; }

    // A panel's window is gone: its slot empties (called by the panel).
    void OnPanelDestroyed(CPtzPanelBase* panel);

    CPtzControlDlg* m_pPtzControlDlg = nullptr; // slot 22
    CPtzPresetDlg* m_pPtzPresetDlg = nullptr;   // slot 23
    CPtzMenuDlg* m_pPtzMenuDlg = nullptr;       // slot 24

private:
    // Sends WM_PTZ_PRESET 3 with the pending number and clears the pending Set.
    void CompletePendingSet();
    void SetSlot(std::atomic<WndHandle> CPtzState::*slot, WndHandle handle);
    void ClearSlot(std::atomic<WndHandle> CPtzState::*slot, WndHandle handle);

    IPtzHost& m_host;
    std::weak_ptr<IPtzConnection> m_connection;
    // Every panel object not yet deleted, open or closing.
    std::set<CPtzPanelBase*> m_panels;
};
