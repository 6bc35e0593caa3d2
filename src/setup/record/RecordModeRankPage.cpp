#include "setup/record/RecordModeRankPage.h"

#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsRecord.h"
#include "ui/SkinDraw.h"

namespace RecordModeRank {

std::vector<int> Offered(int row)
{
    if (row == 0)
        return {0, 1, 2, 3, 5, kNone};
    return {0, 1, 2, 3, kNone};
}

int NameId(int value, int subProductMajor)
{
    switch (value) {
    case 0:
        return subProductMajor == 3 || subProductMajor == 4 ? IDS_RECORD_MODE_NORMAL
                                                            : IDS_RECORD_MODE_CONTINUOUS;
    case 1:
        return IDS_RECORD_MODE_SENSOR;
    case 2:
        return IDS_RECORD_MODE_MOTION;
    case 3:
        return IDS_RECORD_MODE_SCHEDULE;
    case 4:
        return IDS_RECORD_MODE_SENSITIVITY;
    case 5:
        return IDS_RECORD_MODE_DAYS;
    case kNone:
        return IDS_RECORD_MODE_NONE;
    default:
        return 0;
    }
}

void Pick(ImageRef image, int row, int value)
{
    if (row < 0 || row >= kRows)
        return;
    image.Set(SetupDb::RecordModeRank, row, static_cast<std::uint32_t>(value));
    if (value == kNone)
        return;
    for (int i = 0; i < kRows; ++i)
        if (i != row && static_cast<int>(image.Get(SetupDb::RecordModeRank, i)) == value)
            image.Set(SetupDb::RecordModeRank, i, kNone);
}

} // namespace RecordModeRank

CRecordModeRankPage::CRecordModeRankPage() : CSetupPage(SetupPage::kRecordModeRank, IDB_RECORD_BACK_RANK)
{
    for (int r = 0; r < RecordModeRank::kRows; ++r) {
        m_rankLabel[r].setParent(this);
        m_rankLabel[r].SetDlgCtrlID(kFirstRankLabelId + r);
        m_cell[r].setParent(this);
        m_cell[r].SetDlgCtrlID(kFirstCellId + r);
    }
}

void CRecordModeRankPage::BuildPage()
{
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
    for (int r = 0; r < RecordModeRank::kRows; ++r) {
        SetupCtl::TitleLabel(m_rankLabel[r], LoadResString(IDS_RECORD_RANK_FIRST + r), 15, 9 + 23 * r, 80,
                             14);
        SetupCtl::ValueCell(m_cell[r], QString(), 165, 8 + 23 * r, 190, 14);
    }
    ShowRows();
}

QString CRecordModeRankPage::NameOf(int value) const
{
    const int id = RecordModeRank::NameId(value, Caps().hasConnection ? Caps().subProductMajor : 0);
    return id != 0 ? LoadResString(id) : QString::number(value);
}

void CRecordModeRankPage::ShowRows()
{
    for (int r = 0; r < RecordModeRank::kRows; ++r)
        m_cell[r].SetText(NameOf(static_cast<int>(Image().Get(SetupDb::RecordModeRank, r))));
}

void CRecordModeRankPage::OpenModePicker(int r)
{
    if (r < 0 || r >= RecordModeRank::kRows)
        return;
    const std::vector<int> values = RecordModeRank::Offered(r);
    std::vector<QString> items;
    for (int v : values)
        items.push_back(NameOf(v));
    OpenListFromCell(m_cell[r], r, items, 180, 0, false, values);
}

void CRecordModeRankPage::OnListPicked(int nItemId, int nIndex)
{
    const int value = PickedValue(nItemId, nIndex);
    if (nItemId < 0 || nItemId >= RecordModeRank::kRows || value < 0)
        return;
    RecordModeRank::Pick(Image(), nItemId, value);
    ShowRows();
}

bool CRecordModeRankPage::OnCommand(int id, WORD)
{
    if (id < kFirstCellId || id >= kFirstCellId + RecordModeRank::kRows)
        return false;
    OpenModePicker(id - kFirstCellId);
    return true;
}
