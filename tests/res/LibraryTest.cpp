// The resource library without a bundle, with a bad one, and as the current
// library.
#include "platform/ResourceLibrary.h"
#include "ui/SkinDraw.h"

#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string kBundle = K5_BINARY_DIR "/bin/MiraRes.rcc";

// Restores "no current library" whatever a test did.
struct CurrentGuard
{
    ~CurrentGuard() { ResourceLibrary::SetCurrent(nullptr); }
};

TEST(Library, MissingOrBadBundleGivesNullBitmapsAndEmptyTexts)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notRcc = dir.filePath("text.rcc");
    {
        QFile f(notRcc);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a resource bundle\n");
    }
    for (const std::string& file :
         {std::string("/nonexistent/MiraRes.rcc"), notRcc.toStdString(), dir.path().toStdString()}) {
        ResourceLibrary lib;
        EXPECT_FALSE(lib.Load(file)) << file;
        EXPECT_FALSE(lib.IsLoaded());
        EXPECT_TRUE(lib.LoadBitmap(1500).isNull());
        EXPECT_FALSE(lib.HasBitmap(1500));
        EXPECT_TRUE(lib.LoadResString(5000).isEmpty());
        EXPECT_FALSE(lib.HasString(5000));
    }
}

TEST(Library, FailedReloadLeavesNothingOfTheOldBundle)
{
    ResourceLibrary lib;
    ASSERT_TRUE(lib.Load(kBundle));
    EXPECT_FALSE(lib.Load("/nonexistent/MiraRes.rcc"));
    EXPECT_TRUE(lib.LoadBitmap(1500).isNull());
    EXPECT_TRUE(lib.LoadResString(5000).isEmpty());
    ASSERT_TRUE(lib.Load(kBundle));
    lib.Unload();
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_TRUE(lib.LoadBitmap(1500).isNull());
}

TEST(Library, TwoLibrariesOfOneFileAreIndependent)
{
    ResourceLibrary a, b;
    ASSERT_TRUE(a.Load(kBundle));
    ASSERT_TRUE(b.Load(kBundle));
    a.Unload();
    EXPECT_FALSE(b.LoadBitmap(1500).isNull());
    EXPECT_FALSE(b.LoadResString(5000).isEmpty());
}

TEST(Library, CurrentIsNeverNull)
{
    CurrentGuard guard;
    ResourceLibrary::SetCurrent(nullptr);
    // Without a current library an empty one answers.
    EXPECT_FALSE(ResourceLibrary::Current().IsLoaded());
    EXPECT_TRUE(LoadSkinBitmap(1500).isNull());
    EXPECT_TRUE(LoadResString(5000).isEmpty());
    EXPECT_EQ(LoadResStringSpaced(5000), " ");

    {
        ResourceLibrary lib;
        ASSERT_TRUE(lib.Load(kBundle));
        ResourceLibrary::SetCurrent(&lib);
        EXPECT_EQ(&ResourceLibrary::Current(), &lib);
        EXPECT_EQ(LoadSkinBitmap(1500).size(), QSize(86, 58));
        const QString text = lib.LoadResString(5000);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_EQ(LoadResString(5000), text);
        EXPECT_EQ(LoadResStringSpaced(5000), " " + text);
    }
    // A library that is destroyed stops being current.
    EXPECT_FALSE(ResourceLibrary::Current().IsLoaded());
    EXPECT_TRUE(LoadSkinBitmap(1500).isNull());
}

TEST(Library, DefaultFileIsBesideTheProgram)
{
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::weakly_canonical(ResourceLibrary::DefaultFile()),
              fs::weakly_canonical(K5_BINARY_DIR "/bin/MiraRes.rcc"));
}

} // namespace
