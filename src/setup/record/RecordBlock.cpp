#include "setup/record/RecordBlock.h"

#include "setup/SetupPageIds.h"
#include "setup/record/RecordBudget.h"

#include <algorithm>

namespace {

RecordBlock Make(int templateId, SetupDb::Field rate, SetupDb::Field audio, SetupDb::Field resolution)
{
    RecordBlock b;
    b.templateId = templateId;
    b.rate = rate;
    b.audio = audio;
    b.resolution = resolution;
    return b;
}

// Row p of a table of four 16-byte profile rows, as a field of its own.
SetupDb::Field ProfileRow(const SetupDb::Field& table, int p)
{
    return SetupDb::Field{table.At(static_cast<std::uint32_t>(p)), 1, 16};
}

} // namespace

const RecordBlock& PlainRecordBlock()
{
    static const RecordBlock b =
        Make(SetupPage::kPlainRecord, SetupDb::PlainRate, SetupDb::PlainAudio, SetupDb::PlainResolution);
    return b;
}

const RecordBlock& SensorRecordBlock()
{
    static const RecordBlock b =
        Make(SetupPage::kSensorRecord, SetupDb::SensorRate, SetupDb::SensorAudio, SetupDb::SensorResolution);
    return b;
}

const RecordBlock& MotionRecordBlock()
{
    static const RecordBlock b = [] {
        RecordBlock m = Make(SetupPage::kMotionRecord, SetupDb::MotionRate, SetupDb::MotionAudio,
                             SetupDb::MotionResolution);
        m.fourth = SetupDb::MotionSensitivity;
        return m;
    }();
    return b;
}

const RecordBlock& ScheduleRecordBlock()
{
    static const RecordBlock b = Make(SetupPage::kScheduleRecord, SetupDb::ScheduleRate,
                                      SetupDb::ScheduleAudio, SetupDb::ScheduleResolution);
    return b;
}

const RecordBlock& RecordDaysBlock()
{
    static const RecordBlock b = [] {
        RecordBlock d =
            Make(SetupPage::kRecordDays, SetupDb::Field{}, SetupDb::DaysAudio, SetupDb::DaysResolution);
        d.recordOn = SetupDb::DaysRecordOn;
        d.fourth = SetupDb::DaysValue;
        return d;
    }();
    return b;
}

RecordBlock SensorProfileBlock(int profile)
{
    const int p = std::clamp(profile, 0, 3);
    RecordBlock b = Make(SetupPage::kSensorRecord, ProfileRow(SetupDb::ProfileRate, p),
                         ProfileRow(SetupDb::ProfileAudio, p), ProfileRow(SetupDb::ProfileResolution, p));
    b.profile = p;
    return b;
}

RecordBlock MotionDualRateBlock(int rateSet)
{
    RecordBlock b = MotionRecordBlock();
    if (rateSet == 1) {
        b.rate = SetupDb::SensitivityRate;
        b.secondRate = SetupDb::MotionRate;
    } else {
        b.secondRate = SetupDb::SensitivityRate;
    }
    return b;
}

const RecordBlock* FindRecordBlock(int templateId)
{
    for (const RecordBlock* b : {&PlainRecordBlock(), &SensorRecordBlock(), &MotionRecordBlock(),
                                 &ScheduleRecordBlock(), &RecordDaysBlock()})
        if (b->templateId == templateId)
            return b;
    return nullptr;
}

int SnapRecordDays(int position)
{
    if (position <= 5)
        return 5;
    if (position <= 10)
        return 10;
    return std::min(90, ((position + 5) / 10) * 10);
}

// --- CRecordBlockModel ---------------------------------------------------------

CRecordBlockModel::CRecordBlockModel(ImageRef image, const RecorderCaps& caps, const RecordBlock& block)
    : m_image(image), m_caps(caps), m_block(block),
      m_nChannels(std::clamp(caps.channelCount, 0, ChannelRows::kMaxRows))
{
}

int CRecordBlockModel::Get(const SetupDb::Field& f, int ch) const
{
    return f.count == 0 ? 0 : static_cast<int>(m_image.Get(f, ch));
}

void CRecordBlockModel::Put(const SetupDb::Field& f, int ch, int v)
{
    if (f.count != 0)
        m_image.Set(f, ch, static_cast<std::uint32_t>(std::clamp(v, 0, 255)));
}

int CRecordBlockModel::VideoStandard() const
{
    return static_cast<int>(m_image.Get(SetupDb::VideoStandard));
}

int CRecordBlockModel::MaxRate() const
{
    return RecordBudget::MaxRate(VideoStandard());
}

