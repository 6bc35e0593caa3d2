// The control sweep: every page the window can open, for one recorder kind,
// opened on the simulator's patterned image; every enabled control pressed
// where an operator presses it (buttons, check boxes, both ends of each
// slider, each row of each list and both ends of each picker slider, a cell
// of each grid); each press checked against what the control owns - its
// bytes of the image, or the page or window state it changes when it owns no
// byte. The table of owners lives in ControlSweepTable.cpp.
#pragma once

#include "setup/RecorderCaps.h"
#include "setup/SetupImage.h"
#include "setup/SetupPageRegistry.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

class CSetupPage;

namespace sweep {

// A recorder kind the menus and pages tell apart.
struct Kind
{
    const char* name;
    int channels;
    int subMajor;
    int subMinor;
    int versionMajor;
    int versionMinor;
    bool flags;       // every hello flag and optional record the pages ask about
    bool servedModel; // a served model: no spot sequence, its own menus
};

RecorderCaps CapsOf(const Kind& kind);
const std::vector<Kind>& Kinds();

using Bytes = std::set<std::size_t>;

// One press of a control, as a view replays it: `variant` -1 a plain press,
// otherwise a list row or a picker slider's end (2k the low end of slider k,
// 2k + 1 its high end) or a page slider's end (0 low, 1 high).
struct Step
{
    int id;
    int variant;
    friend bool operator==(const Step&, const Step&) = default;
};

// What the owner functions may look at.
struct Context
{
    RecorderCaps caps;
    SetupVersion version;
    int templateId = 0;
    SetupPageArgs args;
    std::vector<Step> view; // the presses that led to the view the control is in
    const CSetupPage* page = nullptr;
    const std::uint8_t* image = nullptr; // as the page sees it now
    // The last tab-like press of the view among `ids`, or `fallback`.
    int Last(std::initializer_list<int> ids, int fallback) const;
};

enum class Effect
{
    Bytes, // writes only its own bytes; a press over a value it would not change writes nothing
    Shows, // owns no byte: the page's picture changes
    Opens, // owns no byte: the window shows page `opens`
    Posts, // owns no byte: the window's host hears notice `posts`
    Link,  // owns no byte: sends to the recorder over the link, which the sweep has not
    Inert, // acts only on text typed first (edit boxes the sweep leaves alone): changes nothing
};

struct Rule
{
    int page = 0;  // template id
    int first = 0; // control ids first..last
    int last = 0;
    Effect effect = Effect::Bytes;
    // Bytes: the bytes control `id` owns in context; other effects: the bytes
    // it may write on the way (none when empty).
    std::function<Bytes(const Context&, int id)> owned;
    int opens = 0; // Opens: the template id; Posts: the notice code
    // A control whose press this one undoes (Return All after All Check): it
    // is pressed first.
    int after = 0;
    // Shows: true when the press brings other controls into view (tabs).
    bool reveals = false;
    const char* what = ""; // what the press changes, for the failure texts
    // Shows through a list: the row picked (-1: a plain press).
    int pick = -1;
    // The recorders, views and controls the rule holds for; null: every one.
    std::function<bool(const Context&, int id)> when;
};

// The rule for control `id` of the page in `ctx`, or null.
const Rule* FindRule(const Context& ctx, int id);
const std::vector<Rule>& AllRules();

// Helpers for owner functions.
Bytes FieldBytes(const SetupDb::Field& f);
Bytes ElementBytes(const SetupDb::Field& f, int i);
Bytes RecordBytes(const SetupDb::Field& f, int record, int index); // one byte of a record field
Bytes Join(std::initializer_list<Bytes> parts);

} // namespace sweep
