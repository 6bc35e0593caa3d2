// The list and slider pop-ups: their arithmetic (cells, rows, strips,
// placement, -/+ limits), what they report to their host and when, and a
// render of each; and the row rule of the per-channel pages.
#include "TestSupport.h"

#include "ui/ChannelRows.h"
#include "ui/ListPickerPopup.h"
#include "ui/PickerLayout.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using namespace uitest;

namespace {

struct Pick
{
    QWidget* owner;
    int item;
    int v1, v2, v3;
};

class FakeHost : public IPickerHost
{
public:
    void OnListPicked(QWidget* o, int item, int index) override { lists.push_back({o, item, index, 0, 0}); }
    void OnSliderPicked(QWidget* o, int item, int a, int b, int c) override
    {
        sliders.push_back({o, item, a, b, c});
    }
    void OnPickerGone(Wnd* p) override { gone.push_back(p); }
    std::vector<Pick> lists, sliders;
    std::vector<Wnd*> gone;
};

std::unique_ptr<ListPickerRequest> ListRequest(int count, int width, PickerRect anchor = {500, 300, 600, 320},
                                               int clickX = 10, int clickY = 5)
{
    auto r = std::make_unique<ListPickerRequest>();
    std::memset(r.get(), 0, sizeof *r);
    r->Count = count;
    for (int i = 0; i < std::min(count, ListPickerRequest::kMaxItems); ++i)
        SetListPickerItem(*r, i, QString("Item %1").arg(i).toLatin1().constData());
    r->AnchorRect = anchor;
    r->ClickX = clickX;
    r->ClickY = clickY;
    r->Width = width;
    return r;
}

SliderPickerRequest SliderRequest(int count, int v1, int v2, int v3, int width = 330)
{
    SliderPickerRequest r{};
    r.Count = count;
    r.Value1 = v1;
    r.Value2 = v2;
    r.Value3 = v3;
    r.AnchorRect = {100, 100, 200, 120};
    r.ClickX = 50;
    r.ClickY = 5;
    r.Width = width;
    return r;
}

class PickerWidgets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_lib.Load(K5_BINARY_DIR "/bin/MiraRes.rcc")) << "the bundle is built before the tests";
        m_previous = &ResourceLibrary::Current();
        ResourceLibrary::SetCurrent(&m_lib);
    }
    void TearDown() override
    {
        Pump();
        ResourceLibrary::SetCurrent(m_previous);
    }
    static void SaveRender(QWidget* w, const QString& name)
    {
        const QString dir = QStringLiteral(K5_BINARY_DIR "/renders");
        QDir().mkpath(dir);
        EXPECT_TRUE(Render(w).save(dir + "/" + name));
    }
    ResourceLibrary m_lib;
    ResourceLibrary* m_previous = nullptr;
    FakeHost host;
    Wnd owner;
};

} // namespace

// ---------------------------------------------------------------------------
// Arithmetic

TEST(PickerLayout, OpensCentredOnTheClickOnePixelBelow)
{
    // 2 items, one column, 180 wide, clicked at (10, 5) in a control at (500, 300).
    const int h = ListPickerRows(2, 0) * kPickerRowHeight;
    EXPECT_EQ(h, 42);
    const QPoint at = PickerPlacement({500, 300, 600, 320}, 10, 5, 180, h + 10, QRect(0, 0, 1920, 1080));
    EXPECT_EQ(at, QPoint(421, 306));
    EXPECT_EQ(h + 10, 52);
}

TEST(PickerLayout, PlacementStaysInsideTheScreen)
{
    struct Case
    {
        PickerRect anchor;
        int clickX, clickY, w, h;
        QPoint expected;
    } cases[] = {
        {{0, 0, 50, 20}, 5, 5, 180, 52, QPoint(0, 6)},               // would start left of the screen
        {{1900, 100, 1920, 120}, 10, 5, 180, 52, QPoint(1740, 106)}, // would end right of it
        {{600, 1060, 700, 1080}, 10, 5, 180, 52, QPoint(521, 1028)}, // would end below it
        {{2000, 100, 2100, 120}, 10, 5, 180, 52, QPoint(1921, 106)}, // second screen beside the first
        {{1925, 100, 1960, 120}, 5, 5, 180, 52, QPoint(1920, 106)},  // held at its left edge
    };
    for (const Case& c : cases) {
        const QRect screen = c.anchor.left >= 1920 ? QRect(1920, 0, 1280, 1024) : QRect(0, 0, 1920, 1080);
        EXPECT_EQ(PickerPlacement(c.anchor, c.clickX, c.clickY, c.w, c.h, screen), c.expected)
            << c.anchor.left << "," << c.anchor.top;
    }
}

