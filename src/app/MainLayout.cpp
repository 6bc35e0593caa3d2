#include "app/MainLayout.h"

#include "app/ResIds.h"
#include "app/ResIdsMain.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {

// The split buttons 322-328 show the number of cells as their tooltip.
const char* const kSplitCells[] = {"6", "7", "8", "9", "10", "13", "16"};

// Strips of four state frames (normal, selected, hover, disabled); the Sound
// button has the second set too (muted).
constexpr int kFrames = 4;
constexpr int kFramesTwoSets = 8;

// A control of `kind` at (x, y), w x h, drawn from `bitmap`.
MainControl Place(MainCtrlKind kind, int id, int x, int y, int w, int h, int bitmap)
{
    MainControl c;
    c.id = id;
    c.kind = kind;
    c.x = x;
    c.y = y;
    c.w = w;
    c.h = h;
    c.bitmap = bitmap;
    return c;
}

MainControl Button(int id, int x, int y, int w, int h, int bitmap, int tip, int frames = kFrames)
{
    MainControl c = Place(MainCtrlKind::Button, id, x, y, w, h, bitmap);
    c.frames = frames;
    c.tipKind = TipKind::Text;
    c.tip = tip;
    return c;
}

// A slider: its channel, and the part of it left of the position.
MainControl Slider(int id, int x, int y, int w, int h, int channel, int active)
{
    MainControl c = Place(MainCtrlKind::Slider, id, x, y, w, h, channel);
    c.active = active;
    return c;
}

std::array<MainControl, kMainControlCount> BuildLayout()
{
    std::array<MainControl, kMainControlCount> t{};
    std::size_t n = 0;
    auto add = [&t, &n](const MainControl& c) {
        if (n < t.size())
            t[n++] = c;
    };

    // Channel rail, left of the video area.
    for (int i = 0; i < 16; ++i) {
        MainControl c = Button(IDC_CHANNEL_FIRST + i, 22, 73 + 34 * i, 30, 34, IDB_MAIN_CHANNEL_FIRST + i,
                               IDS_TIP_CHANNEL);
        c.tipKind = TipKind::Numbered;
        c.number = i + 1;
        add(c);
    }
    // Split rail, right of the video area.
    for (int i = 0; i < 9; ++i) {
        MainControl c = Button(IDC_SPLIT_FIRST + i, 872, 73 + 34 * i, 34, 34, IDB_MAIN_SPLIT_FIRST + i, 0);
        if (i == 0) {
            c.tip = IDS_TIP_SPLIT_1;
        } else if (i == 1) {
            c.tip = IDS_TIP_SPLIT_4;
        } else {
            c.tipKind = TipKind::Literal;
            c.literal = kSplitCells[i - 2];
        }
        add(c);
    }
    // Transport row under the video area: one joined row of seven keys. All
    // but the record button wait, disabled, for a playback.
    const struct
    {
        int x, w, tip;
    } play[7] = {{264, 76, IDS_TIP_PLAY},
                 {340, 50, IDS_TIP_FAST_BACKWARD},
                 {390, 50, IDS_TIP_FAST_FORWARD},
                 {440, 50, IDS_TIP_PAUSE},
                 {490, 50, 0},
                 {540, 50, IDS_TIP_STOP},
                 {590, 73, IDS_TIP_PLAY_RESUME}};
    for (int i = 0; i < 7; ++i) {
        MainControl c =
            Button(IDC_PLAY_FIRST + i, play[i].x, 649, play[i].w, 32, IDB_MAIN_PLAY_FIRST + i, play[i].tip);
        if (IDC_PLAY_FIRST + i == IDC_RECORD)
            c.tipKind = TipKind::Record;
        else
            c.disabled = true;
        add(c);
    }

    // Toolbar.
    MainControl connect = Button(IDC_CONNECT, 53, 25, 37, 32, IDB_MAIN_CONNECT, 0);
    connect.tipKind = TipKind::Connect;
    add(connect);
    add(Button(IDC_REMOTE_SEARCH, 90, 25, 37, 32, IDB_MAIN_REMOTE_SEARCH, IDS_TIP_REMOTE_SEARCH));
    add(Button(IDC_REMOTE_SETUP, 127, 25, 37, 32, IDB_MAIN_REMOTE_SETUP, IDS_TIP_REMOTE_SETUP));
    add(Button(IDC_LOCAL_SEARCH, 164, 25, 37, 32, IDB_MAIN_LOCAL_SEARCH, IDS_TIP_LOCAL_SEARCH));
    add(Button(IDC_LOCAL_SETUP, 201, 25, 37, 32, IDB_MAIN_LOCAL_SETUP, IDS_TIP_LOCAL_SETUP));
    add(Button(IDC_PAN, 238, 25, 37, 32, IDB_MAIN_PAN, IDS_TIP_PAN));
    add(Button(IDC_ZOOM, 275, 25, 37, 32, IDB_MAIN_ZOOM, IDS_TIP_ZOOM));
    add(Button(IDC_FIRMUP, 312, 25, 37, 32, IDB_MAIN_FIRMUP, IDS_TIP_FIRMWARE));
    add(Button(IDC_REBOOT, 349, 25, 37, 32, IDB_MAIN_REBOOT, IDS_TIP_REBOOT));
    add(Button(IDC_QUIT, 386, 25, 37, 32, IDB_MAIN_QUIT, IDS_TIP_QUIT));
    add(Button(IDC_VERINFO, 662, 24, 32, 32, IDB_MAIN_VERINFO, IDS_TIP_VERSION));
    add(Button(IDC_MIN, 870, 34, 18, 17, IDB_MAIN_MIN, IDS_TIP_MIN));

    // Split rail, below the split buttons.
    add(Button(IDC_FULL, 872, 379, 34, 34, IDB_MAIN_FULL, IDS_TIP_FULL));
    add(Button(IDC_LIVE, 872, 413, 34, 34, IDB_MAIN_LIVE, IDS_TIP_LIVE));
    add(Button(IDC_OSD, 872, 447, 34, 34, IDB_MAIN_OSD, IDS_TIP_OSD));
    add(Button(IDC_ARRANGE, 872, 481, 34, 34, IDB_MAIN_ARRANGE, IDS_TIP_ARRANGE));
    add(Button(IDC_SAVE, 872, 515, 34, 34, IDB_MAIN_SAVE, IDS_TIP_SAVE));
    add(Button(IDC_LOAD, 872, 549, 34, 34, IDB_MAIN_LOAD, IDS_TIP_LOAD));
    add(Button(IDC_AUDIO, 872, 583, 34, 34, IDB_MAIN_AUDIO, IDS_TIP_AUDIO));

    // Sound.
    add(Button(IDC_SOUND, 712, 638, 28, 29, IDB_MAIN_SOUND, IDS_TIP_SOUND, kFramesTwoSets));
    MainControl selAudio = Button(IDC_SELAUDIO, 822, 637, 28, 29, IDB_MAIN_SELAUDIO, IDS_TIP_SEL_AUDIO);
    selAudio.hidden = true;
    add(selAudio);
    MainControl mike = Button(IDC_MIKE, 857, 637, 28, 29, IDB_MAIN_MIKE, IDS_TIP_MIKE);
    mike.hidden = true;
    add(mike);

    MainControl volume =
        Slider(IDC_VOLUME, 747, 647, 69, 16, IDB_MAIN_VOLUME_CHANNEL, IDB_MAIN_VOLUME_ACTIVE);
    volume.tipKind = TipKind::Text;
    volume.tip = IDS_TIP_VOLUME;
    add(volume);

    // The position slider belongs to the play bar, which only a playback
    // shows: the local player shows the slider while it plays and hides it
    // when it stops.
    MainControl position =
        Slider(IDC_POSITION, 260, 632, 252, 8, IDB_MAIN_POSITION_CHANNEL, IDB_MAIN_POSITION_ACTIVE);
    position.thumb = IDB_MAIN_POSITION_THUMB;
    position.thumbDrag = IDB_MAIN_POSITION_THUMB_DRAG;
    position.hidden = true;
    add(position);

    Q_ASSERT(n == t.size());
    return t;
}

} // namespace

