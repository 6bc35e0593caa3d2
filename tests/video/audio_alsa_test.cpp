// The sound output through a real ALSA PCM: the file plugin over a null
// device, defined in a configuration the test writes, so no sound card is
// needed. What lands in the file is exactly what was played.
#include "audio_fakes.h"

#include "video/AudioPlayer.h"
#include "video/SoundOutput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>

using namespace audiotest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kPcm = "k5_audio_file";

class AlsaFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("K5_TEST_TMP");
        const fs::path base = tmp ? fs::path(tmp) : fs::temp_directory_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = base / ("audio_alsa_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_out = m_dir / "out.raw";
        const fs::path config = m_dir / "asoundrc";
        std::ofstream(config) << "pcm." << kPcm << " {\n"
                              << "  type file\n"
                              << "  slave.pcm { type null }\n"
                              << "  file \"" << m_out.string() << "\"\n"
                              << "  format \"raw\"\n"
                              << "}\n";
        if (const char* old = std::getenv("ALSA_CONFIG_PATH"))
            m_oldConfig = old;
        ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }

    void TearDown() override
    {
        if (m_oldConfig)
            ::setenv("ALSA_CONFIG_PATH", m_oldConfig->c_str(), 1);
        else
            ::unsetenv("ALSA_CONFIG_PATH");
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::vector<std::int16_t> ReadOut() const
    {
        std::ifstream in(m_out, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<std::int16_t> pcm(bytes.size() / 2);
        std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
        EXPECT_EQ(bytes.size() % 2, 0u);
        return pcm;
    }

    static SoundOutputOptions FileOptions(std::shared_ptr<CAudioClock> clock = nullptr)
    {
        SoundOutputOptions options;
        options.strPcmName = kPcm;
        options.pClock = std::move(clock);
        options.stopBound = kBound;
        return options;
    }

    fs::path m_dir;
    fs::path m_out;
    std::optional<std::string> m_oldConfig;
};

TEST_F(AlsaFile, OutputPlaysEveryUnitInOrder)
{
    constexpr DWORD block = AudioUnitBytes(2);
    std::vector<std::int16_t> expected;
    {
        CSoundOutput out(false, FileOptions());
        ASSERT_EQ(out.CreateBuffer(block), 0);
        for (int unit = 0; unit < 6; ++unit) {
            std::vector<std::int16_t> pcm(block / 2);
            for (std::size_t j = 0; j < pcm.size(); ++j)
                pcm[j] = static_cast<std::int16_t>(unit * 4000 - 12000 + static_cast<int>(j % 3000));
            ASSERT_TRUE(out.Write(block, reinterpret_cast<const BYTE*>(pcm.data())));
            ASSERT_TRUE(out.WaitUnitsPlayed(unit + 1, kBound));
            expected.insert(expected.end(), pcm.begin(), pcm.end());
        }
        const auto status = out.GetStatus();
        EXPECT_TRUE(status.bDeviceOpen);
        EXPECT_EQ(status.nOpens, 1);
        EXPECT_EQ(status.nDeviceErrors, 0);
    } // closing the PCM flushes the file
    EXPECT_EQ(ReadOut(), expected);
}

TEST_F(AlsaFile, PlayerDecodesBlocksOfAnyLength)
{
    constexpr int setting = 13; // 16 blocks per unit
    auto clock = std::make_shared<FakeAudioClock>();
    std::vector<std::int16_t> expected;
    {
        auto output = std::make_unique<CSoundOutput>(false, FileOptions(clock));
        ASSERT_EQ(output->CreateBuffer(AudioUnitBytes(setting)), 0);
        CSoundOutput* out = output.get();
        AudioPlayerOptions options;
        options.pClock = clock;
        options.pOutput = std::move(output);
        CAudioPlayer player(setting, false, std::move(options));

        const std::size_t lengths[] = {512, 100, 700, 0, 511, 513, 1, 512};
        int id = 0;
        for (int unit = 0; unit < 2; ++unit) {
            for (int i = 0; i < AudioBlocksPerWrite(setting); ++i, ++id) {
                const auto block = Block(id, lengths[id % std::size(lengths)]);
                ASSERT_TRUE(player.PutBlock(block.data(), block.size()));
                AppendExpected(expected, block);
            }
            ASSERT_TRUE(out->WaitUnitsPlayed(unit + 1, kBound));
            if (unit == 0) { // the pause after the first write
                const auto pauseEnd = clock->NextDeadline();
                ASSERT_TRUE(pauseEnd.has_value());
                clock->AdvanceTo(*pauseEnd);
            }
        }
    }
    EXPECT_EQ(ReadOut(), expected);
}

} // namespace
