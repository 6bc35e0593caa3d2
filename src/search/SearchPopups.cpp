#include "search/SearchPopups.h"

#include "search/SearchRules.h"
#include "ui/ResIdsPicker.h"
#include "ui/UiMessages.h"

#include <algorithm>

namespace {

SliderPickerRequest TimeRequest(const SliderPickerRequest* request)
{
    SliderPickerRequest r{};
    if (request)
        r = *request;
    r.Count = std::clamp(r.Count, 1, 3);
    const TimeOfDay t = ClampTimeResult(r.Value1, r.Value2, r.Value3);
    r.Value1 = t.hour;
    r.Value2 = t.minute;
    r.Value3 = t.second;
    return r;
}

} // namespace

CSearchListPickerPopup::CSearchListPickerPopup(QWidget* pOwner, int nItemId,
                                               const ListPickerRequest* pRequest, int nFirstSelectable,
                                               bool bFourPerRow, QWidget* pParent)
    : CListPickerPopup(pOwner, nItemId, pRequest, bFourPerRow ? 1 : 0, pParent),
      m_nFirstSelectable(std::max(0, nFirstSelectable)), m_bFourPerRow(bFourPerRow)
{
    for (int i = 0; i < kMaxCells - kListPickerMaxCells; ++i) {
        m_extraCells[i].setParent(this);
        m_extraCells[i].SetDlgCtrlID(kFirstCellId + kListPickerMaxCells + i);
        m_extraCells[i].hide();
    }
}

CSearchListPickerPopup::~CSearchListPickerPopup() = default;

int CSearchListPickerPopup::Rows() const
{
    return SearchListInnerHeight(m_nCount, m_bFourPerRow) / kPickerRowHeight;
}

PickerStrip CSearchListPickerPopup::StripRect(int i) const
{
    const int w = m_nWidth;
    PickerStrip s{};
    if (!m_bFourPerRow) {
        const int y0 = 5 + 21 * i, y1 = 26 + 21 * i;
        s[0] = {5, y0, 10, y1, false};
        s[1] = {10, y0, w - 11, y1, true};
        s[2] = {w - 11, y0, w - 5, y1, false};
        return s;
    }
    const int cw = (w - 13) / 4, c = i % 4, r = i / 4;
    const int x0 = 5 + c * (cw + 1), x1 = x0 + cw;
    const int y0 = 5 + 21 * r, y1 = 26 + 21 * r;
    s[0] = {x0, y0, x0 + 5, y1, false};
    s[1] = {x0 + 5, y0, x1 - 6, y1, true};
    s[2] = {x1 - 6, y0, x1, y1, false};
    return s;
}

QRect CSearchListPickerPopup::CellRect(int i) const
{
    const PopupRect r = SearchListCellRect(i, m_nWidth, m_bFourPerRow);
    return QRect(r.x, r.y, r.width, r.height);
}

bool CSearchListPickerPopup::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_nCount = SearchListCount(Request().Count);
    m_nWidth = ClampPickerWidth(Request().Width);
    m_nRowHeight = Rows() * kPickerRowHeight;
    LoadFrameBitmaps();
    m_strips.clear();
    for (int i = 0; i < m_nCount; ++i) {
        m_strips.push_back(StripRect(i));
        CSkinLabel& cell = Cell(i);
        cell.SetBitmap(0, IDB_PICKER_CELL);
        if (i < m_nFirstSelectable)
            cell.SetStyle(0x969696, 0x969696, 0, 0, true, 9, "Arial Bold");
        else
            cell.SetStyle(0xE6D200, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        cell.SetText(ItemText(i));
        cell.setGeometry(CellRect(i));
        cell.show();
    }
    PlaceAndShape(Request().AnchorRect, Request().ClickX, Request().ClickY);
    return true;
}

LRESULT CSearchListPickerPopup::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == STN_CLICKED) {
        const int i = CommandId(wParam) - kFirstCellId;
        if (i >= 0 && i < kMaxCells) {
            OnSearchCellClicked(i);
            return 0;
        }
    }
    return CListPickerPopup::WindowProc(msg, wParam, lParam);
}

void CSearchListPickerPopup::OnSearchCellClicked(int i)
{
    if (m_bPickedOnce || IsDestroyed() || i < m_nFirstSelectable || i >= m_nCount)
        return;
    m_bPickedOnce = true;
    if (m_pHost)
        m_pHost->OnListPicked(m_pOwner.data(), m_nItemId, i);
    DestroyWindow();
}

CSearchTimePickerPopup::CSearchTimePickerPopup(QWidget* pOwner, int nItemId,
                                               const SliderPickerRequest* pRequest, QWidget* pParent)
    : CSliderPickerPopup(
          pOwner, nItemId,
          [&] {
              static thread_local SliderPickerRequest r;
              r = TimeRequest(pRequest);
              return &r;
          }(),
          1, pParent)
{
}

CSearchTimePickerPopup::~CSearchTimePickerPopup() = default;

void CSearchPickerSlots::OpenList(IPickerHost* host, QWidget* window, QWidget* owner, int itemId,
                                  const ListPickerRequest& request, int firstSelectable, bool fourPerRow)
{
    Close();
    auto* popup = new CSearchListPickerPopup(owner, itemId, &request, firstSelectable, fourPerRow, window);
    m_pList = popup;
    popup->Create(host);
}

void CSearchPickerSlots::OpenTime(IPickerHost* host, QWidget* window, QWidget* owner, int itemId,
                                  const SliderPickerRequest& request)
{
    Close();
    auto* popup = new CSearchTimePickerPopup(owner, itemId, &request, window);
    m_pTime = popup;
    popup->Create(host);
}

void CSearchPickerSlots::Close()
{
    if (m_pList)
        m_pList->DestroyWindow();
    if (m_pTime)
        m_pTime->DestroyWindow();
}

void CSearchPickerSlots::Gone(Wnd* popup)
{
    if (popup == m_pList)
        m_pList = nullptr;
    if (popup == m_pTime)
        m_pTime = nullptr;
}
