// The standard controls of the setup pages, made one way everywhere: title
// label, value cell, choice pair, row check box, channel label, command
// button and wide command button, and tab bars of two to four tabs.
#pragma once

#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinLabel.h"

#include <QRect>
#include <QString>
#include <vector>

namespace SetupCtl {

// Pages: 403 x 417 at (197, 83) in the setup window; rows 23 pixels apart.
constexpr int kPageX = 197;
constexpr int kPageY = 83;
constexpr int kPageWidth = 403;
constexpr int kPageHeight = 417;
constexpr int kRowPitch = 23;
constexpr int kFirstRowCheckId = 490;
constexpr int kFirstRowLabelId = 790;
constexpr int kAllCheckId = 480;
constexpr int kReturnAllId = 481;

// Ids of the shared bitmaps and texts.
constexpr int kValueCellBitmap = 1700;
constexpr int kChoiceLeftBitmap = 2136;
constexpr int kChoiceRightBitmap = 2137;
constexpr int kCommandBitmap = 2258;
constexpr int kWideCommandBitmap = 2259;
constexpr int kChannelText = 5152;
// The colour of the page background (bitmap 1721) behind plain labels.
constexpr COLORREF kPageColour = 0xD6CEC9;

void TitleLabel(CSkinLabel& label, const QString& text, int x, int y, int w = 130, int h = 14);
// Clickable: a click reaches the page as STN_CLICKED with the label's id.
void ValueCell(CSkinLabel& label, const QString& text, int x, int y, int w, int h = 14);
// The left and right buttons of an on/off or yes/no pair, 100 x 17.
void ChoicePair(CSkinTextButton& left, CSkinTextButton& right, const QString& leftText,
                const QString& rightText, int xLeft, int xRight, int y);
// The stored value shows: `leftChosen` selects the left button.
void ShowChoice(CSkinTextButton& left, CSkinTextButton& right, bool leftChosen);
void RowCheckBox(CSkinCheckBox& box, int x, int y);
// "%s%02d" of text 5152 and channel + 1.
QString ChannelText(int channel);
void ChannelLabel(CSkinLabel& label, int channel, int x, int y, int w = 60, int h = 14);
void CommandButton(CSkinTextButton& button, const QString& text, int x, int y = 396);
void WideCommandButton(CSkinTextButton& button, const QString& text, int x = 241, int y = 396);

} // namespace SetupCtl

// A row of two to four tab buttons along the top of a page: the shown tab has
// state 1, the others state 0.
class CSetupTabBar
{
public:
    struct Tab
    {
        int id;
        int bitmap;
        QRect rect;
        QString caption;
    };
    // Builds the tabs as children of `page` (at most four).
    void Build(QWidget* page, const std::vector<Tab>& tabs);
    int Count() const { return m_nCount; }
    int Shown() const { return m_nShown; }
    // Index of the tab with control id `id`, or -1.
    int IndexOf(int id) const;
    void Show(int index);
    CSkinTextButton& Button(int index) { return m_buttons[index < 0 || index > 3 ? 0 : index]; }

private:
    CSkinTextButton m_buttons[4];
    int m_ids[4] = {0, 0, 0, 0};
    int m_nCount = 0;
    int m_nShown = -1;
};
