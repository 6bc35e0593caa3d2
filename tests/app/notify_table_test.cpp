// The notification code table: every code and sub-code, what each shows,
// with which buttons, and what is done afterwards.
#include "app/NotifyTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum class St
{
    Offline,    // no connection
    Online,     // connected and logged in, every right
    HandOver,   // Online with a play hand-over pending
    Sizes,      // Online with both stored sizes set (1536 and 500 MByte)
    OneSize,    // Online with only the needed size set
    Spare,      // Online with the search window open and 250 MByte spare
    NoReboot,   // Online without the reboot right
    Connecting, // connected, not logged in, with sizes and a spare value
};

NotifyState MakeState(St st)
{
    NotifyState s;
    s.version = {1, 2, 3, 4};
    if (st == St::Offline)
        return s;
    s.connected = true;
    s.loggedIn = st != St::Connecting;
    s.rebootRight = st != St::NoReboot;
    s.playHandOverActive = st == St::HandOver;
    if (st == St::Sizes || st == St::Connecting) {
        s.transNackNeededMB = 1536;
        s.transNackFreeMB = 500;
    }
    if (st == St::OneSize)
        s.transNackNeededMB = 2048;
    if (st == St::Spare || st == St::Connecting) {
        s.searchWindowOpen = true;
        s.backupSpareMB = 250;
    }
    return s;
}

struct Row
{
    int code;
    int sub;
    St state;
    std::vector<std::string> lines; // "#id" for string-table texts
    int buttons;
    NotifyAfter after;
    bool clearsSizes;
};

constexpr int OK = NOTIFY_BUTTONS_OK;
constexpr int OKC = NOTIFY_BUTTONS_OK_CANCEL;
constexpr int CAN = NOTIFY_BUTTONS_CANCEL;
using A = NotifyAfter;
const std::vector<std::string> kNone;

