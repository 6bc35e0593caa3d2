// What the control tests share: a parent window that records every message
// it gets, synthetic mouse events, a small bundle of known bitmaps, and
// reading pixels of a rendered widget.
#pragma once

#include "platform/ResourceLibrary.h"
#include "platform/Wnd.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace uitest {

struct Msg
{
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    friend bool operator==(const Msg& a, const Msg& b)
    {
        return a.msg == b.msg && a.wParam == b.wParam && a.lParam == b.lParam;
    }
};
void PrintTo(const Msg& m, std::ostream* os);

// A dialog-like parent: records what it hears; onMessage runs at each one
// (to look at the sender's state at that moment).
class RecordingWnd : public Wnd
{
public:
    RecordingWnd();
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Only the messages of one number.
    std::vector<Msg> Of(UINT msg) const;
    std::vector<Msg> log;
    std::function<void(const Msg&)> onMessage;
};

// Delivers every posted message now.
void Pump();

// Mouse events as the window system would send them to the widget.
void Move(QWidget* w, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton);
void Press(QWidget* w, QPoint pos);
void Release(QWidget* w, QPoint pos);
void Leave(QWidget* w);

// What the widget paints, at its own size.
QImage Render(QWidget* w);
QRgb Pixel(const QImage& img, int x, int y);

// Bitmaps of the test bundle (ids that the real one does not use), with
// known colours.
namespace ids {
constexpr int kStrip8 = 9001;  // 8 frames of 20 x 10, frame i = FrameColour(i)
constexpr int kStrip4 = 9002;  // 4 frames of 160 x 26
constexpr int kChannel = 9010; // 200 x 8 grey
constexpr int kActive = 9011;  // 200 x 8 blue
constexpr int kThumb = 9012;   // 10 x 8: white disc on the key colour
constexpr int kThumbDrag = 9013;
constexpr int kProgBack = 9020; // 3 frames of 6 x 10: BackColour(i)
constexpr int kProgBar = 9021;  // 3 frames of 6 x 10: BarColour(i)
constexpr int kCheckOff = 9030; // 15 x 15
constexpr int kCheckOn = 9031;
constexpr int kCheckOver = 9033;
constexpr int kCheckMask = 9032; // black 11 x 11 square at (2, 2), white around
constexpr int kLabelBody = 9040; // 40 x 12
constexpr int kLabelEnd = 9041;  // 9 x 12
} // namespace ids
QRgb FrameColour(int i);
QRgb BackColour(int i);
QRgb BarColour(int i);
constexpr QRgb kGrey = 0xff505050;
constexpr QRgb kBlue = 0xff2060ff;
constexpr QRgb kLabelBodyColour = 0xff30a030;
constexpr QRgb kLabelEndColour = 0xffa03030;
constexpr QRgb kCheckOffColour = 0xff404040;
constexpr QRgb kCheckOnColour = 0xff20c0ff;
constexpr QRgb kCheckOverColour = 0xff909090;

// Writes an 8-bit RGBA TIFF of the image (ARGB32 values taken as they are,
// alpha marked as associated).
bool WriteTiff(const QString& path, const QImage& image);

// Makes the test bundle current for the test's lifetime.
class TestBundle
{
public:
    TestBundle();
    ~TestBundle();
    bool Loaded() const { return m_lib.IsLoaded(); }

private:
    ResourceLibrary m_lib;
    ResourceLibrary* m_previous;
};

} // namespace uitest
