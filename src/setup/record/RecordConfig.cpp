#include "setup/record/RecordConfig.h"

#include <algorithm>

namespace RecordConfig {

namespace {

struct Conditions
{
    bool connection;
    bool newFormat;
    bool flagF;
    bool sub6;
    bool sub5v5;
};

Conditions Of(SetupVersion version, const RecorderCaps& caps)
{
    Conditions c;
    c.connection = caps.hasConnection;
    c.newFormat = version.LaterThan(4, 2);
    c.flagF = caps.hasConnection && caps.helloFlag2Bit0;
    c.sub6 = caps.subProduct6;
    c.sub5v5 = caps.hasConnection && caps.subProductMajor == 5 && version.major >= 5;
    return c;
}

std::vector<Bar> Bars(const Conditions& c)
{
    std::vector<Bar> bars;
    for (int r = 0; r < 4; ++r)
        bars.push_back({r, true});
    auto both = [&](int from, int to) {
        for (int r = from; r <= to; ++r)
            bars.push_back({r, true});
    };
    auto right = [&](int from, int to) {
        for (int r = from; r <= to; ++r)
            bars.push_back({r, false});
    };
    if (!c.connection) {
        both(4, 4);
        right(5, 6);
    } else if (c.flagF && c.sub6) {
        both(4, 5);
        right(6, 7);
    } else if (c.flagF && !c.newFormat) {
        both(4, 7);
    } else if (c.flagF && c.sub5v5) {
        both(4, 6);
        right(7, 8);
    } else if (c.flagF) {
        both(4, 4);
    } else if (c.sub6) {
        both(4, 4);
        right(5, 6);
    } else if (!c.newFormat) {
        both(4, 7);
    } else if (c.sub5v5) {
        both(4, 5);
        right(6, 7);
    }
    return bars;
}

int Mode(int mode)
{
    return mode >= 0 && mode <= 2 ? mode : 0;
}

} // namespace

Plan PlanFor(SetupVersion version, const RecorderCaps& caps)
{
    const Conditions c = Of(version, caps);
    Plan p;
    p.bars = Bars(c);
    using R = Row;
    if (!c.newFormat) {
        p.layout = Layout::L;
        p.rows = {R::SwitchA,  R::SwitchB,   R::EventMode, R::EventRate,
                  R::PreEvent, R::PostEvent, R::Choice,    R::AudioChannel};
    } else if (c.flagF && c.sub6) {
        p.layout = Layout::A1;
        p.rows = {R::SwitchB, R::PreEvent, R::PostEvent, R::Choice, R::ConfigMode, R::Block};
        p.literalDurationTitles = true;
        p.configTitleEventMode = true;
        p.nonMotionBlock = true;
    } else if (c.flagF && c.sub5v5) {
        p.layout = Layout::A2;
        p.rows = {R::SwitchB, R::PreEvent, R::PostEvent, R::Choice, R::AudioChannel, R::ConfigMode, R::Block};
        p.literalDurationTitles = true;
    } else if (c.flagF) {
        p.layout = Layout::A3;
        p.rows = {R::SwitchB, R::PreEvent, R::PostEvent, R::Choice, R::AudioChannel};
    } else if (c.sub6 || !c.connection) {
        p.layout = Layout::B1;
        p.rows = {R::SwitchB, R::PostEvent, R::Choice, R::ConfigMode, R::Block};
        p.literalDurationTitles = true;
        p.configTitleEventMode = true;
        p.nonMotionBlock = true;
    } else if (c.sub5v5) {
        p.layout = Layout::B2;
        p.rows = {R::SwitchB, R::PostEvent, R::Choice, R::AudioChannel, R::ConfigMode, R::Block};
        p.literalDurationTitles = true;
    } else {
        p.layout = Layout::B3;
        p.rows = {R::SwitchB, R::PostEvent, R::Choice, R::AudioChannel};
    }
    p.audioButton = (p.layout == Layout::A1 || p.layout == Layout::B1) && caps.channelCount > 4;
    return p;
}

int RowOf(const Plan& plan, Row row)
{
    const auto it = std::find(plan.rows.begin(), plan.rows.end(), row);
    return it == plan.rows.end() ? -1 : static_cast<int>(it - plan.rows.begin());
}

int EventRateCount(int channels, int videoStandard, int mode)
{
    static constexpr int kNtsc[3][3] = {{8, 16, 31}, {4, 8, 16}, {2, 4, 8}};
    static constexpr int kPal[3][3] = {{7, 13, 26}, {4, 7, 13}, {2, 4, 7}};
    int band = 0;
    if (channels >= 5 && channels <= 8)
        band = 1;
    else if (channels == 16)
        band = 2;
    return (videoStandard == 0 ? kNtsc : kPal)[band][Mode(mode)];
}

int DefaultEventRate(int channels, int videoStandard, int mode)
{
    static constexpr int kNtsc[3][3] = {{7, 15, 30}, {3, 7, 15}, {1, 3, 7}};
    static constexpr int kPal[3][3] = {{6, 12, 25}, {3, 6, 12}, {1, 3, 6}};
    const int band = channels <= 4 ? 0 : channels <= 8 ? 1 : 2;
    return (videoStandard == 0 ? kNtsc : kPal)[band][Mode(mode)];
}

} // namespace RecordConfig