TEST(PickerLayout, CountsAreHeldToThirtyOneCells)
{
    struct Case
    {
        int count, columns, shown, rows;
    } cases[] = {
        {0, 0, 0, 0}, {2, 0, 2, 2}, {31, 0, 31, 31}, {64, 0, 31, 31}, {-5, 0, 0, 0},
        {7, 1, 7, 2}, {8, 1, 8, 2}, {9, 1, 9, 3},    {100, 1, 31, 8}, {1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        const int shown = ListPickerShownCount(c.count);
        EXPECT_EQ(shown, c.shown) << c.count;
        EXPECT_EQ(ListPickerRows(shown, c.columns), c.rows) << c.count << " columns " << c.columns;
    }
}

TEST(PickerLayout, FourColumnCellsAndStrips)
{
    // Width 300: g = (300 - 13) / 4 = 71. Item 5 is column 1 of row 1.
    const int w = 300;
    EXPECT_EQ(ListPickerCellRect(5, w, 1), QRect(72 + 13, 21 + 9, 71 - 16, 14));
    const PickerStrip s = ListPickerStripRect(5, w, 1);
    EXPECT_EQ(s[0].Rect(), QRect(72 + 5, 26, 5, 21));
    EXPECT_EQ(s[1].Rect(), QRect(72 + 10, 26, 71 - 11, 21));
    EXPECT_EQ(s[2].left, 72 + 71 - 1);
    EXPECT_EQ(s[2].right, 72 + 71 + 5);
    EXPECT_FALSE(s[0].stretch);
    EXPECT_TRUE(s[1].stretch);
    // One column: cell at (w / 4, 9 + 21i), w x 5 / 8 wide; strip 5 .. w - 5.
    EXPECT_EQ(ListPickerCellRect(2, 180, 0), QRect(45, 51, 112, 14));
    const PickerStrip one = ListPickerStripRect(2, 180, 0);
    EXPECT_EQ(one[0].left, 5);
    EXPECT_EQ(one[1].right, 169);
    EXPECT_EQ(one[2].right, 175);
    EXPECT_EQ(one[0].top, 47);
}

TEST(PickerLayout, FramePiecesSurroundTheContent)
{
    const auto p = PickerFramePieces(180, 42);
    EXPECT_EQ(p[0].Rect(), QRect(0, 0, 5, 5));
    EXPECT_EQ(p[4].Rect(), QRect(5, 5, 170, 42));
    EXPECT_EQ(p[8].Rect(), QRect(175, 47, 5, 5));
    EXPECT_FALSE(p[2].stretch);
    EXPECT_TRUE(p[7].stretch);
}

TEST(PickerLayout, MinusAndPlusStopAtTheLimits)
{
    struct Case
    {
        int pos, min, max, minus, plus;
    } cases[] = {
        {5, 1, 999, 4, 6}, {1, 1, 999, 1, 2}, {999, 1, 999, 998, 999}, {0, 0, 99, 0, 1}, {99, 0, 99, 98, 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SliderPickerMinus(c.pos, c.min), c.minus) << c.pos;
        EXPECT_EQ(SliderPickerPlus(c.pos, c.max), c.plus) << c.pos;
    }
}

// ---------------------------------------------------------------------------
// Row rule

TEST(ChannelRowsRule, EditReachesCheckedRowsOnlyFromACheckedRow)
{
    ChannelRows rows(16);
    rows.SetChecked(1, true);
    rows.SetChecked(3, true);
    rows.SetChecked(4, true);
    EXPECT_EQ(rows.Targets(3), (std::vector<int>{3, 1, 4}));
    EXPECT_EQ(rows.Targets(2), (std::vector<int>{2}));
    rows.ClearAll();
    EXPECT_EQ(rows.Targets(3), (std::vector<int>{3}));
}

TEST(ChannelRowsRule, FourChannelsHideAndProtectTheOtherRows)
{
    ChannelRows rows(4);
    rows.CheckAll();
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(rows.IsShown(r), r < 4) << r;
        EXPECT_EQ(rows.IsChecked(r), r < 4) << r;
    }
    rows.SetChecked(7, true);
    EXPECT_FALSE(rows.IsChecked(7));
    EXPECT_EQ(rows.Targets(1), (std::vector<int>{1, 0, 2, 3}));
    EXPECT_TRUE(rows.Targets(9).empty());
    EXPECT_TRUE(rows.Targets(-1).empty());
    std::vector<int> applied;
    rows.Apply(0, [&](int r) { applied.push_back(r); });
    EXPECT_EQ(applied, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(ChannelRows(40).Count(), 16);
    EXPECT_EQ(ChannelRows(-2).Count(), 0);
}

// ---------------------------------------------------------------------------
// Pop-ups

TEST_F(PickerWidgets, ListCellClickReportsOnceAndCloses)
{
    auto req = ListRequest(2, 180);
    QPointer<CListPickerPopup> popup = new CListPickerPopup(&owner, 7, req.get(), 0);
    ASSERT_TRUE(popup->Create(&host));
    EXPECT_EQ(popup->size(), QSize(180, 52));
    EXPECT_TRUE(popup->isWindow());
    EXPECT_TRUE(popup->m_cells[1].isVisible());
    EXPECT_FALSE(popup->m_cells[2].isVisible());
    EXPECT_EQ(popup->m_cells[1].GetWindowText(), "Item 1");
    Press(&popup->m_cells[1], QPoint(3, 3));
    ASSERT_EQ(host.lists.size(), 1u);
    EXPECT_EQ(host.lists[0].owner, &owner);
    EXPECT_EQ(host.lists[0].item, 7);
    EXPECT_EQ(host.lists[0].v1, 1);
    ASSERT_EQ(host.gone.size(), 1u);
    // A second click on the dying pop-up reports nothing more.
    popup->OnCellClicked(0);
    EXPECT_EQ(host.lists.size(), 1u);
    Pump();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull());
}

