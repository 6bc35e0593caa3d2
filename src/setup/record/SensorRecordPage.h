// The sensor record page: the record family on the sensor block, with a
// fourth tab that hands over to the sensor link page, Preset to the alarm
// preset page and, on recorders with record profiles, four complete sets of
// resolution, rate and audio chosen with Prev and Next (each with the whole
// frame budget to itself).
#pragma once

#include "setup/record/RecordPage.h"

enum class SensorTabLayout
{
    Three,   // Resolution, Rate, Audio
    Four,    // ..., and the sensor tab on the right
    Profile, // the profile tab on the left, then Resolution, Rate, Audio
};

// The layout a recorder gets: profiles on sub product 6, the fourth tab
// with hello flag 2, three tabs otherwise (also without a connection).
SensorTabLayout SensorTabLayoutFor(const RecorderCaps& caps);
std::vector<RecordTabSpec> SensorRecordTabs(SensorTabLayout layout);
const RecordPageDesc& SensorRecordDesc();

class CSensorRecordPage : public CRecordPage
{
    Q_OBJECT
public:
    static constexpr int kPrevId = 484;
    static constexpr int kNextId = 485;
    static constexpr int kProfileLabelId = 822;
    // At (42, 401): 16 rows end with the page's last row, 416.
    static constexpr int kProfileLabelHeight = 16;
    static constexpr int kProfiles = 4;

    CSensorRecordPage();

    bool ProfileMode() const { return m_bProfileMode; }
    SensorTabLayout Layout() const { return m_layout; }
    int Profile() const { return m_nProfile; }

    void OnFourthTab() override; // the sensor tab
    void OnPrevProfile();
    void OnNextProfile();
    void OnRateTab() override;

    CSkinButton m_btnPrev;
    CSkinButton m_btnNext;
    CSkinLabel m_lblProfile;

protected:
    void BuildExtra() override;
    bool OnCommand(int id, WORD code) override;

private:
    void ShowProfile(int profile);
    void SwitchProfile(int profile);

    SensorTabLayout m_layout = SensorTabLayout::Three;
    bool m_bProfileMode = false;
    int m_nProfile = 0;
};
