// Small rules of the remote search window: which tab and view open, the
// camera mask the window starts with, the camera selection rule, the archive
// log's password gate and the pop-ups' geometry. No widgets.
#pragma once

#include "net/SearchKeep.h"

class ChannelRows;

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// ---- Tabs and the hand-over ------------------------------------------------

enum class SearchTab
{
    None,
    Search,
    Backup,
    Log,
    Info,
};

struct SearchRights
{
    bool connected = false;
    bool search = false;
    bool backup = false;
    bool transferRunning = false;
};

// The tab the window opens with; `closeNow` when the window is to close at
// once (backup right alone while a transfer runs).
SearchTab InitialSearchTab(const SearchRights& rights, const PlayHandOver& handOver, bool& closeNow);

// The tab buttons' enabled flags (Search, Backup, Log, Info) for the rights.
std::array<bool, 4> SearchTabsEnabled(const SearchRights& rights);

// All cameras of a recorder with `channels` cameras.
std::uint32_t AllCamerasMask(int channels);
// The window's camera mask: the hand-over's while it is active, else all.
std::uint32_t InitialChannelMask(const PlayHandOver& handOver, int channels);

// The Search tab's first view after a hand-over.
enum class SearchView
{
    DateTime,
    Event,
    Timeline,
};
// `forget` when the block belongs to the log side and is to be dropped.
SearchView SearchTabFirstView(const PlayHandOver& handOver, bool& forget);
// The Log tab's first view: 0 All, 1 Event; `forget` as above.
int LogTabFirstView(const PlayHandOver& handOver, bool& forget);

// ---- Camera selection --------------------------------------------------------

// Rows shown: the recorder's cameras (4, 8 or 16), 16 without a connection.
int CameraRowCount(bool connected, int channels);
// On (or Off) of `row`: the row alone when unchecked, every checked row when
// it is checked; rows at or beyond `rows` never change.
std::uint32_t ApplyCameraOnOff(std::uint32_t mask, const ChannelRows& rows, int row, bool on);

// ---- Archive log gate --------------------------------------------------------

struct ArchiveGateInput
{
    bool connected = false;
    int userIndex = 0;
    bool promptOk = false;
    bool loggedIn = false;
    bool searchRight = false;
    std::string typed;
    std::array<char, 9> archivePass{}; // up to 8 bytes, terminated
};
// Whether a prompt is needed at all (the first account of a connection).
bool ArchiveGateNeedsPrompt(bool connected, int userIndex);
// The gate after the prompt: exact, case-sensitive match of the typed text
// with the recorder's archive password as it is (at most 8 bytes).
bool ArchiveGateOpen(const ArchiveGateInput& in);

// ---- Pop-up geometry ---------------------------------------------------------

inline constexpr int kSearchListMaxCells = 39;

struct PopupRect
{
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PopupRect&) const = default;
};

// The anchor: the clicked control's screen rectangle and the click point in it.
struct PopupAnchor
{
    int left = 0, top = 0;
    int clickX = 0, clickY = 0;
};

// Count clamped to 0 .. 39.
int SearchListCount(int count);
// Inner height H of the list pop-up.
int SearchListInnerHeight(int count, bool fourPerRow);
// The window: centred below the click point, W x (H + 10).
PopupRect PopupWindowRect(const PopupAnchor& anchor, int width, int innerHeight);
// Cell i's label rectangle in the list pop-up.
PopupRect SearchListCellRect(int i, int width, bool fourPerRow);
// Moves `rect` inside `screen` (the anchor's screen), keeping its size when
// it fits.
PopupRect KeepOnScreen(const PopupRect& rect, const PopupRect& screen);

// The time pop-up's result: never past 24:00:00.
struct TimeOfDay
{
    int hour = 0, minute = 0, second = 0;
    bool operator==(const TimeOfDay&) const = default;
};
TimeOfDay ClampTimeResult(int hour, int minute, int second);
