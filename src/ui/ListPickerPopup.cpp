#include "ui/ListPickerPopup.h"

#include "platform/Skin.h"
#include "ui/ResIdsPicker.h"
#include "ui/UiMessages.h"

#include <cstring>

bool SetListPickerItem(ListPickerRequest& request, int i, const char* latin1)
{
    if (i < 0 || i >= ListPickerRequest::kMaxItems)
        return false;
    char* item = request.Items[i];
    std::memset(item, 0, ListPickerRequest::kItemSize);
    if (latin1)
        std::strncpy(item, latin1, ListPickerRequest::kItemSize - 1);
    return true;
}

CListPickerPopup::CListPickerPopup(QWidget* pOwnerPage, int nItemId, const ListPickerRequest* pRequest,
                                   int nColumnsMode, QWidget* pParent)
    : CPickerPopupBase(pOwnerPage, nItemId, pParent), m_request(std::make_unique<ListPickerRequest>()),
      m_nColumnsMode(nColumnsMode)
{
    if (pRequest)
        std::memcpy(m_request.get(), pRequest, sizeof(ListPickerRequest));
    else
        std::memset(m_request.get(), 0, sizeof(ListPickerRequest));
    for (int i = 0; i < kListPickerMaxCells; ++i) {
        m_cells[i].setParent(this);
        m_cells[i].SetDlgCtrlID(kFirstCellId + i);
        m_cells[i].hide();
    }
}

CListPickerPopup::~CListPickerPopup() = default;

bool CListPickerPopup::Create(IPickerHost* pHost)
{
    return CreatePopup(pHost);
}

QString CListPickerPopup::ItemText(int i) const
{
    if (i < 0 || i >= ListPickerRequest::kMaxItems)
        return QString();
    const char* item = m_request->Items[i];
    // An item may fill its whole width without a NUL.
    const size_t n = ::strnlen(item, ListPickerRequest::kItemSize);
    return QString::fromLatin1(item, static_cast<qsizetype>(n));
}

int CListPickerPopup::Rows() const
{
    return ListPickerRows(m_nShown, m_nColumnsMode);
}

PickerStrip CListPickerPopup::StripRect(int i) const
{
    return ListPickerStripRect(i, m_nWidth, m_nColumnsMode);
}

QRect CListPickerPopup::CellRect(int i) const
{
    return ListPickerCellRect(i, m_nWidth, m_nColumnsMode);
}

bool CListPickerPopup::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_nShown = ListPickerShownCount(m_request->Count);
    m_nWidth = ClampPickerWidth(m_request->Width);
    m_nRowHeight = Rows() * kPickerRowHeight;
    LoadFrameBitmaps();
    m_strips.clear();
    for (int i = 0; i < m_nShown; ++i) {
        m_strips.push_back(StripRect(i));
        CSkinLabel& cell = m_cells[i];
        cell.SetBitmap(0, IDB_PICKER_CELL);
        cell.SetStyle(0xE6D200, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        cell.SetText(ItemText(i));
        cell.setGeometry(CellRect(i));
        cell.show();
    }
    PlaceAndShape(m_request->AnchorRect, m_request->ClickX, m_request->ClickY);
    return true;
}

LRESULT CListPickerPopup::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == STN_CLICKED) {
        const int i = CommandId(wParam) - kFirstCellId;
        if (i >= 0 && i < kListPickerMaxCells) {
            OnCellClicked(i);
            return 0;
        }
    }
    return CPickerPopupBase::WindowProc(msg, wParam, lParam);
}

void CListPickerPopup::OnCellClicked(int i)
{
    // One pick per pop-up, and only of a cell that is shown.
    if (m_bPicked || IsDestroyed() || i < 0 || i >= m_nShown)
        return;
    m_bPicked = true;
    if (m_pHost)
        m_pHost->OnListPicked(m_pOwner.data(), m_nItemId, i);
    DestroyWindow();
}
