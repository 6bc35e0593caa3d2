#include "setup/OsdSetupPage.h"

#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/ChannelRows.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

namespace {
constexpr int kBackgroundOld = 1658;
constexpr int kBackgroundExtended = 1659;
constexpr int kEmptyBackground = 1723;
constexpr int kOff = 5340;
constexpr int kSec = 5341;
constexpr int kTableAEnd = 5343;
constexpr int kOn = 5344;
constexpr int kMin = 5351;

struct ListRowLayout
{
    int nameId, valueId, caption;
    int y;         // the name label's y; the value label sits a pixel higher
    int yExtended; // the same on images later than 4.3
    int pickWidth;
};
// Rows A, N, B, M1, M2.
constexpr ListRowLayout kLayout[COsdSetupPage::kListRows] = {
    {790, 793, 5450, 9, 9, 160},     {794, 795, 5811, 78, 147, 60},   {796, 799, 5901, 78, 78, 160},
    {797, 800, 5121, 101, 101, 100}, {798, 801, 5903, 124, 124, 100},
};
constexpr int kSwitchNameIds[2] = {791, 792};
constexpr int kSwitchCaptions[2] = {5451, 5452};
} // namespace

COsdSetupPage::COsdSetupPage() : CSetupPage(SetupPage::kOsdSetup, kBackgroundOld)
{
    for (int i = 0; i < kListRows; ++i) {
        m_lblName[i].setParent(this);
        m_lblName[i].SetDlgCtrlID(kLayout[i].nameId);
        m_lblName[i].hide();
        m_lblValue[i].setParent(this);
        m_lblValue[i].SetDlgCtrlID(kLayout[i].valueId);
        m_lblValue[i].hide();
    }
    for (int k = 0; k < 2; ++k) {
        m_lblSwitch[k].setParent(this);
        m_lblSwitch[k].SetDlgCtrlID(kSwitchNameIds[k]);
        m_lblSwitch[k].hide();
        m_btnOn[k].setParent(this);
        m_btnOn[k].SetDlgCtrlID(kFirstOnId + k);
        m_btnOn[k].hide();
        m_btnOff[k].setParent(this);
        m_btnOff[k].SetDlgCtrlID(kFirstOffId + k);
        m_btnOff[k].hide();
    }
    // The channel labels of the base would share ids with this page's labels.
    for (CSkinLabel& l : m_rowLabel)
        l.SetDlgCtrlID(0);
}

const SetupDb::Field& COsdSetupPage::ListField(int row)
{
    static const SetupDb::Field fields[kListRows] = {SetupDb::OsdChoiceA, SetupDb::OsdNumber,
                                                     SetupDb::OsdChoiceB, SetupDb::OsdMinutesA,
                                                     SetupDb::OsdMinutesB};
    return fields[row < 0 || row >= kListRows ? 0 : row];
}

void COsdSetupPage::BuildChoiceTables()
{
    // Owned texts: a long resource text is kept whole.
    const QString off = LoadResString(kOff);
    const QString sec = LoadResString(kSec);
    const QString last = LoadResString(kTableAEnd);
    const QString min = LoadResString(kMin);
    m_table[kRowA] = TextTable::FromTexts({off, "5 " + sec, "10 " + sec, last});
    std::vector<QString> numbers;
    for (int i = 0; i <= 6; ++i)
        numbers.push_back(QString::number(i));
    m_table[kRowN] = TextTable::FromTexts(numbers);
    m_table[kRowB] = TextTable::FromTexts({off, "5" + sec, "10" + sec, last});
    m_table[kRowM1] = TextTable::FromTexts({"1" + min, "5" + min});
    m_table[kRowM2] = m_table[kRowM1];
}

QString COsdSetupPage::ListText(int row, int value) const
{
    if (row < 0 || row >= kListRows)
        return QString();
    // The number keeps the row's list reachable, so a valid entry can be picked.
    return m_table[row].At(value, QString::number(value));
}

