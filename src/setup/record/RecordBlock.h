// The record blocks of the Rec tab and the arithmetic every record page runs
// on them, without widgets: one descriptor per block (where its rates,
// audio switches and resolutions lie in the image), and a model that reads
// and writes one block the way the pages' views and handlers do: the
// resolution with its default-rate refill, a rate move within the frame
// budget, the camera lock of the Rate view, the audio gate of the Audio view,
// the All Check rules and the per-row switches.
#pragma once

#include "setup/RecorderCaps.h"
#include "setup/SetupImage.h"
#include "ui/ChannelRows.h"

#include <functional>
#include <vector>

struct RecordBlock
{
    int templateId = 0;
    SetupDb::Field rate{};       // per-channel frames per second; count 0: a block without rates
    SetupDb::Field audio{};      // per-channel audio switch
    SetupDb::Field resolution{}; // per-channel resolution code
    SetupDb::Field recordOn{};   // per-channel record switch of a block without rates
    SetupDb::Field fourth{};     // the field of the fourth tab; count 0: none
    // A second rate set shown in place of the first on some recorders: an
    // unchanged channel counts with the larger of its two rates, and the
    // refill writes both.
    SetupDb::Field secondRate{};
    int profile = -1; // the record profile (0-3) this block is, or -1

    bool HasRates() const { return rate.count != 0; }
    bool HasSecondRate() const { return secondRate.count != 0; }
    bool HasRecordOn() const { return recordOn.count != 0; }
};

// The five blocks of the family, in the order of the Rec menu.
const RecordBlock& PlainRecordBlock();    // 163
const RecordBlock& SensorRecordBlock();   // 164 outside profile mode
const RecordBlock& MotionRecordBlock();   // 165
const RecordBlock& ScheduleRecordBlock(); // 166
const RecordBlock& RecordDaysBlock();     // 168
// The sensor page's record profile p (0-3, held to that range).
RecordBlock SensorProfileBlock(int profile);
// The motion page's dual-rate view: rate set 0 edits the motion rates, set 1
// the second set; both count and refill together.
RecordBlock MotionDualRateBlock(int rateSet);
// The descriptor of a template id among the five, or null.
const RecordBlock* FindRecordBlock(int templateId);

class CRecordBlockModel
{
public:
    CRecordBlockModel(ImageRef image, const RecorderCaps& caps, const RecordBlock& block);

    const RecordBlock& Block() const { return m_block; }
    // Another block of the same page (a profile, a rate set).
    void SetBlock(const RecordBlock& block) { m_block = block; }
    // Leaves the move unclamped on the plain handler (the motion page's
    // exception on some recorders); the grouped handler always clamps.
    void SetNoClamp(bool noClamp) { m_bNoClamp = noClamp; }
    bool NoClamp() const { return m_bNoClamp; }

    int Channels() const { return m_nChannels; }
    bool IsShown(int ch) const { return ch >= 0 && ch < m_nChannels; }
    int VideoStandard() const;
    int MaxRate() const;
    int Total() const;
    // The grouped handler runs when a connection reports sub product minor 0.
    bool GroupedHandler() const;
    // Channels share one rate (or one switch) per group of four: the grouped
    // handler, more than four channels and channel 0 at CIF.
    bool GroupMode() const;
    // The all-zero rule: always on the grouped handler; on the plain one only
    // with a connection whose hello flags bit 3 is clear.
    bool AllZeroRule(bool grouped) const;

    int Rate(int ch) const;
    int Audio(int ch) const;
    int Resolution(int ch) const; // the stored byte
    int ShownResolution(int ch) const;
    int RecordOn(int ch) const;
    // What a slider shows: the rate held to the standard's maximum.
    int SliderRate(int ch) const;
    // The rate an unchanged channel uses of the budget.
    int UsedRate(int ch) const;
    // A camera switched off while the window locks channels.
    bool Locked(int ch) const;
    // Whether the channel records: a rate above 0, or its record switch.
    bool Records(int ch) const;

    // --- Resolution --------------------------------------------------------
    // Writes `value` into every shown channel's resolution, then refills the
    // rates (blocks with rates) or, on the record switch block in its group
    // condition with CIF, turns on every group that has a recording channel.
    void SetResolution(int value);
    void RefillRates();

    // --- Rates -------------------------------------------------------------
    struct RateMove
    {
        int rate = 0;              // the rate every changed channel got
        std::vector<int> channels; // the changed channels, in order
    };
    // The channels a move on channel c changes: its group of four in group
    // mode on the grouped handler, else c and, when c is checked, every other
    // checked row.
    std::vector<int> ChangedChannels(int c, const ChannelRows& rows, bool grouped) const;
    // Budget units used by the shown channels outside `changed`.
    int UsedUnits(const std::vector<int>& changed) const;
    // A slider of channel c moved to `position`: clamps, applies the
    // all-zero rule, writes the rate of every changed channel and clears its
    // audio when the rate is 0. Nothing for a hidden channel or a block
    // without rates.
    RateMove MoveRate(int c, int position, const ChannelRows& rows);
    RateMove MoveRate(int c, int position, const ChannelRows& rows, bool grouped);

    // --- Views -------------------------------------------------------------
    // The Rate view's camera lock: writes 0 into the rate of every locked
    // channel; returns them.
    std::vector<int> LockRates();
    // The record switch view's lock, the same on the record switches.
    std::vector<int> LockRecordSwitches();
    // Whether a channel's audio switch may be used.
    bool AudioAllowed(int ch, const std::function<bool(int)>& isAudioInput) const;
    // The Audio view's gate: with per-channel audio every shown channel that
    // may not carry audio gets 0; with the single switch only channel 0.
    // Returns, per shown channel, whether its switch is enabled.
    std::vector<bool> NormaliseAudio(bool perChannel, const std::function<bool(int)>& isAudioInput);

    // --- Rows ----------------------------------------------------------------
    bool CanCheckOnRateView(int ch) const;
    bool CanCheckOnAudioView(int ch) const;
    // The channels a switch pressed on `row` reaches: the row rule, or the
    // row's group of four when `byGroup` and the block is in group mode.
    std::vector<int> SwitchTargets(int row, const ChannelRows& rows, bool byGroup) const;
    void SetAudio(const std::vector<int>& channels, int value);
    // Whether audio may be switched on for a channel: with per-channel audio
    // a shown channel that records, has an audio input and whose camera is
    // not locked; with the single switch channel 0 while it records.
    bool MayCarryAudio(int ch, bool perChannel, const std::function<bool(int)>& isAudioInput) const;
    // An audio On or Off pressed for `channels` (the row rule's targets): On
    // reaches only the channels that may carry audio, Off every shown one.
    // Returns the channels written.
    std::vector<int> SwitchAudio(const std::vector<int>& channels, int value, bool perChannel,
                                 const std::function<bool(int)>& isAudioInput);
    void SetRecordOn(const std::vector<int>& channels, int value);

private:
    void Put(const SetupDb::Field& f, int ch, int v);
    int Get(const SetupDb::Field& f, int ch) const;

    ImageRef m_image;
    RecorderCaps m_caps;
    RecordBlock m_block;
    int m_nChannels = 16;
    bool m_bNoClamp = false;
};

// The Days value after a slider move: 5 up to 5, 10 up to 14, then the
// nearest ten (85 and above 90).
int SnapRecordDays(int position);