int SplitButtonOfLayout(int layoutType)
{
    for (std::size_t i = 0; i < kSplitLayoutTypes.size(); ++i)
        if (kSplitLayoutTypes[i] == layoutType)
            return static_cast<int>(i);
    return -1;
}

const std::array<MainControl, kMainControlCount>& MainLayout()
{
    static const std::array<MainControl, kMainControlCount> table = BuildLayout();
    return table;
}

const MainControl* FindMainControl(int id)
{
    for (const MainControl& c : MainLayout())
        if (c.id == id)
            return &c;
    return nullptr;
}

QString MainToolTipText(int id, const MainTipState& state, const std::function<QString(int)>& loadString)
{
    // A tooltip request carries an 80-character buffer.
    constexpr int kMaxTipLength = 79;
    const MainControl* c = FindMainControl(id);
    if (!c)
        return QString();
    QString text;
    switch (c->tipKind) {
    case TipKind::None:
        break;
    case TipKind::Text:
        text = loadString(c->tip);
        break;
    case TipKind::Numbered:
        text = loadString(c->tip) + QStringLiteral(" %1").arg(c->number);
        break;
    case TipKind::Literal:
        text = QString::fromLatin1(c->literal);
        break;
    case TipKind::Connect:
        text = loadString(state.loggedIn ? IDS_TIP_DISCONNECT : IDS_TIP_CONNECT);
        break;
    case TipKind::Record:
        if (state.connected)
            text = loadString(state.recording ? IDS_TIP_RECORD_STOP : IDS_TIP_RECORD_START);
        break;
    }
    return text.left(kMaxTipLength);
}

bool CMainToolTip::AddTool(QWidget* pWnd)
{
    return CSkinToolTip::AddTool(pWnd, QString());
}

bool CMainToolTip::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return CSkinToolTip::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    const QString text = widget && m_source ? m_source(widget) : QString();
    if (!widget || !IsActive() || text.isEmpty()) {
        // A control without a text shows no tooltip at all.
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, widget);
    return true;
}
