// What each control of each page owns: the bytes of the image its presses
// may write, or, for a control that owns no byte, what it changes instead.
// Written from the image's layout and the pages' controls, not read back
// from the pages' code: a control whose handler answers to another id, or
// writes another field, shows up as a difference.
#include "ControlSweep.h"

#include "setup/ClientAccountPage.h"
#include "setup/PtzProtocolTable.h"
#include "setup/SetupOffsets.h"
#include "setup/SetupPageIds.h"

#include "SimEvent.h"

#include <algorithm>

namespace sweep {

const std::vector<Kind>& Kinds()
{
    // Channel counts 4, 8 and 16; sub products 0, 3, 4, 5 (5.2 apart), 6;
    // format versions on both sides of each gate the pages and menus ask.
    static const std::vector<Kind> kinds = {
        {"Ch16Sub0V40", 16, 0, 0, 4, 0, false, false}, {"Ch8Sub5V42", 8, 5, 1, 4, 2, false, false},
        {"Ch8Sub3V43", 8, 3, 0, 4, 3, true, false},    {"Ch8Sub0V44Served", 8, 0, 0, 4, 4, true, true},
        {"Ch4Sub0V46", 4, 0, 0, 4, 6, true, false},    {"Ch16Sub4V47", 16, 4, 0, 4, 7, true, false},
        {"Ch4Sub6V48", 4, 6, 0, 4, 8, true, false},    {"Ch16Sub52V50", 16, 5, 2, 5, 0, true, false},
        {"Ch16Sub5V52", 16, 5, 1, 5, 2, true, false},  {"Ch16Sub6V53", 16, 6, 1, 5, 3, true, false},
        {"Ch8Sub6V46", 8, 6, 0, 4, 6, false, false},
    };
    return kinds;
}

RecorderCaps CapsOf(const Kind& kind)
{
    RecorderCaps c;
    c.channelCount = kind.channels;
    c.hasConnection = true;
    c.subProductMajor = kind.subMajor;
    c.subProductMinor = kind.subMinor;
    c.subProduct6 = kind.subMajor == 6;
    c.subProduct52 = kind.subMajor == 5 && kind.subMinor == 2;
    c.servedModel = kind.servedModel;
    c.userIndex = 0;
    c.userMatched = true;
    // The recorder's languages and PTZ protocol lists as the simulator sends
    // them: the numbered form, and on the newer kinds the named one in force.
    const k5sim::Bytes numbered =
        k5sim::BuildSysEtcInfo({{1, 4}, {2, 4}, {0, 0}, {5, 6}}, {{1, 4}, {2, 2}}, {1, 2, 0, 3});
    std::copy_n(numbered.begin(), std::min(numbered.size(), sizeof c.sysEtcInfo.bytes), c.sysEtcInfo.bytes);
    if (kind.flags) {
        const k5sim::Bytes named = k5sim::BuildSysEtcInfoEx(
            {{"PELCO-P", 4}, {"PELCO-D", 5}, {"", 0}, {"SIM-DOME", 6}},
            {{"SIM-KEYS", 3}, {"", 0}, {"RS-KBD", 0}}, {"English", "", "German", "french", "Greek"});
        std::copy_n(named.begin(), std::min(named.size(), sizeof c.sysEtcInfoEx.bytes), c.sysEtcInfoEx.bytes);
        c.hasSysEtcInfoEx = true;
        c.archiveSupport = true;
        c.autoLogoutSupport = true;
        c.helloFlag2 = !c.subProduct6;
        c.helloFlag3 = true;
        c.helloFlag6 = true;
        c.helloFlag2Bit0 = true;
        c.helloFlag2Bit1 = true;
    }
    return c;
}

int Context::Last(std::initializer_list<int> ids, int fallback) const
{
    for (auto it = view.rbegin(); it != view.rend(); ++it)
        for (int id : ids)
            if (it->id == id)
                return id;
    return fallback;
}

Bytes FieldBytes(const SetupDb::Field& f)
{
    Bytes b;
    for (std::uint32_t o = f.offset; o < f.End(); ++o)
        b.insert(o);
    return b;
}

Bytes ElementBytes(const SetupDb::Field& f, int i)
{
    Bytes b;
    if (i < 0 || static_cast<std::uint32_t>(i) >= f.count)
        return b;
    for (std::uint32_t o = f.At(static_cast<std::uint32_t>(i));
         o < f.At(static_cast<std::uint32_t>(i)) + f.width; ++o)
        b.insert(o);
    return b;
}

Bytes RecordBytes(const SetupDb::Field& f, int record, int index)
{
    return {f.offset + f.width * static_cast<std::uint32_t>(record) + static_cast<std::uint32_t>(index)};
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(p.begin(), p.end());
    return out;
}

namespace {

using namespace SetupDb;
using Owner = std::function<Bytes(const Context&, int)>;

// A control whose effect lies outside the image and the page: `code` is the
// notice it posts (Posts).
Rule Special(int page, int first, int last, Effect effect, const char* what, int code = 0)
{
    Rule r;
    r.page = page;
    r.first = first;
    r.last = last;
    r.effect = effect;
    r.opens = code;
    r.what = what;
    return r;
}

Rule Own(int page, int first, int last, Owner owned, const char* what)
{
    Rule r = Special(page, first, last, Effect::Bytes, what);
    r.owned = std::move(owned);
    return r;
}
Rule Own(int page, int id, Owner owned, const char* what)
{
    return Own(page, id, id, std::move(owned), what);
}
Rule Show(int page, int first, int last, const char* what, bool reveals = false, Owner mayWrite = {})
{
    Rule r = Special(page, first, last, Effect::Shows, what);
    r.owned = std::move(mayWrite);
    r.reveals = reveals;
    return r;
}
Rule Tabs(int page, int first, int last, Owner mayWrite = {})
{
    return Show(page, first, last, "tab: shows its view", true, std::move(mayWrite));
}
Rule Open(int page, int id, int target, const char* what, Owner mayWrite = {})
{
    Rule r = Special(page, id, id, Effect::Opens, what, target);
    r.owned = std::move(mayWrite);
    return r;
}

// Element `id - first` of a per-channel (or per-item) field.
Owner Element(const Field& f, int first)
{
    return [f, first](const Context&, int id) { return ElementBytes(f, id - first); };
}
Owner Whole(const Field& f)
{
    return [f](const Context&, int) { return FieldBytes(f); };
}
Owner Fields(std::initializer_list<Field> fields)
{
    std::vector<Field> list(fields);
    return [list](const Context&, int) {
        Bytes out;
        for (const Field& f : list) {
            const Bytes b = FieldBytes(f);
            out.insert(b.begin(), b.end());
        }
        return out;
    };
}

// The channel rows every per-channel page shares: the row checks, All Check
// and Return All own no byte; they choose the rows an edit reaches.
void ChannelRowRules(std::vector<Rule>& rules, int page)
{
    rules.push_back(Show(page, 490, 505, "row check: checks its row"));
    rules.push_back(Show(page, 480, 480, "All Check: checks every row"));
    Rule returnAll = Show(page, 481, 481, "Return All: clears the checks All Check set");
    returnAll.after = 480;
    rules.push_back(returnAll);
}

// Byte `channel` of every per-channel record field a camera switched off
// stops recording in.
Bytes CameraRecordBytes(int channel)
{
    Bytes out = ElementBytes(CameraEnable, channel);
    for (const Field& f :
         {PlainRate, PlainAudio, SensorRate, SensorAudio, MotionRate, MotionAudio, ScheduleRate,
          ScheduleAudio, SensitivityRate, SensitivityAudio, DaysRecordOn, DaysAudio})
        out.insert(f.At(static_cast<std::uint32_t>(channel)));
    for (int k = 0; k < 4; ++k)
        for (const Field& f : {ProfileRate, ProfileAudio})
            out.insert(f.offset + f.width * static_cast<std::uint32_t>(k) +
                       static_cast<std::uint32_t>(channel));
    return out;
}

// The record pages: per-channel rates, audio switches and resolutions of one
// block. A resolution is set for every channel and refills the rates; a rate
// or an audio switch reaches its channel's group of four (channels share one
// value per group on some recorders); a rate of 0 clears the audio.
struct BlockFields
{
    int page;
    std::vector<Field> rate;  // rates and the second rate set
    std::vector<Field> audio; // audio and record switches
    std::vector<Field> resolution;
    std::vector<Field> fourth; // the fourth tab's values
    int button482;             // the page 482 opens (0: none)
};

Bytes GroupBytes(const std::vector<Field>& fields, int channel, bool profiles = false)
{
    Bytes out;
    const int first = channel / 4 * 4;
    for (const Field& f : fields)
        for (int c = first; c < first + 4; ++c)
            for (int k = 0; k < (profiles ? 4 : 1); ++k)
                out.insert(f.offset + (profiles ? 16u * static_cast<std::uint32_t>(k) : 0u) +
                           f.width * static_cast<std::uint32_t>(c));
    return out;
}

Bytes AllBytes(const std::vector<Field>& fields)
{
    Bytes out;
    for (const Field& f : fields) {
        const Bytes b = FieldBytes(f);
        out.insert(b.begin(), b.end());
    }
    return out;
}

// Sub product 4's motion page shows two rate sets; on its Rate tab 482
// switches between them.
bool MotionDualRateView(const Context& ctx, int)
{
    return ctx.caps.subProductMajor == 4 && ctx.Last({470, 471, 472, 473}, 470) == 471;
}

void RecordPageRules(std::vector<Rule>& r)
{
    const std::vector<BlockFields> blocks = {
        {SetupPage::kPlainRecord, {PlainRate}, {PlainAudio}, {PlainResolution}, {}, 0},
        {SetupPage::kScheduleRecord,
         {ScheduleRate},
         {ScheduleAudio},
         {ScheduleResolution},
         {},
         SetupPage::kWeeklySchedule},
        {SetupPage::kSensorRecord,
         {SensorRate, ProfileRate},
         {SensorAudio, ProfileAudio},
         {SensorResolution, ProfileResolution},
         {},
         SetupPage::kAlarmPreset},
        {SetupPage::kMotionRecord,
         {MotionRate, SensitivityRate},
         {MotionAudio},
         {MotionResolution},
         {MotionSensitivity},
         SetupPage::kMotionGrid},
        {SetupPage::kRecordDays, {}, {DaysAudio, DaysRecordOn}, {DaysResolution}, {DaysValue}, 0},
    };
    for (const BlockFields& b : blocks) {
        // A profile table is four rows of sixteen channels.
        const auto group = [](const std::vector<Field>& fields, int c) {
            Bytes out;
            for (const Field& f : fields) {
                const bool table = f.width == 16;
                const Bytes g = GroupBytes({table ? Field{f.offset, 1, 16} : f}, c, table);
                out.insert(g.begin(), g.end());
            }
            return out;
        };
        ChannelRowRules(r, b.page);
        const Bytes views = Join({AllBytes(b.rate), AllBytes(b.audio)});
        if (b.page == SetupPage::kSensorRecord) {
            r.push_back(Tabs(b.page, 470, 472, [views](const Context&, int) { return views; }));
            r.push_back(Open(b.page, 473, SetupPage::kSensorLink, "fourth tab: the sensor links"));
        } else {
            r.push_back(Tabs(b.page, 470, 473, [views](const Context&, int) { return views; }));
        }
        const Bytes resolution = Join({AllBytes(b.resolution), AllBytes(b.rate), AllBytes(b.audio)});
        r.push_back(Own(
            b.page, 920, 975, [resolution](const Context&, int) { return resolution; },
            "resolution of every channel (refills the rates)"));
        r.push_back(Own(
            b.page, 510, 525,
            [b, group](const Context&, int id) {
                const int c = id - 510;
                Bytes out = Join({group(b.rate, c), group(b.audio, c)});
                for (const Field& f : b.fourth)
                    out.merge(f.count == 16 ? ElementBytes(f, c) : FieldBytes(f));
                return out;
            },
            "rate (or fourth tab) slider of the channel"));
        r.push_back(Own(
            b.page, 550, 585, [b, group](const Context&, int id) { return group(b.audio, (id - 550) % 20); },
            "audio On/Off of the channel"));
        // The grid pages store what they show: the motion grid's first
        // channel as 0 and 1, the weekly schedule held to its values.
        Owner opened;
        if (b.button482 == SetupPage::kMotionGrid)
            opened = [](const Context&, int) { return ElementBytes(MotionGrid, 0); };
        if (b.button482 == SetupPage::kWeeklySchedule)
            opened = Whole(WeeklySchedule);
        if (b.button482 != 0) {
            Rule sub = Open(b.page, 482, b.button482, "the page's sub-page", opened);
            if (b.page == SetupPage::kMotionRecord)
                sub.when = [](const Context& ctx, int) { return !MotionDualRateView(ctx, 0); };
            r.push_back(sub);
        }
        r.push_back(Special(b.page, 806, 821, Effect::Inert, "rate value text of the channel"));
    }
    r.push_back(Show(SetupPage::kSensorRecord, 484, 485, "Prev/Next: the previous or next profile", true));
    Rule rateSet = Show(SetupPage::kMotionRecord, 482, 482, "on the Rate tab: shows the other rate set", true,
                        Fields({MotionRate, SensitivityRate, MotionAudio}));
    rateSet.when = MotionDualRateView;
    r.push_back(rateSet);
}

std::vector<Rule> MakeRules()
{
    std::vector<Rule> r;
    // --- Display tab ---------------------------------------------------------
    ChannelRowRules(r, SetupPage::kCameraCovert);
    r.push_back(Own(SetupPage::kCameraCovert, 550, 565, Element(Covert, 550), "On: covert"));
    r.push_back(Own(SetupPage::kCameraCovert, 570, 585, Element(Covert, 570), "Off: not covert"));

    ChannelRowRules(r, SetupPage::kCameraEnable);
    r.push_back(Own(
        SetupPage::kCameraEnable, 806, 821,
        [](const Context&, int id) { return CameraRecordBytes(id - 806); },
        "camera switch; Off stops the channel's recording"));

    ChannelRowRules(r, SetupPage::kCameraColor);
    r.push_back(Tabs(SetupPage::kCameraColor, 470, 473));
    r.push_back(Own(
        SetupPage::kCameraColor, 510, 525,
        [](const Context& ctx, int id) {
            static const Field fields[] = {Hue, Saturation, Contrast, Brightness};
            return ElementBytes(fields[ctx.Last({470, 471, 472, 473}, 470) - 470], id - 510);
        },
        "colour slider of the shown tab"));
    Rule reset = Own(
        SetupPage::kCameraColor, 482, 482,
        [](const Context& ctx, int) {
            static const Field fields[] = {Hue, Saturation, Contrast, Brightness};
            return FieldBytes(fields[ctx.Last({470, 471, 472, 473}, 470) - 470]);
        },
        "Reset: the checked rows of the shown tab back to their defaults");
    reset.after = 480;
    r.push_back(reset);

    const Owner osdSwitch = [](const Context&, int id) {
        return FieldBytes((id - 550) % 20 == 0 ? OsdSwitchA : OsdSwitchB);
    };
    const int spot = SetupPage::kSpotSequence;
    ChannelRowRules(r, spot);
    r.push_back(Tabs(spot, 470, 472));
    r.push_back(Own(spot, 590, 596, Fields({SpotMode, SpotDwell}),
                    "On of a mode: chooses it (split modes share one dwell per group)"));
    r.push_back(Special(spot, 597, 603, Effect::Inert,
                        "Off of a mode: shows it is not chosen; a mode is chosen by its On"));
    r.push_back(Own(
        spot, 510, 525,
        [](const Context&, int id) {
            Bytes out;
            for (int c = (id - 510) / 8 * 8; c < (id - 510) / 8 * 8 + 8; ++c)
                out.merge(ElementBytes(SpotDwell, c));
            return out;
        },
        "dwell slider of the channel or its group"));
    r.push_back(Own(spot, 550, 565, Element(SpotEvent, 550), "On: the channel spots on events"));
    r.push_back(Own(spot, 570, 585, Element(SpotEvent, 570), "Off"));

    ChannelRowRules(r, SetupPage::kOsdSetup);
    r.push_back(Own(SetupPage::kOsdSetup, 793, Whole(OsdChoiceA), "first list"));
    r.push_back(Own(SetupPage::kOsdSetup, 795, Whole(OsdNumber), "number list"));
    r.push_back(Own(SetupPage::kOsdSetup, 799, Whole(OsdChoiceB), "second list"));
    r.push_back(Own(SetupPage::kOsdSetup, 800, Whole(OsdMinutesA), "first minutes list"));
    r.push_back(Own(SetupPage::kOsdSetup, 801, Whole(OsdMinutesB), "second minutes list"));
    r.push_back(Own(SetupPage::kOsdSetup, 550, 551, osdSwitch, "On of a switch"));
    r.push_back(Own(SetupPage::kOsdSetup, 570, 571, osdSwitch, "Off of a switch"));

    // --- Rec tab -------------------------------------------------------------
    const int config = SetupPage::kRecordConfig;
    r.push_back(Own(config, 551, Whole(EventSwitchB), "On of switch B"));
    r.push_back(Own(config, 571, Whole(EventSwitchB), "Off of switch B"));
    r.push_back(
        Own(config, 797, Fields({EventMode, EventModeValue}), "event mode (brings its default rate)"));
    r.push_back(Own(config, 798, Whole(EventModeValue), "event rate"));
    r.push_back(Own(config, 799, Whole(PreEventDuration), "pre-event list"));
    r.push_back(Own(config, 800, Whole(PostEventDuration), "post-event slider"));
    r.push_back(Own(config, 801, Whole(EventListChoice), "three-way choice"));
    // Sub product 6 starts motion recording again from channel 0's
    // resolution when the mode turns to 1.
    r.push_back(Own(config, 806, Fields({RecordConfigMode, MotionResolution, MotionRate, SensitivityRate}),
                    "record configuration mode"));
    r.push_back(Own(config, 808, Whole(EventListChoiceB), "audio channel"));
    r.push_back(Own(config, 816, 818, Element(NonEventRate, 816), "non-event rate of a resolution"));
    r.push_back(Open(config, 483, SetupPage::kAudioInput, "Audio: the audio inputs"));
    r.push_back(Own(
        SetupPage::kAudioInput, 791, 797,
        [](const Context&, int id) { return ElementBytes(AudioInputChannel, (id - 791) / 2); },
        "channel of an audio input"));
    r.push_back(Open(SetupPage::kAudioInput, 482, SetupPage::kRecordConfig, "back"));
    RecordPageRules(r);
    // The weekly schedule: a grid of 7 x 24 hours. Sub products 3 and 4 paint
    // with four values chosen by the buttons; the others switch hours on and
    // off, with All On, All Off and a way back.
    const int weekly = SetupPage::kWeeklySchedule;
    const auto fourValues = [](const Context& ctx, int) {
        return ctx.caps.subProductMajor == 3 || ctx.caps.subProductMajor == 4;
    };
    r.push_back(Own(weekly, 437, Whole(WeeklySchedule), "grid: an hour painted"));
    Rule brush = Show(weekly, 480, 483, "paint value: selects its button");
    brush.when = fourValues;
    r.push_back(brush);
    Rule allOnOff = Own(weekly, 480, 481, Whole(WeeklySchedule), "All On / All Off");
    allOnOff.when = [fourValues](const Context& ctx, int id) { return !fourValues(ctx, id); };
    r.push_back(allOnOff);
    Rule back = Open(weekly, 483, SetupPage::kScheduleRecord, "back to the schedule page");
    back.when = allOnOff.when;
    r.push_back(back);
    r.push_back(Own(SetupPage::kRecordModeRank, 795, 799, Whole(RecordModeRank),
                    "mode of a rank (the mode it displaces takes the freed rank)"));

    // Sensor sub-pages: the alarm presets of each sensor, the sensor links.
    const int preset = SetupPage::kAlarmPreset;
    const auto sensorTab = [](const Context& ctx) {
        return ctx.Last({550, 551, 552, 553, 554, 555, 556, 557}, 550) - 550;
    };
    r.push_back(Tabs(preset, 550, 557));
    r.push_back(Own(
        preset, 790, 793,
        [sensorTab](const Context& ctx, int id) {
            return RecordBytes(PresetCamera, sensorTab(ctx), id - 790);
        },
        "camera of a preset entry"));
    r.push_back(Own(
        preset, 794, 797,
        [sensorTab](const Context& ctx, int id) {
            return RecordBytes(PresetAction, sensorTab(ctx), id - 794);
        },
        "action of a preset entry"));
    r.push_back(Open(preset, 482, SetupPage::kSensorRecord, "back"));
    ChannelRowRules(r, SetupPage::kSensorLink);
    r.push_back(Tabs(SetupPage::kSensorLink, 470, 473));
    const Owner link = [](const Context& ctx, int id) {
        return RecordBytes(SensorLink, ctx.Last({470, 471, 472, 473}, 470) - 470, (id - 550) % 20);
    };
    r.push_back(Own(SetupPage::kSensorLink, 550, 565, link, "On: the sensor records the channel"));
    r.push_back(Own(SetupPage::kSensorLink, 570, 585, link, "Off"));
    r.push_back(Open(SetupPage::kSensorLink, 482, SetupPage::kSensorRecord, "back"));

    // The motion grid of one channel at a time.
    const int grid = SetupPage::kMotionGrid;
    const auto gridChannel = [](const Context& ctx) {
        int c = 0;
        for (const Step& s : ctx.view)
            if (s.id >= 550 && s.id < 566)
                c = s.id - 550;
        return c;
    };
    const Owner cells = [gridChannel](const Context& ctx, int) {
        return ElementBytes(MotionGrid, gridChannel(ctx));
    };
    // Showing a channel stores its used cells as 0 or 1: anything but 1 is clear.
    r.push_back(Show(grid, 550, 565, "channel button: shows the channel's grid", true,
                     [](const Context&, int id) { return ElementBytes(MotionGrid, id - 550); }));
    r.push_back(Own(grid, 437, cells, "grid: a cell switched"));
    r.push_back(Own(grid, 480, cells, "Select All"));
    Rule clearAll = Own(grid, 481, cells, "Clear All: clears what Select All set");
    clearAll.after = 480;
    r.push_back(clearAll);
    r.push_back(Open(grid, 482, SetupPage::kMotionRecord, "back"));

    // --- System tab ----------------------------------------------------------
    ChannelRowRules(r, SetupPage::kSensorSetup);
    r.push_back(Own(SetupPage::kSensorSetup, 550, 565, Element(SensorKind, 550), "first kind of sensor"));
    r.push_back(Own(SetupPage::kSensorSetup, 570, 585, Element(SensorKind, 570), "second kind of sensor"));
    r.push_back(Own(SetupPage::kSensorSetup, 590, 605, Element(SensorKind, 590), "no sensor"));
    r.push_back(Own(SetupPage::kBasicSetup, 795, Whole(Language), "language list"));
    r.push_back(Own(SetupPage::kBasicSetup, 796, Whole(DateFormat), "date format list"));
    // A new video standard rebuilds every block's resolutions and rates for
    // the new frame budget.
    r.push_back(
        Own(SetupPage::kBasicSetup, 797,
            Fields({VideoStandard, EventModeValue, PlainResolution, MotionResolution, ScheduleResolution,
                    SensitivityResolution, DaysResolution, SensorResolution, PlainRate, MotionRate,
                    ScheduleRate, SensitivityRate, SensorRate, ProfileResolution, ProfileRate}),
            "video standard list"));
    r.push_back(Own(SetupPage::kBasicSetup, 798, Whole(DeviceNumber), "device number slider"));
    r.push_back(Special(SetupPage::kBasicSetup, 482, 482, Effect::Posts,
                        "Initialize: asks the main window to reset the recorder", 16));

    r.push_back(Own(SetupPage::kSmartSetup, 550, 550, Whole(SmartEnable), "On of the smart switch"));
    r.push_back(Own(SetupPage::kSmartSetup, 570, 570, Whole(SmartEnable), "Off of the smart switch"));
    r.push_back(Own(SetupPage::kSmartSetup, 511, 511, Whole(SmartValue), "smart value slider"));
    r.push_back(Own(SetupPage::kSmartSetup, 551, 551, Whole(SmartOption), "On of the message boxes"));
    r.push_back(Own(SetupPage::kSmartSetup, 571, 571, Whole(SmartOption), "Off of the message boxes"));
    r.push_back(Own(SetupPage::kAutoDelete, 510, 510, Whole(AutoDeleteDays), "days slider"));
    r.push_back(Own(SetupPage::kEtcSetup, 791, 791, Whole(EtcChoiceA), "first list"));
    r.push_back(Own(SetupPage::kEtcSetup, 793, 793, Whole(EtcChoiceB), "second list"));
    r.push_back(Own(SetupPage::kEtcSetup, 795, 795, Whole(Rs485Use), "RS485 list"));
    r.push_back(Own(SetupPage::kEtcSetup, 797, 797, Whole(EtcChoiceC), "fourth list"));

    // Serial line: the PTZ page's three tabs edit a channel's camera ID,
    // protocol (a new protocol brings its baud rate) and baud rate.
    struct PtzPage
    {
        int page;
        Field id, protocol, baud;
        int firstCell;
        int cells;
    };
    for (const PtzPage& p :
         {PtzPage{SetupPage::kPtzSetup, PtzId, PtzProtocol, PtzBaud, 806, 16},
          PtzPage{SetupPage::kPtzController, KeyboardId, KeyboardProtocol, KeyboardBaud, 790, 1}}) {
        if (p.cells > 1)
            ChannelRowRules(r, p.page);
        r.push_back(Tabs(p.page, 470, 472));
        r.push_back(Own(p.page, 510, 510 + p.cells - 1, Element(p.id, 510), "camera ID slider"));
        r.push_back(Own(
            p.page, p.firstCell, p.firstCell + p.cells - 1,
            [p](const Context& ctx, int id) {
                const int c = id - p.firstCell;
                switch (ctx.Last({470, 471, 472}, 470)) {
                case 470:
                    return ElementBytes(p.id, c);
                case 471:
                    return Join({ElementBytes(p.protocol, c), ElementBytes(p.baud, c)});
                default:
                    return ElementBytes(p.baud, c);
                }
            },
            "value cell of the shown tab"));
        r.push_back(Open(p.page, 483, SetupPage::kSerialSetup, "Up: the serial setup page"));
        // A protocol without baud rates offers none on the Baud Rate tab.
        Rule noBaud = Special(p.page, p.firstCell, p.firstCell + p.cells - 1, Effect::Inert,
                              "baud rate of a protocol without baud rates");
        noBaud.when = [p](const Context& ctx, int id) {
            if (ctx.Last({470, 471, 472}, 470) != 472 || ctx.image == nullptr)
                return false;
            const PtzProtocolTable table = PtzProtocolTable::FromCaps(
                ctx.caps, p.page == SetupPage::kPtzSetup ? PtzDevice::Camera : PtzDevice::Keyboard);
            return table.MaxBaud(ctx.image[p.protocol.At(static_cast<std::uint32_t>(id - p.firstCell))]) == 0;
        };
        r.push_back(noBaud);
    }
    r.push_back(Open(SetupPage::kPtzSetup, 482, SetupPage::kPtzLimit, "Next: the limits"));
    ChannelRowRules(r, SetupPage::kPtzLimit);
    r.push_back(Tabs(SetupPage::kPtzLimit, 470, 473));
    const Owner limit = [](const Context& ctx, int id) {
        static const Field fields[] = {PanLow, PanHigh, TiltLow, TiltHigh};
        return ElementBytes(fields[ctx.Last({470, 471, 472, 473}, 470) - 470],
                            id >= 806 ? id - 806 : id - 510);
    };
    r.push_back(Own(SetupPage::kPtzLimit, 510, 525, limit, "limit slider of the shown tab"));
    r.push_back(Own(SetupPage::kPtzLimit, 806, 821, limit, "limit value of the shown tab"));
    r.push_back(Open(SetupPage::kPtzLimit, 482, SetupPage::kPtzSetup, "Prev: the PTZ page"));
    r.push_back(Open(SetupPage::kPtzLimit, 483, SetupPage::kSerialSetup, "Up: the serial setup page"));
    r.push_back(Own(SetupPage::kSerialSetup, 791, Whole(Rs485Use), "RS485 use list"));
    r.push_back(Open(SetupPage::kSerialSetup, 480, SetupPage::kPtzSetup, "Telemetry: the PTZ page"));
    r.push_back(
        Open(SetupPage::kSerialSetup, 481, SetupPage::kPtzController, "Keyboard: the controller page"));

    // Accounts: the rights, level and log-out choices of the account shown.
    const auto user = [](const Context& ctx) {
        const auto* page = dynamic_cast<const CClientAccountPage*>(ctx.page);
        return page ? page->SelectedUser() : 0;
    };
    const int account = SetupPage::kClientAccount;
    r.push_back(Tabs(account, 470, 472));
    const auto newFormat = [](const Context& ctx, int) {
        const auto* page = dynamic_cast<const CClientAccountPage*>(ctx.page);
        return page != nullptr && page->NewFormat();
    };
    // The administrator (the kinds log in as account 0) keeps its own level
    // and its right 1.
    const auto administrator = [user](const Context& ctx, int) { return user(ctx) == 0; };
    Rule pickUser = Show(account, 797, 797, "account list: shows another account", true);
    pickUser.pick = 1;
    r.push_back(pickUser);
    Rule editName = Show(account, 798, 798, "name list: Edit opens the boxes for typing");
    editName.pick = 0;
    editName.when = newFormat;
    r.push_back(editName);
    Rule ownName =
        Special(account, 798, 798, Effect::Inert, "the administrator's own name in the old format: fixed");
    ownName.when = [newFormat, administrator](const Context& ctx, int id) {
        return !newFormat(ctx, id) && administrator(ctx, id);
    };
    r.push_back(ownName);
    Rule deleteName = Own(
        account, 798, [user](const Context& ctx, int) { return ElementBytes(UserName, user(ctx)); },
        "name list: edit (opens the boxes) or delete the name");
    deleteName.when = [newFormat](const Context& ctx, int id) { return !newFormat(ctx, id); };
    r.push_back(deleteName);
    Rule ownLevel = Special(account, 799, 799, Effect::Inert, "the administrator's own on/off: fixed");
    ownLevel.when = administrator;
    r.push_back(ownLevel);
    r.push_back(Own(
        account, 799, [user](const Context& ctx, int) { return ElementBytes(UserLevel, user(ctx)); },
        "on/off list of the account"));
    Rule ownRight =
        Special(account, 492, 492, Effect::Inert, "right 1 of the administrator: cannot be withdrawn");
    ownRight.when = administrator;
    r.push_back(ownRight);
    r.push_back(Own(
        account, 810, [user](const Context& ctx, int) { return ElementBytes(UserLogoutA, user(ctx)); },
        "first log-out list"));
    r.push_back(Own(
        account, 811, [user](const Context& ctx, int) { return ElementBytes(UserLogoutB, user(ctx)); },
        "second log-out list"));
    r.push_back(Own(
        account, 490, 497,
        [user](const Context& ctx, int id) {
            return RecordBytes(SetupDb::UserRight, CClientAccountPage::kRightOfBox[id - 490], user(ctx));
        },
        "right check box"));
    r.push_back(Open(account, 480, SetupPage::kAccountChannel, "Live Ch: the account's live channels"));
    r.push_back(Special(account, 482, 483, Effect::Inert,
                        "Apply and Change: act on the passwords typed into the boxes"));
    ChannelRowRules(r, SetupPage::kAccountChannel);
    const Owner liveChannel = [](const Context& ctx, int id) {
        return RecordBytes(UserLiveChannel, ctx.args.a, (id - 550) % 20);
    };
    r.push_back(
        Own(SetupPage::kAccountChannel, 550, 565, liveChannel, "On: the account sees the channel live"));
    r.push_back(Own(SetupPage::kAccountChannel, 570, 585, liveChannel, "Off"));
    r.push_back(Open(SetupPage::kAccountChannel, 482, SetupPage::kClientAccount, "back to the account"));

    // Time: the time server and zone page, the summer-time page.
    r.push_back(Tabs(SetupPage::kNtpSetup, 470, 471));
    r.push_back(Own(SetupPage::kNtpSetup, 790, Whole(TimeZoneIndex), "time zone list"));
    r.push_back(Own(SetupPage::kNtpSetup, 795, Whole(NtpEnable), "time server on/off"));
    r.push_back(Own(SetupPage::kNtpSetup, 796, Fields({NtpServerChoice, NtpServerName}),
                    "time server choice (a typed server keeps the box's name)"));
    const Owner dstItem = [](const Context&, int id) {
        const int item = id - 795;
        // A mode brings its rules' form and dates.
        if (item == 0)
            return Join(
                {FieldBytes(DstMode), FieldBytes(DstRuleForm), FieldBytes(DstStart), FieldBytes(DstEnd)});
        if (item == 9)
            return Join({FieldBytes(DstOffsetHours), FieldBytes(DstOffsetMinutes)});
        return FieldBytes(item < 5 ? DstStart : DstEnd);
    };
    r.push_back(Own(SetupPage::kDstSetup, 795, 804, dstItem, "summer-time item"));
    // Each form is pressed with the other one shown.
    Rule weekdayForm = Own(SetupPage::kDstSetup, 550, 550, Fields({DstRuleForm, DstStart, DstEnd}),
                           "weekday form of the rules");
    weekdayForm.after = 570;
    r.push_back(weekdayForm);
    Rule dayForm =
        Own(SetupPage::kDstSetup, 570, 570, Fields({DstRuleForm, DstStart, DstEnd}), "day form of the rules");
    dayForm.after = 550;
    r.push_back(dayForm);

    // --- Event tab -----------------------------------------------------------
    struct EventPage
    {
        int page;
        Field rows, ext, extra, duration;
    };
    const Field none{0, 0, 0};
    for (const EventPage& e :
         {EventPage{SetupPage::kEventNotify, NotifyOnEvent, NotifyOnEventExt, none, none},
          EventPage{SetupPage::kEventActionA, ActionAOnEvent, ActionAOnEventExt, none, ActionADuration},
          EventPage{SetupPage::kEventActionB, ActionBOnEvent, ActionBOnEventExt, ActionBExtraRow,
                    ActionBDuration}}) {
        const Owner row = [e](const Context&, int id) {
            const int k = (id - 550) % 20;
            return k < 4    ? ElementBytes(e.rows, k)
                   : k == 4 ? FieldBytes(e.ext)
                   : k == 5 ? FieldBytes(e.duration)
                            : FieldBytes(e.extra);
        };
        r.push_back(Own(e.page, 550, 556, row, "Yes of an event row"));
        r.push_back(Own(e.page, 570, 576, row, "No of an event row (the duration row's opens its slider)"));
        if (e.duration.count != 0)
            r.push_back(Own(e.page, 795, Whole(e.duration), "duration presets"));
    }
    r.push_back(Open(SetupPage::kEventNotify, 482, SetupPage::kMailImage, "Attach Image"));
    ChannelRowRules(r, SetupPage::kMailImage);
    r.push_back(
        Own(SetupPage::kMailImage, 550, 565, Element(MailImageAttach, 550), "On: attach the channel"));
    r.push_back(Own(SetupPage::kMailImage, 570, 585, Element(MailImageAttach, 570), "Off"));
    r.push_back(Open(SetupPage::kMailImage, 482, SetupPage::kEventNotify, "back"));

    r.push_back(Own(SetupPage::kMailSetup, 795, Whole(MailMode), "mail mode list"));
    r.push_back(Open(SetupPage::kMailSetup, 480, SetupPage::kMailSchedule, "Change: the mode's schedule"));
    r.push_back(Special(SetupPage::kMailSetup, 482, 482, Effect::Link,
                        "Send Test Mail: a message to the recorder, none without a connection"));
    r.push_back(Own(SetupPage::kMailSchedule, 792, Whole(MailTime1), "first time"));
    r.push_back(Own(SetupPage::kMailSchedule, 793, Whole(MailTime2), "second time"));
    r.push_back(Own(SetupPage::kMailSchedule, 794, Whole(MailTime3), "third time"));
    r.push_back(Own(SetupPage::kMailSchedule, 795, Whole(MailDay), "day list"));
    r.push_back(Own(SetupPage::kMailSchedule, 796, Whole(MailTime4), "weekly time"));
    r.push_back(Open(SetupPage::kMailSchedule, 482, SetupPage::kMailSetup, "back"));
    return r;
}

} // namespace

const std::vector<Rule>& AllRules()
{
    static const std::vector<Rule> rules = MakeRules();
    return rules;
}

const Rule* FindRule(const Context& ctx, int id)
{
    // A rule for some recorders or views goes before the general one.
    for (bool specific : {true, false})
        for (const Rule& r : AllRules())
            if (r.page == ctx.templateId && id >= r.first && id <= r.last && bool(r.when) == specific &&
                (!r.when || r.when(ctx, id)))
                return &r;
    return nullptr;
}

} // namespace sweep
