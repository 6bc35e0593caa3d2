// The Log and Info tabs' pages: the connection log as the main window writes
// it, listed newest first and printed; damaged headers; the version row.
#include "LocalWindowFixture.h"

#include "../PdfTools.h"
#include "local/LocalLogPages.h"
#include "local/LocalMenus.h"
#include "local/ResIds.h"
#include "net/ConnectLog.h"
#include "platform/System.h"

#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::uint32_t kLastDayOf2009 = 1262217600; // 2009-12-31 00:00:00

void WriteBytes(const std::string& location, const std::string& bytes)
{
    std::filesystem::create_directories(location + "/Log");
    std::ofstream(location + "/Log/KOLA5500.log", std::ios::binary | std::ios::trunc) << bytes;
}

// `count` records appended through the ring's own writer; record i at time base + i.
void WriteRing(const std::string& location, int count, std::uint32_t type = 4)
{
    std::string bytes;
    MemoryConnectLogStorage storage(bytes);
    for (int i = 0; i < count; ++i) {
        ConnectLogRecord r;
        r.size = kConnectLogRecordSize;
        r.type = type;
        r.subtype = 1;
        r.time = kLastDayOf2009 + static_cast<std::uint32_t>(i);
        std::snprintf(r.user, sizeof r.user, "user%d", i + 1);
        std::snprintf(r.address, sizeof r.address, "host%d", i + 1);
        ASSERT_TRUE(AppendConnectLogRecord(storage, r));
    }
    WriteBytes(location, bytes);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t v)
{
    for (int b = 0; b < 4; ++b)
        bytes[at + static_cast<std::size_t>(b)] = static_cast<char>((v >> (8 * b)) & 0xFF);
}

CLocalLogPage* LogPage(CLocalSearchDlg& dlg)
{
    return dynamic_cast<CLocalLogPage*>(dlg.Page(LocalSlot::Log));
}

QString Cell(const CLocalLogPage& page, int row, int column)
{
    return page.m_lstLog.GetItemText(row, column);
}

} // namespace

TEST_F(LocalWindowTest, LogPageListsThreeRecordsNewestFirstAndUsesTheBytesOnce)
{
    WriteRing(main.location, 3);
    auto dlg = Open();
    dlg->ShowLogMenu();
    CLocalLogPage* page = LogPage(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->geometry(), QRect(197, 83, 403, 417));
    ASSERT_EQ(page->m_lstLog.GetItemCount(), 3);
    EXPECT_EQ(page->m_lstLog.columnCount(), 5);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(*page, row, 0), QString::asprintf("%04d", 3 - row));
        EXPECT_EQ(Cell(*page, row, 1), QString::asprintf("2009-12-31 00:00:%02d", 2 - row));
    }
    EXPECT_EQ(dlg->m_nLogRecordCount, 3);
    EXPECT_EQ(dlg->m_nLogLength, 0u) << "parsed once; the next view loads the file again";
    EXPECT_TRUE(dlg->LogBuffer().empty());

    // A log that is gone by the next visit lists nothing (never a stale count).
    std::filesystem::remove(main.location + "/Log/KOLA5500.log");
    dlg->ShowInfoMenu();
    dlg->ShowLogMenu();
    page = LogPage(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(dlg->m_nLogRecordCount, 0);
    EXPECT_EQ(page->m_lstLog.GetItemCount(), 0);
}

TEST_F(LocalWindowTest, LogPageOfAWrappedRingStartsAtTheSlotBeforeTheNextIndex)
{
    // 2510 records: the ring wrapped and the next record goes to slot 10.
    WriteRing(main.location, kConnectLogSlots + 10);
    auto dlg = Open();
    dlg->ShowLogMenu();
    CLocalLogPage* page = LogPage(*dlg);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->m_lstLog.GetItemCount(), kConnectLogSlots);
    // Slot 9 holds the newest record (the 2510th), slot 10 the oldest kept (the 11th).
    EXPECT_EQ(Cell(*page, 0, 0), "2500");
    EXPECT_EQ(dlg->m_arrLogRecord.back().index, 9u);
    EXPECT_EQ(Cell(*page, 0, 1), "2009-12-31 00:41:49");
    EXPECT_EQ(Cell(*page, kConnectLogSlots - 1, 0), "0001");
    EXPECT_EQ(dlg->m_arrLogRecord.front().index, 10u);
    EXPECT_EQ(Cell(*page, kConnectLogSlots - 1, 1), "2009-12-31 00:00:10");
}

