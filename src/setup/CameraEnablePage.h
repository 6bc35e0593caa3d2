// The camera enable page: per channel, camera off (0) or on (1), picked from
// a two-item list. Switching a camera off also zeroes that channel's rate and
// audio in every record block, so the record pages find it idle.
#pragma once

#include "setup/SetupPage.h"
#include "setup/TextTable.h"

class CCameraEnablePage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstValueId = 806;
    static constexpr int kListWidth = 180;

    CCameraEnablePage();

    void LoadChoiceTexts();
    // Value label r clicked: the two choices open under it.
    void OpenChoice(int r);
    void OnListPicked(int nItemId, int nIndex) override;

    CSkinLabel m_lblValue[kRows];

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    void ZeroRecordBytes(int channel);
    TextTable m_choices; // 0 camera off, 1 camera on
};

// The record-block bytes of `channel` that switching its camera off zeroes:
// rates and audio of every block; the sensor block's on recorders without
// record profiles, the four profiles' on recorders with them.
std::vector<std::uint32_t> CameraOffZeroedOffsets(int channel, bool subProduct6);
