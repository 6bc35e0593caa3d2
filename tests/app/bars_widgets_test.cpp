// The transfer bar and the split bar as windows: layout, progress, Stop,
// snapping while moved, the split bar's show and auto-hide timers, its
// buttons, and offscreen renders of both.
#include "app/SplitBar.h"
#include "app/TransferBar.h"

#include "SkinBundle.h"
#include "platform/ResourceLibrary.h"
#include "ui/UiMessages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class FakeMain : public ITransferBarHost
{
public:
    bool TransferGridRect(BarRect* rect) override
    {
        if (!hasGrid)
            return false;
        *rect = grid;
        return true;
    }
    void TransferStop() override { ++stops; }

    bool hasGrid = true;
    BarRect grid{100, 200, 968, 820};
    int stops = 0;
};

// The video grid's side of the split bar.
class FakeGrid : public Wnd
{
public:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_SPLIT_SELECT)
            selected.push_back(static_cast<int>(wParam));
        return Wnd::WindowProc(msg, wParam, lParam);
    }
    std::vector<int> selected;
};

class BarsTest : public testing::Test
{
protected:
    void SetUp() override { UseBundle(); }
};

TEST_F(BarsTest, TransferBarLayoutAndProgress)
{
    FakeMain main;
    CTransferBarDlg bar(&main, nullptr);
    bar.Start(2048);
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.size(), QSize(354, 40));
    EXPECT_EQ(bar.m_btnStop.geometry(), QRect(320, 6, 28, 28));
    EXPECT_EQ(bar.m_progress.geometry().topLeft(), QPoint(20, 11));
    EXPECT_EQ(bar.m_progress.width(), 280);
    EXPECT_EQ(bar.m_progress.m_nLower, 0);
    EXPECT_EQ(bar.m_progress.m_nUpper, 2048);
    bar.SetProgress(512);
    EXPECT_EQ(bar.m_progress.m_strText, "25.0 %");
    bar.SetProgress(5000); // more than announced: held at the end
    EXPECT_EQ(bar.m_progress.m_nPos, 2048);
    EXPECT_EQ(bar.m_progress.m_strText, "100.0 %");
}

TEST_F(BarsTest, TransferOfZeroKByteShowsAndCloses)
{
    FakeMain main;
    auto* bar = new CTransferBarDlg(&main, nullptr);
    bar->Start(0);
    EXPECT_TRUE(bar->isVisible());
    bar->SetProgress(0);
    bar->SetProgress(17);
    EXPECT_EQ(bar->m_progress.m_nPos, 0);
    EXPECT_EQ(bar->m_progress.m_strText, "0.0 %");
    EXPECT_FALSE(bar->grab().isNull()); // paints without trouble
    delete bar;
}

TEST_F(BarsTest, TransferBarStopAndSnapping)
{
    FakeMain main;
    CTransferBarDlg bar(&main, nullptr);
    bar.Start(100);
    PostMessage(bar.Handle(), WM_COMMAND, MakeCommandWParam(CTransferBarDlg::kIdStop, BN_CLICKED),
                static_cast<LPARAM>(bar.m_btnStop.Handle().Id()));
    QCoreApplication::processEvents();
    EXPECT_EQ(main.stops, 1);

    EXPECT_EQ(bar.MoveBar(QPoint(119, 400)), QPoint(100, 400));
    EXPECT_EQ(bar.pos(), QPoint(100, 400));
    EXPECT_EQ(bar.MoveBar(QPoint(2000, 400)), QPoint(614, 400));
    EXPECT_EQ(bar.pos(), QPoint(614, 400));
    // Without a grid the bar goes where it is moved.
    main.hasGrid = false;
    EXPECT_EQ(bar.MoveBar(QPoint(2000, 400)), QPoint(2000, 400));
}

TEST_F(BarsTest, SplitBarShowsThenHidesByItsTimers)
{
    FakeGrid grid;
    auto* bar = new CSplitSelectDlg(&grid);
    bar->Create();
    bar->resize(350, 44);
    bar->PopupAt(0, 0, 1280, 1024, 150);
    EXPECT_TRUE(bar->isWindow());
    EXPECT_EQ(bar->parentWidget(), &grid);
    EXPECT_EQ(bar->pos(), QPoint(465, 980));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(bar->HasTimer(CSplitSelectDlg::kTimerFirstShow));

    // First show, 100 ms after creation: shown, and the 4 s hide runs.
    bar->OnTimer(CSplitSelectDlg::kTimerFirstShow);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->HasTimer(CSplitSelectDlg::kTimerFirstShow));
    EXPECT_TRUE(bar->HasTimer(CSplitSelectDlg::kTimerAutoHide));

    bar->OnTimer(CSplitSelectDlg::kTimerAutoHide);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(bar->HasTimer(CSplitSelectDlg::kTimerAutoHide));

    // Shown again on request, hidden on request.
    bar->ShowAutoHide(1);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->HasTimer(CSplitSelectDlg::kTimerAutoHide));
    bar->ShowAutoHide(1); // while visible: the period starts again
    EXPECT_TRUE(bar->HasTimer(CSplitSelectDlg::kTimerAutoHide));
    bar->ShowAutoHide(0);
    EXPECT_FALSE(bar->isVisible());
    delete bar;
}

TEST_F(BarsTest, SplitBarButtonsTellTheGrid)
{
    FakeGrid grid;
    CSplitSelectDlg bar(&grid);
    bar.Create();
    for (int i = 0; i < 10; ++i) {
        const int id = 400 + i;
        EXPECT_EQ(bar.Button(id).GetDlgCtrlID(), id);
        EXPECT_EQ(bar.Button(id).geometry(), QRect(4 + 34 * i, 4, 34, 34)) << id;
    }
    // Member order is the reverse of the ids.
    EXPECT_EQ(bar.m_btnSplit[0].GetDlgCtrlID(), 409);
    EXPECT_EQ(bar.m_btnSplit[9].GetDlgCtrlID(), 400);

    for (int id : {401, 409, 400})
        PostMessage(bar.Handle(), WM_COMMAND, MakeCommandWParam(id, BN_CLICKED),
                    static_cast<LPARAM>(bar.Button(id).Handle().Id()));
    bar.OnSplitButton(410); // not a button of the bar
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.selected, (std::vector<int>{401, 409, 400}));
}

// Esc makes the grid destroy the bar; the bar's click handling must be over by then.
TEST_F(BarsTest, GridMayDeleteTheBarOnItsSelection)
{
    struct DeletingGrid : Wnd
    {
        CSplitSelectDlg* bar = nullptr;
        LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
        {
            if (msg == WM_SPLIT_SELECT && wParam == 409) {
                delete bar;
                bar = nullptr;
            }
            return Wnd::WindowProc(msg, wParam, lParam);
        }
    } grid;
    grid.bar = new CSplitSelectDlg(&grid);
    grid.bar->Create();
    grid.bar->OnSplitButton(409);
    EXPECT_NE(grid.bar, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.bar, nullptr);
}

TEST_F(BarsTest, RenderToPng)
{
    FakeMain main;
    CTransferBarDlg transfer(&main, nullptr);
    transfer.Start(4096);
    transfer.SetProgress(1536);
    EXPECT_TRUE(transfer.grab().toImage().save(RenderDir() + "/transfer_bar.png"));

    FakeGrid grid;
    CSplitSelectDlg split(&grid);
    split.Create();
    split.resize(350, 44);
    split.Button(401).SetState(1); // the chosen layout
    EXPECT_TRUE(split.grab().toImage().save(RenderDir() + "/split_bar.png"));
}

} // namespace