TEST_F(LocalWindowTest, LogPageDateFormatsAndKindColumns)
{
    std::string bytes;
    MemoryConnectLogStorage storage(bytes);
    struct
    {
        std::uint32_t type, subtype;
    } const records[] = {{2, 1}, {4, 1}, {4, 2}, {16, 1}, {1, 8}};
    for (const auto& k : records) {
        ConnectLogRecord r;
        r.size = kConnectLogRecordSize;
        r.type = k.type;
        r.subtype = k.subtype;
        r.time = kLastDayOf2009 + 13 * 3600;
        std::strcpy(r.user, "admin");
        std::strcpy(r.address, "127.0.0.1:9000");
        ASSERT_TRUE(AppendConnectLogRecord(storage, r));
    }
    WriteBytes(main.location, bytes);
    const struct
    {
        int format;
        const char* text;
    } formats[] = {{0, "2009-12-31 13:00:00"}, {1, "12-31-2009 13:00:00"}, {2, "31-12-2009 13:00:00"}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.format);
        main.dateFormat = f.format;
        auto dlg = Open();
        dlg->ShowLogMenu();
        CLocalLogPage* page = LogPage(*dlg);
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->m_lstLog.GetItemCount(), 5);
        EXPECT_EQ(Cell(*page, 4, 1), f.text);
    }
    auto dlg = Open();
    dlg->ShowLogMenu();
    CLocalLogPage* page = LogPage(*dlg);
    ASSERT_NE(page, nullptr);
    const QString playStart = QString::fromStdString(" " + dlg->PageText(5365));
    const QString playEnd = QString::fromStdString(" " + dlg->PageText(5366));
    // Newest first: {1,8} (no listed subtype), {16,1}, 4/2, 4/1, 2/1.
    const struct
    {
        int row;
        QString kind, user, text;
    } expected[] = {
        {0, "", "", ""},
        {1, "", "", ""},
        {2, playEnd, "", ""},
        {3, playStart, "", ""},
        {4, QString::fromStdString(" " + dlg->PageText(IDS_LOCAL_LOG_LOGIN)), "admin", "127.0.0.1:9000"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.row);
        EXPECT_EQ(Cell(*page, e.row, 2), e.kind);
        EXPECT_EQ(Cell(*page, e.row, 3), e.user);
        EXPECT_EQ(Cell(*page, e.row, 4), e.text);
    }
    EXPECT_FALSE(playStart.trimmed().isEmpty());
}

// What the file's header and first record claim is not trusted: a next index
// past the ring, a record size of 0 or of another value.
TEST_F(LocalWindowTest, LogPageOfDamagedHeadersReadsOnlyTheRecordsInTheFile)
{
    const struct
    {
        const char* name;
        std::uint32_t wrapped, next, firstSize;
        int records;
        int newest, oldest; // seconds of the first and last row's time
    } cases[] = {
        {"wrapped with next 2500", 1, 2500, 184, 5, 4, 0},
        {"wrapped with next far past the ring", 1, 0xFFFFFFF0u, 184, 5, 4, 0},
        {"record size 0", 0, 5, 0, 5, 4, 0},
        {"record size 8", 0, 5, 8, 5, 4, 0},
        {"wrapped at 3, record size past the file", 1, 3, 0x7FFFFFFF, 5, 2, 3},
        {"header only", 0, 0, 184, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes(static_cast<std::size_t>(kConnectLogHeaderSize + c.records * kConnectLogRecordSize),
                          '\0');
        Put32(bytes, 0, c.wrapped);
        Put32(bytes, 4, c.next);
        for (int i = 0; i < c.records; ++i) {
            const std::size_t at =
                static_cast<std::size_t>(kConnectLogHeaderSize + i * kConnectLogRecordSize);
            Put32(bytes, at, static_cast<std::uint32_t>(i));
            Put32(bytes, at + 4, i == 0 ? c.firstSize : 184u);
            Put32(bytes, at + 8, 4);
            Put32(bytes, at + 12, 1);
            Put32(bytes, at + 16, kLastDayOf2009 + static_cast<std::uint32_t>(i));
        }
        WriteBytes(main.location, bytes);
        auto dlg = Open();
        dlg->ShowLogMenu();
        CLocalLogPage* page = LogPage(*dlg);
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->m_lstLog.GetItemCount(), c.records) << "only the records the file holds";
        if (c.records == 0)
            continue;
        // Records at 184-byte steps whatever the size field says.
        EXPECT_EQ(Cell(*page, 0, 1), QString::asprintf("2009-12-31 00:00:%02d", c.newest));
        EXPECT_EQ(Cell(*page, c.records - 1, 1), QString::asprintf("2009-12-31 00:00:%02d", c.oldest));
    }
}

