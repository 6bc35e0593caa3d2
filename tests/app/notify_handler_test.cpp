// The main window's notification handler: one box at a time, the actions
// after the box, and what a dropped notification still does.
#include "app/NotifyTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

class FakeHost : public INotifyHost
{
public:
    NotifyState state;
    int language = 1033;
    int boxResult = kNotifyBoxOk;
    bool promptOk = true;
    std::string typed;
    std::vector<std::string> calls;
    std::vector<MessageBoxContent> boxes;
    std::vector<WndHandle> boxParents;
    std::function<void()> duringBox;      // runs while the box is shown
    std::function<void()> duringFirmware; // runs while the firmware dialog runs
    std::function<void()> duringSearch;
    std::function<void()> duringPrompt;

    NotifyState NotifySnapshot() override { return state; }
    int UserLanguageId() override { return language; }
    QString LoadNotifyString(int id) override { return QStringLiteral("#%1").arg(id); }
    int MeasureNotifyText(const QString&) override { return 100; }
    int RunNotifyBox(WndHandle sender, const MessageBoxContent& content) override
    {
        boxes.push_back(content);
        boxParents.push_back(sender);
        calls.push_back("box");
        if (auto f = std::exchange(duringBox, nullptr))
            f();
        return boxResult;
    }
    void Disconnect() override
    {
        calls.push_back("disconnect");
        state.connected = state.loggedIn = false;
    }
    void PostNotifyEvent(int code, int sub) override
    {
        calls.push_back("post " + std::to_string(code) + "/" + std::to_string(sub));
    }
    void OpenRemoteSearch() override
    {
        calls.push_back("search");
        if (auto f = std::exchange(duringSearch, nullptr))
            f();
    }
    void ClearSearchHandOver() override { calls.push_back("clear hand-over"); }
    void ClearTransNackInfo() override
    {
        calls.push_back("clear sizes");
        state.transNackNeededMB = state.transNackFreeMB = 0;
    }
    void SendDBUpdateReq() override { calls.push_back("db update"); }
    void SendDBInitReq() override { calls.push_back("db init"); }
    void SendRebootReq() override { calls.push_back("reboot"); }
    void RunFirmwareDialog() override
    {
        calls.push_back("run firmware");
        if (auto f = std::exchange(duringFirmware, nullptr))
            f();
    }
    void DeleteFirmwareDialog() override { calls.push_back("delete firmware"); }
    bool RunPasswordPrompt(std::string* text) override
    {
        calls.push_back("prompt");
        if (auto f = std::exchange(duringPrompt, nullptr))
            f();
        *text = typed;
        return promptOk;
    }
};

class NotifyHandlerTest : public testing::Test
{
protected:
    NotifyHandlerTest()
    {
        host.state.connected = true;
        host.state.loggedIn = true;
        host.state.rebootRight = true;
        host.state.loginPassword = "abc123";
    }
    FakeHost host;
    CNotifyHandler handler{host};
    const WndHandle main{7};
};

using Calls = std::vector<std::string>;

TEST_F(NotifyHandlerTest, SecondNotificationWhileBoxShownIsDropped)
{
    host.duringBox = [&] {
        EXPECT_TRUE(handler.IsBoxShown());
        handler.OnNotifyEvent(main, NOTIFY_CONNECT_FAILED, 1);
    };
    handler.OnNotifyEvent(main, NOTIFY_CONNECT_FAILED, 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text[0], "#5087");
    EXPECT_FALSE(handler.IsBoxShown());

    // Once the box is gone the next one shows.
    handler.OnNotifyEvent(main, NOTIFY_CONNECT_FAILED, 1);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text[0], "#5053");
}

TEST_F(NotifyHandlerTest, DisconnectNoticeDisconnectsEvenWhenDropped)
{
    host.duringBox = [&] { handler.OnNotifyEvent(main, NOTIFY_DISCONNECTED, 0); };
    handler.OnNotifyEvent(main, NOTIFY_DB_UPDATED, 0);
    EXPECT_EQ(host.calls, (Calls{"box", "disconnect"}));

    // Not dropped: it disconnects first, then shows its box.
    host.calls.clear();
    handler.OnNotifyEvent(main, NOTIFY_DISCONNECTED, 0);
    EXPECT_EQ(host.calls, (Calls{"disconnect", "box"}));
}

