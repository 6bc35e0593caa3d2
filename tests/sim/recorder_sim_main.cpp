// recorder-sim: the recorder simulator as a program, for the demo and for
// trying the client by hand.
//
//   recorder-sim [--port N] [--channels N] [--product N] [--flags2 N]
//                [--user NAME] [--password TEXT] [--no-hello-answer] [--live]
//                [--sub-product MAJOR[.MINOR]] [--setup-version MAJOR.MINOR]
//                [--time-port N] [--patterned-setup]
//
// --live streams moving pictures on every channel once the client asks for
// live view (and plays them back on PLAY_ON_REQ).
//
// Every channel has a PTZ camera: PTZ channel requests are answered yes.
// Backups are sized and streamed from the requested range; firmware images
// are accepted, received and reported written.
// It serves a setup image of the given format version (default 4.6), takes
// updates and resets it on DB_INIT_REQ; --sub-product sets the hello's sub
// product numbers. The image is a plausible configuration of a recorder of
// that kind (named cameras and accounts, rates within the budget, schedules,
// mail and PTZ settings); --patterned-setup serves the tests' patterned image
// with record settings, preset tables, sensor links and motion grid markers
// written over it instead. --time-port serves the time protocol (RFC 868)
// with the machine's clock (port 0: a free one, printed).
//
// It listens on 127.0.0.1 (port 0 picks a free one and prints it), answers the
// hello, grants the named user every right, reports that it records, and runs
// until it is interrupted, taking one session after another (a client that
// comes while one is connected is closed at once).
#include "RecorderSim.h"
#include "SimBackupStreams.h"
#include "SimDemoSetup.h"
#include "SimEvent.h"
#include "SimFirmware.h"
#include "SimLiveStreams.h"
#include "SimLog.h"
#include "SimPtz.h"
#include "SimSearch.h"
#include "SimRecordImage.h"
#include "SimSensorImage.h"
#include "SimSetup.h"
#include "SimTimeServer.h"
#include "SimTransfer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

void Usage()
{
    std::fprintf(stderr, "usage: recorder-sim [--port N] [--channels N] [--product N] [--flags2 N]\n"
                         "                    [--user NAME] [--password TEXT] [--no-hello-answer] [--live]\n"
                         "                    [--sub-product MAJOR[.MINOR]] [--setup-version MAJOR.MINOR]\n"
                         "                    [--time-port N] [--patterned-setup]\n");
}

bool NumberArg(int argc, char** argv, int& i, long& value)
{
    if (i + 1 >= argc)
        return false;
    char* end = nullptr;
    value = std::strtol(argv[++i], &end, 0);
    return end != nullptr && *end == '\0';
}

