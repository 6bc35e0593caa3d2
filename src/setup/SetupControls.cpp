#include "setup/SetupControls.h"

#include "ui/ResIds.h"
#include "ui/SkinDraw.h"

#include <algorithm>

namespace SetupCtl {

namespace {
constexpr COLORREF kCommandText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
constexpr COLORREF kTabText[4] = {0xFFFFFF, 0x0DB861, 0x0DB861, 0xB2AEAB};
// The pairs' captions sit on the dark button faces of the skin.
constexpr COLORREF kChoiceText[4] = {0xEBE8E6, 0xFFFFFF, 0x62EBF1, 0xB3B9BE};
} // namespace

void TitleLabel(CSkinLabel& label, const QString& text, int x, int y, int w, int h)
{
    label.SetNotify(false);
    label.SetLabelStyle(0x785A5A, 0x785A5A, 0, 0, true, 9, "Arial Bold");
    label.SetBkColor(kPageColour);
    label.SetText(text);
    label.setGeometry(x, y, w, h);
    label.show();
}

void ValueCell(CSkinLabel& label, const QString& text, int x, int y, int w, int h)
{
    label.SetNotify(true);
    label.SetBitmap(0, kValueCellBitmap);
    label.SetStyle(0xE6D200, 0x783C3C, 0, 1, true, 9, "Arial Bold");
    label.SetText(text);
    label.setGeometry(x, y, w, h);
    label.show();
}

void ChoicePair(CSkinTextButton& left, CSkinTextButton& right, const QString& leftText,
                const QString& rightText, int xLeft, int xRight, int y)
{
    int bitmap = kChoiceLeftBitmap;
    for (CSkinTextButton* b : {&left, &right}) {
        b->SetBitmap(static_cast<UINT>(bitmap));
        b->SetFont(9, 0, 700, "Arial Bold");
        std::copy(std::begin(kChoiceText), std::end(kChoiceText), b->m_crText);
        bitmap = kChoiceRightBitmap;
    }
    left.SetText(38, leftText, false);
    right.SetText(38, rightText, false);
    left.setGeometry(xLeft, y, 100, 17);
    right.setGeometry(xRight, y, 100, 17);
    left.show();
    right.show();
}

void ShowChoice(CSkinTextButton& left, CSkinTextButton& right, bool leftChosen)
{
    left.SetState(leftChosen ? 1 : 0);
    right.SetState(leftChosen ? 0 : 1);
}

void RowCheckBox(CSkinCheckBox& box, int x, int y)
{
    box.SetBitmaps(IDB_CHECK_NORMAL, IDB_CHECK_DOWN, IDB_CHECK_NORMAL, IDB_CHECK_NORMAL, IDB_CHECK_NORMAL,
                   IDB_CHECK_MASK, 0, 0, 0);
    box.setGeometry(x, y, 15, 15);
    box.SetCheck(0);
    box.show();
}

QString ChannelText(int channel)
{
    return QString::asprintf("%s%02d", LoadResString(kChannelText).toLatin1().constData(), channel + 1);
}

void ChannelLabel(CSkinLabel& label, int channel, int x, int y, int w, int h)
{
    TitleLabel(label, ChannelText(channel), x, y, w, h);
}

static void Command(CSkinTextButton& button, int bitmap, const QString& text, int x, int y, int w)
{
    button.SetBitmap(static_cast<UINT>(bitmap));
    button.SetFont(9, 0, 700, "Arial Bold");
    std::copy(std::begin(kCommandText), std::end(kCommandText), button.m_crText);
    button.SetText(0, text, true);
    button.setGeometry(x, y, w, 22);
    button.show();
}

void CommandButton(CSkinTextButton& button, const QString& text, int x, int y)
{
    Command(button, kCommandBitmap, text, x, y, 97);
}

void WideCommandButton(CSkinTextButton& button, const QString& text, int x, int y)
{
    Command(button, kWideCommandBitmap, text, x, y, 160);
}

} // namespace SetupCtl

void CSetupTabBar::Build(QWidget* page, const std::vector<Tab>& tabs)
{
    m_nCount = std::min<int>(static_cast<int>(tabs.size()), 4);
    for (int i = 0; i < m_nCount; ++i) {
        const Tab& t = tabs[static_cast<size_t>(i)];
        CSkinTextButton& b = m_buttons[i];
        b.setParent(page);
        b.SetDlgCtrlID(t.id);
        m_ids[i] = t.id;
        b.SetBitmap(static_cast<UINT>(t.bitmap));
        b.SetFont(9, 0, 700, "Arial Bold");
        std::copy(std::begin(SetupCtl::kTabText), std::end(SetupCtl::kTabText), b.m_crText);
        b.SetText(0, t.caption, true);
        b.setGeometry(t.rect);
        b.show();
    }
}

int CSetupTabBar::IndexOf(int id) const
{
    for (int i = 0; i < m_nCount; ++i)
        if (m_ids[i] == id)
            return i;
    return -1;
}

void CSetupTabBar::Show(int index)
{
    if (index < 0 || index >= m_nCount)
        return;
    m_nShown = index;
    for (int i = 0; i < m_nCount; ++i)
        m_buttons[i].SetState(i == index ? 1 : 0);
}
