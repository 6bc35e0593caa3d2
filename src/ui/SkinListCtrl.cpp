#include "ui/SkinListCtrl.h"

#include "platform/Skin.h"
#include "ui/SkinColors.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Rows as tall as a report list's: the font and a little air.
class RowDelegate : public QStyledItemDelegate
{
public:
    RowDelegate(const CSkinListCtrl* list)
        : QStyledItemDelegate(const_cast<CSkinListCtrl*>(list)), m_list(list)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(QFontMetrics(m_list->m_font).height() + 5);
        return s;
    }

private:
    const CSkinListCtrl* m_list;
};

} // namespace

CSkinListCtrl::CSkinListCtrl(QWidget* parent)
    : QTreeWidget(parent), CDlgItem(this), m_crText(SkinColor::WindowText()),
      m_hBkBrush(fromColorRef(SkinColor::ButtonFace()))
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    // Columns keep the widths they are given, as a report list's do.
    header()->setStretchLastSection(false);
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new RowDelegate(this));
    setColumnCount(0);
    SetStyle(0, m_crText, true, 9, "Arial Bold");
    QPalette pal = palette();
    pal.setColor(QPalette::Base, fromColorRef(SkinColor::Window()));
    setPalette(pal);
}

void CSkinListCtrl::SetStyle(int nColumns, COLORREF crText, bool, int, const char*)
{
    m_nColumns = nColumns;
    m_crText = crText;
    m_font = MakeSkinFont("Arial Bold", 9, 700);
    m_font.setPixelSize(12);
    m_font.setStyleStrategy(QFont::PreferAntialias);
    setFont(m_font);
    doItemsLayout();
    viewport()->repaint();
}

int CSkinListCtrl::InsertColumn(int nCol, const QString& heading, int nWidth)
{
    const int count = columnCount();
    if (nCol < 0 || nCol > count)
        nCol = count;
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels << (headerItem() ? headerItem()->text(i) : QString());
    labels.insert(nCol, heading);
    std::vector<int> widths;
    for (int i = 0; i < count; ++i)
        widths.push_back(columnWidth(i));
    widths.insert(widths.begin() + nCol, nWidth);
    setColumnCount(count + 1);
    setHeaderLabels(labels);
    for (int i = 0; i <= count; ++i)
        setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
    return nCol;
}

int CSkinListCtrl::InsertItem(int nItem, const QString& text)
{
    const int count = topLevelItemCount();
    if (nItem < 0 || nItem > count)
        nItem = count;
    auto* item = new QTreeWidgetItem();
    item->setText(0, text);
    insertTopLevelItem(nItem, item);
    return nItem;
}

bool CSkinListCtrl::SetItemText(int nItem, int nSubItem, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(nItem);
    if (!item || nSubItem < 0 || nSubItem >= columnCount())
        return false;
    item->setText(nSubItem, text);
    return true;
}

QString CSkinListCtrl::GetItemText(int nItem, int nSubItem) const
{
    const QTreeWidgetItem* item = topLevelItem(nItem);
    return item ? item->text(nSubItem) : QString();
}

bool CSkinListCtrl::DeleteAllItems()
{
    clear();
    return true;
}

int CSkinListCtrl::GetFocusedItem() const
{
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

bool CSkinListCtrl::DrawsSelected(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return false;
    const bool selected = item->isSelected();
    const bool focused = GetFocusedItem() == row;
    const bool listFocus = hasFocus();
    const bool highlighted = selected && (listFocus || m_bShowSelAlways);
    // A focused list shows only its focused row selected; an unfocused one
    // shows the highlighted rows and the focused row.
    if (listFocus)
        return focused;
    return highlighted || focused;
}

void CSkinListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    const bool sel = DrawsSelected(row);
    const QRect rowRect(0, option.rect.top(), std::max(viewport()->width(), header()->length()),
                        option.rect.height());
    painter->save();
    painter->fillRect(rowRect, fromColorRef(sel ? SkinColor::Highlight() : SkinColor::Window()));
    painter->setFont(m_font);
    painter->setPen(fromColorRef(sel ? SkinColor::HighlightText() : m_crText));
    const int columns = std::min(m_nColumns, columnCount());
    for (int i = 0; i < columns; ++i) {
        const int x = header()->sectionViewportPosition(i);
        const QRect cell(x, option.rect.top(), columnWidth(i), option.rect.height());
        // A text stays inside its own cell.
        painter->setClipRect(cell);
        painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text(i));
    }
    painter->restore();
}

void CSkinListCtrl::focusInEvent(QFocusEvent* e)
{
    QTreeWidget::focusInEvent(e);
    viewport()->update();
}

void CSkinListCtrl::focusOutEvent(QFocusEvent* e)
{
    QTreeWidget::focusOutEvent(e);
    viewport()->update();
}

bool CSkinListCtrl::SelectRow(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return false;
    setCurrentItem(item);
    item->setSelected(true);
    return true;
}
