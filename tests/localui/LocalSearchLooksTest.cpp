// What the operator sees of the local search window, shown offscreen: its
// shape, and the connection log and information lists' rows.
#include "../WindowPixels.h"
#include "LocalWindowFixture.h"

#include "local/LocalLogPages.h"
#include "net/ConnectLog.h"
#include "platform/Skin.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

void ExpectNoHeaderStrip(CSkinListCtrl& list)
{
    EXPECT_FALSE(list.header()->isVisible());
    EXPECT_EQ(list.viewport()->geometry().top(), 0);
    ASSERT_GT(list.GetItemCount(), 0);
    EXPECT_EQ(list.visualItemRect(list.topLevelItem(0)).top(), 0);
}

} // namespace

TEST_F(LocalWindowTest, TheShownWindowHasNoKeyColourPixel)
{
    auto dlg = std::make_unique<CLocalSearchDlg>(&main, 200);
    dlg->Create();
    dlg->show();
    QApplication::processEvents();
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(KeyPixels(OperatorView(*dlg)), 0);
    for (const QPoint corner : {QPoint(0, 0), QPoint(617, 0), QPoint(0, 545), QPoint(617, 545)})
        EXPECT_FALSE(dlg->mask().contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(dlg->mask().contains(QPoint(309, 273)));
    EXPECT_NEAR(dlg->windowOpacity(), 200 / 255.0, 0.01);
}

TEST_F(LocalWindowTest, ConnectionLogKindsReadRightFitTheirColumnAndNoHeaderStrip)
{
    // One record of every kind the client writes.
    std::string bytes;
    MemoryConnectLogStorage storage(bytes);
    const std::uint32_t kinds[][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {2, 4}, {4, 1}, {4, 2}, {8, 1}, {8, 2}};
    for (const auto& k : kinds) {
        ConnectLogRecord r;
        r.size = kConnectLogRecordSize;
        r.type = k[0];
        r.subtype = k[1];
        r.time = 1262217600;
        std::snprintf(r.user, sizeof r.user, "admin");
        std::snprintf(r.address, sizeof r.address, "127.0.0.1:9000");
        ASSERT_TRUE(AppendConnectLogRecord(storage, r));
    }
    std::filesystem::create_directories(main.location + "/Log");
    std::ofstream(main.location + "/Log/KOLA5500.log", std::ios::binary | std::ios::trunc) << bytes;

    auto dlg = Open();
    dlg->show();
    ClickWidget(&dlg->m_btnLog, QPoint(30, 30));
    auto* page = dynamic_cast<CLocalLogPage*>(dlg->Page(LocalSlot::Log));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->isVisible());
    CSkinListCtrl& list = page->m_lstLog;
    ASSERT_EQ(list.GetItemCount(), 9);
    EXPECT_EQ(list.columnWidth(2), 120);
    const QFontMetrics metrics(list.m_font);
    std::set<QString> texts;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const QString kind = list.GetItemText(row, 2);
        EXPECT_FALSE(kind.trimmed().isEmpty()) << row;
        EXPECT_LE(metrics.horizontalAdvance(kind), list.columnWidth(2)) << kind.toStdString();
        texts.insert(kind);
    }
    EXPECT_EQ(texts.size(), 9u) << "every kind reads apart";
    // Connection events are named as such, not by the recorder log's setup
    // operations that once shared their texts.
    // Newest first: rows 4, 5 and 6 are the records (2, 4), (2, 2), (2, 1).
    EXPECT_EQ(list.GetItemText(6, 2).trimmed(), "Login");
    EXPECT_EQ(list.GetItemText(5, 2).trimmed(), "Disconnected");
    EXPECT_EQ(list.GetItemText(4, 2).trimmed(), "Connect Failed");
    ExpectNoHeaderStrip(list);

    ClickWidget(&dlg->m_btnInfo, QPoint(30, 30));
    auto* info = dynamic_cast<CLocalInfoPage*>(dlg->Page(LocalSlot::Info));
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(info->isVisible());
    ExpectNoHeaderStrip(info->m_lstInfo);
}
