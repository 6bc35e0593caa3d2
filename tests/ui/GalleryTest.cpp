// Renders every control of the kit in each of its states, drawn from the
// real resource bundle, into PNG sheets under the build tree's gallery/
// folder for a reviewer to look at. Each state drawn is also probed against
// the skin's own bitmaps: the frame a state must show, where a slider or a
// bar turns from one bitmap to the other, which cells of a grid are lit, and
// the colours of the texts.
#include "TestSupport.h"

#include "platform/Skin.h"
#include "ui/GridStatic.h"
#include "ui/NameEntryDlg.h"
#include "ui/PictureStatic.h"
#include "ui/ResIds.h"
#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinColors.h"
#include "ui/SkinEdit.h"
#include "ui/SkinLabel.h"
#include "ui/SkinListCtrl.h"
#include "ui/SkinProgress.h"
#include "ui/SkinSlider.h"

#include <QDir>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

using namespace uitest;

namespace {

const QString kGallery = QStringLiteral(K5_BINARY_DIR "/gallery");

// Ids of bitmaps other windows own, used here only to show the controls in
// the skin they will wear; a missing one is simply left out of the sheet.
constexpr int kStopButton = 1625;
constexpr int kTransferBack = 1635;
constexpr int kTransferBar = 1636;
constexpr int kMainSliderActive = 1580;
constexpr int kMainSliderChannel = 1581;
constexpr int kMainSliderThumb = 1582;
constexpr int kMainSliderThumbDrag = 1583;

// A sheet of samples: rows of captioned widgets on the window colour.
class Sheet
{
public:
    explicit Sheet(const QString& title) : m_title(title) {}

    void Row(const QString& caption) { m_rows.push_back({caption, {}}); }
    void Add(const QString& caption, QWidget* w)
    {
        if (m_rows.empty())
            Row(QString());
        m_rows.back().items.push_back({caption, Render(w)});
    }
    bool Save(const QString& file) const
    {
        const int pad = 14;
        int width = 480;
        int height = 40;
        for (const auto& row : m_rows) {
            int x = pad, h = 0;
            for (const auto& item : row.items) {
                x += std::max(item.image.width(), 60) + pad;
                h = std::max(h, item.image.height());
            }
            width = std::max(width, x);
            height += 22 + 16 + h + pad;
        }
        QImage sheet(width, height, QImage::Format_RGB32);
        sheet.fill(SkinColor::Of(SkinColor::kWindow));
        QPainter p(&sheet);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(SkinColor::Of(SkinColor::kText));
        p.setFont(MakeSkinFont("Arial Bold", 11, 700));
        p.drawText(QRect(pad, 8, width - 2 * pad, 24), Qt::AlignLeft | Qt::AlignVCenter, m_title);
        int y = 40;
        for (const auto& row : m_rows) {
            p.setPen(SkinColor::Of(SkinColor::kAccent));
            p.setFont(MakeSkinFont("Arial Bold", 8, 700));
            p.drawText(QRect(pad, y, width, 18), Qt::AlignLeft | Qt::AlignVCenter, row.caption);
            y += 22;
            int x = pad, h = 0;
            for (const auto& item : row.items) {
                p.setPen(SkinColor::Of(SkinColor::kTextDim));
                p.setFont(MakeSkinFont("Arial", 7));
                p.drawText(QRect(x, y, std::max(item.image.width(), 60), 14),
                           Qt::AlignLeft | Qt::AlignVCenter, item.caption);
                p.drawImage(x, y + 16, item.image);
                x += std::max(item.image.width(), 60) + pad;
                h = std::max(h, item.image.height());
            }
            y += 16 + h + pad;
        }
        p.end();
        return sheet.save(file);
    }

private:
    struct Item
    {
        QString caption;
        QImage image;
    };
    struct RowData
    {
        QString caption;
        std::vector<Item> items;
    };
    QString m_title;
    std::vector<RowData> m_rows;
};

// The window the samples sit on: the page surface the controls are drawn for.
class Page : public RecordingWnd
{
public:
    Page()
    {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, SkinColor::Of(SkinColor::kSurface));
        setPalette(pal);
    }
};

class Gallery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_lib.Load(K5_BINARY_DIR "/bin/MiraRes.rcc")) << "the bundle is built before the tests";
        m_previous = &ResourceLibrary::Current();
        ResourceLibrary::SetCurrent(&m_lib);
        ASSERT_TRUE(QDir().mkpath(kGallery));
    }
    void TearDown() override { ResourceLibrary::SetCurrent(m_previous); }
    bool Has(int id) const { return m_lib.HasBitmap(id); }
    void Save(const Sheet& sheet, const QString& name)
    {
        const QString file = kGallery + "/" + name;
        ASSERT_TRUE(sheet.Save(file)) << file.toStdString();
        EXPECT_TRUE(QFileInfo(file).size() > 0);
    }

    ResourceLibrary m_lib;
    ResourceLibrary* m_previous = nullptr;
    Page m_page;
};

