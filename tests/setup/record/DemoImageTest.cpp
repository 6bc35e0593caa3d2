// The demo recorder's setup image against the client's own rules, for every
// kind of recorder it can stand for: each record block within its frame
// budget, accounts an administrator could have typed, preset tables the
// preset page would accept, a summer-time rule whose days agree with its
// weekdays, and an image that converts to host order and back unchanged.
#include "RecordTestSupport.h"
#include "SimDemoSetup.h"

#include "setup/DateRules.h"
#include "setup/SystemRules.h"
#include "setup/record/AlarmPreset.h"
#include "setup/record/RecordBlock.h"

using namespace rectest;

namespace {

SetupDbImage HostImage(const k5sim::Bytes& wire)
{
    SetupDbImage im{};
    std::copy_n(wire.begin(), std::min(wire.size(), im.size()), im.begin());
    ConvertDbToHost(im.data());
    return im;
}

} // namespace

TEST(DemoImage, KeepsTheClientsRulesOnEveryKindOfRecorder)
{
    for (int channels : {4, 8, 16})
        for (int sub : {0, 3, 4, 5, 6})
            for (int standard : {0, 1}) {
                const std::string name = std::to_string(channels) + " ch, sub " + std::to_string(sub) +
                                         (standard ? ", PAL" : ", NTSC");
                k5sim::DemoSetupKind kind;
                kind.channels = channels;
                kind.subMajor = sub;
                kind.videoStandard = standard;
                const k5sim::Bytes wire = k5sim::PlausibleSetupImage(kind);
                ASSERT_EQ(wire.size(), kind.size) << name;
                SetupDbImage host = HostImage(wire);
                ImageRef image(host);

                // Converted back, the image is the one served.
                SetupDbImage again = host;
                ConvertDbToNetwork(again.data());
                EXPECT_TRUE(std::equal(wire.begin(), wire.end(), again.begin())) << name;

                RecorderCaps caps = Kind(channels, sub);
                std::vector<RecordBlock> blocks = {PlainRecordBlock(), MotionRecordBlock(),
                                                   ScheduleRecordBlock(), SensorRecordBlock()};
                for (int p = 0; p < 4; ++p)
                    blocks.push_back(SensorProfileBlock(p));
                blocks.push_back(MotionDualRateBlock(1));
                for (const RecordBlock& b : blocks) {
                    CRecordBlockModel model(image, caps, b);
                    const std::string block = name + ", block " + std::to_string(b.templateId) + " profile " +
                                              std::to_string(b.profile);
                    EXPECT_LE(model.UsedUnits({}), model.Total()) << block;
                    for (int ch = 0; ch < 16; ++ch) {
                        EXPECT_LE(model.Rate(ch), ch < channels ? model.MaxRate() : 0)
                            << block << " ch " << ch;
                        EXPECT_EQ(model.Resolution(ch), model.ShownResolution(ch)) << block << " ch " << ch;
                        // Audio only where the Audio view lets it stay.
                        if (model.Audio(ch) != 0) {
                            EXPECT_TRUE(model.AudioAllowed(
                                ch,
                                [&](int c) {
                                    return sub != 6 ||
                                           c == static_cast<int>(image.Get(SetupDb::AudioInputChannel, 0)) ||
                                           c == static_cast<int>(image.Get(SetupDb::AudioInputChannel, 1));
                                }))
                                << block << " ch " << ch;
                        }
                    }
                }

                // Accounts: names and passwords the account page takes, none
                // repeated, and the logged-in user's own.
                EXPECT_EQ(image.Text(SetupDb::UserName, 0), QString::fromStdString(kind.user)) << name;
                for (int u = 0; u < kAccountSlots; ++u) {
                    const QString user = image.Text(SetupDb::UserName, u);
                    const QString password = image.Text(SetupDb::UserPassword, u);
                    if (user.isEmpty()) {
                        EXPECT_TRUE(password.isEmpty()) << name << " user " << u;
                        continue;
                    }
                    EXPECT_LE(user.size(), 8) << name << " user " << u;
                    EXPECT_TRUE(AccountApplyReady(user, password, password, false)) << name << " user " << u;
                    EXPECT_EQ(CheckAccountApply(image, u, user, password, password, false),
                              AccountRefusal::None)
                        << name << " user " << u;
                }

                // Presets: every entry's camera one the page offers and none twice.
                for (int s = 0; s < AlarmPreset::kSensors; ++s)
                    for (int k = 0; k < AlarmPreset::kEntries; ++k) {
                        const int camera = image.U8(AlarmPreset::CameraOffset(s, k));
                        EXPECT_LE(camera, channels) << name << " sensor " << s << " entry " << k;
                        EXPECT_FALSE(AlarmPreset::CameraRefused(image, s, k, camera))
                            << name << " sensor " << s << " entry " << k;
                        const int number = image.U16(AlarmPreset::NumberOffset(s, k));
                        EXPECT_EQ(AlarmPreset::ParsePreset(QString::number(number)), number)
                            << name << " sensor " << s << " entry " << k;
                    }

                // The summer-time rule's days are its weekdays' in the clock's year.
                WallTime clock;
                ASSERT_TRUE(BreakDownWall(image.Get(SetupDb::RecorderTime), clock));
                for (const SetupDb::Field& f : {SetupDb::DstStart, SetupDb::DstEnd})
                    EXPECT_EQ(static_cast<int>(image.Get(f, 3)) + 1,
                              NthWeekdayDay(clock.year, static_cast<int>(image.Get(f, 0)),
                                            static_cast<int>(image.Get(f, 1)),
                                            static_cast<int>(image.Get(f, 2))))
                        << name;

                // The weekly schedule holds only the values its form shows.
                const std::uint32_t top = sub == 3 || sub == 4 ? 3 : 1;
                for (int i = 0; i < 168; ++i)
                    EXPECT_LE(image.U8(SetupDb::WeeklySchedule.offset + i), top) << name << " hour " << i;
                // Motion areas: used cells 0 or 1, the unused column and row 0.
                for (int ch = 0; ch < 16; ++ch)
                    for (int cell = 0; cell < 99; ++cell) {
                        const int v = image.ByteOf(SetupDb::MotionGrid, ch, cell);
                        const bool used = cell % 11 < 10 && cell / 11 < 8 && ch < channels;
                        EXPECT_LE(v, used ? 1 : 0) << name << " ch " << ch << " cell " << cell;
                    }
            }
}
