// The report list of the address book and the log and event lists: the
// platform's list view (columns of item texts) whose rows the control draws
// itself, in one bold font, with its own text colour and selection look.
#pragma once

#include "platform/Types.h"
#include "ui/DlgItem.h"

#include <QBrush>
#include <QFont>
#include <QTreeWidget>

class CSkinListCtrl : public QTreeWidget, public CDlgItem
{
    Q_OBJECT
public:
    explicit CSkinListCtrl(QWidget* parent = nullptr);

    // Makes row the current and selected one; false when there is no such row.
    bool SelectRow(int row);

    // Owners call it with 3, 4 or 5 columns, 0x783C3C, TRUE, 9, "Arial Bold";
    // the font stays "Arial Bold", 12 pixels, weight 700 whatever they say.
    void SetStyle(int nColumns, COLORREF crText, bool bBold, int nSize, const char* face);
    void SetTextColor(COLORREF cr) { m_crText = cr; }
    void SetBkColor(COLORREF cr)
    {
        m_hBkBrush = QBrush(QColor::fromRgb(cr & 0xFF, (cr >> 8) & 0xFF, (cr >> 16) & 0xFF));
    }
    // LVS_SHOWSELALWAYS: selected rows stay highlighted without the focus.
    void SetShowSelAlways(bool on)
    {
        m_bShowSelAlways = on;
        viewport()->update();
    }

    // The list view operations the owners fill it with.
    int InsertColumn(int nCol, const QString& heading, int nWidth);
    int InsertItem(int nItem, const QString& text);
    bool SetItemText(int nItem, int nSubItem, const QString& text);
    QString GetItemText(int nItem, int nSubItem) const;
    int GetItemCount() const { return topLevelItemCount(); }
    bool DeleteAllItems();
    // The focused row (-1 when none).
    int GetFocusedItem() const;

    // How row `row` is drawn: selected (active-caption fill, highlight text)
    // or normal (window fill, m_crText).
    bool DrawsSelected(int row) const;

    COLORREF m_crText;
    QBrush m_hBkBrush;
    QFont m_font;
    int m_nColumns = 0;
    bool m_bShowSelAlways = false;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};