void WhiteCaptions(CSkinTextButton& b)
{
    b.SetFont(9, 0, 700, "Arial Bold");
    const COLORREF c[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFF00, 0xA6A6A6};
    std::copy(std::begin(c), std::end(c), b.m_crText);
}

QString StateName(int s)
{
    static const char* const names[] = {"0 normal", "1 selected",   "2 hover",        "3 disabled",
                                        "4 second", "5 second sel", "6 second hover", "7 second dis"};
    return s >= 0 && s < 8 ? names[s] : QString::number(s);
}

QRgb Rgb(QRgb c)
{
    return c & 0x00FFFFFF;
}

// Pixels of `shown` inside `area` that differ from the bitmap's pixel at the
// same place, read `frameOffset` further right in the bitmap (a frame of a
// strip). A place outside the bitmap counts as a difference.
int Misses(const QImage& shown, const QImage& bitmap, const QRect& area, int frameOffset = 0)
{
    const QImage a = shown.convertToFormat(QImage::Format_RGB32);
    const QImage b = bitmap.convertToFormat(QImage::Format_RGB32);
    int misses = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int bx = x + frameOffset;
            if (!a.valid(x, y) || !b.valid(bx, y) || Rgb(a.pixel(x, y)) != Rgb(b.pixel(bx, y)))
                ++misses;
        }
    }
    return misses;
}

bool Near(QRgb c, QRgb want, int tolerance)
{
    return std::abs(qRed(c) - qRed(want)) <= tolerance && std::abs(qGreen(c) - qGreen(want)) <= tolerance &&
           std::abs(qBlue(c) - qBlue(want)) <= tolerance;
}

// Pixels inside `area` within `tolerance` of the colour (text is smoothed:
// only its cores carry the pen's colour).
int CountNear(const QImage& img, const QRect& area, QRgb want, int tolerance = 40)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.valid(x, y) && Near(img.pixel(x, y), want, tolerance) ? 1 : 0;
    return n;
}

QRgb FromRef(COLORREF c)
{
    return fromColorRef(c).rgb();
}

// Along row y, where the active bitmap gives way to the channel bitmap:
// {columns up to the last one showing the active bitmap, first column showing
// the channel bitmap}, judged only where the two bitmaps differ. {-1, -1}
// when a column shows neither or the two parts interleave.
std::pair<int, int> FillEdge(const QImage& shown, const QImage& channel, const QImage& active, int y)
{
    const QImage s = shown.convertToFormat(QImage::Format_RGB32);
    const QImage c = channel.convertToFormat(QImage::Format_RGB32);
    const QImage a = active.convertToFormat(QImage::Format_RGB32);
    int activeEnd = 0;
    int channelStart = c.width();
    for (int x = 0; x < c.width(); ++x) {
        const QRgb px = Rgb(s.pixel(x, y));
        const QRgb ac = Rgb(a.pixel(x, y));
        const QRgb ch = Rgb(c.pixel(x, y));
        if (ac == ch) {
            if (px != ac)
                return {-1, -1};
            continue;
        }
        if (px == ac)
            activeEnd = x + 1;
        else if (px == ch)
            channelStart = std::min(channelStart, x);
        else
            return {-1, -1};
    }
    if (activeEnd > channelStart)
        return {-1, -1};
    return {activeEnd, channelStart};
}

// The row where the two bitmaps differ in the most columns.
int MostDifferentRow(const QImage& one, const QImage& two)
{
    const QImage a = one.convertToFormat(QImage::Format_RGB32);
    const QImage b = two.convertToFormat(QImage::Format_RGB32);
    int best = -1, bestCount = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        int n = 0;
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            n += Rgb(a.pixel(x, y)) != Rgb(b.pixel(x, y)) ? 1 : 0;
        if (n > bestCount) {
            best = y;
            bestCount = n;
        }
    }
    return best;
}

// The colours along row y of one frame of a three-frame strip.
QSet<QRgb> FrameColours(const QImage& strip, int frame, int y)
{
    const int fw = strip.width() / 3;
    QSet<QRgb> colours;
    for (int x = fw * frame; x < fw * (frame + 1); ++x)
        colours.insert(Rgb(strip.pixel(x, y)));
    return colours;
}

} // namespace