void COsdSetupPage::BuildPage()
{
    m_bExtended = Version().LaterThan(4, 3);
    SetBackground(m_bExtended ? kBackgroundExtended : kBackgroundOld);
    BuildChoiceTables();
    const ImageRef image = Image();
    for (int i = 0; i < kListRows; ++i) {
        const ListRowLayout& l = kLayout[i];
        const int y = m_bExtended ? l.yExtended : l.y;
        SetupCtl::TitleLabel(m_lblName[i], LoadResString(l.caption), 26, y, 124);
        SetupCtl::ValueCell(m_lblValue[i], ListText(i, static_cast<int>(image.Get(ListField(i)))), 185, y - 1,
                            155);
        m_lblName[i].setVisible(RowPresent(i));
        m_lblValue[i].setVisible(RowPresent(i));
    }
    const QString on = LoadResString(kOn);
    const QString off = LoadResString(kOff);
    for (int k = 0; k < 2; ++k) {
        const int dy = SetupCtl::kRowPitch * k;
        SetupCtl::RowCheckBox(m_rowCheck[k], 6, 30 + dy);
        SetupCtl::TitleLabel(m_lblSwitch[k], LoadResString(kSwitchCaptions[k]), 26, 32 + dy, 124);
        SetupCtl::ChoicePair(m_btnOn[k], m_btnOff[k], on, off, 175, 276, 29 + dy);
        const auto& f = k == 0 ? SetupDb::OsdSwitchA : SetupDb::OsdSwitchB;
        SetupCtl::ShowChoice(m_btnOn[k], m_btnOff[k], image.Get(f) == 1);
    }
    SetupCtl::CommandButton(m_btnAllCheck, LoadResString(5640), 2);
    SetupCtl::CommandButton(m_btnReturnAll, LoadResString(5641), 103);
}

bool COsdSetupPage::OnCommand(int id, WORD code)
{
    // Buttons and value labels both report a click as code 0.
    if (code != BN_CLICKED)
        return false;
    if (id == SetupCtl::kAllCheckId)
        OnAllCheck();
    else if (id == SetupCtl::kReturnAllId)
        OnReturnAll();
    else if (id == kFirstOnId || id == kFirstOnId + 1)
        OnSwitchOn(id - kFirstOnId);
    else if (id == kFirstOffId || id == kFirstOffId + 1)
        OnSwitchOff(id - kFirstOffId);
    else {
        for (int i = 0; i < kListRows; ++i) {
            if (id == kLayout[i].valueId) {
                OpenListRow(i);
                return true;
            }
        }
        return false;
    }
    return true;
}

void COsdSetupPage::OnAllCheck()
{
    m_rowCheck[0].SetCheck(1);
    m_rowCheck[1].SetCheck(1);
}

void COsdSetupPage::OnReturnAll()
{
    m_rowCheck[0].SetCheck(0);
    m_rowCheck[1].SetCheck(0);
}

void COsdSetupPage::SetSwitches(int k, int value)
{
    ChannelRows rows(2);
    rows.SetChecked(0, m_rowCheck[0].GetCheck() == 1);
    rows.SetChecked(1, m_rowCheck[1].GetCheck() == 1);
    ImageRef image = Image();
    for (int i : rows.Targets(k)) {
        SetupCtl::ShowChoice(m_btnOn[i], m_btnOff[i], value == 1);
        image.Set(i == 0 ? SetupDb::OsdSwitchA : SetupDb::OsdSwitchB, static_cast<std::uint32_t>(value));
    }
}

void COsdSetupPage::OpenListRow(int row)
{
    if (row < 0 || row >= kListRows || !RowPresent(row))
        return;
    OpenListFromCell(m_lblValue[row], row, m_table[row].Texts(), kLayout[row].pickWidth);
}

void COsdSetupPage::OnListPicked(int nItemId, int nIndex)
{
    if (nItemId < 0 || nItemId >= kListRows || !RowPresent(nItemId) || !m_table[nItemId].Has(nIndex))
        return;
    m_lblValue[nItemId].SetText(m_table[nItemId].At(nIndex));
    Image().Set(ListField(nItemId), static_cast<std::uint32_t>(nIndex));
}

CEmptyPage::CEmptyPage() : CSetupPage(SetupPage::kEmpty, kEmptyBackground) {}
