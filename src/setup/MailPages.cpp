#include "setup/MailPages.h"

#include "net/Wire.h"
#include "setup/MailFields.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>

namespace {
constexpr int kMailBackground = 1689;
constexpr int kScheduleBackground = 1751;
constexpr int kBarTwoRows = 2261;
constexpr int kBarOneRow = 2262;
constexpr COLORREF kEditText = 0x783C3C;
constexpr int kModeCount = 3;
constexpr int kDayCount = 7;

// Which slider item edits which time, and the cell it shows in.
struct TimeCell
{
    int item;
    int cell;
    SetupDb::Field field;
};
constexpr TimeCell kTimeCells[] = {
    {3, 792, SetupDb::MailTime1},
    {4, 793, SetupDb::MailTime2},
    {5, 794, SetupDb::MailTime3},
    {7, 796, SetupDb::MailTime4},
};
const TimeCell* TimeCellOf(int item)
{
    for (const TimeCell& t : kTimeCells)
        if (t.item == item)
            return &t;
    return nullptr;
}
} // namespace

// --- Mail setup ---------------------------------------------------------------

CMailSetupPage::CMailSetupPage() : CSetupPage(SetupPage::kMailSetup, kMailBackground)
{
    for (int r = 0; r < 4; ++r) {
        m_edit[r].setParent(this);
        m_edit[r].SetDlgCtrlID(kFirstEditId + r);
        m_edit[r].hide();
    }
    for (int i = 0; i < 5; ++i) {
        m_lblTitle[i].setParent(this);
        m_lblTitle[i].SetDlgCtrlID(kFirstTitleId + i);
        m_lblTitle[i].hide();
    }
    m_lblMode.setParent(this);
    m_lblMode.SetDlgCtrlID(kModeCellId);
    m_lblMode.hide();
    m_btnChange.setParent(this);
    m_btnChange.SetDlgCtrlID(kChangeId);
    m_btnChange.hide();
    m_btnTestMail.setParent(this);
    m_btnTestMail.SetDlgCtrlID(kTestMailId);
    m_btnTestMail.hide();
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

void CMailSetupPage::BuildPage()
{
    m_szMailMode.clear();
    for (int k = 0; k < kModeCount; ++k)
        m_szMailMode.push_back(LoadResString(5200 + k));
    const QByteArray row = LoadResString(5485).toLatin1();
    for (int r = 0; r < 3; ++r)
        SetupCtl::TitleLabel(m_lblTitle[r], QString::asprintf("%s %d", row.constData(), r + 1), 12,
                             9 + SetupCtl::kRowPitch * r);
    SetupCtl::TitleLabel(m_lblTitle[3], LoadResString(5500), 12, 78);
    SetupCtl::TitleLabel(m_lblTitle[4], LoadResString(5501), 12, 101);
    const ImageRef image = Image();
    SetupCtl::ValueCell(m_lblMode, MailFields::ChoiceText(m_szMailMode, image.Get(SetupDb::MailMode)), 167,
                        100, 225);
    for (int r = 0; r < 4; ++r) {
        CNameEdit& e = m_edit[r];
        e.SetTextColor(kEditText);
        e.SetUpperCase(true);
        e.SetLimitText(MailFields::kTypedChars);
        e.setGeometry(167, 6 + SetupCtl::kRowPitch * r, 225, 17);
        // Filling the box writes nothing: a stored text the box cannot hold
        // as it is (control bytes, no NUL) stays as the recorder sent it
        // until the user edits it.
        e.SetWindowText(MailFields::ReadText(image, r));
        // A long address opens at its beginning, not scrolled to its tail.
        e.setCursorPosition(0);
        e.show();
    }
    m_bBuilt = true;
    if (Version().MajorAtLeast(5))
        SetupCtl::CommandButton(m_btnChange, LoadResString(5686), 2);
    SetupCtl::WideCommandButton(m_btnTestMail, LoadResString(5734));
}

bool CMailSetupPage::OnCommand(int id, WORD code)
{
    if (id >= kFirstEditId && id < kFirstEditId + 4) {
        if (code == EN_CHANGE)
            OnTextChanged(id - kFirstEditId);
        else if (code == EN_SETFOCUS)
            ClosePickers();
        return true;
    }
    if (id == kModeCellId && code == STN_CLICKED) {
        OnModeCell();
        return true;
    }
    if (id == kChangeId && code == BN_CLICKED) {
        OnChange();
        return true;
    }
    if (id == kTestMailId && code == BN_CLICKED) {
        OnSendTestMail();
        return true;
    }
    return false;
}

void CMailSetupPage::OnTextChanged(int r)
{
    if (!m_bBuilt || r < 0 || r >= 4)
        return;
    ImageRef image = Image();
    MailFields::WriteText(image, r, m_edit[r].GetWindowText());
}

void CMailSetupPage::OnModeCell()
{
    OpenListFromCell(m_lblMode, kModeListItem, m_szMailMode, 180);
}

void CMailSetupPage::OnListPicked(int, int nIndex)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_szMailMode.size()))
        return;
    m_lblMode.SetText(m_szMailMode[static_cast<std::size_t>(nIndex)]);
    ImageRef image = Image();
    image.Set(SetupDb::MailMode, static_cast<std::uint32_t>(nIndex));
}

void CMailSetupPage::OnChange()
{
    if (m_pSetupDlg)
        m_pSetupDlg->ShowMailSchedulePage(static_cast<int>(Image().Get(SetupDb::MailMode)));
}