std::vector<Row> Rows()
{
    return {
        {0, 0, St::Offline, {"#5080"}, OK, A::None, false},
        {0, 1, St::Offline, kNone, OK, A::None, false},
        {1, 0, St::Offline, {"#5087"}, OK, A::None, false},
        {1, 1, St::Offline, {"#5053"}, OK, A::None, false},
        {1, 2, St::Offline, {"Cannot assign requested address!"}, OK, A::None, false},
        {1, 3, St::Offline, {"No route to host!"}, OK, A::None, false},
        {1, 4, St::Offline, {"No response to hello!"}, OK, A::None, false},
        {1, 5, St::Offline, {"Connect Error Code = 5"}, OK, A::None, false},
        {1, 10051, St::Offline, {"Connect Error Code = 10051"}, OK, A::None, false},
        {2, 0, St::Offline, {"#5079"}, OK, A::None, false},
        {2, 1, St::Offline, kNone, OK, A::None, false},
        {3, 0, St::Online, {"#5079", "#5084"}, OK, A::None, false},
        {3, 1, St::Online, {"#5079", "#5082"}, OK, A::None, false},
        {3, 2, St::Online, {"#5079", "#5066"}, OK, A::None, false},
        {3, 3, St::Online, {"#5079", "#5071"}, OK, A::None, false},
        {3, 4, St::Online, {"#5079", "#5057"}, OK, A::None, false},
        {3, 5, St::Online, {"#5079", "#5060"}, OK, A::None, false},
        {3, 6, St::Online, {"#5079", "#5062"}, OK, A::None, false},
        {3, 7, St::Online, {"#5079", "#5073"}, OK, A::None, false},
        {3, 8, St::Online, kNone, OK, A::None, false},
        {4, 0, St::HandOver, {"#5069", "#5078"}, OKC, A::NoDataChoice, false},
        {4, 0, St::Online, {"#5069"}, OK, A::None, false},
        {4, 0, St::Offline, {"#5069"}, OK, A::None, false},
        {4, 1, St::HandOver, kNone, OK, A::None, false},
        {5, 0, St::Online, {"#5083"}, OK, A::None, false},
        {5, 1, St::Online, {"#5070"}, OK, A::None, false},
        {5, 2, St::Online, {"#5065"}, OK, A::None, false},
        {5, 3, St::Online, kNone, OK, A::None, false},
        {6, 0, St::Online, {"#5083"}, OK, A::None, false},
        {6, 1, St::Online, {"#5081"}, OK, A::None, false},
        {6, 2, St::Online, {"#5070"}, OK, A::None, false},
        {6, 3, St::Online, {"#5054"}, OK, A::None, false},
        {6, 4, St::Online, {"#5055"}, OK, A::None, false},
        // Sizes under 1 GByte keep their decimal (500 MByte is 0.5, not 0).
        {6, 5, St::Sizes, {"#5052", "#5840 :    1.5 GByte", "#5841 :    0.5 GByte"}, OK, A::None, true},
        {6, 5, St::OneSize, {"#5052"}, OK, A::None, false},
        {6, 5, St::Offline, {"#5052"}, OK, A::None, false},
        {6, 6, St::Online, {"#5092"}, OK, A::None, false},
        {6, 7, St::Online, {"#5074"}, OK, A::None, false},
        {6, 8, St::Online, {"#5995"}, OK, A::None, false}, // an answer dropped
        {6, 9, St::Online, kNone, OK, A::None, false},
        {7, 0, St::Online, {"#5075", "#5084", "#5078"}, OKC, A::ResendDbUpdate, false},
        {7, 1, St::Online, {"#5075", "#5051", "#5078"}, OKC, A::ResendDbUpdate, false},
        {7, 2, St::Online, {"#5075", "#5056", "#5078"}, OKC, A::ResendDbUpdate, false},
        {7, 3, St::Online, {"#5075", "#5074", "#5078"}, OKC, A::ResendDbUpdate, false},
        {7, 4, St::Online, kNone, OK, A::None, false},
        {8, 0, St::Online, {"#5063", "#5084"}, OK, A::None, false},
        {8, 1, St::Online, {"#5063", "#5089"}, OK, A::None, false},
        {8, 2, St::Online, {"#5063", "#5072"}, OK, A::None, false},
        {8, 3, St::Online, {"#5063", "#5059"}, OK, A::None, false},
        {8, 4, St::Online, {"#5063", "#5058"}, OK, A::None, false},
        {8, 5, St::Online, {"#5064", "#5077"}, OKC, A::OfferReboot, false},
        {8, 6, St::Online, {"#5063", "#5088"}, OK, A::None, false},
        {8, 7, St::Online, kNone, OK, A::None, false},
        {9, 0, St::Online, {"#5050"}, OK, A::None, false},
        {9, 1, St::Online, kNone, OK, A::None, false},
        {10, 0, St::Online, {"#5076"}, OK, A::None, false},
        {10, 1, St::Online, kNone, OK, A::None, false},
        {11, 0, St::Online, {"#5067"}, OKC, A::FirmwareDialog, false},
        {11, 1, St::Online, {"#5068"}, CAN, A::FirmwareDialog, false},
        {11, 2, St::Online, kNone, OK, A::FirmwareDialog, false},
        {12, 0, St::Online, {"#5085"}, OK, A::None, false},
        {12, 1, St::Online, {"#5086"}, OK, A::None, false},
        {12, 2, St::Online, kNone, OK, A::None, false},
        {13, 0, St::Sizes, {"#5061", "#5840 :    1.5 GByte", "#5841 :    0.5 GByte"}, OK, A::None, true},
        {13, 0, St::Spare, {"#5061", "250 MByte"}, OK, A::None, false},
        {13, 0, St::Online, {"#5061"}, OK, A::None, false}, // no search window to read
        {13, 0, St::Connecting, {"#5061", "#5840 :    1.5 GByte", "#5841 :    0.5 GByte"}, OK, A::None, true},
        {13, 0, St::Offline, {"#5061"}, OK, A::None, false},
        {13, 1, St::Sizes, kNone, OK, A::None, false},
        {14, 0, St::Online, {"#5996", "#5091"}, OKC, A::SendDbInit, false},
        {14, 1, St::Online, kNone, OK, A::None, false},
        {15, 0, St::Online, {"#5093"}, CAN, A::None, false},
        {15, 1, St::Online, kNone, OK, A::None, false},
        {16, 0, St::Online, {"#5821", "#5822", "#5823"}, OKC, A::SendDbInit, false},
        {16, 1, St::Online, kNone, OK, A::None, false},
        {17, 0, St::Offline, {"#5069"}, OK, A::None, false},
        {17, 1, St::Offline, {"#5549", ""}, OK, A::None, false},
        {18, 0, St::Online, kNone, OK, A::None, false},
        {19, 0, St::Offline, {"#5410", " 1.2.3.4"}, OK, A::None, false},
        {19, 9, St::Online, {"#5410", " 1.2.3.4"}, OK, A::None, false},
        {20, 0, St::Online, kNone, OK, A::RebootPrompt, false},
        {20, 0, St::NoReboot, kNone, OK, A::PostNoPermission, false},
        {20, 0, St::Connecting, kNone, OK, A::None, false},
        {20, 0, St::Offline, kNone, OK, A::None, false},
        {21, 0, St::Online, {"#7001", "#7003", "#7006"}, OK, A::None, false},
        {21, 1, St::Offline, {"#7001", "#7004", "#7006"}, OK, A::None, false},
        {21, 2, St::Online, {"#7001", "#7005", "#7006"}, OK, A::None, false},
        {21, 3, St::Online, {"#7002", "#7003"}, OK, A::None, false},
        {21, 4, St::Offline, {"#7002", "#7004"}, OK, A::None, false},
        {21, 5, St::Online, {"#7002", "#7005"}, OK, A::None, false},
        {21, 6, St::Online, {"#7220", "#7221"}, OK, A::None, false},
        {21, 7, St::Online, kNone, OK, A::None, false},
        {22, 0, St::Online, kNone, OK, A::None, false},
        {0xFFFF, 0xFFFF, St::Online, kNone, OK, A::None, false},
    };
}