// "M" or "M.N", each 0-255.
bool VersionArg(int argc, char** argv, int& i, int& major, int& minor)
{
    if (i + 1 >= argc)
        return false;
    const char* text = argv[++i];
    char* end = nullptr;
    const long m = std::strtol(text, &end, 10);
    long n = 0;
    if (end == text || m < 0 || m > 255)
        return false;
    if (*end == '.') {
        const char* rest = end + 1;
        n = std::strtol(rest, &end, 10);
        if (end == rest || n < 0 || n > 255)
            return false;
    }
    if (*end != '\0')
        return false;
    major = static_cast<int>(m);
    minor = static_cast<int>(n);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    k5sim::RecorderSim::Config config;
    std::string user = "admin";
    std::string password = "1234";
    bool live = false;
    int setupMajor = 4, setupMinor = 6;
    long timePort = -1;
    bool patternedSetup = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long v = 0;
        if (arg == "--port" && NumberArg(argc, argv, i, v) && v >= 0 && v <= 65535) {
            config.port = static_cast<std::uint16_t>(v);
        } else if (arg == "--channels" && NumberArg(argc, argv, i, v) && v >= 0 && v <= 255) {
            config.hello.channelNum = static_cast<std::uint8_t>(v);
        } else if (arg == "--product" && NumberArg(argc, argv, i, v) && v >= 0 && v <= 255) {
            config.hello.productNumber = static_cast<std::uint8_t>(v);
        } else if (arg == "--flags2" && NumberArg(argc, argv, i, v) && v >= 0 && v <= 255) {
            config.hello.flags2 = static_cast<std::uint8_t>(v);
        } else if (arg == "--user" && i + 1 < argc) {
            user = argv[++i];
        } else if (arg == "--password" && i + 1 < argc) {
            password = argv[++i];
        } else if (arg == "--sub-product") {
            int major = 0, minor = 0;
            if (!VersionArg(argc, argv, i, major, minor)) {
                Usage();
                return 2;
            }
            config.hello.subMajor = static_cast<std::uint8_t>(major);
            config.hello.subMinor = static_cast<std::uint8_t>(minor);
        } else if (arg == "--setup-version") {
            if (!VersionArg(argc, argv, i, setupMajor, setupMinor)) {
                Usage();
                return 2;
            }
        } else if (arg == "--time-port" && NumberArg(argc, argv, i, v) && v >= 0 && v <= 65535) {
            timePort = v;
        } else if (arg == "--patterned-setup") {
            patternedSetup = true;
        } else if (arg == "--live") {
            live = true;
        } else if (arg == "--no-hello-answer") {
            config.hello.reply = k5sim::HelloConfig::Reply::NoAnswer;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else {
            Usage();
            return 2;
        }
    }

    k5sim::RecorderSim sim(config);
    k5sim::SimPtz ptz(sim);
    // Recordings of this month and the last, by the recorder's clock (the
    // local wall clock read as UTC); searches and backups read the same ones.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const k5sim::SimCatalogue catalogue =
        k5sim::SimCatalogue::Demo(static_cast<std::uint32_t>(now + local.tm_gmtoff));
    k5sim::SimSearch search(sim, catalogue);
    {
        // A log of every kind over the last day, and a status with one disk.
        k5sim::SearchScript script;
        script.fragment = 65535;
        script.log = k5sim::BuildLog(
            k5sim::EveryKindLog(static_cast<std::uint32_t>(now + local.tm_gmtoff) - 24 * 3600));
        k5sim::StatusFields status;
        status.totalMB = 2000 * 1024;
        status.freeMB = 750 * 1024;
        script.status = k5sim::BuildStatus(status);
        search.SetScript(script);
    }
    k5sim::SimTransfer transfer(sim);
    transfer.Config().keepFrames = false;
    transfer.SetCatalogue(&catalogue);
    // Downloads play back with their watermark check, as the recorder's do;
    // the size estimate is the rate those pictures take (about 16 KB each).
    k5sim::ServeWatermarkedBackups(transfer);
    transfer.Config().kbPerSecond = 5 * 16;
    k5sim::SimFirmware firmware(sim);
    k5sim::SimSetup setup(sim, 7000, static_cast<std::uint8_t>(setupMajor), static_cast<std::uint8_t>(setupMinor));
    if (patternedSetup) {
        k5sim::SetRecordSettings(setup, k5sim::SimRecordSettings::Plausible(config.hello.channelNum));
        setup.SetFactory();
        // Preset tables, sensor links and motion grids with something to show.
        k5sim::ServeSensorPageFields(setup);
    } else {
        k5sim::DemoSetupKind kind;
        kind.channels = config.hello.channelNum;
        kind.subMajor = config.hello.subMajor;
        kind.versionMajor = setupMajor;
        kind.versionMinor = setupMinor;
        kind.user = user;
        kind.password = password;
        kind.recorderTime = static_cast<std::uint32_t>(now + local.tm_gmtoff);
        setup.SetImage(k5sim::PlausibleSetupImage(kind));
        setup.SetFactory();
    }
    k5sim::SimTestMail testMail(sim);
    std::unique_ptr<k5sim::SimLive> liveData;
    if (live) {
        liveData = std::make_unique<k5sim::SimLive>(sim);
        for (int ch = 0; ch < 16; ++ch)
            liveData->SetStream(ch, k5sim::MakePatternStream(ch, 352, 288, 50, 25));
        search.AttachPlayback(*liveData);
    }
    sim.OnHello([user, password, patternedSetup](k5sim::RecorderSim& s) {
        k5sim::GrantOperator(s, user, password);
        k5sim::DbChangeConfig db;
        for (int ch = 0; ch < 16; ++ch)
            db.cameraNames[ch] = patternedSetup ? "CAM " + std::to_string(ch + 1) : k5sim::DemoCameraName(ch);
        s.Send(k5sim::id::DB_CHANGE, k5sim::BuildDbChange(db));
        s.Send(k5sim::id::REC_STATUS, k5sim::BuildRecStatus(0, 1));
        // The recorder's languages (with a free entry) and its DST presets.
        s.Send(k5sim::id::SYS_ETC_INFO_EX,
               k5sim::BuildSysEtcInfoEx({"English", "", "German", "french", "Greek"}));
        s.Send(k5sim::id::DST_INFO, k5sim::BuildDstInfo({{2, 1, 0, 2, 0, 10, 0, 0, 2, 0, 0, 0},
                                                         {2, 4, 0, 1, 0, 9, 4, 0, 1, 0, 0, 0}}));
        // The PTZ pages' protocol lists, both forms; the named one (with a
        // free entry) is the one in force. It replaces the record above, so
        // it carries the languages again.
        s.Send(k5sim::id::SYS_ETC_INFO, k5sim::BuildSysEtcInfo({{1, 4}, {2, 4}, {0, 0}, {5, 6}}, {{1, 4}, {2, 2}}));
        s.Send(k5sim::id::SYS_ETC_INFO_EX,
               k5sim::BuildSysEtcInfoEx({{"PELCO-P", 4}, {"PELCO-D", 5}, {"", 0}, {"SIM-DOME", 6}},
                                        {{"SIM-KEYS", 3}, {"", 0}, {"RS-KBD", 0}},
                                        {"English", "", "German", "french", "Greek"}));
    });
    // The time-protocol server the client's NTP page asks for its clock.
    k5sim::SimTimeServer timeServer;
    if (timePort >= 0) {
        timeServer.SetTime(k5sim::SimTimeServer::kNow);
        if (!timeServer.Start(static_cast<std::uint16_t>(timePort))) {
            std::fprintf(stderr, "recorder-sim: cannot listen on time port %ld\n", timePort);
            return 1;
        }
        std::printf("recorder-sim time server on 127.0.0.1:%u\n", unsigned(timeServer.Port()));
    }
    if (!sim.Start()) {
        std::fprintf(stderr, "recorder-sim: cannot listen on port %u\n", unsigned(config.port));
        return 1;
    }
    std::printf("recorder-sim listening on 127.0.0.1:%u\n", unsigned(sim.Port()));
    std::fflush(stdout);

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    while (!g_stop)
        pause();
    sim.Stop();
    return 0;
}