TEST_F(NotifyHandlerTest, MessageParamIsSplitAndSenderIsTheParent)
{
    EXPECT_EQ(handler.OnNotifyEventMsg(42, MakeNotifyParam(NOTIFY_CONNECT_FAILED, 10051)), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text[0], "Connect Error Code = 10051");
    EXPECT_EQ(host.boxParents[0], WndHandle(42));
    EXPECT_EQ(host.boxes[0].buttonMode, NOTIFY_BUTTONS_OK);
}

TEST_F(NotifyHandlerTest, NothingShownForCodesWithoutText)
{
    handler.OnNotifyEvent(main, 18, 0);
    handler.OnNotifyEvent(main, NOTIFY_BYE, 8);
    handler.OnNotifyEvent(main, 25, 0);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(handler.IsBoxShown());
}

TEST_F(NotifyHandlerTest, LineWidthsFollowLanguageExceptFixedLines)
{
    const struct
    {
        int language;
        int width;
    } cases[] = {{1041, 90}, {1042, 100}, {1033, 120}, {2057, 120}};
    for (const auto& c : cases) {
        host.language = c.language;
        host.boxes.clear();
        handler.OnNotifyEvent(main, NOTIFY_BYE, 0);            // string lines
        handler.OnNotifyEvent(main, NOTIFY_CONNECT_FAILED, 3); // literal: always 1.2
        handler.OnNotifyEvent(main, NOTIFY_VERSION, 0);        // always 1.2
        ASSERT_EQ(host.boxes.size(), 3u);
        EXPECT_EQ(host.boxes[0].width[0], c.width) << c.language;
        EXPECT_EQ(host.boxes[0].width[1], c.width) << c.language;
        EXPECT_EQ(host.boxes[1].width[0], 120) << c.language;
        EXPECT_EQ(host.boxes[2].width[0], 120) << c.language;
        EXPECT_EQ(host.boxes[2].width[1], 120) << c.language;
    }
}

TEST_F(NotifyHandlerTest, FirmwareImagesOkRunsTheDialogThenDeletesIt)
{
    // The box is gone while the dialog runs, so its own notices show.
    host.duringFirmware = [&] {
        EXPECT_FALSE(handler.IsBoxShown());
        handler.OnNotifyEvent(main, NOTIFY_FW_UPGRADE, 2);
    };
    handler.OnNotifyEvent(main, NOTIFY_FW_IMAGES, 0);
    EXPECT_EQ(host.calls, (Calls{"box", "run firmware", "box", "delete firmware"}));
    EXPECT_EQ(host.boxes[0].buttonMode, NOTIFY_BUTTONS_OK_CANCEL);
}

TEST_F(NotifyHandlerTest, FirmwareImagesOtherOutcomesOnlyDeleteTheDialog)
{
    struct Case
    {
        int sub;
        int result;
        bool dbBusy;
        bool loggedIn;
        bool connected;
        Calls calls;
    };
    const Case cases[] = {
        {0, kNotifyBoxCancel, false, true, true, {"box", "delete firmware"}},
        {0, kNotifyBoxOk, true, true, true, {"box", "delete firmware"}},
        {1, kNotifyBoxCancel, false, true, true, {"box", "delete firmware"}},
        {9, kNotifyBoxOk, false, true, true, {"delete firmware"}},
        // Logged out while the box was shown: not run, still deleted while connected.
        {0, kNotifyBoxOk, false, false, true, {"box", "delete firmware"}},
        // The disconnect took care of the slot already.
        {0, kNotifyBoxOk, false, false, false, {"box"}},
    };
    for (const Case& c : cases) {
        host.calls.clear();
        host.boxResult = c.result;
        host.state.dbBusy = c.dbBusy;
        host.state.connected = true;
        host.state.loggedIn = true;
        host.duringBox = [&] {
            host.state.loggedIn = c.loggedIn;
            host.state.connected = c.connected;
        };
        handler.OnNotifyEvent(main, NOTIFY_FW_IMAGES, c.sub);
        host.duringBox = nullptr;
        EXPECT_EQ(host.calls, c.calls) << "sub " << c.sub << " result " << c.result;
    }
}