TEST_F(PickerWidgets, ListClosedOtherwiseReportsNothing)
{
    auto req = ListRequest(3, 150);
    auto* popup = new CListPickerPopup(&owner, 1, req.get(), 0);
    ASSERT_TRUE(popup->Create(&host));
    PostMessage(popup->Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(host.lists.empty());
    EXPECT_EQ(host.gone.size(), 1u);
}

TEST_F(PickerWidgets, ListBoundsOversizedAndUnterminatedRequests)
{
    // 100 items in four columns: 31 cells, 8 rows; item 0 fills its 260 bytes.
    auto req = ListRequest(100, 400);
    std::memset(req->Items[0], 'A', ListPickerRequest::kItemSize);
    auto* popup = new CListPickerPopup(&owner, 2, req.get(), 1);
    ASSERT_TRUE(popup->Create(&host));
    EXPECT_EQ(popup->ShownCount(), 31);
    EXPECT_EQ(popup->height(), 8 * 21 + 10);
    EXPECT_EQ(popup->ItemText(0).size(), 260);
    for (int i = 0; i < 31; ++i)
        EXPECT_TRUE(popup->m_cells[i].isVisible()) << i;
    // An index the pop-up does not show is not reported.
    popup->OnCellClicked(31);
    popup->OnCellClicked(-1);
    EXPECT_TRUE(host.lists.empty());
    SaveRender(popup, "picker_list_four_columns.png");
    popup->DestroyWindow();

    auto negative = ListRequest(0, 150);
    negative->Count = -3;
    auto* empty = new CListPickerPopup(&owner, 3, negative.get(), 0);
    ASSERT_TRUE(empty->Create(&host));
    EXPECT_EQ(empty->height(), 10);
    EXPECT_EQ(empty->ShownCount(), 0);
    empty->DestroyWindow();
}

TEST_F(PickerWidgets, ListPickForAGoneOwnerCarriesNoOwner)
{
    auto* page = new Wnd;
    auto req = ListRequest(2, 180);
    auto* popup = new CListPickerPopup(page, 4, req.get(), 0);
    ASSERT_TRUE(popup->Create(&host));
    delete page;
    popup->OnCellClicked(0);
    ASSERT_EQ(host.lists.size(), 1u);
    EXPECT_EQ(host.lists[0].owner, nullptr);
}

TEST_F(PickerWidgets, ListRenders)
{
    auto req = ListRequest(5, 180);
    auto* popup = new CListPickerPopup(&owner, 0, req.get(), 0);
    ASSERT_TRUE(popup->Create(&host));
    const QImage img = Render(popup);
    // The strip of row 0 is drawn, and the frame around it.
    EXPECT_NE(Pixel(img, 7, 15), Pixel(img, 2, 15));
    SaveRender(popup, "picker_list.png");
    popup->DestroyWindow();
}

TEST_F(PickerWidgets, SliderNumberModeStepsAndReportsOnDestruction)
{
    const SliderPickerRequest req = SliderRequest(1, 998, 1, 999);
    auto* popup = new CSliderPickerPopup(&owner, 9, &req, 0);
    ASSERT_TRUE(popup->Create(&host));
    EXPECT_EQ(popup->size(), QSize(330, 31));
    EXPECT_TRUE(popup->m_labels[6].isVisible());
    EXPECT_FALSE(popup->m_labels[0].isVisible());
    popup->OnPlus();
    popup->OnPlus(); // already at the maximum
    EXPECT_EQ(popup->Result(0), 999);
    EXPECT_EQ(popup->m_labels[3].GetWindowText(), "999");
    EXPECT_TRUE(host.sliders.empty());
    SaveRender(popup, "picker_slider_number.png");
    popup->DestroyWindow();
    ASSERT_EQ(host.sliders.size(), 1u);
    EXPECT_EQ(host.sliders[0].item, 9);
    EXPECT_EQ(host.sliders[0].v1, 999);
    EXPECT_EQ(host.sliders[0].v2, 1);
    EXPECT_EQ(host.sliders[0].v3, 999);
    popup->DestroyWindow();
    EXPECT_EQ(host.sliders.size(), 1u);
}

TEST_F(PickerWidgets, SliderKeepsTheRequestValueUntilMoved)
{
    // The start value lies outside the range: the slider shows it clamped,
    // the result stays the request's value.
    const SliderPickerRequest req = SliderRequest(1, 150, 0, 99);
    auto* popup = new CSliderPickerPopup(&owner, 1, &req, 0);
    ASSERT_TRUE(popup->Create(&host));
    EXPECT_EQ(popup->m_sliders[0].GetPos(), 99);
    popup->OnMinus();
    EXPECT_EQ(popup->Result(0), 98);
    popup->DestroyWindow();
    EXPECT_EQ(host.sliders.at(0).v1, 98);

    auto* untouched = new CSliderPickerPopup(&owner, 2, &req, 0);
    ASSERT_TRUE(untouched->Create(&host));
    untouched->DestroyWindow();
    EXPECT_EQ(host.sliders.at(1).v1, 150);
}

TEST_F(PickerWidgets, SliderDragStillQueuedCountsAtDestruction)
{
    const SliderPickerRequest req = SliderRequest(3, 10, 20, 30, 358);
    auto* popup = new CSliderPickerPopup(&owner, 5, &req, 1);
    ASSERT_TRUE(popup->Create(&host));
    EXPECT_EQ(popup->m_sliders[0].m_nMax, 23);
    EXPECT_EQ(popup->m_sliders[2].m_nMax, 59);
    EXPECT_TRUE(popup->m_labels[2].isVisible());
    EXPECT_FALSE(popup->m_labels[6].isVisible());
    SaveRender(popup, "picker_slider_time.png");
    // A drag on the minutes slider, its message not delivered yet.
    CSkinSlider& minutes = popup->m_sliders[1];
    Press(&minutes, QPoint(minutes.width() - 1, 4));
    Release(&minutes, QPoint(minutes.width() - 1, 4));
    popup->DestroyWindow();
    ASSERT_EQ(host.sliders.size(), 1u);
    EXPECT_EQ(host.sliders[0].v1, 10);
    EXPECT_GT(minutes.GetPos(), 50);
    EXPECT_EQ(host.sliders[0].v2, minutes.GetPos());
    EXPECT_EQ(host.sliders[0].v3, 30);
}

TEST_F(PickerWidgets, EscClosesAPopup)
{
    auto req = ListRequest(2, 180);
    auto* popup = new CListPickerPopup(&owner, 0, req.get(), 0);
    ASSERT_TRUE(popup->Create(&host));
    SendMessage(popup->Handle(), WM_COMMAND, 2, 0);
    EXPECT_TRUE(popup->IsDestroyed());
    EXPECT_TRUE(host.lists.empty());
}
