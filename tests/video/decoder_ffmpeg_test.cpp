// Cross-checks with the ffmpeg tools, which read the streams independently:
// ffprobe confirms what the generator claims of its streams (size, key
// frames, interlacing), and ffmpeg's own decode of the same file must equal
// our library's YUV pictures byte for byte.
#include "decoder_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace decodertest {
namespace {

using k5streams::EncodedFrame;
using k5streams::StreamSpec;

struct PipeClose
{
    void operator()(std::FILE* f) const { pclose(f); }
};

// Runs a command and returns what it wrote; false when it could not run or
// failed.
bool RunCommand(const std::string& command, std::string& output)
{
    std::unique_ptr<std::FILE, PipeClose> pipe(popen(command.c_str(), "r"));
    if (!pipe)
        return false;
    output.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        output.append(buffer, n);
    return pclose(pipe.release()) == 0;
}

bool HaveTool(const char* name)
{
    std::string out;
    return RunCommand(std::string("command -v ") + name + " >/dev/null 2>&1 && echo yes", out) &&
           out == "yes\n";
}

std::filesystem::path TempDir()
{
    const char* env = std::getenv("K5_TEST_TMP");
    std::filesystem::path dir =
        env && *env ? std::filesystem::path(env) : std::filesystem::temp_directory_path();
    dir /= "decoder_ffmpeg";
    std::filesystem::create_directories(dir);
    return dir;
}

class DecoderFfmpegTest : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Library().IsLoaded());
        if (!k5streams::HasH264Encoder())
            GTEST_SKIP() << "libavcodec offers no libx264 encoder";
        if (!HaveTool("ffprobe") || !HaveTool("ffmpeg"))
            GTEST_SKIP() << "ffmpeg tools not installed";
        spec.gop = 5;
        spec.frames = 7;
        spec.interlaced = GetParam();
        spec.channel = 3;
        file = TempDir() / (spec.interlaced ? "mbaff.h264" : "progressive.h264");
        ASSERT_TRUE(k5streams::WriteAnnexB(Stream(spec), file.string()));
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }

    StreamSpec spec;
    std::filesystem::path file;
};

TEST_P(DecoderFfmpegTest, FfprobeSeesTheStreamAsGenerated)
{
    const auto& frames = Stream(spec);
    std::string out;
    ASSERT_TRUE(RunCommand(
        "ffprobe -v error -select_streams v:0 -show_entries frame=key_frame,interlaced_frame,width,height"
        " -of csv=p=0 '" +
            file.string() + "'",
        out));
    std::istringstream lines(out);
    std::string line;
    std::size_t n = 0;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        ASSERT_LT(n, frames.size()) << "more frames than were encoded";
        int key = -1, width = -1, height = -1, interlaced = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%d", &key, &width, &height, &interlaced), 4) << line;
        EXPECT_EQ(width, spec.width);
        EXPECT_EQ(height, spec.height);
        EXPECT_EQ(key == 1, frames[n].key) << "frame " << n;
        EXPECT_EQ(interlaced == 1, spec.interlaced) << "frame " << n;
        EXPECT_EQ(frames[n].key, n % spec.gop == 0) << "frame " << n;
        ++n;
    }
    EXPECT_EQ(n, frames.size());
}

TEST_P(DecoderFfmpegTest, PicturesEqualFfmpegsDecodeByteForByte)
{
    const auto& frames = Stream(spec);
    std::string raw;
    ASSERT_TRUE(RunCommand("ffmpeg -v error -i '" + file.string() +
                               "' -fps_mode passthrough -f rawvideo -pix_fmt yuv420p -",
                           raw));
    const std::size_t size = static_cast<std::size_t>(PictureSize(spec.width, spec.height, kYuv));
    ASSERT_EQ(raw.size(), size * frames.size());

    Session s(kYuv);
    ASSERT_EQ(s.SetOutput(spec.width, spec.height), 0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(s.Decode(frames[i]), 0);
        EXPECT_EQ(0, std::memcmp(s.picture.data(), raw.data() + i * size, size)) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, DecoderFfmpegTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "mbaff" : "progressive";
                         });

} // namespace
} // namespace decodertest
