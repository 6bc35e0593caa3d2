// The remote search window's pop-ups, on the shared pickers: the list pop-up
// with up to 39 cells, cells before the first selectable one grey, and the
// search window's row rule (a full last row of four is followed by an empty
// one); the time pop-up of three sliders, which never reports past 24:00:00.
#pragma once

#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"

class CSearchListPickerPopup : public CListPickerPopup
{
    Q_OBJECT
public:
    static constexpr int kMaxCells = 39;

    CSearchListPickerPopup(QWidget* pOwner, int nItemId, const ListPickerRequest* pRequest,
                           int nFirstSelectable, bool bFourPerRow, QWidget* pParent);
    ~CSearchListPickerPopup() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    int Count() const { return m_nCount; }
    int FirstSelectable() const { return m_nFirstSelectable; }
    bool FourPerRow() const { return m_bFourPerRow; }
    CSkinLabel& Cell(int i)
    {
        return i < kListPickerMaxCells ? m_cells[i] : m_extraCells[i - kListPickerMaxCells];
    }
    // A click on cell i: reported and closed when selectable.
    void OnSearchCellClicked(int i);

protected:
    int Rows() const override;
    PickerStrip StripRect(int i) const override;
    QRect CellRect(int i) const override;

private:
    CSkinLabel m_extraCells[kMaxCells - kListPickerMaxCells];
    int m_nFirstSelectable = 0;
    bool m_bFourPerRow = false;
    int m_nCount = 0;
    bool m_bPickedOnce = false;
};

class CSearchTimePickerPopup : public CSliderPickerPopup
{
    Q_OBJECT
public:
    CSearchTimePickerPopup(QWidget* pOwner, int nItemId, const SliderPickerRequest* pRequest,
                           QWidget* pParent);
    ~CSearchTimePickerPopup() override;
};

// The two pop-up slots of a search window: opening one closes both; each
// pop-up reports as it goes and its window empties the slot (Gone).
class CSearchPickerSlots
{
public:
    void OpenList(IPickerHost* host, QWidget* window, QWidget* owner, int itemId, const ListPickerRequest& request,
                  int firstSelectable, bool fourPerRow);
    void OpenTime(IPickerHost* host, QWidget* window, QWidget* owner, int itemId,
                  const SliderPickerRequest& request);
    void Close();
    void Gone(Wnd* popup);
    CListPickerPopup* List() const { return m_pList; }
    CSliderPickerPopup* Time() const { return m_pTime; }

private:
    CListPickerPopup* m_pList = nullptr;
    CSliderPickerPopup* m_pTime = nullptr;
};
