// The record configuration page, first page of the Rec tab: event switch,
// event mode and rate, pre- and post-event durations, the three-way choice,
// the audio channel, and on newer recorders the record configuration mode and
// the non-event rates. Its rows follow RecordConfig::PlanFor.
#pragma once

#include "setup/SetupPage.h"
#include "setup/record/RecordConfig.h"

class CRecordConfigPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstLabelId = 790; // 790-808
    static constexpr int kLabelCount = 19;
    static constexpr int kFirstBlockId = 812; // 812-821
    static constexpr int kAudioButtonId = 483;
    // The On and Off buttons of switches A and B.
    static constexpr int kSwitchAOnId = 550;
    static constexpr int kSwitchBOnId = 551;
    static constexpr int kSwitchAOffId = 570;
    static constexpr int kSwitchBOffId = 571;

    // List and slider item ids.
    enum Item
    {
        kItemEventMode = 0,
        kItemEventRate = 1,
        kItemPreEvent = 2,
        kItemChoice = 4,
        kItemConfigMode = 5,
        kItemAudioChannel = 6,
        kItemNonEvent4Cif = 8,
        kItemNonEvent2Cif = 9,
        kItemNonEventCif = 10,
        kItemPostEvent = 10, // the slider's
    };

    CRecordConfigPage();

    const RecordConfig::Plan& Plan() const { return m_plan; }
    CSkinLabel& Label(int id);
    void OnCellClicked(int id);
    void OnListPicked(int nItemId, int nIndex) override;
    void OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3) override;
    void OnSwitchB(bool on);
    void OnAudioConfig();
    // Pre-event list position to value: 10 for position 1, else 0.
    static int ListIndexToValue(int kind, int index);

    CSkinLabel m_label[kLabelCount];
    CSkinLabel m_block[10];
    CSkinTextButton m_btnAOn, m_btnAOff, m_btnBOn, m_btnBOff;
    CSkinTextButton m_btnAudio;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    void ShowTexts();
    QString EventModeText(int v) const;
    QString ChoiceText(int v) const;
    QString ConfigModeText(std::uint32_t v) const;
    QString ChannelText(int v) const;
    int EventRateItems() const;

    RecordConfig::Plan m_plan;
};