TEST(NotifyTable, SkippedDownloadedSetIsNamed)
{
    NotifyState state;
    state.skippedSet = "a1b2c3";
    const NotifyBox box = BuildNotifyBox(17, 1, state);
    state.skippedSet = "gone"; // the box holds its own copy
    ASSERT_EQ(box.lineCount, 2);
    const auto load = [](int id) { return QStringLiteral("#%1").arg(id); };
    EXPECT_EQ(FormatNotifyLine(box.lines[0], load), QStringLiteral("#5549"));
    EXPECT_EQ(FormatNotifyLine(box.lines[1], load), QStringLiteral("a1b2c3"));
}

TEST(NotifyTable, DownloadClosedNamesTheSetAndCountsDroppedFrames)
{
    const auto load = [](int id) { return QStringLiteral("#%1").arg(id); };
    NotifyState state;
    state.downloadName = "park-2";
    NotifyBox box = BuildNotifyBox(NOTIFY_DOWNLOAD_CLOSED, 0, state);
    state.downloadName = "gone"; // the box holds its own copy
    ASSERT_EQ(box.lineCount, 2);
    EXPECT_EQ(FormatNotifyLine(box.lines[0], load), QStringLiteral("#7007"));
    EXPECT_EQ(FormatNotifyLine(box.lines[1], load), QStringLiteral("park-2"));
    EXPECT_EQ(box.buttons, NOTIFY_BUTTONS_OK);

    // A typed name in the local encoding is shown as typed; drops are counted.
    state.downloadName = QStringLiteral("Tor s\u00fcd").toLocal8Bit().toStdString();
    state.downloadDropped = 12;
    box = BuildNotifyBox(NOTIFY_DOWNLOAD_CLOSED, 0, state);
    ASSERT_EQ(box.lineCount, 3);
    EXPECT_EQ(FormatNotifyLine(box.lines[1], load), QStringLiteral("Tor s\u00fcd"));
    EXPECT_EQ(FormatNotifyLine(box.lines[2], load), QStringLiteral("#7008 12"));
}

