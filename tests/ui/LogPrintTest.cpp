// The printout's geometry on a recording surface, and real printouts to PDF
// read back with poppler's tools.
#include "ui/LogPrint.h"
#include "../PdfTools.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Op
{
    Op(std::string w, TwipsRect rect = {}, std::string t = {}, int x = 0, int y = 0)
        : what(std::move(w)), r(rect), text(std::move(t)), a(x), b(y)
    {
    }
    std::string what; // start, page, end, enddoc, abort, font, rect, text
    TwipsRect r;
    std::string text;
    int a, b;
};

class RecordingSurface : public IPrintSurface
{
public:
    bool StartDoc(const std::string& name) override
    {
        ops.push_back({"start", {}, name});
        return true;
    }
    bool StartPage() override
    {
        ops.push_back(Op("page"));
        return true;
    }
    bool EndPage(bool another) override
    {
        ops.push_back({"end", {}, {}, another ? 1 : 0});
        return ++pagesEnded != refuseAt;
    }
    void EndDoc() override { ops.push_back(Op("enddoc")); }
    void AbortDoc() override { ops.push_back(Op("abort")); }
    void SelectFont(const std::string& face, int height, int weight) override
    {
        ops.push_back({"font", {}, face, height, weight});
    }
    void Rectangle(const TwipsRect& r) override { ops.push_back({"rect", r}); }
    void DrawText(const std::string& text, const TwipsRect& r) override { ops.push_back({"text", r, text}); }

    int Count(const std::string& what) const
    {
        int n = 0;
        for (const Op& op : ops)
            n += op.what == what;
        return n;
    }
    // The ops of page `page` (1-based), between its StartPage and EndPage.
    std::vector<Op> Page(int page) const
    {
        std::vector<Op> out;
        int n = 0;
        bool in = false;
        for (const Op& op : ops) {
            if (op.what == "page")
                in = ++n == page;
            else if (op.what == "end")
                in = false;
            else if (in)
                out.push_back(op);
        }
        return out;
    }

    std::vector<Op> ops;
    int pagesEnded = 0;
    int refuseAt = -1;
};

LogPrintJob Job(int rows, std::function<bool(int)> skip = {})
{
    LogPrintJob job;
    job.docName = "Remote Log All";
    job.title = "Log";
    job.rowCount = rows;
    job.rowCells = [skip](int row, std::vector<std::string>& cells) {
        if (skip && skip(row))
            return false;
        cells = {std::to_string(row + 1), "t" + std::to_string(row), "", "k", "x"};
        return true;
    };
    return job;
}

std::vector<Op> Of(const std::vector<Op>& ops, const std::string& what)
{
    std::vector<Op> out;
    for (const Op& op : ops)
        if (op.what == what)
            out.push_back(op);
    return out;
}

