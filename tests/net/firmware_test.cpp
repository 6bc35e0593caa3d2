#include "BackupFrames.h"
#include "net/FirmwareUpgrade.h"
#include "net/NetMessages.h"
#include "net/Wire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::uint32_t Utc(int y, int mo, int d, int h, int mi, int s)
{
    struct tm t
    {
    };
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return static_cast<std::uint32_t>(timegm(&t));
}

HelloRecord MakeHello()
{
    HelloRecord h{};
    std::strcpy(h.FirmName[0], "Boot_K5_v2");
    std::strcpy(h.FirmName[3], "kernel");
    std::strcpy(h.FirmName[4], "rootfs");
    std::strcpy(h.FirmName[5], "app");
    std::strcpy(h.FirmName[6], "web");
    std::strcpy(h.FirmName[7], "nowhere"); // a component without a row
    h.FirmVer[0] = Utc(2008, 1, 1, 0, 0, 0);
    h.FirmVer[3] = 100;
    h.FirmVer[4] = 100;
    h.FirmVer[5] = 100;
    h.FirmVer[6] = 100;
    h.FirmVer[7] = 100;
    return h;
}

std::vector<std::uint8_t> BootImage(const char* date, std::size_t size = 1024,
                                    const char* name = "Boot_K5_v2")
{
    std::vector<std::uint8_t> b(size, 0x11);
    std::memcpy(&b[0], "\x12\x34\x56VBoot", 8);
    std::memcpy(&b[4], name, std::min<std::size_t>(11, std::strlen(name) + 1));
    if (date != nullptr)
        std::memcpy(&b[40], date, std::strlen(date));
    return b;
}

// A component image: the 64-byte header at the start, or at the end behind
// the 0xEA000014 word.
std::vector<std::uint8_t> ComponentImage(const char* name, std::uint32_t version, std::size_t size = 600,
                                         bool atEnd = false, bool terminated = true)
{
    std::vector<std::uint8_t> b(size, 0x22);
    std::uint8_t header[64] = {};
    WriteBE32(header + 8, version);
    std::memset(header + 32, 'n', 32);
    if (terminated) {
        std::memset(header + 32, 0, 32);
        std::memcpy(header + 32, name, std::strlen(name));
    }
    if (atEnd) {
        WriteLE32(b.data(), 0xEA000014);
        std::memcpy(b.data() + size - 64, header, 64);
    } else {
        std::memcpy(b.data(), header, 64);
    }
    return b;
}

