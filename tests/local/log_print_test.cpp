// The connection log printed to a PDF file and read back with pdftotext:
// 34 records fill two pages of 33 and 1 rows, newest first.
#include "PdfTools.h"
#include "local/LocalLogPrint.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LocalLogPrint, ThirtyFourRecordsPrintOnTwoPages)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("log.pdf"));
    CLogPrint::SetPrinterFactory([path] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return printer;
    });
    std::vector<ConnectLogRecord> records(34);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].type = 2;
        records[i].subtype = 1;
        records[i].time = 1262217600 + static_cast<std::uint32_t>(i) * 60;
        std::snprintf(records[i].user, sizeof records[i].user, "user%zu", i + 1);
        std::snprintf(records[i].address, sizeof records[i].address, "host%zu", i + 1);
    }
    const auto rows = BuildLocalLogRows(records, 0, [](int) { return std::string(" Connect"); });
    CLogPrint print;
    ASSERT_EQ(print.PrintLog(MakeConnectLogPrintJob(rows, "Connection Log")), CLogPrint::Result::Printed);
    CLogPrint::SetPrinterFactory({});
    ASSERT_EQ(pdftools::Pages(path), 2);
    const QString page1 = pdftools::Text(path, 1, 1);
    const QString page2 = pdftools::Text(path, 2, 2);
    EXPECT_TRUE(pdftools::Squeezed(page1).contains(QStringLiteral("-1/2-")));
    EXPECT_TRUE(pdftools::Squeezed(page2).contains(QStringLiteral("-2/2-")));
    EXPECT_TRUE(page1.contains(QStringLiteral("Connection Log")));
    // Newest first: record 34 opens page 1, record 1 is alone on page 2.
    EXPECT_LT(page1.indexOf(QStringLiteral("0034")), page1.indexOf(QStringLiteral("0033")));
    EXPECT_TRUE(page1.contains(QStringLiteral("user34")));
    EXPECT_TRUE(page1.contains(QStringLiteral("2009-12-31 00:33:00")));
    EXPECT_TRUE(page2.contains(QStringLiteral("0001")));
    EXPECT_TRUE(page2.contains(QStringLiteral("host1")));
    EXPECT_FALSE(page2.contains(QStringLiteral("0002")));
}