TEST(LogPrint, PageGeometry)
{
    RecordingSurface s;
    CLogPrint print;
    ASSERT_EQ(print.PrintLog(s, Job(34)), CLogPrint::Result::Printed);
    EXPECT_EQ(s.ops.front().what, "start");
    EXPECT_EQ(s.ops.front().text, "Remote Log All");
    EXPECT_EQ(s.ops.back().what, "enddoc");
    EXPECT_EQ(s.Count("page"), 2);
    EXPECT_EQ(print.m_nPageCount, 2);
    EXPECT_EQ(print.m_nPrintRow, 34);

    const std::vector<Op> p1 = s.Page(1);
    // Title font, box and text first.
    ASSERT_GE(p1.size(), 3u);
    EXPECT_EQ(p1[0].what, "font");
    EXPECT_EQ(p1[0].text, "Arial Bold");
    EXPECT_EQ(p1[0].a, 400);
    EXPECT_EQ(p1[0].b, 700);
    EXPECT_EQ(p1[1].what, "rect");
    EXPECT_EQ(p1[1].r, (TwipsRect{3200, -900, 8200, -1400}));
    EXPECT_EQ(p1[2].what, "text");
    EXPECT_EQ(p1[2].text, "Log");
    EXPECT_EQ(p1[2].r, p1[1].r);

    // 33 rows of five boxed cells, 400 twips apart; the empty third cell
    // is boxed but gets no text.
    const std::vector<Op> rects = Of(p1, "rect");
    ASSERT_EQ(rects.size(), 1u + 33u * 5u);
    const int cols[] = {400, 1150, 3300, 5150, 6300, 11000};
    for (int row = 0; row < 33; ++row) {
        for (int c = 0; c < 5; ++c) {
            const TwipsRect want{cols[c], -1800 - 400 * row, cols[c + 1], -2200 - 400 * row};
            ASSERT_EQ(rects[1 + static_cast<std::size_t>(row * 5 + c)].r, want) << row << "/" << c;
        }
    }
    const std::vector<Op> texts = Of(p1, "text");
    ASSERT_EQ(texts.size(), 1u + 33u * 4u + 1u);
    EXPECT_EQ(texts[1].text, "1");
    EXPECT_EQ(texts[2].text, "t0");
    EXPECT_EQ(texts[3].text, "k");
    EXPECT_EQ(texts[3].r.left, 5150);
    EXPECT_EQ(texts.back().text, "- 1 / 2 -");
    EXPECT_EQ(texts.back().r, (TwipsRect{5000, -15500, 7000, -15700}));
    const std::vector<Op> fonts = Of(p1, "font");
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_EQ(fonts[1].a, 200);
    EXPECT_EQ(fonts[1].b, 400);
    EXPECT_EQ(fonts[2].a, 200);

    // The second page: the 34th row in the first slot.
    const std::vector<Op> p2 = s.Page(2);
    const std::vector<Op> rects2 = Of(p2, "rect");
    ASSERT_EQ(rects2.size(), 6u);
    EXPECT_EQ(rects2[1].r.top, -1800);
    const std::vector<Op> texts2 = Of(p2, "text");
    EXPECT_EQ(texts2[1].text, "34");
    EXPECT_EQ(texts2.back().text, "- 2 / 2 -");

    // A second printout starts again from the first row.
    RecordingSurface again;
    ASSERT_EQ(print.PrintLog(again, Job(34)), CLogPrint::Result::Printed);
    ASSERT_EQ(again.ops.size(), s.ops.size());
    for (std::size_t i = 0; i < s.ops.size(); ++i)
        ASSERT_EQ(again.ops[i].text, s.ops[i].text) << i;
}

TEST(LogPrint, PageCountsAndEnds)
{
    struct Case
    {
        int rows;
        int pages;
    } cases[] = {{0, 0}, {1, 1}, {33, 1}, {34, 2}, {66, 2}, {67, 3}, {2500, 76}};
    for (const Case& c : cases) {
        RecordingSurface s;
        CLogPrint print;
        ASSERT_EQ(print.PrintLog(s, Job(c.rows)), CLogPrint::Result::Printed) << c.rows;
        EXPECT_EQ(s.Count("page"), c.pages) << c.rows;
        EXPECT_EQ(print.m_nPageCount, c.pages) << c.rows;
        EXPECT_EQ(s.Count("enddoc"), 1) << c.rows;
        EXPECT_EQ(s.Count("abort"), 0) << c.rows;
        // Only the last page says no further page follows.
        const std::vector<Op> ends = Of(s.ops, "end");
        for (std::size_t i = 0; i < ends.size(); ++i)
            EXPECT_EQ(ends[i].a, i + 1 < ends.size() ? 1 : 0) << c.rows;
    }
}

