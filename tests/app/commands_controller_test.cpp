// The main window's commands without a window: the checks before each
// command and what it sends, lights and opens, against fakes.
#include "commands_fakes.h"

#include "app/NotifyTable.h"

#include <gtest/gtest.h>

namespace {

using namespace cmdtest;
using Strings = std::vector<std::string>;

struct Fixture
{
    FakeHost host;
    CMainCommands commands{host, {std::chrono::milliseconds(0), [this](std::chrono::milliseconds ms) {
                                      host.log.push_back("pause " + std::to_string(ms.count()));
                                  }}};
    bool Notified(int code, int sub = 0) const
    {
        for (const auto& [owner, c, s] : host.notices)
            if (c == code && s == sub)
                return true;
        return false;
    }
    Strings Sent() const { return host.Only("conn"); }
};

// ---------------------------------------------------------------------------
// Rights and the login: a command without its right posts NOTIFY_NO_PERMISSION
// and sends nothing; without a login nothing happens at all.

struct RightCase
{
    const char* name;
    int button;
    int missingRight; // -1: the account byte refuses
    std::function<void(FakeConnection&)> setup;
};

TEST(MainCommandsRights, MissingRightPostsNoPermissionAndSendsNothing)
{
    const std::vector<RightCase> cases = {
        {"RSearch without search and backup", IDC_REMOTE_SEARCH, RIGHT_SEARCH,
         [](FakeConnection& c) { c.rights[RIGHT_BACKUP] = false; }},
        {"RSetup", IDC_REMOTE_SETUP, RIGHT_REMOTE_SETUP, {}},
        {"record off while recording", IDC_RECORD, RIGHT_STOP_RECORD, [](FakeConnection& c) { c.recording = true; }},
        {"FirmUp of an account that may not", IDC_FIRMUP, -1, [](FakeConnection& c) { c.account = 1; }},
    };
    for (const RightCase& rc : cases) {
        SCOPED_TRACE(rc.name);
        Fixture f;
        FakeConnection& conn = f.host.Connect();
        if (rc.missingRight >= 0)
            conn.rights[static_cast<std::size_t>(rc.missingRight)] = false;
        if (rc.setup)
            rc.setup(conn);
        f.host.typed = "pass";
        f.commands.OnButton(rc.button);
        EXPECT_TRUE(f.Notified(NOTIFY_NO_PERMISSION));
        EXPECT_EQ(f.Sent(), Strings{});
        EXPECT_FALSE(f.host.Logged("prompt"));

        // Not logged in: not even the refusal.
        Fixture g;
        FakeConnection& out = g.host.Connect();
        out.loggedIn = false;
        if (rc.setup)
            rc.setup(out);
        g.commands.OnButton(rc.button);
        EXPECT_TRUE(g.host.notices.empty());
        EXPECT_EQ(g.Sent(), Strings{});
    }
}

TEST(MainCommandsRights, RecordStartsWithoutPromptAndStopsForThePasswordInAnyLetterCase)
{
    struct Case
    {
        const char* name;
        std::optional<std::string> typed;
        bool sent;
    };
    const Case cases[] = {
        {"equal", "pass", true},
        {"other letter case", "Pass", true},
        {"other password", "pasS1", false},
        {"empty", "", false},
        {"cancelled", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.host.Connect().recording = true;
        f.host.typed = c.typed;
        f.commands.OnRecord();
        EXPECT_TRUE(f.host.Logged("prompt"));
        EXPECT_EQ(f.host.Logged("conn1 REC_OFF_REQ"), c.sent);
        EXPECT_TRUE(f.host.notices.empty());
    }
    Fixture on;
    on.host.Connect();
    on.commands.OnRecord();
    EXPECT_EQ(on.Sent(), Strings{"conn1 REC_ON_REQ"});
    EXPECT_FALSE(on.host.Logged("prompt"));
}

TEST(MainCommandsRights, PromptOutlivedByItsRightOrItsConnection)
{
    // The right withdrawn while the prompt is open: refused after it.
    Fixture f;
    FakeConnection& conn = f.host.Connect();
    conn.recording = true;
    f.host.typed = "pass";
    f.host.duringPrompt = [&] { conn.rights[RIGHT_STOP_RECORD] = false; };
    f.commands.OnRecord();
    EXPECT_TRUE(f.Notified(NOTIFY_NO_PERMISSION));
    EXPECT_EQ(f.Sent(), Strings{});

    // Another connection by the time the prompt closes: nothing reaches it.
    Fixture g;
    g.host.Connect(1).recording = true;
    g.host.typed = "pass";
    g.host.duringPrompt = [&] {
        g.host.Connect(2).recording = true;
    };
    g.commands.OnRecord();
    EXPECT_EQ(g.Sent(), Strings{});
    EXPECT_TRUE(g.host.notices.empty());
}

TEST(MainCommandsRights, RemoteSetupAsksThePasswordOnlyOnSubProducts5And6)
{
    struct Case
    {
        int subMajor;
        bool sub6;
        std::optional<std::string> typed;
        bool prompt;
        bool sent;
    };
    const Case cases[] = {
        {0, false, std::nullopt, false, true}, {5, false, "pass", true, true}, {5, false, "PASS", true, true},
        {5, false, "passe", true, false},      {3, true, "pass", true, true},  {3, true, "pAsS", true, true},
        {6, true, "pas", true, false},         {6, true, std::nullopt, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subMajor);
        Fixture f;
        FakeConnection& conn = f.host.Connect();
        conn.subMajor = c.subMajor;
        conn.sub6 = c.sub6;
        f.host.typed = c.typed;
        f.commands.OnButton(IDC_REMOTE_SETUP);
        EXPECT_EQ(f.host.Logged("prompt"), c.prompt);
        EXPECT_EQ(f.host.Logged("conn1 DB_INFO_REQ"), c.sent);
        EXPECT_TRUE(f.host.notices.empty());
    }
}

// ---------------------------------------------------------------------------
// Splits and channels: layout, the buttons lit, and the mask the recorder gets.

TEST(MainCommandsSplit, SplitButtonsSetLayoutLightTheirButtonAndSendTheShownMask)
{
    struct Case
    {
        const char* name;
        int button;
        bool live, play;
        std::uint16_t visible;
        std::uint32_t channelMask;
        Strings sent;
    };
    const std::vector<Case> cases = {
        {"live, four cells", 321, true, false, 0x000F, 0xFFFF, {"conn1 LIVE_REQ 000F"}},
        {"live, sixteen", 328, true, false, 0xFFFF, 0xFFFF, {"conn1 LIVE_REQ FFFF"}},
        {"playback sends PLAY_VIEW_CH with the played channels", 324, false, true, 0x00FF, 0x0055,
         {"conn1 PLAY_VIEW_CH 0055"}},
        {"idle connection sends nothing", 322, false, false, 0x003F, 0xFFFF, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        FakeConnection& conn = f.host.Connect();
        conn.live = c.live;
        conn.play = c.play;
        conn.channelMask = c.channelMask;
        const int layout = kSplitLayoutTypes[static_cast<std::size_t>(c.button - IDC_SPLIT_FIRST)];
        f.host.grid->visibleByLayout[layout] = c.visible;
        f.host.buttonState[IDC_CHANNEL_FIRST + 3] = kButtonSelected;
        f.commands.OnButton(c.button);
        EXPECT_EQ(f.host.grid->layout, layout);
        EXPECT_EQ(f.host.grid->selected, layout);
        EXPECT_FALSE(f.host.grid->holdPage);
        EXPECT_EQ(f.Sent(), c.sent);
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(f.host.buttonState[IDC_SPLIT_FIRST + k], IDC_SPLIT_FIRST + k == c.button ? 1 : 0) << k;
        EXPECT_EQ(f.host.buttonState[IDC_CHANNEL_FIRST + 3], kButtonNormal);
    }
}

TEST(MainCommandsSplit, SingleCellLayoutLightsTheFirstChannelOfThePageWhenOneIsActive)
{
    Fixture f;
    f.host.grid->firstChannel = 6;
    f.commands.SetScreenSplit(0);
    EXPECT_EQ(f.host.buttonState[IDC_CHANNEL_FIRST + 6], kButtonSelected);
    EXPECT_EQ(f.host.buttonState[IDC_SPLIT_FIRST], kButtonSelected);

    Fixture none;
    none.host.grid->activeOnLayout = false;
    none.host.grid->firstChannel = 6;
    none.commands.SetScreenSplit(0);
    EXPECT_EQ(none.host.buttonState[IDC_CHANNEL_FIRST + 6], kButtonNormal);
}

TEST(MainCommandsSplit, NothingWhileTheDomeMenuIsOpen)
{
    Fixture f;
    f.host.Connect().live = true;
    f.host.domeMenu = true;
    f.commands.OnButton(321);
    f.commands.OnButton(IDC_CHANNEL_FIRST + 2);
    EXPECT_TRUE(f.host.log.empty());
}

TEST(MainCommandsSplit, ChannelButtonShowsTheChannelAloneAndAsksForIt)
{
    Fixture f;
    f.host.Connect().live = true;
    f.host.buttonState[IDC_CHANNEL_FIRST] = kButtonSelected;
    f.commands.OnButton(IDC_CHANNEL_FIRST + 5);
    EXPECT_EQ(f.host.Only("grid"), (Strings{"grid ClearZoom", "grid ShowSingle 5"}));
    EXPECT_EQ(f.Sent(), Strings{"conn1 LIVE_REQ 0020"});
    EXPECT_EQ(f.host.buttonState[IDC_CHANNEL_FIRST + 5], kButtonSelected);
    EXPECT_EQ(f.host.buttonState[IDC_CHANNEL_FIRST], kButtonNormal);

    // Kept zoom (the grid's double click) and a channel without picture.
    Fixture g;
    g.host.grid->showsSingle = false;
    g.commands.SelectChannel(2, true);
    EXPECT_EQ(g.host.Only("grid"), Strings{"grid ShowSingle 2"});
    EXPECT_EQ(g.host.buttonState.count(IDC_CHANNEL_FIRST + 2), 0u);
}

TEST(MainCommandsSplit, ShownChannelsChangingDuringPausedPlayback)
{
    // Remote playback stepping (state 1 or 7): the receive path resynchronises.
    for (int state : {1, 7, 3}) {
        SCOPED_TRACE(state);
        Fixture f;
        FakeConnection& conn = f.host.Connect();
        conn.play = true;
        conn.playState = state;
        conn.lastMask = 0xFFFF;
        f.host.grid->visibleByLayout[1] = 0x000F;
        f.commands.SetScreenSplit(1);
        EXPECT_EQ(conn.resync, state != 3);
    }
    // The same mask as at the last resync: nothing to do.
    Fixture same;
    FakeConnection& conn = same.host.Connect();
    conn.play = true;
    conn.playState = 1;
    conn.lastMask = 0x000F;
    same.host.grid->visibleByLayout[1] = 0x000F;
    same.commands.SetScreenSplit(1);
    EXPECT_FALSE(conn.resync);

    // A paused local player redraws and the mask is remembered.
    Fixture local;
    local.host.player = std::make_unique<FakePlayer>(local.host.log);
    local.host.player->state = 4;
    local.host.grid->visibleByLayout[1] = 0x000F;
    local.commands.SetScreenSplit(1);
    EXPECT_TRUE(local.host.player->redraw);
    EXPECT_EQ(local.host.lastMask, 0x000F);
}

TEST(MainCommandsSplit, ArrangeRestoresTheCellsAndTellsTheRecorder)
{
    Fixture f;
    f.host.Connect().live = true;
    f.host.grid->layout = 0;
    f.host.grid->visible = 0x0001;
    f.host.grid->firstChannel = 0;
    f.commands.OnButton(IDC_ARRANGE);
    EXPECT_TRUE(f.host.Logged("grid ResetCellMap"));
    EXPECT_EQ(f.Sent(), Strings{"conn1 LIVE_REQ 0001"});
    EXPECT_EQ(f.host.buttonState[IDC_CHANNEL_FIRST], kButtonSelected);
}

TEST(MainCommandsSplit, OsdCyclesThroughThreeModes)
{
    Fixture f;
    for (int expected : {1, 2, 0}) {
        f.commands.OnButton(IDC_OSD);
        EXPECT_EQ(f.host.grid->osd, expected);
    }
    EXPECT_TRUE(f.host.Logged("grid Repaint"));
}

// ---------------------------------------------------------------------------
// Live view and audio

TEST(MainCommandsLive, LiveAndAudioButtonsFollowTheState)
{
    struct Case
    {
        const char* name;
        int button;
        bool connected, localPlayer, live, play, audio;
        Strings sent;
    };
    const std::vector<Case> cases = {
        {"live on", IDC_LIVE, true, false, false, false, false, {"conn1 LIVE_REQ all"}},
        {"live off", IDC_LIVE, true, false, true, false, false, {"conn1 LIVE_STOP"}},
        {"live during remote playback", IDC_LIVE, true, false, false, true, false, {}},
        {"live during local playback", IDC_LIVE, true, true, false, false, false, {}},
        {"live unconnected", IDC_LIVE, false, false, false, false, false, {}},
        {"audio on in live view", IDC_AUDIO, true, false, true, false, false, {"conn1 AUDIO_ON"}},
        {"audio off in playback", IDC_AUDIO, true, false, false, true, true, {"conn1 AUDIO_OFF"}},
        {"audio with nothing streaming", IDC_AUDIO, true, false, false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        if (c.connected) {
            FakeConnection& conn = f.host.Connect();
            conn.live = c.live;
            conn.play = c.play;
            conn.audio = c.audio;
        }
        if (c.localPlayer)
            f.host.player = std::make_unique<FakePlayer>(f.host.log);
        f.commands.OnButton(c.button);
        EXPECT_EQ(f.Sent(), c.sent);
    }
}

TEST(MainCommandsLive, RebootAndVersionPostTheirNotifications)
{
    Fixture f;
    f.commands.OnButton(IDC_REBOOT);
    EXPECT_TRUE(f.host.notices.empty());
    f.commands.OnButton(IDC_VERINFO);
    EXPECT_TRUE(f.Notified(NOTIFY_VERSION));
    f.host.Connect();
    f.commands.OnButton(IDC_REBOOT);
    EXPECT_TRUE(f.Notified(NOTIFY_REBOOT));
}

// ---------------------------------------------------------------------------
// Playback commands

TEST(MainCommandsPlayback, RemotePlaybackButtonsByStateAndStepFlag)
{
    struct Case
    {
        int button;
        int state;
        bool step, ver12;
        bool runs;
    };
    const Case cases[] = {
        // 340, 346: only while stepping.
        {340, 3, true, false, true},   {340, 3, false, false, false}, {346, 1, true, false, true},
        {346, 2, false, false, false},
        // 341: on 1.2 recorders, in forward play, or stepping.
        {341, 1, false, true, true},   {341, 3, false, false, true},  {341, 2, false, false, false},
        {341, 7, true, false, true},
        // 342: in fast backward or forward play, or stepping.
        {342, 2, false, false, true},  {342, 3, false, false, true},  {342, 1, false, false, false},
        {342, 1, true, false, true},
        // 343: pause only from backward or forward play without stepping.
        {343, 2, false, false, true},  {343, 3, false, false, true},  {343, 3, true, false, false},
        {343, 1, false, false, false},
    };
    const std::map<int, int> command = {{340, 1}, {341, 2}, {342, 3}, {343, 4}, {346, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " state " << c.state << " step " << c.step);
        Fixture f;
        f.host.grid->viewMode = VIEW_REMOTE_PLAYBACK;
        FakeConnection& conn = f.host.Connect();
        conn.play = true;
        conn.playState = c.state;
        conn.step = c.step;
        conn.ver12 = c.ver12;
        f.commands.OnButton(c.button);
        EXPECT_EQ(f.Sent(), c.runs ? Strings{"conn1 PlayControl " + std::to_string(command.at(c.button))} : Strings{});
    }
    // Remote playback off, or another view mode: nothing.
    Fixture off;
    off.host.grid->viewMode = VIEW_REMOTE_PLAYBACK;
    off.host.Connect().step = true;
    off.commands.OnButton(340);
    EXPECT_EQ(off.Sent(), Strings{});
}

TEST(MainCommandsPlayback, LocalPlaybackButtonsByPlayerState)
{
    struct Case
    {
        int button;
        int state;
        bool runs;
    };
    const Case cases[] = {
        {340, 4, true},  {340, 3, false}, {346, 4, true},  {346, 1, false}, {341, 0, true},  {342, 4, true},
        {343, 2, true},  {343, 3, true},  {343, 10, true}, {343, 11, true}, {343, 4, false}, {343, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " state " << c.state);
        Fixture f;
        f.host.grid->viewMode = VIEW_LOCAL_PLAYBACK;
        f.host.player = std::make_unique<FakePlayer>(f.host.log);
        f.host.player->state = c.state;
        f.commands.OnButton(c.button);
        EXPECT_EQ(f.host.Only("player").size(), c.runs ? 1u : 0u);
    }
}

TEST(MainCommandsPlayback, StopEndsThePlaybackOfTheViewMode)
{
    Fixture remote;
    remote.host.grid->viewMode = VIEW_REMOTE_PLAYBACK;
    FakeConnection& conn = remote.host.Connect();
    conn.play = true;
    conn.handOver = true;
    remote.commands.OnButton(IDC_STOP);
    EXPECT_EQ(remote.Sent(), (Strings{"conn1 RPLAY_STOP", "conn1 ClearPlayHandOver"}));

    Fixture local;
    local.host.grid->viewMode = VIEW_LOCAL_PLAYBACK;
    local.host.player = std::make_unique<FakePlayer>(local.host.log);
    local.commands.OnStopPlayback();
    EXPECT_EQ(local.host.log, (Strings{"ClearLastLocalSearch", "CloseLocalPlayer"}));
}

TEST(MainCommandsPlayback, PositionSliderSeeksAndResumesAPausedPlayer)
{
    Fixture f;
    f.host.player = std::make_unique<FakePlayer>(f.host.log);
    FakePlayer& player = *f.host.player;
    player.rangeStart = 1000;
    f.commands.OnSliderPressed(IDC_POSITION, 10);
    EXPECT_EQ(player.seekState, 1);
    f.commands.OnSliderMoved(IDC_POSITION, 20);
    EXPECT_EQ(player.seekState, 2);
    player.state = 4;
    player.speed = 7;
    f.commands.OnSliderReleased(IDC_POSITION, 30);
    EXPECT_EQ(player.seekState, 3);
    EXPECT_EQ(player.seekTime, 1030);
    player.speed = 2;
    f.commands.OnSliderReleased(IDC_POSITION, 31);
    EXPECT_EQ(f.host.Only("player"), (Strings{"player command 7", "player command 1"}));
}

// ---------------------------------------------------------------------------
// Sound and volume

TEST(MainCommandsSound, VolumeFollowsMovesAndReleasesButNotAPress)
{
    Fixture f;
    f.host.mixer.volume = 40000;
    f.commands.OnSliderPressed(IDC_VOLUME, 1234);
    EXPECT_EQ(f.host.mixer.volume, 40000);
    EXPECT_TRUE(f.host.sliderPos.empty());
    f.commands.OnSliderMoved(IDC_VOLUME, 30000);
    EXPECT_EQ(f.host.mixer.volume, 30000);
    EXPECT_EQ(f.host.volume, 30000);
    EXPECT_EQ(f.host.sliderPos[IDC_VOLUME], 30000);
    f.commands.OnSliderReleased(IDC_VOLUME, 70000);
    EXPECT_EQ(f.host.mixer.volume, 65535);
}

TEST(MainCommandsSound, SoundButtonMutesAndDisablesTheVolumeSlider)
{
    Fixture f;
    f.commands.OnButton(IDC_SOUND);
    EXPECT_TRUE(f.host.mixer.mute);
    EXPECT_TRUE(f.host.mute);
    EXPECT_FALSE(f.host.sliderEnabled[IDC_VOLUME]);
    EXPECT_EQ(f.host.buttonState[IDC_SOUND], kButtonMuted);
    f.commands.OnButton(IDC_SOUND);
    EXPECT_FALSE(f.host.mixer.mute);
    EXPECT_FALSE(f.host.mute);
    EXPECT_TRUE(f.host.sliderEnabled[IDC_VOLUME]);
    EXPECT_EQ(f.host.buttonState[IDC_SOUND], kButtonNormal);
}

// ---------------------------------------------------------------------------
// Save, Load, timers

TEST(MainCommandsSave, SaveNeedsAPictureAndStaysDisabledUntilTheWorkersEnd)
{
    Fixture idle;
    idle.commands.OnButton(IDC_SAVE);
    EXPECT_TRUE(idle.host.log.empty());
    EXPECT_EQ(idle.host.buttonEnabled.count(IDC_SAVE), 0u);

    Fixture f;
    f.host.grid->viewMode = VIEW_LIVE;
    f.commands.OnButton(IDC_SAVE);
    EXPECT_TRUE(f.host.Logged("grid SaveSnapshot"));
    EXPECT_TRUE(f.host.Logged("connlog 8/2"));
    EXPECT_EQ(f.host.timers[TIMER_SAVE_POLL], kSavePollMs);
    EXPECT_FALSE(f.host.buttonEnabled[IDC_SAVE]);

    f.host.saveWorkersRunning = 2;
    f.commands.HandleTimer(TIMER_SAVE_POLL);
    EXPECT_FALSE(f.host.buttonEnabled[IDC_SAVE]);
    EXPECT_EQ(f.host.timers.count(TIMER_SAVE_POLL), 1u);
    f.host.saveWorkersRunning = 0;
    f.commands.HandleTimer(TIMER_SAVE_POLL);
    EXPECT_TRUE(f.host.buttonEnabled[IDC_SAVE]);
    EXPECT_EQ(f.host.timers.count(TIMER_SAVE_POLL), 0u);
}

TEST(MainCommandsSave, LoadOpensTheSavedFolderUnlessASetupExchangeRuns)
{
    Fixture f;
    f.host.chosenPicture = "/data/K5/Saved/a.jpg";
    f.commands.OnButton(IDC_LOAD);
    EXPECT_EQ(f.host.log, (Strings{"file dialog /data/K5/Saved/", "viewer /data/K5/Saved/a.jpg"}));

    Fixture busy;
    busy.host.Connect().dbBusy = true;
    busy.commands.OnButton(IDC_LOAD);
    EXPECT_TRUE(busy.host.log.empty());
}

TEST(MainCommandsTimers, HelloTimeOutReportsAndDisconnectsOnlyItsConnection)
{
    Fixture f;
    f.host.Connect();
    f.host.timers[TIMER_HELLO_REPLY] = 60000;
    f.commands.HandleTimer(TIMER_HELLO_REPLY);
    EXPECT_TRUE(f.Notified(NOTIFY_CONNECT_FAILED, 4));
    EXPECT_TRUE(f.host.Logged("EndConnection"));
    EXPECT_EQ(f.host.conn, nullptr);
    EXPECT_FALSE(f.host.buttonEnabled[IDC_LIVE]);
    EXPECT_EQ(f.host.timers.count(TIMER_HELLO_REPLY), 0u);

    // Fired after its connection ended: nothing to report.
    Fixture late;
    late.commands.HandleTimer(TIMER_HELLO_REPLY);
    EXPECT_TRUE(late.host.notices.empty());
    EXPECT_FALSE(late.host.Logged("EndConnection"));
}

TEST(MainCommandsTimers, DisconnectKillsTheHelloTimerAndResetsTheRemoteButtons)
{
    Fixture f;
    f.host.Connect();
    f.host.timers[TIMER_HELLO_REPLY] = 60000;
    f.host.buttonState[IDC_REMOTE_SEARCH] = kButtonSelected;
    f.commands.Disconnect();
    EXPECT_EQ(f.host.timers.count(TIMER_HELLO_REPLY), 0u);
    EXPECT_EQ(f.host.buttonState[IDC_REMOTE_SEARCH], kButtonNormal);
    EXPECT_EQ(f.host.buttonState[IDC_REMOTE_SETUP], kButtonNormal);
    EXPECT_FALSE(f.host.buttonEnabled[IDC_LIVE]);
}

TEST(MainCommandsTimers, PlaybackClockOnlyOnceAndOnlyWhileConnected)
{
    Fixture f;
    f.commands.OnRemotePlayStarted();
    FakeConnection& conn = f.host.Connect();
    f.commands.OnRemotePlayStarted();
    conn.clock = true;
    f.commands.OnRemotePlayStarted();
    EXPECT_EQ(f.host.Only("playback clock").size(), 1u);
}

TEST(MainCommandsTimers, BringToFrontOnlyWhenNothingElseHoldsTheUser)
{
    struct Case
    {
        const char* name;
        int maxAlarm;
        bool minimized, modal, firmware, fullScreen, active;
        const char* expected; // null: nothing
    };
    const Case cases[] = {
        {"off", 0, true, false, false, false, false, nullptr},
        {"minimised", 1, true, false, false, false, false, "Restore"},
        {"raised", 1, false, false, false, false, false, "Raise"},
        {"modal dialog", 1, false, true, false, false, false, nullptr},
        {"firmware window", 1, false, false, true, false, false, nullptr},
        {"full screen", 1, false, false, false, true, false, nullptr},
        {"already active", 1, false, false, false, false, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        FakeWindow window(f.host.log, "fw", kModalOk);
        f.host.maxAlarm = c.maxAlarm;
        f.host.minimized = c.minimized;
        f.host.modalOpen = c.modal;
        f.host.grid->fullScreen = c.fullScreen;
        f.host.appActive = c.active;
        if (c.firmware)
            f.host.Connect().firmwareSlot = &window;
        f.commands.OnBringToFront();
        EXPECT_EQ(f.host.Logged("Restore") || f.host.Logged("Raise"), c.expected != nullptr);
        if (c.expected) {
            EXPECT_TRUE(f.host.Logged(c.expected));
        }
    }
}

// ---------------------------------------------------------------------------
// Windows of later work: the checks before them and their end

TEST(MainCommandsWindows, RemoteSearchOpensOnlyWhenAllowedAndFree)
{
    struct Case
    {
        const char* name;
        bool search, backup, trans, busy, open;
        bool runs;
    };
    const Case cases[] = {
        {"search right", true, false, false, false, false, true},
        {"backup only", false, true, false, false, false, true},
        {"backup only during a backup", false, true, true, false, false, false},
        {"search right during a backup", true, false, true, false, false, true},
        {"setup exchange", true, true, false, true, false, false},
        {"already open", true, true, false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        FakeWindow existing(f.host.log, "old", kModalOk);
        FakeConnection& conn = f.host.Connect();
        conn.rights[RIGHT_SEARCH] = c.search;
        conn.rights[RIGHT_BACKUP] = c.backup;
        conn.trans = c.trans;
        conn.dbBusy = c.busy;
        if (c.open)
            conn.searchSlot = &existing;
        f.host.makeSearch = [&] { return std::make_unique<FakeWindow>(f.host.log, "search", kModalOk); };
        f.commands.OnButton(IDC_REMOTE_SEARCH);
        EXPECT_EQ(f.host.Logged("search run"), c.runs);
        if (c.runs) {
            EXPECT_EQ(f.host.Only("search").size(), 2u);
            EXPECT_EQ(conn.searchSlot, nullptr);
        }
        EXPECT_TRUE(f.host.notices.empty());
    }
}

TEST(MainCommandsWindows, SearchWindowDeletedAlsoWhenItsConnectionEnded)
{
    Fixture f;
    f.host.Connect(1);
    f.host.makeSearch = [&] {
        return std::make_unique<FakeWindow>(f.host.log, "search", kModalOk, [&] {
            // The connection drops while the window runs; the user connects again.
            f.host.conn.reset();
            f.host.Connect(2);
        });
    };
    f.commands.OnRemoteSearch();
    EXPECT_TRUE(f.host.Logged("search deleted"));
    EXPECT_FALSE(f.host.Logged("conn2 search slot cleared"));
}

TEST(MainCommandsWindows, SetupWindowEndsTheExchangeItOpened)
{
    struct Case
    {
        const char* name;
        int result;
        Strings sent;
    };
    const Case cases[] = {
        {"OK sends the image", kModalOk, {"conn1 setup slot set", "conn1 DB_UPDATE_REQ", "conn1 setup slot cleared"}},
        {"Cancel ends the exchange", kModalCancel,
         {"conn1 setup slot set", "conn1 ClearDbBusy", "conn1 setup slot cleared"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.host.Connect().dbBusy = true;
        f.host.makeSetup = [&] { return std::make_unique<FakeWindow>(f.host.log, "setup", c.result); };
        f.commands.OnSetupDbReady();
        EXPECT_EQ(f.Sent(), c.sent);
        EXPECT_TRUE(f.host.Logged("setup deleted"));
    }
}

TEST(MainCommandsWindows, DisconnectDuringTheSetupWindowTouchesNoConnection)
{
    // Dropped: no connection left to clear; a new one: its flag and slot are its own.
    for (bool reconnect : {false, true}) {
        SCOPED_TRACE(reconnect);
        Fixture f;
        f.host.Connect(1).dbBusy = true;
        f.host.makeSetup = [&] {
            return std::make_unique<FakeWindow>(f.host.log, "setup", kModalCancel, [&] {
                f.host.conn.reset();
                if (reconnect)
                    f.host.Connect(2).dbBusy = true;
            });
        };
        f.commands.OnSetupDbReady();
        EXPECT_TRUE(f.host.Logged("setup deleted"));
        EXPECT_EQ(f.host.Only("conn2"), Strings{});
        if (reconnect) {
            EXPECT_TRUE(f.host.conn->dbBusy);
        }
    }
}

TEST(MainCommandsWindows, SetupDbReadyWithoutAWindowEndsTheExchange)
{
    Fixture f;
    FakeConnection& conn = f.host.Connect();
    conn.dbBusy = true;
    f.commands.OnSetupDbReady();
    EXPECT_FALSE(conn.dbBusy);
}

TEST(MainCommandsWindows, LocalWindowsAreLitWhileTheyRunAndRefusedDuringASetupExchange)
{
    Fixture f;
    f.commands.OnButton(IDC_LOCAL_SEARCH);
    EXPECT_TRUE(f.host.Logged("local search run, LSearch state 1"));
    EXPECT_EQ(f.host.buttonState[IDC_LOCAL_SEARCH], kButtonNormal);

    Fixture busy;
    busy.host.Connect().dbBusy = true;
    busy.commands.OnButton(IDC_LOCAL_SEARCH);
    busy.host.makeLocalSetup = [&] { return std::make_unique<FakeWindow>(busy.host.log, "lsetup", kModalOk); };
    busy.commands.OnButton(IDC_LOCAL_SETUP);
    EXPECT_EQ(busy.host.Only("local search"), Strings{});
    EXPECT_EQ(busy.host.Only("lsetup"), Strings{});
    EXPECT_EQ(busy.host.buttonState[IDC_LOCAL_SETUP], kButtonNormal);

    for (int result : {kModalOk, kModalCancel}) {
        Fixture g;
        g.host.makeLocalSetup = [&] { return std::make_unique<FakeWindow>(g.host.log, "lsetup", result); };
        g.commands.OnButton(IDC_LOCAL_SETUP);
        EXPECT_TRUE(g.host.Logged(result == kModalOk ? "ApplyLocalSetup" : "ResetLocalSetup"));
        EXPECT_TRUE(g.host.Logged("lsetup deleted"));
    }
}

TEST(MainCommandsWindows, FirmwareDialogIsAnnouncedRunAndAlwaysDeleted)
{
    for (int images : {0, 3}) {
        SCOPED_TRACE(images);
        Fixture f;
        FakeConnection& conn = f.host.Connect();
        f.host.makeFirmware = [&] {
            auto w = std::make_unique<FakeWindow>(f.host.log, "firmware", kModalOk);
            w->images = images;
            return w;
        };
        f.commands.OnButton(IDC_FIRMUP);
        ASSERT_EQ(f.host.notices.size(), 1u);
        EXPECT_EQ(f.host.notices[0], std::make_tuple(77u, static_cast<int>(NOTIFY_FW_IMAGES), images > 0 ? 0 : 1));
        EXPECT_NE(conn.firmwareSlot, nullptr);
        // A second press while its notice is due opens nothing more.
        f.commands.OnButton(IDC_FIRMUP);
        EXPECT_EQ(f.host.notices.size(), 1u);
        f.commands.RunFirmwareDialog();
        EXPECT_TRUE(f.host.Logged("firmware run"));
        EXPECT_TRUE(f.host.Logged("firmware deleted"));
        EXPECT_EQ(conn.firmwareSlot, nullptr);
    }
    // The connection ends before the notice ran the dialog: it is deleted then.
    Fixture g;
    g.host.Connect();
    g.host.makeFirmware = [&] { return std::make_unique<FakeWindow>(g.host.log, "firmware", kModalOk); };
    g.commands.OnFirmUp();
    g.commands.Disconnect();
    EXPECT_TRUE(g.host.Logged("firmware deleted"));
    EXPECT_FALSE(g.commands.HasFirmwareDialog());

    Fixture busy;
    busy.host.Connect().dbBusy = true;
    busy.host.makeFirmware = g.host.makeFirmware;
    busy.commands.OnFirmUp();
    EXPECT_TRUE(busy.host.notices.empty());
}

// ---------------------------------------------------------------------------
// Quit

TEST(MainCommandsQuit, StopsWhatStreamsEachFollowedByItsPauseThenEnds)
{
    struct Case
    {
        const char* name;
        bool live, play, trans, alisten;
        Strings expected;
    };
    const std::vector<Case> cases = {
        {"idle connection", false, false, false, false, {"EndConnection"}},
        {"live view", true, false, false, false, {"conn1 LIVE_STOP", "pause 0", "EndConnection"}},
        {"playback and a backup", false, true, true, false,
         {"conn1 RPLAY_STOP", "pause 0", "conn1 TRANS_OFF_REQ", "pause 0", "EndConnection"}},
        {"audio listening", false, false, false, true, {"conn1 AListenStop", "pause 0", "EndConnection"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        FakeConnection& conn = f.host.Connect();
        conn.live = c.live;
        conn.play = c.play;
        conn.trans = c.trans;
        conn.alisten = c.alisten;
        f.host.player = std::make_unique<FakePlayer>(f.host.log);
        f.commands.OnButton(IDC_QUIT);
        Strings expected{"CloseLocalPlayer"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        expected.insert(expected.end(), {"DestroyVideoGrid", "pause 0", "EndModal 1"});
        Strings got;
        for (const auto& e : f.host.log)
            if (e.rfind("KillTimer", 0) != 0)
                got.push_back(e);
        EXPECT_EQ(got, expected);
    }
    Fixture alone;
    alone.commands.OnQuit();
    EXPECT_EQ(alone.host.log, (Strings{"CloseLocalPlayer", "DestroyVideoGrid", "pause 0", "EndModal 1"}));
}

TEST(MainCommandsQuit, TheProgramPausesAHundredMilliseconds)
{
    FakeHost host;
    std::vector<std::chrono::milliseconds> pauses;
    CMainCommands commands(host, {std::chrono::milliseconds(100), [&](auto ms) { pauses.push_back(ms); }});
    host.Connect().live = true;
    commands.Shutdown();
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(100),
                                                              std::chrono::milliseconds(100)}));
    EXPECT_EQ(CMainCommands::Options().pause, std::chrono::milliseconds(100));
}

// ---------------------------------------------------------------------------
// Full screen

TEST(MainCommandsFull, FullScreenOnTheMonitorUnderTheWindow)
{
    std::array<MonitorInfo, 4> m{};
    m[0] = {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040), false, "a", true};
    m[1] = {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1000), true, "b", true};
    EXPECT_EQ(ChooseFullScreenMonitor(m, QPoint(100, 100)), 0);
    EXPECT_EQ(ChooseFullScreenMonitor(m, QPoint(2000, 500)), 1);
    // On no monitor: the primary one.
    EXPECT_EQ(ChooseFullScreenMonitor(m, QPoint(-500, -500)), 1);
    EXPECT_EQ(ChooseFullScreenMonitor({}, QPoint(0, 0)), 0);

    Fixture f;
    f.host.grid->monitors = m;
    f.host.centre = QPoint(2500, 300);
    f.commands.OnButton(IDC_FULL);
    EXPECT_TRUE(f.host.Logged("grid FullScreen 1"));
    EXPECT_FALSE(f.host.grid->holdPage);

    Fixture already;
    already.host.grid->fullScreen = true;
    already.commands.OnButton(IDC_FULL);
    EXPECT_TRUE(already.host.log.empty());
}

} // namespace
