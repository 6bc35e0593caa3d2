// The main window's controls as one table: every button and slider with its
// control id, its place in the client area, the bitmap strip it shows and the
// tooltip it offers; and the tooltip texts as the window's state chooses
// them. No widgets here: the main window places its controls from this table
// and asks it for a tooltip's text when the tooltip is about to show.
#pragma once

#include "ui/SkinToolTip.h"

#include <QString>
#include <array>
#include <functional>

// Control ids of the main window.
constexpr int IDC_CHANNEL_FIRST = 300; // channel buttons 300-315
constexpr int IDC_CHANNEL_LAST = 315;
constexpr int IDC_SPLIT_FIRST = 320; // split buttons 320-328
constexpr int IDC_SPLIT_LAST = 328;
constexpr int IDC_FULL = 329;
constexpr int IDC_PLAY_FIRST = 340;    // playback buttons 340-346
constexpr int IDC_STEP_BACKWARD = 340; // command 1
constexpr int IDC_FAST_BACKWARD = 341; // command 2
constexpr int IDC_FAST_FORWARD = 342;  // command 3
constexpr int IDC_PAUSE = 343;         // command 4
constexpr int IDC_RECORD = 344;        // recording on the recorder
constexpr int IDC_STOP = 345;          // end of playback
constexpr int IDC_STEP_FORWARD = 346;  // command 7
constexpr int IDC_PLAY_LAST = 346;
constexpr int IDC_PAN = 355;
constexpr int IDC_ZOOM = 356;
constexpr int IDC_CONNECT = 360;
constexpr int IDC_REMOTE_SEARCH = 361;
constexpr int IDC_REMOTE_SETUP = 362;
constexpr int IDC_LOCAL_SEARCH = 363;
constexpr int IDC_LOCAL_SETUP = 364;
constexpr int IDC_QUIT = 365;
constexpr int IDC_SOUND = 366;
constexpr int IDC_VERINFO = 367;
constexpr int IDC_SELAUDIO = 368;
constexpr int IDC_LIVE = 369;
constexpr int IDC_OSD = 370;
constexpr int IDC_ARRANGE = 371;
constexpr int IDC_SAVE = 372;
constexpr int IDC_LOAD = 373;
constexpr int IDC_FIRMUP = 374;
constexpr int IDC_MIKE = 376;
constexpr int IDC_MIN = 377;
constexpr int IDC_AUDIO = 378;
constexpr int IDC_POSITION = 420;
constexpr int IDC_VOLUME = 421;
constexpr int IDC_REBOOT = 1072;

// Slider ranges and start positions.
constexpr int kVolumeMax = 65535;
constexpr int kVolumeStart = 40000;
constexpr int kPositionMax = 100;
constexpr int kPositionStart = 50;

// The layout types the split buttons 320-328 select (one cell, 4, 6, 7, 8, 9,
// 10, 13 and 16 cells). The full-screen split bar's buttons 400-408 select the
// same types in the same order.
constexpr std::array<int, 9> kSplitLayoutTypes = {0, 1, 2, 3, 5, 6, 7, 13, 14};
// The split button (0-8) of a layout type; -1 when no button selects it.
int SplitButtonOfLayout(int layoutType);

enum class MainCtrlKind
{
    Button,
    Slider,
};

// How a control's tooltip text is made.
enum class TipKind
{
    None,     // no tooltip
    Text,     // string `tip`
    Numbered, // string `tip` followed by " n" with n = `number`
    Literal,  // `literal` as it stands
    Connect,  // string 5830 (disconnect) when logged in, else 5000 (connect)
    Record,   // string 5882 (stop) while the recorder records, else 5883; none when not connected
};

struct MainControl
{
    int id = 0;
    MainCtrlKind kind = MainCtrlKind::Button;
    int x = 0, y = 0, w = 0, h = 0; // client pixels
    int bitmap = 0;                 // a button's strip; a slider's channel
    int frames = 1;                 // state frames of the strip (slider pieces: 1)
    TipKind tipKind = TipKind::None;
    int tip = 0;
    const char* literal = nullptr;
    int number = 0;
    // Sliders: the channel left of the position, the thumb and the dragged
    // thumb (0: none).
    int active = 0, thumb = 0, thumbDrag = 0;
    bool hidden = false;   // hidden at start
    bool disabled = false; // disabled (state 3) at start
};

constexpr int kMainControlCount = 56; // 54 buttons and 2 sliders
// The highlightable buttons come first, in the order of CClientDlg::m_arrButton:
// [0..15] channels, [16..24] splits, [25..31] playback 340-346.
constexpr int kHighlightButtonCount = 32;

const std::array<MainControl, kMainControlCount>& MainLayout();
// The row of a control id; null when the main window has no such control.
const MainControl* FindMainControl(int id);

// What the tooltip texts depend on.
struct MainTipState
{
    bool connected = false; // a connection object exists
    bool loggedIn = false;
    bool recording = false; // the recorder records
};

// The tooltip text of control `id`, at most 79 characters (the size of the
// text buffer a tooltip request brings); empty for controls that show none.
QString MainToolTipText(int id, const MainTipState& state, const std::function<QString(int)>& loadString);

// The main window's tooltip control: the texts are not stored with the tools
// but asked for each time a tooltip is about to show, so that they follow the
// connection's state.
class CMainToolTip : public CSkinToolTip
{
    Q_OBJECT
public:
    using TextSource = std::function<QString(QWidget* tool)>;

    explicit CMainToolTip(QObject* parent = nullptr) : CSkinToolTip(parent) {}

    void SetTextSource(TextSource source) { m_source = std::move(source); }
    // Registers the tool; its text comes from the text source.
    bool AddTool(QWidget* pWnd);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TextSource m_source;
};
