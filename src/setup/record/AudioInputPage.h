// The four audio inputs of recorders with sub product 6: which channel each
// input records. The record pages offer audio only on those channels.
#pragma once

#include "setup/SetupPage.h"

namespace AudioInput {
constexpr int kInputs = 4;
// The channels input n's list offers, ascending: every channel below the
// count that none of the other three inputs holds.
std::vector<int> Offered(ImageRef image, int channels, int input);
} // namespace AudioInput

class CAudioInputPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstLabelId = 790; // title 790 + 2a, cell 791 + 2a
    static constexpr int kBackId = 482;

    CAudioInputPage();

    void OpenInputList(int input);
    void OnListPicked(int nItemId, int nIndex) override;
    void OnBack();
    QString CellText(int channel) const;

    CSkinLabel m_title[AudioInput::kInputs];
    CSkinLabel m_cell[AudioInput::kInputs];
    CSkinTextButton m_btnBack;
    std::vector<int> m_arrOfferedChannel;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    QString m_szChannelPrefix;
};
