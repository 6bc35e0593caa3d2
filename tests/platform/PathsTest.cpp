#include "platform/Paths.h"
#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(Paths, JoinTurnsWindowsSubPathsIntoOneSeparatorJoins)
{
    struct Case
    {
        const char* folder;
        const char* sub;
        const char* joined;
    };
    const Case cases[] = {
        {"/home/u/H264K5", "\\Log\\", "/home/u/H264K5/Log/"},
        {"/home/u/H264K5/", "\\Download\\", "/home/u/H264K5/Download/"},
        {"/home/u/H264K5//", "Upgrade\\", "/home/u/H264K5/Upgrade/"},
        {"/home/u/H264K5", "\\Log\\ConnectInfoEx.log", "/home/u/H264K5/Log/ConnectInfoEx.log"},
        {"/home/u/H264K5", "\\\\Saved\\\\", "/home/u/H264K5/Saved/"},
        {"/", "\\Log\\", "/Log/"},
        {"/data", "", "/data"},
        {"", "\\Log\\", "/Log/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Paths::Join(c.folder, c.sub), c.joined) << c.folder << " + " << c.sub;
}

TEST(Paths, HomeAndDefaultLocation)
{
    const char* home = std::getenv("HOME");
    const std::string saved = home ? home : "";
    setenv("HOME", "/tmp/k5home", 1);
    EXPECT_EQ(Paths::HomeDir(), "/tmp/k5home");
    EXPECT_EQ(Paths::DefaultLocation("H264K5"), "/tmp/k5home/H264K5");
    unsetenv("HOME");
    EXPECT_FALSE(Paths::HomeDir().empty()); // from the user database
    if (home)
        setenv("HOME", saved.c_str(), 1);
}

TEST(Paths, ProgramDirHoldsTheRunningExecutable)
{
    const std::string dir = Paths::ProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(std::filesystem::exists(dir + "/platform_tests"));
}

TEST(Paths, ReadOnlyMediaOverride)
{
    Paths::SetReadOnlyMediaOverride(true);
    EXPECT_TRUE(Paths::IsReadOnlyMedia());
    Paths::SetReadOnlyMediaOverride(false);
    EXPECT_FALSE(Paths::IsReadOnlyMedia());
    Paths::SetReadOnlyMediaOverride(std::nullopt);
    // The tests run from the build tree, which is writable.
    EXPECT_FALSE(Paths::IsReadOnlyMedia());
}

TEST(Paths, CreateFoldersAndDiskSpace)
{
    const std::string base = k5test::ScratchDir("paths");
    const std::string deep = Paths::Join(base, "\\a\\b\\c\\");
    EXPECT_TRUE(Paths::CreateFolders(deep));
    EXPECT_TRUE(std::filesystem::is_directory(base + "/a/b/c"));
    EXPECT_TRUE(Paths::CreateFolders(deep)); // already there
    EXPECT_FALSE(Paths::CreateFolders(""));
    std::ofstream(base + "/file") << "x";
    EXPECT_FALSE(Paths::CreateFolders(base + "/file/sub")); // a file in the way

    std::uint64_t freeBytes = 0, totalBytes = 0;
    ASSERT_TRUE(Paths::GetDiskSpace(base, freeBytes, totalBytes));
    EXPECT_GT(totalBytes, 0u);
    EXPECT_LE(freeBytes, totalBytes);
    // A folder not yet made is measured on its nearest existing parent.
    std::uint64_t free2 = 0, total2 = 0;
    ASSERT_TRUE(Paths::GetDiskSpace(base + "/not/yet/there", free2, total2));
    EXPECT_EQ(total2, totalBytes);
    EXPECT_FALSE(Paths::GetDiskSpace("", free2, total2));
}

TEST(Paths, ProgramFilesAreLookedUpInTheCurrentDirectoryFirst)
{
    const std::string base = k5test::ScratchDir("cwd");
    const auto oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(base);
    EXPECT_EQ(Paths::FindProgramFile("K5PathsProbe.bmp"), "");
    std::ofstream(base + "/K5PathsProbe.bmp") << "x";
    EXPECT_EQ(Paths::FindProgramFile("K5PathsProbe.bmp"), base + "/K5PathsProbe.bmp");
    // Beside the executable when the current directory lacks it...
    EXPECT_EQ(Paths::FindProgramFile("platform_tests"), Paths::ProgramDir() + "/platform_tests");
    // ...and the current directory's copy wins when both have one.
    std::ofstream(base + "/platform_tests") << "x";
    EXPECT_EQ(Paths::FindProgramFile("platform_tests"), base + "/platform_tests");

    std::ofstream(base + "/ClientK5.bin") << "Title\r\n";
    EXPECT_EQ(Paths::FindSettingsFile(), base + "/ClientK5.bin");
    std::filesystem::current_path(oldCwd);
}

} // namespace