TEST_F(LocalWindowTest, LogPagePrintsThirtyFourRecordsOnTwoPages)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("local-log.pdf"));
    CLogPrint::SetPrinterFactory([path] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return printer;
    });
    WriteRing(main.location, 34, 2);
    auto dlg = Open();
    dlg->ShowLogMenu();
    CLocalLogPage* page = LogPage(*dlg);
    ASSERT_NE(page, nullptr);
    ClickWidget(&page->m_btnPrint);
    ASSERT_TRUE(WaitFor([&] { return page->m_print.m_nPageCount == 2; }));
    CLogPrint::SetPrinterFactory({});
    ASSERT_EQ(pdftools::Pages(path), 2);
    const QString page1 = pdftools::Text(path, 1, 1);
    const QString page2 = pdftools::Text(path, 2, 2);
    const QString title = QString::fromStdString(dlg->PageText(5527));
    EXPECT_FALSE(title.isEmpty());
    EXPECT_TRUE(page1.contains(title));
    EXPECT_TRUE(page2.contains(title));
    EXPECT_TRUE(pdftools::Squeezed(page1).contains(QStringLiteral("-1/2-")));
    EXPECT_TRUE(pdftools::Squeezed(page2).contains(QStringLiteral("-2/2-")));
    EXPECT_LT(page1.indexOf(QStringLiteral("0034")), page1.indexOf(QStringLiteral("0002")));
    EXPECT_TRUE(page1.contains(QStringLiteral("user34")));
    EXPECT_FALSE(page1.contains(QStringLiteral("0001")));
    EXPECT_TRUE(page2.contains(QStringLiteral("0001")));
    EXPECT_TRUE(page2.contains(QStringLiteral("host1")));
    EXPECT_FALSE(page2.contains(QStringLiteral("0002")));
}

TEST_F(LocalWindowTest, LogAndInfoPagesRender)
{
    WriteRing(main.location, 40, 2);
    auto dlg = Open();
    dlg->ShowLogMenu();
    CLocalLogPage* log = LogPage(*dlg);
    ASSERT_NE(log, nullptr);
    QDir().mkpath(QString(K5_BINARY_DIR) + "/renders");
    const QImage logRender = log->grab().toImage();
    logRender.save(QString(K5_BINARY_DIR) + "/renders/local-log-141.png");
    EXPECT_EQ(log->m_lstLog.geometry(), QRect(2, 2, 399, 389));
    EXPECT_EQ(log->m_btnPrint.geometry(), QRect(2, 396, 97, 22));
    EXPECT_EQ(log->m_btnPrint.GetDlgCtrlID(), 480);
    // The list's rows over its white field, the Print button below it, the
    // background's strip between them.
    EXPECT_NE(logRender.pixelColor(50, 393), logRender.pixelColor(50, 300));
    EXPECT_NE(logRender.pixelColor(4, 398), logRender.pixelColor(200, 405));

    dlg->ShowInfoMenu();
    auto* info = dynamic_cast<CLocalInfoPage*>(dlg->Page(LocalSlot::Info));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(dlg->Page(LocalSlot::Log), nullptr);
    EXPECT_EQ(info->geometry(), QRect(197, 83, 403, 417));
    EXPECT_EQ(info->m_lstInfo.geometry(), QRect(2, 2, 399, 413));
    EXPECT_EQ(info->m_lstInfo.GetDlgCtrlID(), 915);
    ASSERT_EQ(info->m_lstInfo.GetItemCount(), 1);
    EXPECT_EQ(info->m_lstInfo.columnCount(), 2);
    EXPECT_EQ(info->m_lstInfo.GetItemText(0, 0).toStdString(), dlg->PageText(5410));
    const std::array<std::uint16_t, 4> v = ProgramVersion();
    EXPECT_EQ(info->m_lstInfo.GetItemText(0, 1), QString::asprintf(" %d.%d.%d.%d", v[0], v[1], v[2], v[3]));
    const QImage infoRender = info->grab().toImage();
    infoRender.save(QString(K5_BINARY_DIR) + "/renders/local-info-142.png");
    EXPECT_EQ(infoRender.size(), QSize(403, 417));
}
