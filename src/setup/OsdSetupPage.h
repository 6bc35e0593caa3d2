// The on-screen display page: two on/off switches that may be set together
// through their check boxes, and up to five settings picked from short lists.
// Three of the lists exist only on images later than 4.3. Also the empty
// page, which only draws its background.
#pragma once

#include "setup/SetupPage.h"
#include "setup/TextTable.h"

class COsdSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    // List rows, by the item id their picker carries.
    enum ListRow
    {
        kRowA = 0,
        kRowN = 1,
        kRowB = 2,
        kRowM1 = 3,
        kRowM2 = 4,
        kListRows = 5
    };
    static constexpr int kFirstOnId = 550;
    static constexpr int kFirstOffId = 570;

    COsdSetupPage();

    bool Extended() const { return m_bExtended; }
    void BuildChoiceTables();
    // Row k (0 or 1) switched: k, or both when both boxes are checked.
    void OnSwitchOn(int k) { SetSwitches(k, 1); }
    void OnSwitchOff(int k) { SetSwitches(k, 0); }
    void OnAllCheck() override;
    void OnReturnAll() override;
    // Value label of list row `row` clicked.
    void OpenListRow(int row);
    void OnListPicked(int nItemId, int nIndex) override;
    // What list row `row` shows for a stored byte: the entry, or the number
    // itself for a byte past the table.
    QString ListText(int row, int value) const;
    static const SetupDb::Field& ListField(int row);

    CSkinLabel m_lblName[kListRows];
    CSkinLabel m_lblValue[kListRows];
    CSkinLabel m_lblSwitch[2];
    CSkinTextButton m_btnOn[2];
    CSkinTextButton m_btnOff[2];

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    void SetSwitches(int k, int value);
    bool RowPresent(int row) const { return m_bExtended || row == kRowA || row == kRowN; }

    bool m_bExtended = false;
    TextTable m_table[kListRows];
};

class CEmptyPage : public CSetupPage
{
    Q_OBJECT
public:
    CEmptyPage();

protected:
    void BuildPage() override {}
};