// A scan notice dropped because another box is shown must not leave its
// dialog in the connection's slot (FirmUp would refuse from then on).
TEST_F(NotifyHandlerTest, DroppedFirmwareImagesDeletesTheDialog)
{
    host.duringBox = [&] { handler.OnNotifyEvent(main, NOTIFY_FW_IMAGES, 0); };
    handler.OnNotifyEvent(main, NOTIFY_NO_LOCAL_DATA, 0);
    EXPECT_EQ(host.calls, (Calls{"box", "delete firmware"}));

    // Without a connection there is no slot to empty.
    host.calls.clear();
    host.duringBox = [&] {
        host.state.connected = false;
        handler.OnNotifyEvent(main, NOTIFY_FW_IMAGES, 1);
    };
    handler.OnNotifyEvent(main, NOTIFY_NO_LOCAL_DATA, 0);
    EXPECT_EQ(host.calls, (Calls{"box"}));
}

TEST_F(NotifyHandlerTest, DroppedFirmwareImagesSparesTheRunningDialog)
{
    host.duringFirmware = [&] {
        host.duringBox = [&] { handler.OnNotifyEvent(main, NOTIFY_FW_IMAGES, 0); };
        handler.OnNotifyEvent(main, NOTIFY_FW_UPGRADE, 5); // reboot offer over the dialog
    };
    host.boxResult = kNotifyBoxOk;
    handler.OnNotifyEvent(main, NOTIFY_FW_IMAGES, 0);
    EXPECT_EQ(host.calls, (Calls{"box", "run firmware", "box", "reboot", "delete firmware"}));
}

TEST_F(NotifyHandlerTest, NoDataOkOpensSearchCancelDropsHandOver)
{
    host.state.playHandOverActive = true;
    // The search window opened from the box can show its own notices.
    host.duringSearch = [&] { handler.OnNotifyEvent(main, NOTIFY_NACK, 3); };
    handler.OnNotifyEvent(main, NOTIFY_NO_DATA, 0);
    EXPECT_EQ(host.calls, (Calls{"box", "search", "box"}));

    host.calls.clear();
    host.boxResult = kNotifyBoxCancel;
    handler.OnNotifyEvent(main, NOTIFY_NO_DATA, 0);
    EXPECT_EQ(host.calls, (Calls{"box", "clear hand-over"}));

    // The one-line box has no choice to act on.
    host.calls.clear();
    host.state.playHandOverActive = false;
    handler.OnNotifyEvent(main, NOTIFY_NO_DATA, 0);
    EXPECT_EQ(host.calls, (Calls{"box"}));
}

TEST_F(NotifyHandlerTest, ConfirmationsActOnOkWhileStillLoggedIn)
{
    struct Case
    {
        int code;
        int sub;
        int result;
        bool loggedInAfter;
        bool rightAfter;
        Calls calls;
    };
    const Case cases[] = {
        {NOTIFY_DB_UPDATE_NACK, 1, kNotifyBoxOk, true, true, {"box", "db update"}},
        {NOTIFY_DB_UPDATE_NACK, 1, kNotifyBoxCancel, true, true, {"box"}},
        {NOTIFY_DB_UPDATE_NACK, 1, kNotifyBoxOk, false, true, {"box"}},
        {NOTIFY_DB_INIT, 0, kNotifyBoxOk, true, true, {"box", "db init"}},
        {NOTIFY_DB_INIT, 0, kNotifyBoxOk, false, true, {"box"}},
        {NOTIFY_FACTORY_RESET, 0, kNotifyBoxOk, true, true, {"box", "db init"}},
        {NOTIFY_FACTORY_RESET, 0, kNotifyBoxCancel, true, true, {"box"}},
        {NOTIFY_FW_UPGRADE, 5, kNotifyBoxOk, true, true, {"box", "reboot"}},
        {NOTIFY_FW_UPGRADE, 5, kNotifyBoxOk, true, false, {"box", "post 15/0"}},
        {NOTIFY_FW_UPGRADE, 5, kNotifyBoxOk, false, true, {"box"}},
        {NOTIFY_FW_UPGRADE, 5, kNotifyBoxCancel, true, true, {"box"}},
        {NOTIFY_FW_UPGRADE, 1, kNotifyBoxOk, true, true, {"box"}},
    };
    for (const Case& c : cases) {
        host.calls.clear();
        host.state.loggedIn = true;
        host.state.rebootRight = true;
        host.boxResult = c.result;
        host.duringBox = [&] {
            host.state.loggedIn = c.loggedInAfter;
            host.state.rebootRight = c.rightAfter;
        };
        handler.OnNotifyEvent(main, c.code, c.sub);
        EXPECT_EQ(host.calls, c.calls) << "code " << c.code << " sub " << c.sub;
    }
}

