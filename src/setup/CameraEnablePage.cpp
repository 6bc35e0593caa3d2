#include "setup/CameraEnablePage.h"

#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

namespace {
constexpr int kChoiceOff = 6041;
constexpr int kChoiceOn = 6040;
// A choice text is kept in 29 characters.
constexpr int kChoiceChars = 29;
} // namespace

std::vector<std::uint32_t> CameraOffZeroedOffsets(int channel, bool subProduct6)
{
    using namespace SetupDb;
    const auto c = static_cast<std::uint32_t>(channel);
    std::vector<std::uint32_t> out;
    if (channel < 0 || channel >= kChannels)
        return out;
    for (const Field& f : {PlainRate, MotionRate, ScheduleRate, SensitivityRate, DaysRecordOn, PlainAudio,
                           MotionAudio, ScheduleAudio, SensitivityAudio, DaysAudio})
        out.push_back(f.At(c));
    if (!subProduct6) {
        out.push_back(SensorRate.At(c));
        out.push_back(SensorAudio.At(c));
    } else {
        for (std::uint32_t k = 0; k < 4; ++k) {
            out.push_back(ProfileRate.At(k) + c);
            out.push_back(ProfileAudio.At(k) + c);
        }
    }
    return out;
}

CCameraEnablePage::CCameraEnablePage() : CSetupPage(SetupPage::kCameraEnable, 1721)
{
    for (int r = 0; r < kRows; ++r) {
        m_lblValue[r].setParent(this);
        m_lblValue[r].SetDlgCtrlID(kFirstValueId + r);
        m_lblValue[r].hide();
    }
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

void CCameraEnablePage::LoadChoiceTexts()
{
    m_choices = TextTable::FromTexts(
        {LoadResString(kChoiceOff).left(kChoiceChars), LoadResString(kChoiceOn).left(kChoiceChars)});
}

void CCameraEnablePage::BuildPage()
{
    LoadChoiceTexts();
    BuildChannelRows();
    const ImageRef image = Image();
    for (int r = 0; r < kRows; ++r) {
        const bool on = image.Get(SetupDb::CameraEnable, r) != 0;
        SetupCtl::ValueCell(m_lblValue[r], m_choices.At(on ? 1 : 0), 165, 8 + SetupCtl::kRowPitch * r, 122);
        m_lblValue[r].setVisible(r < m_nChannelCount);
    }
}

bool CCameraEnablePage::OnCommand(int id, WORD code)
{
    if (code == STN_CLICKED && id >= kFirstValueId && id < kFirstValueId + kRows) {
        OpenChoice(id - kFirstValueId);
        return true;
    }
    return false;
}

void CCameraEnablePage::OpenChoice(int r)
{
    if (r < 0 || r >= m_nChannelCount)
        return;
    // The list is offered even if a text failed to load: the choice matters.
    OpenListFromCell(m_lblValue[r], r, m_choices.Texts(), kListWidth, 0, true);
}

void CCameraEnablePage::OnListPicked(int nItemId, int nIndex)
{
    if (nIndex < 0 || nIndex > 1)
        return;
    ImageRef image = Image();
    for (int row : RowTargets(nItemId)) {
        m_lblValue[row].SetText(m_choices.At(nIndex));
        image.Set(SetupDb::CameraEnable, row, static_cast<std::uint32_t>(nIndex));
        if (nIndex == 0)
            ZeroRecordBytes(row);
    }
}

void CCameraEnablePage::ZeroRecordBytes(int channel)
{
    ImageRef image = Image();
    for (std::uint32_t off : CameraOffZeroedOffsets(channel, Caps().subProduct6))
        image.SetU8(off, 0);
}
