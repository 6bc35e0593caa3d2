// The skin generator on small tables: fragments merge, duplicates and bad rows
// stop the build with their places named, texts keep their escapes, and key
// colours stay exact.
#include "platform/ResourceLibrary.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct GenRun
{
    int exitCode = -1;
    QString errors;
};

class Generator : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    void Write(const QString& name, const QByteArray& text)
    {
        QDir().mkpath(m_dir.filePath("res"));
        QFile f(m_dir.filePath("res/" + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    GenRun Generate()
    {
        QProcess p;
        p.start(K5_SKINGEN, {"--res", m_dir.filePath("res"), "--out", m_dir.filePath("gen"), "--bin",
                             m_dir.filePath("bin")});
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardError())};
    }

    // Generates and packs the bundle; the path of the .rcc, empty on failure.
    std::string Bundle()
    {
        const GenRun run = Generate();
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        if (run.exitCode != 0)
            return {};
        const QString rcc = m_dir.filePath("test.rcc");
        QProcess p;
        p.start(K5_RCC, {"--binary", "--no-zstd", "-o", rcc, m_dir.filePath("gen/MiraRes.qrc")});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return rcc.toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(Generator, MergesFragmentsAndKeepsEscapes)
{
    Write("skin.tsv", "# comment\n\n2000\t90\t30\t3\tbutton\ticon=play\tbg=key\n");
    Write("skin-extra.tsv", "2001\t20\t10\t1\tfill\tcolor=#123456\n");
    Write("strings.tsv", "100\tTwo\\nlines\\tand a tab \\\\ back\n101\t\n");
    Write("strings-extra.tsv", "102\t  Blanks kept  \n103\tUmlaut \xc3\xa4\n");
    const std::string rcc = Bundle();
    ASSERT_FALSE(rcc.empty());
    ResourceLibrary lib;
    ASSERT_TRUE(lib.Load(rcc));
    EXPECT_EQ(lib.LoadBitmap(2000).size(), QSize(90, 30));
    const QImage fill = lib.LoadBitmap(2001);
    ASSERT_EQ(fill.size(), QSize(20, 10));
    EXPECT_EQ(fill.pixel(7, 3), 0xff123456u);
    EXPECT_EQ(lib.LoadResString(100), "Two\nlines\tand a tab \\ back");
    EXPECT_TRUE(lib.HasString(101));
    EXPECT_EQ(lib.LoadResString(101), "");
    EXPECT_EQ(lib.LoadResString(102), "  Blanks kept  ");
    EXPECT_EQ(lib.LoadResString(103), QString::fromUtf8("Umlaut \xc3\xa4"));
    EXPECT_TRUE(QFile::exists(m_dir.filePath("bin/LogoK5.bmp")));
}

TEST_F(Generator, DuplicateIdNamesBothFiles)
{
    const struct
    {
        const char* what;
        const char* mainFile;
        QByteArray main;
        const char* fragment;
        QByteArray frag;
    } cases[] = {
        {"bitmap", "skin.tsv", "10\t8\t8\t1\tfill\tcolor=key\n", "skin-b.tsv",
         "\n10\t4\t4\t1\tfill\tcolor=cut\n"},
        {"string", "strings.tsv", "7\tone\n", "strings-b.tsv", "# c\n7\ttwo\n"},
    };
    for (const auto& c : cases) {
        QDir(m_dir.filePath("res")).removeRecursively();
        Write("skin.tsv", "");
        Write("strings.tsv", "");
        Write(c.mainFile, c.main);
        Write(c.fragment, c.frag);
        const GenRun run = Generate();
        EXPECT_NE(run.exitCode, 0) << c.what;
        EXPECT_TRUE(run.errors.contains(QString("res/%1:1").arg(c.mainFile))) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(QString("res/%1:2").arg(c.fragment))) << run.errors.toStdString();
    }
}

TEST_F(Generator, BadRowsStopTheBuildWithTheirPlace)
{
    const struct
    {
        const char* row;
        const char* complaint;
    } cases[] = {
        {"5\t10\t10\t1\tblob", "unknown recipe"},
        {"5\t10\t10\t1\ticon\tname=nosuchicon", "unknown icon"},
        {"5\t10\t10\t3\tbutton\ticon=play", "not a multiple"},
        {"5\t10\t10\t1\tfill\tcolor=#12345", "neither #RRGGBB"},
        {"5\t10\t10\t1\tpanel\tshade=1", "unknown argument"},
        {"5\tten\t10\t1\tfill\tcolor=key", "bad width"},
        {"5\t72\t8\t9\tbutton\ticon=play", "at most 8 frames"},
        {"5\t10\t10\t1\tframe\tdesign=main\tat=900,690", "outside"},
        {"5\t22\t11\t2\tdigits\tglyphs=0,x", "unknown glyph"},
        {"5\t40\t40\t1\tpanel\thours=2,30,46", "X,Y,W,H"},
        {"5\t5\t19\t1\tfill\tcolor=accent\tfrom=6", "from must be a number from 0 to 5"},
    };
    Write("strings.tsv", "1\tok\n");
    for (const auto& c : cases) {
        Write("skin.tsv", QByteArray("# header\n") + c.row + "\n");
        const GenRun run = Generate();
        EXPECT_NE(run.exitCode, 0) << c.row;
        EXPECT_TRUE(run.errors.contains("res/skin.tsv:2")) << c.row << ": " << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(c.complaint)) << c.row << ": " << run.errors.toStdString();
    }
    Write("skin.tsv", "");
    Write("strings.tsv", "1\tbad \\x escape\n");
    const GenRun run = Generate();
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("res/strings.tsv:1")) << run.errors.toStdString();
}

// Over a key colour a shape's antialiased edge must not blend with the key:
// a near-key pixel would show as a coloured fringe where the window has holes.
TEST_F(Generator, KeyColoursStayExact)
{
    Write("skin.tsv", "1\t136\t34\t4\tbutton\ticon=record\tbg=key\tstyle=round\n"
                      "2\t14\t14\t1\tslider\tpart=thumb\n"
                      "3\t200\t60\t1\tpanel\tradius=12\ttitle=Title\n"
                      "4\t80\t30\t2\tbutton\ttext=OK\tstyle=plain\tbg=key\n");
    Write("strings.tsv", "");
    const std::string rcc = Bundle();
    ASSERT_FALSE(rcc.empty());
    ResourceLibrary lib;
    ASSERT_TRUE(lib.Load(rcc));
    for (int id = 1; id <= 4; ++id) {
        const QImage img = lib.LoadBitmap(id);
        ASSERT_FALSE(img.isNull()) << id;
        EXPECT_EQ(img.pixel(0, 0), 0xffff00ffu) << id;
        int keys = 0, fringe = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.rgb() == 0xffff00ffu)
                    ++keys;
                else if (c.red() - c.green() > 60 && c.blue() - c.green() > 60)
                    ++fringe;
            }
        EXPECT_GT(keys, 0) << id;
        EXPECT_EQ(fringe, 0) << id;
    }
}

} // namespace