bool CMailSetupPage::OnSendTestMail()
{
    if (!m_pSetupDlg)
        return false;
    const RecorderLink& link = m_pSetupDlg->Link();
    if (!link.IsLoggedIn())
        return false;
    const ImageRef image = Image();
    // The fields as they stand now, bytes as they are.
    return link.Send(SEND_TEST_MAIL_REQ, image.Data() + SetupDb::TestMailPayload.offset,
                     SetupDb::TestMailPayload.Size());
}

// --- Mail schedule ------------------------------------------------------------

CMailSchedulePage::CMailSchedulePage() : CSetupPage(SetupPage::kMailSchedule, kScheduleBackground)
{
    for (int i = 0; i < 7; ++i) {
        m_arrCell[i].setParent(this);
        m_arrCell[i].SetDlgCtrlID(kFirstCellId + i);
        m_arrCell[i].hide();
    }
    m_btnPrev.setParent(this);
    m_btnPrev.SetDlgCtrlID(kPrevId);
    m_btnPrev.hide();
    // Moves over the page's own surface close the pickers, not those over
    // its cells (their own widgets take them).
    SetPickerClosePolicy(PickerClosePolicy::SurfaceMove);
}

void CMailSchedulePage::BuildPage()
{
    m_nMailMode = Args().a;
    m_szDay.clear();
    for (int k = 0; k < kDayCount; ++k)
        m_szDay.push_back(LoadResString(5313 + k).left(29));
    m_bmpBar[0] = LoadSkinBitmap(kBarTwoRows);
    m_bmpBar[1] = LoadSkinBitmap(kBarOneRow);
    const ImageRef image = Image();
    if (m_nMailMode == 0) {
        SetupCtl::TitleLabel(m_arrCell[0], LoadResString(5420), 15, 9, 100);
        SetupCtl::TitleLabel(m_arrCell[1], LoadResString(5421), 15, 32, 100);
        SetupCtl::ValueCell(m_arrCell[2], MailFields::TimeText(image, SetupDb::MailTime1), 180, 8, 190);
        SetupCtl::ValueCell(m_arrCell[3], MailFields::TimeText(image, SetupDb::MailTime2), 180, 31, 190);
    } else if (m_nMailMode == 1) {
        SetupCtl::ValueCell(m_arrCell[4], MailFields::TimeText(image, SetupDb::MailTime3), 180, 8, 190);
    } else {
        SetupCtl::ValueCell(m_arrCell[5], MailFields::ChoiceText(m_szDay, image.Get(SetupDb::MailDay)), 45, 8,
                            100);
        SetupCtl::ValueCell(m_arrCell[6], MailFields::TimeText(image, SetupDb::MailTime4), 180, 8, 190);
    }
    SetupCtl::CommandButton(m_btnPrev, LoadResString(5583), 304);
}

void CMailSchedulePage::DrawExtra(QPainter& p)
{
    if (m_nMailMode == 0) {
        DrawBitmap(p, m_bmpBar[0], 0, 5, 403, 28, true, 0);
        DrawBitmap(p, m_bmpBar[0], 0, 28, 403, 51, true, 0);
    } else {
        DrawBitmap(p, m_bmpBar[1], 0, 5, 403, 28, true, 0);
    }
}

bool CMailSchedulePage::OnCommand(int id, WORD code)
{
    if (id >= kFirstCellId + 2 && id <= kFirstCellId + 6 && code == STN_CLICKED) {
        OnCell(id);
        return true;
    }
    if (id == kPrevId && code == BN_CLICKED) {
        OnPrev();
        return true;
    }
    return false;
}

void CMailSchedulePage::OnCell(int id)
{
    const int item = id - kFirstCellId + 1; // 792 -> 3 ... 796 -> 7
    CSkinLabel& cell = m_arrCell[id - kFirstCellId];
    if (item == kDayItem) {
        OpenListFromCell(cell, kDayItem, m_szDay, 140);
        return;
    }
    const TimeCell* t = TimeCellOf(item);
    if (!t)
        return;
    const ImageRef image = Image();
    OpenTimeSlider(cell, cell.m_ptClick, item, 3, image.U8(t->field.At(0)), image.U8(t->field.At(1)),
                   image.U8(t->field.At(2)), 358);
}

void CMailSchedulePage::OnPrev()
{
    // The open slider's values land before the page goes.
    ClosePickers();
    if (m_pSetupDlg)
        m_pSetupDlg->ShowPage(SetupPage::kMailSetup);
}

void CMailSchedulePage::OnListPicked(int nItemId, int nIndex)
{
    if (nItemId != kDayItem || nIndex < 0 || nIndex >= kDayCount)
        return;
    ImageRef image = Image();
    image.Set(SetupDb::MailDay, static_cast<std::uint32_t>(nIndex));
    m_arrCell[5].SetText(m_szDay[static_cast<std::size_t>(nIndex)]);
}

void CMailSchedulePage::OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3)
{
    const TimeCell* t = TimeCellOf(nItemId);
    if (!t)
        return;
    ImageRef image = Image();
    image.SetU8(t->field.At(0), static_cast<std::uint8_t>(nValue1));
    image.SetU8(t->field.At(1), static_cast<std::uint8_t>(nValue2));
    image.SetU8(t->field.At(2), static_cast<std::uint8_t>(nValue3));
    m_arrCell[t->cell - kFirstCellId].SetText(
        QString::asprintf("%02d : %02d : %02d", nValue1, nValue2, nValue3));
}
