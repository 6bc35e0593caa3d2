// Ids of the bitmap strips of the main window's buttons and sliders (their
// tooltip texts are in ResIds.h). IDB_ names are bitmaps; a _FIRST/_LAST pair
// declares every id in between. The res tests check each one exists.
#pragma once

// Channel buttons 300-315: strip FIRST + channel.
constexpr int IDB_MAIN_CHANNEL_FIRST = 1520;
constexpr int IDB_MAIN_CHANNEL_LAST = 1535;
// Split buttons 320-328: strip FIRST + button; the full-screen split bar
// shows the same strips.
constexpr int IDB_MAIN_SPLIT_FIRST = 1510;
constexpr int IDB_MAIN_SPLIT_LAST = 1518;

// The split rail below the split buttons.
constexpr int IDB_MAIN_FULL = 1538;
constexpr int IDB_MAIN_LIVE = 1541;
constexpr int IDB_MAIN_OSD = 1542;
constexpr int IDB_MAIN_ARRANGE = 1543;
constexpr int IDB_MAIN_SAVE = 1544;
constexpr int IDB_MAIN_LOAD = 1545;
constexpr int IDB_MAIN_AUDIO = 1546;

// Playback buttons 340-346: strip FIRST + (id - 340).
constexpr int IDB_MAIN_PLAY_FIRST = 1550;
constexpr int IDB_MAIN_PLAY_LAST = 1556;

// Toolbar.
constexpr int IDB_MAIN_CONNECT = 1624;
constexpr int IDB_MAIN_REMOTE_SEARCH = 1620;
constexpr int IDB_MAIN_REMOTE_SETUP = 1621;
constexpr int IDB_MAIN_LOCAL_SEARCH = 1622;
constexpr int IDB_MAIN_LOCAL_SETUP = 1623;
constexpr int IDB_MAIN_PAN = 1564;
constexpr int IDB_MAIN_ZOOM = 1565;
constexpr int IDB_MAIN_FIRMUP = 1566;
constexpr int IDB_MAIN_REBOOT = 2351;
constexpr int IDB_MAIN_QUIT = 1569;
constexpr int IDB_MAIN_VERINFO = 1596;
constexpr int IDB_MAIN_MIN = 1573;

// Sound: the Sound button (second set: muted), the audio-channel and
// microphone buttons, the volume slider's channel and its part left of the
// position.
constexpr int IDB_MAIN_SOUND = 1570;
constexpr int IDB_MAIN_SELAUDIO = 1571;
constexpr int IDB_MAIN_MIKE = 1572;
constexpr int IDB_MAIN_VOLUME_ACTIVE = 1574;
constexpr int IDB_MAIN_VOLUME_CHANNEL = 1575;

// The playback position slider on the play bar.
constexpr int IDB_MAIN_POSITION_ACTIVE = 1580;
constexpr int IDB_MAIN_POSITION_CHANNEL = 1581;
constexpr int IDB_MAIN_POSITION_THUMB = 1582;
constexpr int IDB_MAIN_POSITION_THUMB_DRAG = 1583;