TEST_F(Gallery, Buttons)
{
    Sheet sheet("Skinned buttons");
    if (Has(kStopButton)) {
        sheet.Row("CSkinButton (a picture strip; bitmap 1625)");
        const QImage strip = m_lib.LoadBitmap(kStopButton);
        const int frames = strip.width() / 28;
        EXPECT_GT(Misses(strip.copy(0, 0, 28, 28), strip, QRect(0, 0, 28, 28), 28), 0)
            << "the normal and selected frames must differ for the states to be told apart";
        for (int s = 0; s < std::min(frames, 8); ++s) {
            CSkinButton b(&m_page);
            b.SetBitmap(kStopButton);
            b.resize(28, 28);
            b.SetState(s);
            sheet.Add(StateName(s), &b);
            // The whole button is frame s of the strip.
            EXPECT_EQ(Misses(Render(&b), strip, b.rect(), 28 * s), 0) << "state " << s;
        }
    }
    sheet.Row("CSkinTextButton (bitmap 2009, the prompts' OK)");
    const QImage prompt = m_lib.LoadBitmap(IDB_PROMPT_BUTTON);
    ASSERT_EQ(prompt.width(), 4 * 100);
    const QRect edges[] = {QRect(0, 0, 8, 27), QRect(92, 0, 8, 27)};
    for (int s = 0; s < 4; ++s) {
        CSkinTextButton b(&m_page);
        b.SetBitmap(IDB_PROMPT_BUTTON);
        b.resize(100, 27);
        WhiteCaptions(b);
        b.SetText(0, m_lib.LoadResString(IDS_OK), true);
        if (s == 3)
            b.Enable(false);
        else
            b.SetState(s);
        sheet.Add(StateName(s), &b);
        // Frame s around the caption, and the caption in the state's colour
        // in the middle.
        const QImage shown = Render(&b);
        for (const QRect& edge : edges)
            EXPECT_EQ(Misses(shown, prompt, edge, 100 * s), 0) << "state " << s;
        EXPECT_GT(CountNear(shown, QRect(30, 4, 40, 19), FromRef(b.m_crText[s])), 3) << "state " << s;
        EXPECT_EQ(CountNear(shown, edges[0], FromRef(b.m_crText[s]), 8), 0) << "state " << s;
    }
    {
        CSkinTextButton b(&m_page);
        b.SetBitmap(IDB_PROMPT_BUTTON);
        b.resize(100, 27);
        WhiteCaptions(b);
        b.SetText(12, "Left text", false);
        sheet.Add("margin 12, left", &b);
        // Nothing in the margin; the text starts right after it.
        const QImage shown = Render(&b);
        EXPECT_EQ(Misses(shown, prompt, QRect(0, 0, 12, 27)), 0);
        EXPECT_GT(CountNear(shown, QRect(12, 4, 20, 19), 0xFFFFFF), 3);
        EXPECT_EQ(Misses(shown, prompt, QRect(80, 0, 20, 27)), 0) << "a left-aligned caption";
    }
    sheet.Row("CCalendarButton (day cells; dots on days with recordings)");
    struct Day
    {
        const char* caption;
        int state;
        BYTE data;
        BYTE marks[3];
    } days[] = {
        {"3", 0, 0, {0, 0, 0}}, {"4", 1, 1, {1, 0, 0}}, {"5", 2, 1, {1, 1, 1}}, {"6", 3, 0, {0, 0, 0}}};
    for (const Day& d : days) {
        CCalendarButton b(&m_page);
        b.SetBitmap(IDB_PROMPT_BUTTON);
        b.resize(100, 27);
        b.SetFont(9, 700, "Arial Bold");
        const COLORREF c[4] = {0x9aa0a8 & 0, 0xFFFFFF, 0xFFFF00, 0x5a5f68};
        std::copy(std::begin(c), std::end(c), b.m_crText);
        b.m_crText[0] = RGB(0x9a, 0xa0, 0xa8);
        b.m_bHasData = d.data;
        std::copy(std::begin(d.marks), std::end(d.marks), b.m_bMark);
        b.SetCaption(d.caption);
        b.SetState(d.state);
        sheet.Add(StateName(d.state) + (d.data ? ", data" : ""), &b);
        // Hover shows the selected frame; each mark is a dot of its own
        // colour (red, green, blue) only on a day with recordings.
        const int frame = d.state == 2 ? 1 : d.state;
        const QImage shown = Render(&b);
        EXPECT_EQ(Misses(shown, prompt, QRect(0, 0, 6, 27), 100 * frame), 0) << d.caption;
        const QRgb markColour[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        for (int i = 0; i < 3; ++i) {
            const QRect dot(10 + 10 * i, 20, 2, 2);
            if (d.data && d.marks[i]) {
                EXPECT_EQ(CountNear(shown, dot, markColour[i]), 4) << d.caption << " mark " << i;
            } else {
                EXPECT_EQ(Misses(shown, prompt, dot, 100 * frame), 0) << d.caption << " mark " << i;
            }
        }
    }
    Save(sheet, "buttons.png");
}

TEST_F(Gallery, CheckBoxes)
{
    Sheet sheet("CSkinCheckBox (1693 normal, 1692 down, 1694 mask)");
    auto make = [&](CSkinCheckBox& box) {
        box.SetBitmaps(IDB_CHECK_NORMAL, IDB_CHECK_DOWN, IDB_CHECK_NORMAL, IDB_CHECK_NORMAL, IDB_CHECK_NORMAL,
                       IDB_CHECK_MASK, 0, 0, 0);
    };
    sheet.Row("check box");
    {
        CSkinCheckBox box(&m_page);
        make(box);
        sheet.Add("unchecked", &box);
        Move(&box, QPoint(7, 7));
        sheet.Add("hover", &box);
        Press(&box, QPoint(7, 7));
        sheet.Add("pressed", &box);
        Release(&box, QPoint(7, 7));
        Leave(&box);
        sheet.Add("checked", &box);
        box.setEnabled(false);
        sheet.Add("disabled", &box);
    }
    sheet.Row("per-row boxes on a page");
    {
        QWidget rows(&m_page);
        rows.setAutoFillBackground(true);
        rows.resize(150, 4 * 23);
        std::vector<std::unique_ptr<CSkinCheckBox>> boxes;
        std::vector<std::unique_ptr<CSkinLabel>> labels;
        for (int r = 0; r < 4; ++r) {
            auto box = std::make_unique<CSkinCheckBox>(&rows);
            make(*box);
            box->move(6, 4 + 23 * r);
            box->SetCheck(r % 2 == 0);
            auto label = std::make_unique<CSkinLabel>(&rows);
            label->SetLabelStyle(0xFFFFFF, RGB(0xe6, 0xe8, 0xeb), 0, 0, true, 9, "Arial Bold");
            label->SetBkColor(toColorRef(SkinColor::Of(SkinColor::kSurface)));
            label->setGeometry(28, 3 + 23 * r, 110, 17);
            label->SetText(QString("Camera %1").arg(r + 1));
            boxes.push_back(std::move(box));
            labels.push_back(std::move(label));
        }
        sheet.Add("checked rows 1 and 3", &rows);
    }
    Save(sheet, "checkboxes.png");
}

TEST_F(Gallery, SlidersAndProgress)
{
    Sheet sheet("CSkinSlider and CSkinProgress");
    // The active bitmap fills the channel from the left up to the position's
    // share of the width, the channel bitmap the rest.
    auto checkFill = [&](CSkinSlider& s, int channelId, int activeId, double share) {
        const QImage channel = m_lib.LoadBitmap(channelId);
        const QImage active = m_lib.LoadBitmap(activeId);
        const int row = MostDifferentRow(channel, active);
        ASSERT_GE(row, 0) << "the channel and active bitmaps must differ";
        const auto [activeEnd, channelStart] = FillEdge(Render(&s), channel, active, row);
        ASSERT_GE(activeEnd, 0) << "share " << share << ": a column shows neither bitmap, or they interleave";
        const double edge = share * channel.width();
        EXPECT_LE(activeEnd, edge + 1) << "share " << share;
        EXPECT_GE(channelStart, edge - 1) << "share " << share;
    };
    sheet.Row("setup slider (1695 channel, 1696 active), range 0-100");
    for (int pos : {0, 30, 75, 100}) {
        CSkinSlider s(&m_page);
        s.SetChannelBitmaps(IDB_SETUP_SLIDER_CHANNEL, IDB_SETUP_SLIDER_ACTIVE, false, 0, 0, 0);
        s.SetPos(pos);
        if (pos == 75)
            s.m_bHasFocus = 1;
        sheet.Add(QString("pos %1%2").arg(pos).arg(pos == 75 ? ", focus" : ""), &s);
        SCOPED_TRACE(pos);
        checkFill(s, IDB_SETUP_SLIDER_CHANNEL, IDB_SETUP_SLIDER_ACTIVE, pos / 100.0);
    }
    sheet.Row("short setup slider (1697 channel, 1698 active), range 100-255");
    for (int pos : {100, 180, 255}) {
        CSkinSlider s(&m_page);
        s.SetChannelBitmaps(IDB_SETUP_SLIDER_SHORT_CHANNEL, IDB_SETUP_SLIDER_SHORT_ACTIVE, false, 0, 0, 0);
        s.SetRange(100, 255, false);
        s.SetPos(pos);
        sheet.Add(QString("pos %1").arg(pos), &s);
        SCOPED_TRACE(pos);
        checkFill(s, IDB_SETUP_SLIDER_SHORT_CHANNEL, IDB_SETUP_SLIDER_SHORT_ACTIVE, (pos - 100) / 155.0);
    }
    if (Has(kMainSliderChannel) && Has(kMainSliderThumb)) {
        sheet.Row("position slider with a thumb (1581/1580, 1582/1583)");
        for (int pos : {0, 50, 100}) {
            for (bool drag : {false, true}) {
                if (drag && pos != 50)
                    continue;
                CSkinSlider s(&m_page);
                s.SetChannelBitmaps(kMainSliderChannel, kMainSliderActive, false, 0, 0, 0);
                s.SetThumbBitmaps(kMainSliderThumb, kMainSliderThumbDrag, true, 0xFF000000, 0, 0);
                s.SetPos(pos);
                s.m_bDragging = drag ? 1 : 0;
                sheet.Add(QString("pos %1%2").arg(pos).arg(drag ? ", dragged" : ""), &s);
                // The thumb (its dragged look while dragged) sits over the
                // position: its centre column at the position's share of the
                // travel.
                const QImage thumb = m_lib.LoadBitmap(drag ? kMainSliderThumbDrag : kMainSliderThumb);
                const QImage shown = Render(&s);
                const int travel = s.width() - thumb.width();
                const int left = thumb.width() / 2 + travel * pos / 100 - thumb.width() / 2;
                const QRgb centre = thumb.pixel(thumb.width() / 2, thumb.height() / 2);
                if (qAlpha(centre) == 255) {
                    EXPECT_EQ(Rgb(shown.pixel(left + thumb.width() / 2, thumb.height() / 2)), Rgb(centre))
                        << "pos " << pos << (drag ? ", dragged" : "");
                }
            }
        }
    }
    if (Has(kTransferBack) && Has(kTransferBar)) {
        sheet.Row("progress (1635 back, 1636 fill), percent text on");
        for (int pos : {0, 1, 75, 200}) {
            CSkinProgress bar(&m_page);
            bar.SetBackBitmap(kTransferBack);
            bar.SetBarBitmap(kTransferBar);
            bar.resize(200, bar.m_bmBack.height());
            bar.setFont(MakeSkinFont("Arial Bold", 8, 700));
            bar.SetRange(0, 200, false);
            bar.SetTextStyle(true, 0xFEFE);
            bar.SetPos(pos);
            sheet.Add(QString("%1 of 200").arg(pos), &bar);
            // Along a row clear of the centred percent text the bar strip's
            // frames cover the filled share, the back strip's the rest; the
            // left end is the bar's once anything is done.
            const QImage shown = Render(&bar);
            const QImage back = m_lib.LoadBitmap(kTransferBack);
            const QImage fill = m_lib.LoadBitmap(kTransferBar);
            const int fw = back.width() / 3;
            // A row where the middle frames of the two strips share no colour
            // (the middle is stretched: any of its colours may show).
            int row = -1;
            for (int y = 0; y < back.height() && row < 0; ++y) {
                if (y > 2 && y < back.height() - 3)
                    continue; // the percent text
                if (!FrameColours(fill, 1, y).intersects(FrameColours(back, 1, y)) &&
                    Rgb(fill.pixel(fw / 2, y)) != Rgb(back.pixel(fw / 2, y)))
                    row = y;
            }
            ASSERT_GE(row, 0) << "the back and bar strips must differ along a row";
            const QSet<QRgb> barColours = FrameColours(fill, 1, row);
            const QSet<QRgb> backColours = FrameColours(back, 1, row);
            EXPECT_EQ(Rgb(shown.pixel(fw / 2, row)), Rgb((pos > 0 ? fill : back).pixel(fw / 2, row))) << pos;
            // Where the fill ends, give or take the rounding.
            const int end = fw + (bar.width() - fw) * pos / 200;
            for (int x = fw + 1; x < bar.width() - fw - 1; x += 3) {
                const QRgb px = Rgb(shown.pixel(x, row));
                if (x < end - 6 && pos > 1) {
                    EXPECT_TRUE(barColours.contains(px)) << pos << " at " << x;
                }
                if (x > end + 6) {
                    EXPECT_TRUE(backColours.contains(px)) << pos << " at " << x;
                }
            }
        }
    }
    Save(sheet, "sliders.png");
}

TEST_F(Gallery, TextControls)
{
    Sheet sheet("CSkinLabel, CSkinListCtrl and the edit boxes");
    sheet.Row("labels over plate 2004: text, hover; without a body the background brush");
    {
        CSkinLabel label(&m_page);
        label.SetBitmap(0, IDB_PROMPT_LABEL);
        label.SetLabelStyle(0xFFFF00, 0xFFFFFF, 0, 0, true, 9, "Arial Bold");
        label.SetText(" Record mode");
        sheet.Add("normal", &label);
        // The plate under the text, the text in the normal colour, then in
        // the hover colour once the mouse is over it.
        const QImage plate = m_lib.LoadBitmap(IDB_PROMPT_LABEL);
        const QRgb normal = FromRef(0xFFFFFF);
        const QRgb hover = FromRef(0xFFFF00);
        const QImage before = Render(&label);
        const QRect text(0, 0, label.width() / 2, label.height());
        if (label.size() == plate.size()) {
            EXPECT_EQ(Misses(before, plate, QRect(label.width() - 8, 0, 8, label.height())), 0);
        }
        EXPECT_GT(CountNear(before, text, normal), 3);
        EXPECT_EQ(CountNear(before, text, hover, 24), 0);
        Move(&label, QPoint(4, 4));
        sheet.Add("hover", &label);
        const QImage after = Render(&label);
        EXPECT_GT(CountNear(after, text, hover, 24), 3);
        EXPECT_EQ(CountNear(after, text, normal, 24), 0);
        CSkinLabel plain(&m_page);
        plain.resize(120, 17);
        plain.SetLabelStyle(0xFFFF00, RGB(0xe6, 0xe8, 0xeb), 0, 0, true, 9, "Arial Bold");
        plain.SetText(" Camera 12");
        sheet.Add("no bitmap", &plain);
        EXPECT_GT(CountNear(Render(&plain), plain.rect(), FromRef(RGB(0xe6, 0xe8, 0xeb)), 24), 3);
    }
    sheet.Row("report list: 3 of 4 columns drawn, row 2 focused");
    {
        CSkinListCtrl list(&m_page);
        list.resize(420, 120);
        list.setHeaderHidden(true);
        const char* cols[] = {"Site", "Address", "Port", "Note"};
        const int widths[] = {120, 150, 60, 90};
        for (int c = 0; c < 4; ++c)
            list.InsertColumn(c, cols[c], widths[c]);
        const char* rows[][4] = {{" Warehouse", "192.168.1.20", "9000", "x"},
                                 {" Front gate", "10.0.0.7", "9000", "x"},
                                 {" Car park", "cam.example.net", "8000", "x"},
                                 {" Lobby", "10.0.0.9", "9000", "x"}};
        for (int r = 0; r < 4; ++r) {
            list.InsertItem(r, rows[r][0]);
            for (int c = 1; c < 4; ++c)
                list.SetItemText(r, c, QString(" ") + rows[r][c]);
        }
        list.SetStyle(3, 0x783C3C, true, 9, "Arial Bold");
        list.setCurrentItem(list.topLevelItem(2));
        sheet.Add("", &list);
        // Row 2 on the highlight, the others on the window colour; texts in
        // their colours; the fourth column left blank.
        const QImage shown = Render(&list);
        const QPoint origin = list.viewport()->mapTo(&list, QPoint(0, 0));
        auto rowArea = [&](int row, int left, int width) {
            const QRect r = list.visualItemRect(list.topLevelItem(row));
            return QRect(origin.x() + left, origin.y() + r.top(), width, r.height());
        };
        const QRgb window = FromRef(SkinColor::Window());
        const QRgb highlight = FromRef(SkinColor::Highlight());
        const QRgb ink = FromRef(0x783C3C);
        for (int row = 0; row < 4; ++row) {
            const QRect tail = rowArea(row, 100, 18); // past "Warehouse" and the like
            const QRgb ground = row == 2 ? highlight : window;
            EXPECT_EQ(CountNear(shown, tail, ground, 0), tail.width() * tail.height()) << "row " << row;
            const QRect first = rowArea(row, 0, 100);
            EXPECT_GT(CountNear(shown, first, row == 2 ? FromRef(SkinColor::HighlightText()) : ink), 3) << "row " << row;
            const QRect fourth = rowArea(row, 120 + 150 + 60 + 2, 80);
            EXPECT_EQ(CountNear(shown, fourth, ground, 0), fourth.width() * fourth.height()) << "row " << row;
        }
    }
    sheet.Row("edit boxes (text 0x783C3C): name, digits, file name");
    {
        CNameEdit name(&m_page);
        name.resize(150, 17);
        name.SetTextColor(0x783C3C);
        name.setText("Camera#1 front/left");
        sheet.Add("CNameEdit", &name);
        CDigitEdit digits(&m_page);
        digits.resize(80, 17);
        digits.SetTextColor(0x783C3C);
        digits.setText("9000 or so");
        sheet.Add("CDigitEdit", &digits);
        CFileNameEdit file(&m_page);
        file.resize(210, 17);
        file.SetTextColor(0x783C3C);
        file.setText("/home/me/clip:1?.avi");
        sheet.Add("CFileNameEdit (pasted path)", &file);
        for (QWidget* edit : std::initializer_list<QWidget*>{&name, &digits, &file})
            EXPECT_GT(CountNear(Render(edit), edit->rect(), FromRef(0x783C3C)), 3) << edit->metaObject()->className();
    }
    Save(sheet, "text.png");
}

namespace {

// A camera-like still: a sky gradient over a street, bottom-up BGR.
std::vector<BYTE> Still(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB888);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(120, 160, 200));
    sky.setColorAt(0.55, QColor(200, 210, 220));
    sky.setColorAt(0.56, QColor(70, 72, 78));
    sky.setColorAt(1, QColor(40, 42, 46));
    p.fillRect(img.rect(), sky);
    p.setBrush(QColor(150, 90, 60));
    p.setPen(Qt::NoPen);
    p.drawRect(w / 8, h / 4, w / 4, h / 3);
    p.drawRect(w * 5 / 8, h / 5, w / 5, h * 2 / 5);
    p.setBrush(QColor(230, 200, 60));
    p.drawRect(w / 2 - w / 20, h * 3 / 4, w / 10, h / 16);
    p.end();
    std::vector<BYTE> out(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uchar* src = img.constScanLine(h - 1 - y);
        BYTE* dst = out.data() + static_cast<std::size_t>(y) * w * 3;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

} // namespace

TEST_F(Gallery, AreaGrids)
{
    Sheet sheet("Area grids");
    std::array<BYTE, 1584> motionCells{};
    auto motion = [&](CMotionGridStatic& g) {
        g.resize(360, 288);
        g.LoadBitmaps();
        g.m_pCells = motionCells.data();
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 10; ++c)
                g.AddCell(c * 36, r * 36, c * 36 + 36, r * 36 + 36);
        for (int r = 2; r < 5; ++r)
            for (int c = 3; c < 7; ++c)
                g.SelectCell({c * 36, r * 36, c * 36 + 36, r * 36 + 36});
    };
    sheet.Row("CMotionGridStatic: bitmaps 2320/2321, and over a still");
    {
        CMotionGridStatic g(&m_page);
        motion(g);
        sheet.Add("no still", &g);
        // Lit cells (rows 2-4, columns 3-6) show the selection bitmap, the
        // others the back bitmap; a black line lies between the cells.
        const QImage back = m_lib.LoadBitmap(IDB_MOTION_GRID_BACK);
        const QImage lit = m_lib.LoadBitmap(IDB_MOTION_GRID_SEL);
        const QImage shown = Render(&g);
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 10; ++c) {
                const bool on = r >= 2 && r < 5 && c >= 3 && c < 7;
                const QRect inside(c * 36 + 4, r * 36 + 4, 28, 28);
                EXPECT_EQ(Misses(shown, on ? lit : back, inside), 0) << "cell " << r << ", " << c;
            }
        }
        const std::vector<BYTE> still = Still(720, 568);
        g.SetImage(nullptr, still.data(), 0, 720, 568);
        g.m_bShowStill = 1;
        sheet.Add("still 720 x 568", &g);
        // Over a still every cell shows the picture: the sky at the top, the
        // street at the bottom; a lit cell shows it tinted (less blue, more
        // red and green) against an unlit one of the same row.
        const QImage over = Render(&g);
        const QRgb sky = over.pixel(8 * 36 + 18, 2 * 36 + 18);
        const QRgb tinted = over.pixel(4 * 36 + 18, 2 * 36 + 18);
        EXPECT_GT(qBlue(sky), qRed(sky) + 20);
        EXPECT_GE(qRed(tinted), qRed(sky) + 40);
        EXPECT_LE(qBlue(tinted), qBlue(sky) - 40);
        EXPECT_LT(qGray(over.pixel(18, 7 * 36 + 18)), 90);
    }
    sheet.Row("CRegionGridStatic (NTSC 2322/2323, PAL over a still) and CScheduleGridStatic");
    {
        std::vector<BYTE> cells(16u * 89 * 73);
        std::array<BYTE, 64> bounds{};
        CRegionGridStatic ntsc(&m_page);
        ntsc.resize(356, 244);
        ntsc.LoadBitmaps();
        ntsc.m_pCells = cells.data();
        ntsc.m_pBounds = bounds.data();
        for (int r = 0; r < 61; ++r)
            for (int c = 0; c < 89; ++c)
                ntsc.AddCell(c * 4, r * 4, c * 4 + 4, r * 4 + 4);
        const GridRect band{120, 60, 260, 170};
        ntsc.Press(120, 60, &band);
        sheet.Add("NTSC, bitmaps", &ntsc);
        // The band's cells show the selection bitmap, the rest the back.
        const QImage shown = Render(&ntsc);
        const QRect inBand(140, 80, 100, 70);
        const QRect outside(10, 10, 90, 40);
        EXPECT_EQ(Misses(shown, m_lib.LoadBitmap(IDB_REGION_GRID_NTSC_SEL), inBand), 0);
        EXPECT_EQ(Misses(shown, m_lib.LoadBitmap(IDB_REGION_GRID_NTSC_BACK), outside), 0);
        EXPECT_GT(Misses(shown, m_lib.LoadBitmap(IDB_REGION_GRID_NTSC_BACK), inBand), 0);

        CRegionGridStatic pal(&m_page);
        pal.m_bPal = 1;
        pal.resize(356, 292);
        pal.LoadBitmaps();
        pal.m_pCells = cells.data();
        pal.m_pBounds = bounds.data();
        pal.m_nChannel = 1;
        for (int r = 0; r < 73; ++r)
            for (int c = 0; c < 89; ++c)
                pal.AddCell(c * 4, r * 4, c * 4 + 4, r * 4 + 4);
        pal.Press(120, 60, &band);
        const std::vector<BYTE> still = Still(356, 292);
        pal.SetImage(still.data(), 0, 356, 292);
        pal.m_bShowStill = 1;
        sheet.Add("PAL, still", &pal);
        // Over a still, the band's cells are black and the rest the picture.
        const QImage over = Render(&pal);
        EXPECT_EQ(CountNear(over, inBand, qRgb(0, 0, 0), 0), inBand.width() * inBand.height());
        EXPECT_EQ(CountNear(over, outside, qRgb(0, 0, 0), 30), 0);
    }
    sheet.Row("CScheduleGridStatic: two values (1771/1770) and record modes (1772-1775)");
    for (int mode : {0, 3}) {
        std::array<BYTE, 168> cells{};
        CScheduleGridStatic g(&m_page);
        g.resize(350, 360);
        g.LoadBitmaps(ResourceLibrary::Current(), mode);
        g.m_pCells = cells.data();
        for (int d = 0; d < 7; ++d)
            for (int h = 0; h < 24; ++h)
                g.AddCell(d * 50, h * 15, d * 50 + 50, h * 15 + 15);
        for (int d = 0; d < 7; ++d)
            for (int h = 0; h < 24; ++h) {
                const bool work = d < 5 && h >= 8 && h < 18;
                const bool night = h < 6 || h >= 22;
                int v = work ? 1 : 0;
                if (mode == 3)
                    v = work ? 1 : night ? 2 : (d >= 5 && h >= 10 && h < 16) ? 3 : 0;
                g.SetCell({d * 50, h * 15, d * 50 + 50, h * 15 + 15}, v);
            }
        sheet.Add(mode == 3 ? "mode 3: values 0-3" : "values 0-1", &g);
        // Each hour shows the bitmap of its value: Monday 10:00 work (1),
        // Sunday 10:00 nothing (0) or the weekend value (3), 02:00 night (2).
        const QImage shown = Render(&g);
        struct Probe
        {
            int day, hour, value;
        };
        const std::vector<Probe> probes =
            mode == 3 ? std::vector<Probe>{{0, 10, 1}, {6, 12, 3}, {2, 2, 2}, {6, 20, 0}}
                      : std::vector<Probe>{{0, 10, 1}, {6, 12, 0}, {2, 2, 0}};
        for (const Probe& at : probes) {
            const int id = mode == 3 ? IDB_SCHEDULE_VALUE_FIRST + at.value
                                     : (at.value ? IDB_SCHEDULE_ON : IDB_SCHEDULE_OFF);
            EXPECT_EQ(Misses(shown, m_lib.LoadBitmap(id), QRect(at.day * 50 + 5, at.hour * 15 + 3, 40, 9)), 0)
                << "mode " << mode << ", day " << at.day << " hour " << at.hour;
        }
    }
    Save(sheet, "grids.png");
}