TEST(LogPrint, SkippedRowLeavesNoGapButUsesItsSlot)
{
    // Row 1 is left out: row 2 takes its place on the page, and the first
    // page holds 32 printed rows, so row 33 opens page 2.
    RecordingSurface s;
    CLogPrint print;
    ASSERT_EQ(print.PrintLog(s, Job(40, [](int row) { return row == 1; })), CLogPrint::Result::Printed);
    const std::vector<Op> p1 = s.Page(1);
    const std::vector<Op> rects = Of(p1, "rect");
    EXPECT_EQ(rects.size(), 1u + 32u * 5u);
    const std::vector<Op> texts = Of(p1, "text");
    EXPECT_EQ(texts[1].text, "1");
    EXPECT_EQ(texts[5].text, "3");
    EXPECT_EQ(texts[5].r.top, -2200);
    EXPECT_EQ(Of(s.Page(2), "text")[1].text, "34");
    EXPECT_EQ(Of(s.Page(2), "text").back().text, "- 2 / 2 -");
}

TEST(LogPrint, RefusedPageAbortsTheDocument)
{
    RecordingSurface s;
    s.refuseAt = 1;
    CLogPrint print;
    EXPECT_EQ(print.PrintLog(s, Job(100)), CLogPrint::Result::Aborted);
    EXPECT_EQ(s.Count("page"), 1);
    EXPECT_EQ(s.Count("abort"), 1);
    EXPECT_EQ(s.Count("enddoc"), 0);
}

TEST(LogPrint, NoPrinterPrintsNothing)
{
    CLogPrint::SetPrinterFactory([] { return std::unique_ptr<QPrinter>(); });
    CLogPrint print;
    EXPECT_EQ(print.PrintLog(Job(5)), CLogPrint::Result::NoPrinter);
    EXPECT_EQ(print.m_nPageCount, 0);
    CLogPrint::SetPrinterFactory({});
}

class PdfPrint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("out.pdf"));
        CLogPrint::SetPrinterFactory([this] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path);
            return printer;
        });
    }
    void TearDown() override { CLogPrint::SetPrinterFactory({}); }
    QTemporaryDir dir;
    QString path;
};

TEST_F(PdfPrint, PagesTextAndFonts)
{
    CLogPrint print;
    LogPrintJob job = Job(34);
    job.rowCells = [](int row, std::vector<std::string>& cells) {
        cells = {std::to_string(row + 1), "Row\xe9" + std::to_string(row + 1), "", "", "end"};
        return true;
    };
    ASSERT_EQ(print.PrintLog(job), CLogPrint::Result::Printed);
    ASSERT_EQ(pdftools::Pages(path), 2);
    const QString page1 = pdftools::Text(path, 1, 1);
    const QString page2 = pdftools::Text(path, 2, 2);
    // pdftotext closes up the footer's narrow blanks.
    EXPECT_TRUE(pdftools::Squeezed(page1).contains(QStringLiteral("-1/2-"))) << page1.toStdString();
    EXPECT_TRUE(pdftools::Squeezed(page2).contains(QStringLiteral("-2/2-")));
    EXPECT_TRUE(page1.contains(QStringLiteral("Log")));
    // Rows in order, Latin-1 texts kept.
    int last = -1;
    for (int row = 1; row <= 33; ++row) {
        const int at = page1.indexOf(QStringLiteral("Row\u00e9%1 ").arg(row));
        ASSERT_GT(at, last) << row;
        last = at;
    }
    EXPECT_TRUE(page2.contains(QStringLiteral("Row\u00e934")));
    EXPECT_EQ(pdftools::Fonts(path), QStringList{QStringLiteral("LiberationSans-Bold")});

    // The regular face prints its rows regular and its title bold.
    QFile::remove(path);
    job.face = "Arial";
    ASSERT_EQ(print.PrintLog(job), CLogPrint::Result::Printed);
    EXPECT_EQ(pdftools::Fonts(path),
              (QStringList{QStringLiteral("LiberationSans"), QStringLiteral("LiberationSans-Bold")}));
}

TEST_F(PdfPrint, NoRowsNoPage)
{
    CLogPrint print;
    ASSERT_EQ(print.PrintLog(Job(0)), CLogPrint::Result::Printed);
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