struct Folder
{
    fs::path dir;
    explicit Folder(const char* name)
    {
        dir = BackupScratchRoot() / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Folder() { fs::remove_all(dir); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
};

TEST(FirmwareProbe, BuildDates)
{
    struct Case
    {
        const char* text;
        int rc;
        std::uint32_t time;
    };
    const Case cases[] = {
        {"xx(Mar  5 2008 - 14:30:00)", 0, Utc(2008, 3, 5, 14, 30, 0)},
        {"(Dec 31 2037 - 23:59:59", 0, Utc(2037, 12, 31, 23, 59, 59)},
        {"(Feb 29 2008...01:02:03)", 0, Utc(2008, 2, 29, 1, 2, 3)},
        {"(MAR  5 2008 - 14:30:00)", -1, 0}, // month in capitals
        {"no parenthesis at all", -1, 0},
        {"(Mar 32 2008 - 14:30:00)", -1, 0},
        {"(Feb 29 2007 - 14:30:00)", -1, 0},
        {"(Mar  5 1969 - 14:30:00)", -1, 0},
        {"(Mar  5 2008 abc 24:30:00)", -1, 0},
        {"(Mar  5 2008 - 14:60:00)", -1, 0},
        {"(Mar  5 2008 - 14:30:xx)", -1, 0},
        {"(Mar  x 2008 - 14:30:00)", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::uint8_t> b(256, 'z');
        std::memcpy(b.data(), c.text, std::strlen(c.text));
        std::uint32_t t = 0;
        EXPECT_EQ(ParseBuildDate(b.data(), b.size(), t), c.rc);
        if (c.rc == 0) {
            EXPECT_EQ(t, c.time);
        }
    }
    // Fields that run to or past the end of the probed bytes are not read.
    std::vector<std::uint8_t> b(256, ' ');
    const char* tail = "(Mar  5 2008 - 14:30:0";
    std::memcpy(b.data() + 256 - std::strlen(tail), tail, std::strlen(tail));
    std::uint32_t t = 0;
    EXPECT_EQ(ParseBuildDate(b.data(), b.size(), t), -1);
    std::memcpy(b.data() + 256 - 10, "(Mar  5 20", 10);
    EXPECT_EQ(ParseBuildDate(b.data(), b.size(), t), -1);
}

TEST(FirmwareProbe, ImagesOfTheFolder)
{
    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool accepted;
        int type;
        std::uint32_t version;
    };
    const HelloRecord hello = MakeHello();
    const Case cases[] = {
        {"boot image", BootImage("(Mar  5 2008 - 14:30:00"), true, 0, Utc(2008, 3, 5, 14, 30, 0)},
        {"boot of another name", BootImage("(Mar  5 2008 - 14:30:00", 1024, "Other"), false, -1, 0},
        {"boot without a date", BootImage(nullptr), false, -1, 0},
        {"boot shorter than the probe", BootImage("(Mar  5 2008 - 14:30:00", 255), false, -1, 0},
        {"header at the start", ComponentImage("rootfs", 200), true, 4, 200},
        {"header at the end", ComponentImage("app", 300, 600, true), true, 5, 300},
        {"header at the end, file of 256", ComponentImage("web", 300, 256, true), true, 6, 300},
        {"file shorter than 256", ComponentImage("kernel", 300, 255), false, -1, 0},
        {"name without its zero", ComponentImage("kernel", 300, 600, false, false), false, -1, 0},
        {"component without a row", ComponentImage("nowhere", 300), false, -1, 0},
        {"unknown component", ComponentImage("toaster", 300), false, -1, 0},
    };
    Folder folder("fw_probe");
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.Write("img" + std::to_string(i++), c.bytes);
        FirmwareImageInfo info;
        EXPECT_EQ(ProbeFirmwareImage(path, hello, info), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(info.type, c.type);
            EXPECT_EQ(info.version, c.version);
        }
    }
    // Not regular files, and paths past 259 bytes.
    FirmwareImageInfo info;
    const std::string fifo = (folder.dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ProbeFirmwareImage(fifo, hello, info)); // returns, does not block
    EXPECT_FALSE(ProbeFirmwareImage(folder.dir.string(), hello, info));
    const std::string longName(260 - folder.dir.string().size(), 'a');
    const std::string longPath = folder.Write(longName, ComponentImage("rootfs", 200));
    ASSERT_GT(longPath.size(), 259u);
    EXPECT_FALSE(ProbeFirmwareImage(longPath, hello, info));
}

TEST(FirmwareProbe, ScanKeepsTheNewestPerRow)
{
    const HelloRecord hello = MakeHello();
    Folder folder("fw_scan");
    folder.Write("a", ComponentImage("rootfs", 200));
    folder.Write("b", ComponentImage("rootfs", 500));
    folder.Write("c", ComponentImage("rootfs", 300));
    folder.Write("d", ComponentImage("kernel", 100)); // equal to the recorder's: not offered
    folder.Write("e", ComponentImage("app", 300, 600, false));
    std::vector<std::uint8_t> startOnly = ComponentImage("web", 900);
    WriteLE32(startOnly.data(), 0xEA000014); // header at the start is ignored
    folder.Write("f", startOnly);
    std::array<FirmwareComponentRecord, 20> records;
    const int n = ScanFirmwareFolder(folder.dir.string(), hello, records);
    EXPECT_GE(n, 2);
    EXPECT_FALSE(records[GetTypeToIdx(3)].selected);
    ASSERT_TRUE(records[GetTypeToIdx(4)].selected);
    EXPECT_EQ(records[GetTypeToIdx(4)].version, 500u);
    EXPECT_EQ(records[GetTypeToIdx(4)].path, (folder.dir / "b").string());
    EXPECT_TRUE(records[GetTypeToIdx(5)].selected);
    EXPECT_FALSE(records[GetTypeToIdx(6)].selected);
    EXPECT_EQ(ScanFirmwareFolder((folder.dir / "missing").string(), hello, records), 0);
}

TEST(FirmwareRequest, Bytes)
{
    std::array<std::uint8_t, 32> name{};
    std::memcpy(name.data(), "rootfs", 6);
    const auto r = MakeFwUpdateRequest(0x01020304, 4, name);
    std::array<std::uint8_t, 56> expected{};
    expected[4] = 1;
    expected[5] = 2;
    expected[6] = 3;
    expected[7] = 4;
    expected[16] = 4;
    std::memcpy(expected.data() + 21, "rootfs", 6);
    EXPECT_EQ(r, expected);
    EXPECT_EQ(GetIdxToType(0), 0);
    EXPECT_EQ(GetIdxToType(4), 6);
    EXPECT_EQ(GetTypeToIdx(5), 3);
    EXPECT_EQ(GetTypeToIdx(1), -1);
}

TEST(FirmwareUpload, Chunks)
{
    struct Case
    {
        std::uint64_t size;
        std::vector<std::size_t> chunks;
        std::vector<int> progress;
    };
    const Case cases[] = {
        {8000, {8000}, {100}},
        {8001, {8000, 1}, {99, 100}},
        {20000, {8000, 8000, 4000}, {40, 80, 100}},
        {1, {1}, {100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<std::uint8_t> image(c.size);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i * 7);
        std::size_t at = 0;
        std::vector<std::size_t> chunks;
        std::vector<bool> lasts;
        std::vector<int> progress;
        std::vector<std::uint8_t> received;
        FwUploadIo io;
        io.read = [&](std::uint8_t* b, std::size_t n) -> long {
            // Short reads on the way are fine as long as the bytes come.
            n = std::min<std::size_t>({n, image.size() - at, 3000});
            std::memcpy(b, image.data() + at, n);
            at += n;
            return static_cast<long>(n);
        };
        io.send = [&](const std::uint8_t* b, std::size_t n, bool last) {
            chunks.push_back(n);
            lasts.push_back(last);
            received.insert(received.end(), b, b + n);
            return true;
        };
        io.progress = [&](int p) { progress.push_back(p); };
        std::atomic<bool> stop{false};
        EXPECT_EQ(RunFirmwareUpload(c.size, io, stop), FwUploadResult::Done);
        EXPECT_EQ(chunks, c.chunks);
        EXPECT_EQ(progress, c.progress);
        EXPECT_EQ(received, image);
        for (std::size_t i = 0; i < lasts.size(); ++i)
            EXPECT_EQ(lasts[i], i + 1 == lasts.size());
    }
}

TEST(FirmwareUpload, TruncatedStoppedLargeAndFailedSends)
{
    std::atomic<bool> stop{false};
    // The file gives fewer bytes than its size: no chunk with the last flag,
    // and the short chunk is not sent.
    {
        std::size_t left = 12000;
        std::vector<std::pair<std::size_t, bool>> sent;
        FwUploadIo io;
        io.read = [&](std::uint8_t*, std::size_t n) -> long {
            n = std::min(n, left);
            left -= n;
            return static_cast<long>(n);
        };
        io.send = [&](const std::uint8_t*, std::size_t n, bool last) {
            sent.emplace_back(n, last);
            return true;
        };
        EXPECT_EQ(RunFirmwareUpload(20000, io, stop), FwUploadResult::Truncated);
        EXPECT_EQ(sent, (std::vector<std::pair<std::size_t, bool>>{{8000, false}}));
        left = 0;
        sent.clear();
        EXPECT_EQ(RunFirmwareUpload(20000, io, stop), FwUploadResult::Truncated);
        EXPECT_TRUE(sent.empty());
        io.read = [](std::uint8_t*, std::size_t) -> long { return -1; };
        EXPECT_EQ(RunFirmwareUpload(20000, io, stop), FwUploadResult::Truncated);
    }
    // Progress of a large image in 64-bit arithmetic.
    {
        const std::uint64_t total = 40ull << 20;
        int lastProgress = -1;
        bool monotonic = true;
        FwUploadIo io;
        io.read = [](std::uint8_t*, std::size_t n) -> long { return static_cast<long>(n); };
        io.send = [](const std::uint8_t*, std::size_t, bool) { return true; };
        io.progress = [&](int p) {
            monotonic = monotonic && p >= lastProgress && p <= 100;
            lastProgress = p;
        };
        EXPECT_EQ(RunFirmwareUpload(total, io, stop), FwUploadResult::Done);
        EXPECT_TRUE(monotonic);
        EXPECT_EQ(lastProgress, 100);
    }
    {
        int sends = 0;
        FwUploadIo io;
        io.read = [](std::uint8_t*, std::size_t n) -> long { return static_cast<long>(n); };
        io.send = [&](const std::uint8_t*, std::size_t, bool) {
            if (++sends == 2)
                stop = true;
            return true;
        };
        EXPECT_EQ(RunFirmwareUpload(100000, io, stop), FwUploadResult::Stopped);
        EXPECT_EQ(sends, 2);
        stop = false;
        io.send = [](const std::uint8_t*, std::size_t, bool) { return false; };
        EXPECT_EQ(RunFirmwareUpload(100000, io, stop), FwUploadResult::SendFailed);
    }
    FwUploadIo io;
    EXPECT_EQ(UploadFirmwareFile("/nonexistent/image", io, stop), FwUploadResult::OpenFailed);
}

using Action = CFirmwareSession::Action;

std::array<FirmwareComponentRecord, 20> TwoRows()
{
    std::array<FirmwareComponentRecord, 20> r{};
    for (int row : {1, 3}) {
        r[row].selected = true;
        r[row].version = 1000 + row;
        r[row].path = "img" + std::to_string(row);
    }
    return r;
}

TEST(FirmwareSession, AnswersTable)
{
    struct Step
    {
        unsigned msg; // 0: Start, 1: upload ended, 2: Stop
        int reason;
        Action action;
        int current;
        int statusMode;
    };
    struct Case
    {
        const char* what;
        std::vector<Step> steps;
        std::vector<int> status; // rows 1 and 3 at the end
        int done;
        bool closeEnabled;
    };
    const Case cases[] = {
        {"two components written",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 1, 1},
          {1, 0, Action::None, 1, 1},
          {WM_FW_DATA_RX_DONE, 0, Action::None, 1, 3},
          {WM_FW_UPDATE_DONE, 0, Action::SendRequest, 3, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 3, 1},
          {1, 0, Action::None, 3, 1},
          {WM_FW_DATA_RX_DONE, 0, Action::None, 3, 3},
          {WM_FW_UPDATE_DONE, 0, Action::None, 0, 0}},
         {IDS_FW_STATUS_DONE, IDS_FW_STATUS_DONE},
         2,
         true},
        {"NACK 17 on the first goes on with the next",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_NACK, 17, Action::SendRequest, 3, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 3, 1},
          {1, 0, Action::None, 3, 1},
          {WM_FW_UPDATE_DONE, 0, Action::None, 0, 0}},
         {IDS_FW_STATUS_NACK_17, IDS_FW_STATUS_DONE},
         1,
         true},
        {"NACK 1 and 18, unknown reasons leave the label",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_NACK, 1, Action::SendRequest, 3, 0},
          {WM_FW_UPDATE_NACK, 99, Action::None, 0, 0}},
         {IDS_FW_STATUS_NACK_1, 0},
         0,
         true},
        {"a failure during the upload waits for its end before going on",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 1, 1},
          {WM_FW_DATA_RX_FAIL, 3, Action::StopUpload, 1, 0},
          {1, 1, Action::SendRequest, 3, 0},
          {WM_FW_UPDATE_NACK, 18, Action::None, 0, 0}},
         {IDS_FW_STATUS_FAILED, IDS_FW_STATUS_NACK_18},
         0,
         true},
        {"update failure",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 1, 1},
          {1, 0, Action::None, 1, 1},
          {WM_FW_UPDATE_FAIL, 5, Action::SendRequest, 3, 0}},
         {IDS_FW_STATUS_FAILED, 0},
         0,
         false},
        {"truncated image",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 1, 1},
          {1, int(FwUploadResult::Truncated), Action::None, 1, 0}},
         {IDS_FW_STATUS_FAILED, 0},
         0,
         true},
        {"Stop during the upload",
         {{0, 0, Action::SendRequest, 1, 0},
          {WM_FW_UPDATE_ACK, 0, Action::StartUpload, 1, 1},
          {2, 0, Action::StopUpload, 1, 0},
          {1, int(FwUploadResult::Stopped), Action::None, 1, 0}},
         {IDS_FW_STATUS_STOPPED, 0},
         0,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFirmwareSession s;
        s.Init(TwoRows());
        EXPECT_TRUE(s.Ticked(1));
        EXPECT_FALSE(s.CheckEnabled(0));
        EXPECT_TRUE(s.StartEnabled());
        int i = 0;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(i++);
            Action a;
            if (step.msg == 0)
                a = s.OnStart();
            else if (step.msg == 1)
                a = s.OnUploadEnded(static_cast<FwUploadResult>(step.reason));
            else if (step.msg == 2)
                a = s.OnStop();
            else
                a = s.OnAnswer(step.msg, step.reason);
            EXPECT_EQ(a, step.action);
            EXPECT_EQ(s.Current(), step.current);
            EXPECT_EQ(s.StatusMode(), step.statusMode);
        }
        EXPECT_EQ(s.StatusText(1), c.status[0]);
        EXPECT_EQ(s.StatusText(3), c.status[1]);
        EXPECT_EQ(s.DoneCount(), c.done);
        EXPECT_EQ(s.OnClose(), c.done > 0);
        EXPECT_EQ(s.CloseEnabled(), c.closeEnabled);
    }
}

TEST(FirmwareSession, Ticks)
{
    CFirmwareSession s;
    s.Init(TwoRows());
    s.SetTicked(1, false);
    EXPECT_TRUE(s.StartEnabled());
    s.SetTicked(3, false);
    EXPECT_FALSE(s.StartEnabled());
    s.SetTicked(0, true); // no image: its box stays disabled
    EXPECT_FALSE(s.Ticked(0));
    EXPECT_EQ(s.OnStart(), Action::None);
    s.SetTicked(3, true);
    EXPECT_EQ(s.OnStart(), Action::SendRequest);
    EXPECT_EQ(s.Current(), 3);
    EXPECT_FALSE(s.StartShown());
    EXPECT_TRUE(s.StopShown());
}

} // namespace