TEST_F(Gallery, PictureAndPrompt)
{
    Sheet sheet("CPictureStatic and CNameEntryDlg");
    sheet.Row("picture static: a TIFF, a JPEG and a BMP stretched to 160 x 120");
    QTemporaryDir dir(QDir::tempPath() + "/k5-gallery-XXXXXX");
    const std::vector<BYTE> still = Still(320, 240);
    QImage img(320, 240, QImage::Format_RGB888);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const BYTE* px = still.data() + (static_cast<std::size_t>(239 - y) * 320 + x) * 3;
            img.setPixel(x, y, qRgb(px[2], px[1], px[0]));
        }
    ASSERT_TRUE(WriteTiff(dir.filePath("a.tif"), img));
    ASSERT_TRUE(img.save(dir.filePath("b.jpg"), "JPEG", 90));
    ASSERT_TRUE(img.save(dir.filePath("c.bmp"), "BMP"));
    for (const char* name : {"a.tif", "b.jpg", "c.bmp"}) {
        CPictureStatic pic(&m_page);
        pic.resize(160, 120);
        pic.LoadPicture(dir.filePath(name));
        sheet.Add(name, &pic);
    }
    sheet.Row("name-entry prompt");
    {
        CNameEntryDlg dlg(nullptr, nullptr, 255, "File name");
        dlg.Create();
        QTest::keyClicks(&dlg.m_editName, "Gate 2:night/clip");
        sheet.Add("typed \"Gate 2:night/clip\"", &dlg);
        Move(&dlg.m_btnOK, QPoint(10, 10));
        sheet.Add("OK hovered", &dlg);
    }
    Save(sheet, "picture-prompt.png");
}