int CRecordBlockModel::Total() const
{
    return RecordBudget::Total(VideoStandard());
}

bool CRecordBlockModel::GroupedHandler() const
{
    return m_caps.hasConnection && m_caps.subProductMinor == 0;
}

bool CRecordBlockModel::GroupMode() const
{
    return GroupedHandler() && m_nChannels > 4 && Resolution(0) == RecordBudget::kCif;
}

bool CRecordBlockModel::AllZeroRule(bool grouped) const
{
    return grouped || (m_caps.hasConnection && !m_caps.helloFlag3);
}

int CRecordBlockModel::Rate(int ch) const
{
    return Get(m_block.rate, ch);
}

int CRecordBlockModel::Audio(int ch) const
{
    return Get(m_block.audio, ch);
}

int CRecordBlockModel::Resolution(int ch) const
{
    return Get(m_block.resolution, ch);
}

int CRecordBlockModel::ShownResolution(int ch) const
{
    return RecordBudget::ShownResolution(Resolution(ch));
}

int CRecordBlockModel::RecordOn(int ch) const
{
    return Get(m_block.recordOn, ch);
}

int CRecordBlockModel::SliderRate(int ch) const
{
    return std::min(Rate(ch), MaxRate());
}

int CRecordBlockModel::UsedRate(int ch) const
{
    const int rate = Rate(ch);
    return m_block.HasSecondRate() ? std::max(rate, Get(m_block.secondRate, ch)) : rate;
}

bool CRecordBlockModel::Locked(int ch) const
{
    return m_caps.subProduct6 && m_image.Get(SetupDb::CameraEnable, ch) == 0;
}

bool CRecordBlockModel::Records(int ch) const
{
    return m_block.HasRates() ? Rate(ch) > 0 : RecordOn(ch) != 0;
}

void CRecordBlockModel::SetResolution(int value)
{
    for (int ch = 0; ch < m_nChannels; ++ch)
        Put(m_block.resolution, ch, value);
    if (m_block.HasRates()) {
        RefillRates();
        return;
    }
    // The record switches: at CIF a group records whole or not at all.
    if (!m_block.HasRecordOn() || !GroupedHandler() || value != RecordBudget::kCif)
        return;
    for (int first = 0; first < m_nChannels; first += 4) {
        const int last = std::min(first + 4, m_nChannels);
        bool any = false;
        for (int ch = first; ch < last; ++ch)
            any = any || RecordOn(ch) == 1;
        if (any)
            for (int ch = first; ch < last; ++ch)
                Put(m_block.recordOn, ch, 1);
    }
}

void CRecordBlockModel::RefillRates()
{
    const std::vector<int> rates = RecordBudget::DefaultRates(m_nChannels, VideoStandard(), Resolution(0));
    for (int ch = 0; ch < static_cast<int>(rates.size()); ++ch) {
        Put(m_block.rate, ch, rates[static_cast<size_t>(ch)]);
        Put(m_block.secondRate, ch, rates[static_cast<size_t>(ch)]);
    }
}

std::vector<int> CRecordBlockModel::ChangedChannels(int c, const ChannelRows& rows, bool grouped) const
{
    if (!IsShown(c))
        return {};
    if (grouped && GroupMode()) {
        std::vector<int> group;
        for (int ch = c / 4 * 4; ch < c / 4 * 4 + 4 && ch < m_nChannels; ++ch)
            group.push_back(ch);
        return group;
    }
    std::vector<int> out{c};
    if (rows.IsChecked(c))
        for (int ch = 0; ch < m_nChannels; ++ch)
            if (ch != c && rows.IsChecked(ch))
                out.push_back(ch);
    return out;
}

int CRecordBlockModel::UsedUnits(const std::vector<int>& changed) const
{
    int used = 0;
    for (int ch = 0; ch < m_nChannels; ++ch)
        if (std::find(changed.begin(), changed.end(), ch) == changed.end())
            used += UsedRate(ch) * RecordBudget::Weight(Resolution(ch));
    return used;
}

CRecordBlockModel::RateMove CRecordBlockModel::MoveRate(int c, int position, const ChannelRows& rows)
{
    return MoveRate(c, position, rows, GroupedHandler());
}

