// The ranking of record modes: five rows, each one mode or none, a mode in
// one row at most, chosen through the window's list picker.
#pragma once

#include "setup/SetupPage.h"

namespace RecordModeRank {
constexpr int kRows = 5;
constexpr int kNone = 6;
// The values row r offers, in list order (row 0 also offers value 5).
std::vector<int> Offered(int row);
// The text id of a value's name; 0 for a byte beyond the seven names.
int NameId(int value, int subProductMajor);
// Stores `value` in row r and moves it out of every other row holding it.
void Pick(ImageRef image, int row, int value);
} // namespace RecordModeRank

class CRecordModeRankPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstRankLabelId = 790;
    static constexpr int kFirstCellId = 795;

    CRecordModeRankPage();

    void OpenModePicker(int r);
    void OnListPicked(int nItemId, int nIndex) override;
    // The row's name, or its number when the byte is beyond the names.
    QString NameOf(int value) const;
    void ShowRows();

    CSkinLabel m_rankLabel[RecordModeRank::kRows];
    CSkinLabel m_cell[RecordModeRank::kRows];

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
};
