// Which buttons a tab menu of the setup window shows, in which slot, with
// which caption and bitmap, and which page each opens - decided once from the
// recorder's flags and the image's format version. Plain data.
#pragma once

#include "setup/SetupImage.h"
#include "setup/SetupPageRegistry.h"

#include <QRect>
#include <vector>

enum class SetupMenuKind
{
    Display = 0,
    Rec = 1,
    System = 2,
    Event = 3,
};

struct SetupMenuCaps
{
    bool channelLock = false;  // the window's m_bChannelLock
    bool servedModel = false;  // the window's m_bServedModel
    bool subProduct52 = false; // the connection's sub product 5.2 flag
    int subProductMajor = 0;   // the hello record's byte 14 (0 without a connection)
    SetupVersion version;
};

struct SetupMenuButton
{
    int id = 0;    // control id, 450 upward
    int slot = -1; // -1: hidden
    int bitmap = 0;
    int captionId = 0; // string id, 0 when `fixedCaption` is used
    const char* fixedCaption = nullptr;
    int page = 0; // template id of the page it opens
    SetupPageArgs args;
};

constexpr int kSetupMenuFirstButton = 450;

// The menu's buttons in id order.
std::vector<SetupMenuButton> PlanSetupMenu(SetupMenuKind kind, const SetupMenuCaps& caps);
// Slot k: 170 x 35 at (2, 1 + 40k).
QRect SetupMenuSlotRect(int slot);