CRecordBlockModel::RateMove CRecordBlockModel::MoveRate(int c, int position, const ChannelRows& rows,
                                                        bool grouped)
{
    RateMove move;
    if (!m_block.HasRates())
        return move;
    move.channels = ChangedChannels(c, rows, grouped);
    if (move.channels.empty())
        return move;
    int v = std::clamp(position, 0, MaxRate());
    if (grouped || !m_bNoClamp) {
        // Each changed channel costs its own weight, so rows checked at
        // another resolution than the moved one cannot take the block over.
        int weights = 0;
        for (int ch : move.channels)
            weights += RecordBudget::Weight(Resolution(ch));
        const int budget = RecordBudget::GetRateBudget(Total(), weights, 1, UsedUnits(move.channels));
        v = std::min(v, budget);
    }
    if (v == 0 && AllZeroRule(grouped)) {
        int sum = 0;
        for (int ch = 0; ch < m_nChannels; ++ch)
            if (std::find(move.channels.begin(), move.channels.end(), ch) == move.channels.end())
                sum += Rate(ch);
        if (sum == 0)
            v = 1;
    }
    move.rate = v;
    for (int ch : move.channels) {
        Put(m_block.rate, ch, v);
        if (v == 0)
            Put(m_block.audio, ch, 0);
    }
    return move;
}

std::vector<int> CRecordBlockModel::LockRates()
{
    std::vector<int> locked;
    for (int ch = 0; ch < m_nChannels; ++ch)
        if (Locked(ch)) {
            Put(m_block.rate, ch, 0);
            locked.push_back(ch);
        }
    return locked;
}

std::vector<int> CRecordBlockModel::LockRecordSwitches()
{
    std::vector<int> locked;
    for (int ch = 0; ch < m_nChannels; ++ch)
        if (Locked(ch)) {
            Put(m_block.recordOn, ch, 0);
            locked.push_back(ch);
        }
    return locked;
}

bool CRecordBlockModel::AudioAllowed(int ch, const std::function<bool(int)>& isAudioInput) const
{
    return IsShown(ch) && Records(ch) && (!isAudioInput || isAudioInput(ch));
}

std::vector<bool> CRecordBlockModel::NormaliseAudio(bool perChannel,
                                                    const std::function<bool(int)>& isAudioInput)
{
    std::vector<bool> enabled(static_cast<size_t>(m_nChannels), false);
    if (!perChannel) {
        // One switch for channel 0, gated by its recording alone.
        if (m_nChannels > 0) {
            enabled[0] = Records(0);
            if (!enabled[0])
                Put(m_block.audio, 0, 0);
        }
        return enabled;
    }
    for (int ch = 0; ch < m_nChannels; ++ch) {
        enabled[static_cast<size_t>(ch)] = AudioAllowed(ch, isAudioInput);
        if (!enabled[static_cast<size_t>(ch)])
            Put(m_block.audio, ch, 0);
    }
    return enabled;
}

bool CRecordBlockModel::CanCheckOnRateView(int ch) const
{
    return IsShown(ch) && !(m_caps.subProduct6 && m_image.Get(SetupDb::CameraEnable, ch) != 1);
}

bool CRecordBlockModel::CanCheckOnAudioView(int ch) const
{
    return IsShown(ch) && Records(ch);
}

std::vector<int> CRecordBlockModel::SwitchTargets(int row, const ChannelRows& rows, bool byGroup) const
{
    if (!IsShown(row))
        return {};
    if (byGroup && GroupMode()) {
        std::vector<int> group;
        for (int ch = row / 4 * 4; ch < row / 4 * 4 + 4 && ch < m_nChannels; ++ch)
            group.push_back(ch);
        return group;
    }
    return rows.Targets(row);
}

void CRecordBlockModel::SetAudio(const std::vector<int>& channels, int value)
{
    for (int ch : channels)
        if (IsShown(ch))
            Put(m_block.audio, ch, value);
}

bool CRecordBlockModel::MayCarryAudio(int ch, bool perChannel,
                                      const std::function<bool(int)>& isAudioInput) const
{
    if (!perChannel)
        return ch == 0 && IsShown(0) && Records(0);
    return AudioAllowed(ch, isAudioInput) && !Locked(ch);
}

std::vector<int> CRecordBlockModel::SwitchAudio(const std::vector<int>& channels, int value, bool perChannel,
                                                const std::function<bool(int)>& isAudioInput)
{
    // A checked row that cannot carry audio (its own pair greyed) is not
    // switched on with the others: the Audio view would only take it back
    // to 0 the next time it shows, and the recorder would get a 1 it cannot
    // honour in between.
    std::vector<int> written;
    for (int ch : channels) {
        if (!IsShown(ch) || (value != 0 && !MayCarryAudio(ch, perChannel, isAudioInput)))
            continue;
        Put(m_block.audio, ch, value);
        written.push_back(ch);
    }
    return written;
}

void CRecordBlockModel::SetRecordOn(const std::vector<int>& channels, int value)
{
    for (int ch : channels)
        if (IsShown(ch))
            Put(m_block.recordOn, ch, value);
}