TEST(NotifyTable, EveryCodeAndSubCode)
{
    const auto load = [](int id) { return QStringLiteral("#%1").arg(id); };
    for (const Row& row : Rows()) {
        SCOPED_TRACE(testing::Message() << "code " << row.code << " sub " << row.sub << " state "
                                        << static_cast<int>(row.state));
        const NotifyBox box = BuildNotifyBox(row.code, row.sub, MakeState(row.state));
        std::vector<std::string> lines;
        for (int i = 0; i < box.lineCount; ++i)
            lines.push_back(FormatNotifyLine(box.lines[static_cast<std::size_t>(i)], load).toStdString());
        EXPECT_EQ(lines, row.lines);
        if (!row.lines.empty()) {
            EXPECT_EQ(box.buttons, row.buttons);
        }
        EXPECT_EQ(static_cast<int>(box.after), static_cast<int>(row.after));
        EXPECT_EQ(box.clearTransNack, row.clearsSizes);
    }
}

// Lines that use 1.2 whatever the language: literal connect errors, the
// version box and the reboot confirmation; every other line follows it.
TEST(NotifyTable, FixedWidthFactorLines)
{
    const NotifyState s = MakeState(St::Online);
    for (int sub : {2, 3, 4, 77})
        EXPECT_TRUE(BuildNotifyBox(NOTIFY_CONNECT_FAILED, sub, s).lines[0].fixedFactor) << sub;
    EXPECT_FALSE(BuildNotifyBox(NOTIFY_CONNECT_FAILED, 0, s).lines[0].fixedFactor);
    const NotifyBox version = BuildNotifyBox(NOTIFY_VERSION, 0, s);
    EXPECT_TRUE(version.lines[0].fixedFactor);
    EXPECT_TRUE(version.lines[1].fixedFactor);
    const NotifyBox reboot = BuildRebootConfirmBox();
    ASSERT_EQ(reboot.lineCount, 1);
    EXPECT_EQ(reboot.lines[0].id, 5077);
    EXPECT_TRUE(reboot.lines[0].fixedFactor);
    EXPECT_EQ(reboot.buttons, NOTIFY_BUTTONS_OK_CANCEL);
    const NotifyBox bye = BuildNotifyBox(NOTIFY_BYE, 0, s);
    EXPECT_FALSE(bye.lines[0].fixedFactor);
    EXPECT_FALSE(bye.lines[1].fixedFactor);
}

TEST(NotifyTable, WidthFactorByLanguage)
{
    EXPECT_DOUBLE_EQ(NotifyWidthFactor(1041), 0.9);
    EXPECT_DOUBLE_EQ(NotifyWidthFactor(1042), 1.0);
    EXPECT_DOUBLE_EQ(NotifyWidthFactor(1033), 1.2);
    EXPECT_DOUBLE_EQ(NotifyWidthFactor(0), 1.2);
    // Truncated, not rounded.
    EXPECT_EQ(NotifyLineWidth(101, 0.9), 90);
    EXPECT_EQ(NotifyLineWidth(101, 1.2), 121);
    EXPECT_EQ(NotifyLineWidth(99, 1.0), 99);
}

TEST(NotifyTable, ParamPacking)
{
    EXPECT_EQ(MakeNotifyParam(NOTIFY_NACK, 5), 0x60005);
    EXPECT_EQ(NotifyCodeOf(0xF0000), NOTIFY_NO_PERMISSION);
    EXPECT_EQ(NotifySubOf(0x12763), 0x2763);
    EXPECT_EQ(NotifyCodeOf(MakeNotifyParam(20, 0xFFFF)), 20);
    EXPECT_EQ(NotifySubOf(MakeNotifyParam(20, 0xFFFF)), 0xFFFF);
}

} // namespace