TEST_F(NotifyHandlerTest, SizeNoticeUsesUpTheStoredSizes)
{
    host.state.transNackNeededMB = 3000;
    host.state.transNackFreeMB = 700;
    handler.OnNotifyEvent(main, NOTIFY_NACK, 5);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lineCount, 3);
    EXPECT_EQ(host.boxes[0].text[1], "#5840 :    2.9 GByte");
    EXPECT_EQ(host.boxes[0].text[2], "#5841 :    0.7 GByte");
    EXPECT_EQ(host.state.transNackNeededMB, 0u);
    EXPECT_EQ(host.state.transNackFreeMB, 0u);

    // The next notice has no sizes left to show.
    handler.OnNotifyEvent(main, NOTIFY_NACK, 5);
    EXPECT_EQ(host.boxes[1].lineCount, 1);
}

TEST_F(NotifyHandlerTest, RebootAsksPasswordThenConfirms)
{
    // The stored password is lower-cased; the typed one counts in any case.
    host.typed = "ABC123";
    // Notices during the prompt find a box in progress.
    host.duringPrompt = [&] {
        EXPECT_TRUE(handler.IsBoxShown());
        handler.OnNotifyEvent(main, NOTIFY_DB_UPDATED, 0);
    };
    handler.OnNotifyEvent(main, NOTIFY_REBOOT, 0);
    EXPECT_EQ(host.calls, (Calls{"prompt", "box", "reboot"}));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text[0], "#5077");
    EXPECT_EQ(host.boxes[0].width[0], 120);
    EXPECT_EQ(host.boxes[0].buttonMode, NOTIFY_BUTTONS_OK_CANCEL);
}

TEST_F(NotifyHandlerTest, RebootRefusals)
{
    struct Case
    {
        const char* name;
        bool loggedIn;
        bool right;
        bool promptOk;
        std::string typed;
        bool rightAfterPrompt;
        int confirm;
        Calls calls;
    };
    const Case cases[] = {
        {"not logged in", false, true, true, "Abc123", true, kNotifyBoxOk, {}},
        {"no right", true, false, true, "Abc123", false, kNotifyBoxOk, {"post 15/0"}},
        {"prompt cancelled", true, true, false, "Abc123", true, kNotifyBoxOk, {"prompt"}},
        {"other password", true, true, true, "abc124", true, kNotifyBoxOk, {"prompt"}},
        {"right withdrawn", true, true, true, "Abc123", false, kNotifyBoxOk, {"prompt", "post 15/0"}},
        {"confirmation cancelled", true, true, true, "Abc123", true, kNotifyBoxCancel, {"prompt", "box"}},
    };
    for (const Case& c : cases) {
        host.calls.clear();
        host.state.loggedIn = c.loggedIn;
        host.state.rebootRight = c.right;
        host.promptOk = c.promptOk;
        host.typed = c.typed;
        host.boxResult = c.confirm;
        host.duringPrompt = [&] { host.state.rebootRight = c.rightAfterPrompt; };
        handler.OnNotifyEvent(main, NOTIFY_REBOOT, 0);
        EXPECT_EQ(host.calls, c.calls) << c.name;
        EXPECT_FALSE(handler.IsBoxShown()) << c.name;
    }
}

} // namespace
