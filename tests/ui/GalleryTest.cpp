// Renders every control of the kit in each of its states, drawn from the
// real resource bundle, into PNG sheets under the build tree's gallery/
// folder for a reviewer to look at.
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

} // namespace

TEST_F(Gallery, Buttons)
{
    Sheet sheet("Skinned buttons");
    if (Has(kStopButton)) {
        sheet.Row("CSkinButton (a picture strip; bitmap 1625)");
        const int frames = m_lib.LoadBitmap(kStopButton).width() / 28;
        for (int s = 0; s < std::min(frames, 8); ++s) {
            CSkinButton b(&m_page);
            b.SetBitmap(kStopButton);
            b.resize(28, 28);
            b.SetState(s);
            sheet.Add(StateName(s), &b);
        }
    }
    sheet.Row("CSkinTextButton (bitmap 2009, the prompts' OK)");
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
    }
    {
        CSkinTextButton b(&m_page);
        b.SetBitmap(IDB_PROMPT_BUTTON);
        b.resize(100, 27);
        WhiteCaptions(b);
        b.SetText(12, "Left text", false);
        sheet.Add("margin 12, left", &b);
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
    sheet.Row("setup slider (1695 channel, 1696 active), range 0-100");
    for (int pos : {0, 30, 75, 100}) {
        CSkinSlider s(&m_page);
        s.SetChannelBitmaps(IDB_SETUP_SLIDER_CHANNEL, IDB_SETUP_SLIDER_ACTIVE, false, 0, 0, 0);
        s.SetPos(pos);
        if (pos == 75)
            s.m_bHasFocus = 1;
        sheet.Add(QString("pos %1%2").arg(pos).arg(pos == 75 ? ", focus" : ""), &s);
    }
    sheet.Row("short setup slider (1697 channel, 1698 active), range 100-255");
    for (int pos : {100, 180, 255}) {
        CSkinSlider s(&m_page);
        s.SetChannelBitmaps(IDB_SETUP_SLIDER_SHORT_CHANNEL, IDB_SETUP_SLIDER_SHORT_ACTIVE, false, 0, 0, 0);
        s.SetRange(100, 255, false);
        s.SetPos(pos);
        sheet.Add(QString("pos %1").arg(pos), &s);
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
        Move(&label, QPoint(4, 4));
        sheet.Add("hover", &label);
        CSkinLabel plain(&m_page);
        plain.resize(120, 17);
        plain.SetLabelStyle(0xFFFF00, RGB(0xe6, 0xe8, 0xeb), 0, 0, true, 9, "Arial Bold");
        plain.SetText(" Camera 12");
        sheet.Add("no bitmap", &plain);
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
        const std::vector<BYTE> still = Still(720, 568);
        g.SetImage(nullptr, still.data(), 0, 720, 568);
        g.m_bShowStill = 1;
        sheet.Add("still 720 x 568", &g);
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
