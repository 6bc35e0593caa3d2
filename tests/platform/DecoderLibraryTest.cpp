#include "platform/DecoderLibrary.h"
#include "TestSupport.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

namespace {

void ExpectEmpty(const DecoderLibrary& lib)
{
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.Init, nullptr);
    EXPECT_EQ(lib.Uninit, nullptr);
    EXPECT_EQ(lib.GetOneFrame, nullptr);
    EXPECT_EQ(lib.SetOutput, nullptr);
}

TEST(DecoderLibrary, MissingFileOrEntryPointsLeaveEverythingNull)
{
    DecoderLibrary lib;
    EXPECT_EQ(DecoderLibrary::DefaultFile(), Paths::ProgramDir() + "/libH264_D1.so");
    EXPECT_FALSE(lib.Load(k5test::ScratchDir("decoder") + "/libH264_D1.so"));
    ExpectEmpty(lib);
    EXPECT_FALSE(lib.Load(""));
    ExpectEmpty(lib);
    // A real shared library that lacks the entry points.
    EXPECT_FALSE(lib.Load("libz.so.1"));
    ExpectEmpty(lib);
    lib.Unload(); // harmless when nothing is loaded
    ExpectEmpty(lib);
}

} // namespace
