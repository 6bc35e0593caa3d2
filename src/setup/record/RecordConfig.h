// The record configuration page without widgets: which rows it shows on
// which recorder and image, where the section bars go, and the event-rate
// lists with the rate a change of event mode writes.
#pragma once

#include "setup/RecorderCaps.h"
#include "setup/SetupImage.h"

#include <vector>

namespace RecordConfig {

enum class Layout
{
    L,
    A1,
    A2,
    A3,
    B1,
    B2,
    B3,
};

enum class Row
{
    SwitchA,
    SwitchB,
    EventMode,
    EventRate,
    PreEvent,
    PostEvent,
    Choice,
    AudioChannel,
    ConfigMode,
    Block, // the non-event rates: three rows, 4CIF, 2CIF, CIF
};

struct Bar
{
    int row;
    bool left; // the left bar too, not only the right one
};

struct Plan
{
    Layout layout = Layout::L;
    std::vector<Row> rows;              // in row order; Block stands for its first row
    bool literalDurationTitles = false; // "Pre Event Duration" / "Post Event Duration"
    bool configTitleEventMode = false;  // "Event Mode" instead of its text id
    bool nonMotionBlock = false;        // "Non-Motion FPS" instead of "Non-Event FPS"
    bool audioButton = false;           // 483 leads to the audio inputs
    std::vector<Bar> bars;
};

// The layout of a recorder and an image, chosen once when the page opens.
Plan PlanFor(SetupVersion version, const RecorderCaps& caps);
// The row a layout gives an item, or -1 when it is hidden.
int RowOf(const Plan& plan, Row row);

// The event-rate list: its number of items (0 .. count - 1) and the rate a
// change to `mode` writes. A mode above 2 counts as 0.
int EventRateCount(int channels, int videoStandard, int mode);
int DefaultEventRate(int channels, int videoStandard, int mode);

} // namespace RecordConfig
