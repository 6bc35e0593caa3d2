#include "setup/record/AudioInputPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/ResIds.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsRecord.h"
#include "ui/SkinDraw.h"

namespace AudioInput {

std::vector<int> Offered(ImageRef image, int channels, int input)
{
    std::vector<int> out;
    for (int ch = 0; ch < channels; ++ch) {
        bool held = false;
        for (int k = 0; k < kInputs; ++k)
            held = held || (k != input && static_cast<int>(image.Get(SetupDb::AudioInputChannel, k)) == ch);
        if (!held)
            out.push_back(ch);
    }
    return out;
}

} // namespace AudioInput

CAudioInputPage::CAudioInputPage() : CSetupPage(SetupPage::kAudioInput, IDB_RECORD_BACK_CONFIG)
{
    for (int a = 0; a < AudioInput::kInputs; ++a) {
        m_title[a].setParent(this);
        m_title[a].SetDlgCtrlID(kFirstLabelId + 2 * a);
        m_cell[a].setParent(this);
        m_cell[a].SetDlgCtrlID(kFirstLabelId + 2 * a + 1);
    }
    m_btnBack.setParent(this);
    m_btnBack.SetDlgCtrlID(kBackId);
}

QString CAudioInputPage::CellText(int channel) const
{
    return QStringLiteral("%1 %2").arg(m_szChannelPrefix).arg(channel + 1);
}

void CAudioInputPage::BuildPage()
{
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
    m_szChannelPrefix = LoadResString(IDS_SETUP_CHANNEL);
    const QString audio = LoadResString(IDS_RECORD_TAB_AUDIO);
    for (int a = 0; a < AudioInput::kInputs; ++a) {
        SetupCtl::TitleLabel(m_title[a], QStringLiteral("%1 %2").arg(audio).arg(a + 1), 20, 9 + 23 * a, 110);
        SetupCtl::ValueCell(m_cell[a], CellText(static_cast<int>(Image().Get(SetupDb::AudioInputChannel, a))),
                            200, 8 + 23 * a, 190);
    }
    SetupCtl::CommandButton(m_btnBack, LoadResString(IDS_RECORD_BACK), 304);
}

void CAudioInputPage::OpenInputList(int input)
{
    if (input < 0 || input >= AudioInput::kInputs)
        return;
    m_arrOfferedChannel = AudioInput::Offered(Image(), m_nChannelCount, input);
    std::vector<QString> items;
    for (int ch : m_arrOfferedChannel)
        items.push_back(CellText(ch));
    OpenListFromCell(m_cell[input], input, items, 120, 0, false, m_arrOfferedChannel);
}

void CAudioInputPage::OnListPicked(int nItemId, int nIndex)
{
    const int channel = PickedValue(nItemId, nIndex);
    if (nItemId < 0 || nItemId >= AudioInput::kInputs || channel < 0)
        return;
    Image().Set(SetupDb::AudioInputChannel, nItemId, static_cast<std::uint32_t>(channel));
    m_cell[nItemId].SetText(CellText(channel));
}

void CAudioInputPage::OnBack()
{
    // The opener destroys this page; nothing of it is touched afterwards.
    if (m_pSetupDlg)
        m_pSetupDlg->ShowPage(SetupPage::kRecordConfig);
}

bool CAudioInputPage::OnCommand(int id, WORD code)
{
    if (id == kBackId && code == BN_CLICKED) {
        OnBack();
        return true;
    }
    const int i = id - kFirstLabelId;
    if (i >= 0 && i < 2 * AudioInput::kInputs && i % 2 == 1) {
        OpenInputList(i / 2);
        return true;
    }
    return false;
}

void CAudioInputPage::DrawExtra(QPainter& p)
{
    if (!m_pSetupDlg)
        return;
    for (int r = 0; r < AudioInput::kInputs; ++r) {
        m_pSetupDlg->DrawSectionBar(p, 2, 5 + 23 * r, 148);
        m_pSetupDlg->DrawSectionBar(p, 154, 5 + 23 * r, 248);
    }
}
