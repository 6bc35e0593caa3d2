// Ids of the bitmaps and texts the main window loads from the resource bundle.
// IDB_ names are bitmaps, IDS_ names are string-table texts; a _FIRST/_LAST
// pair declares every id in between. The res tests check each one exists.
#pragma once

// Skin frame: nine pieces, frame k of the window is bitmap FIRST + k.
constexpr int IDB_MAIN_FRAME_FIRST = 1500;
constexpr int IDB_MAIN_FRAME_LAST = 1508;
// The centre is frame piece 4, stretched over the video area.
constexpr int IDB_MAIN_CENTRE = 1504;
// Drawn over the bottom frame while a playback runs.
constexpr int IDB_MAIN_PLAYBAR = 1584;

// Tooltips of the main window's controls.
constexpr int IDS_TIP_CONNECT = 5000;
constexpr int IDS_TIP_REMOTE_SEARCH = 5001;
constexpr int IDS_TIP_REMOTE_SETUP = 5002;
constexpr int IDS_TIP_LOCAL_SEARCH = 5003;
constexpr int IDS_TIP_LOCAL_SETUP = 5004;
constexpr int IDS_TIP_PAN = 5005;
constexpr int IDS_TIP_ZOOM = 5006;
constexpr int IDS_TIP_FIRMWARE = 5007;
constexpr int IDS_TIP_QUIT = 5008;
constexpr int IDS_TIP_CHANNEL = 5009; // followed by " 1" ... " 16"
constexpr int IDS_TIP_SPLIT_1 = 5010;
constexpr int IDS_TIP_SPLIT_4 = 5011;
constexpr int IDS_TIP_FULL = 5012;
constexpr int IDS_TIP_LIVE = 5013;
constexpr int IDS_TIP_OSD = 5014;
constexpr int IDS_TIP_ARRANGE = 5015;
constexpr int IDS_TIP_SAVE = 5016;
constexpr int IDS_TIP_LOAD = 5017;
constexpr int IDS_TIP_SOUND = 5018;
constexpr int IDS_TIP_VOLUME = 5019;
constexpr int IDS_TIP_SEL_AUDIO = 5020;
constexpr int IDS_TIP_MIKE = 5021;
constexpr int IDS_TIP_PLAY = 5022;          // button 340
constexpr int IDS_TIP_FAST_BACKWARD = 5023; // button 341
constexpr int IDS_TIP_FAST_FORWARD = 5024;  // button 342
constexpr int IDS_TIP_PAUSE = 5025;         // button 343
constexpr int IDS_TIP_STOP = 5027;          // button 345
constexpr int IDS_TIP_PLAY_RESUME = 5028;   // button 346
constexpr int IDS_TIP_MIN = 5029;
constexpr int IDS_TIP_AUDIO = 5030;
constexpr int IDS_TIP_VERSION = 5410;
constexpr int IDS_TIP_DISCONNECT = 5830;
constexpr int IDS_TIP_RECORD_STOP = 5882;
constexpr int IDS_TIP_RECORD_START = 5883;
constexpr int IDS_TIP_REBOOT = 6020;
