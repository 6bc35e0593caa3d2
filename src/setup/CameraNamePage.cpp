#include "setup/CameraNamePage.h"

#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/UiMessages.h"

#include <algorithm>

namespace {
constexpr int kBackground = 1657;
} // namespace

void StoreCameraName(ImageRef image, int row, const QString& name)
{
    if (row < 0 || row >= SetupDb::kChannels)
        return;
    const QByteArray bytes = name.toLatin1();
    const int n = std::min<int>(static_cast<int>(bytes.size()), CCameraNamePage::kMaxStored);
    const std::uint32_t at = SetupDb::CameraName.At(static_cast<std::uint32_t>(row));
    for (int i = 0; i < n; ++i)
        image.SetU8(at + static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(bytes[i]));
    image.SetU8(at + static_cast<std::uint32_t>(n), 0);
}

CCameraNamePage::CCameraNamePage() : CSetupPage(SetupPage::kCameraName, kBackground)
{
    for (int r = 0; r < kRows; ++r) {
        m_edit[r].setParent(this);
        m_edit[r].SetDlgCtrlID(kFirstBoxId + r);
        m_edit[r].hide();
    }
}

void CCameraNamePage::BuildPage()
{
    const ImageRef image = Image();
    // Filling the boxes is not an edit: nothing is written back.
    m_bFilling = true;
    for (int r = 0; r < kRows; ++r) {
        CNameEdit& e = m_edit[r];
        e.SetTextColor(0x783C3C);
        e.SetLimitText(kMaxChars);
        e.SetUpperCase(true);
        e.setGeometry(87, 6 + SetupCtl::kRowPitch * r, 278, 17);
        e.SetWindowText(image.Text(SetupDb::CameraName, r));
        e.setCursorPosition(0);
        e.setVisible(r < m_nChannelCount);
        SetupCtl::ChannelLabel(m_rowLabel[r], r, 9, 9 + SetupCtl::kRowPitch * r, 50);
        m_rowLabel[r].setVisible(r < m_nChannelCount);
    }
    m_bFilling = false;
}

bool CCameraNamePage::OnCommand(int id, WORD code)
{
    if (code == EN_CHANGE && id >= kFirstBoxId && id < kFirstBoxId + kRows) {
        OnNameChanged(id - kFirstBoxId);
        return true;
    }
    return false;
}

void CCameraNamePage::OnNameChanged(int row)
{
    if (m_bFilling || row < 0 || row >= kRows)
        return;
    StoreCameraName(Image(), row, m_edit[row].GetWindowText());
}
