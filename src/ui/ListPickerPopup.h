// The list pop-up: a column or a four-column grid of up to 31 text cells
// opened next to the clicked control. A cell click reports the cell's index
// to the host and closes the pop-up; closing it any other way reports nothing.
// Every window with list choices (remote setup, local setup, remote search)
// opens this one; a window with its own row rules derives and overrides
// Rows() and StripRect().
#pragma once

#include "ui/PickerPopupBase.h"
#include "ui/SkinLabel.h"

#include <memory>

class CListPickerPopup : public CPickerPopupBase
{
    Q_OBJECT
public:
    static constexpr int kFirstCellId = 790;

    // The request is copied; the caller may build it on its stack. The parent
    // is the window the pop-up floats above (the host's window).
    CListPickerPopup(QWidget* pOwnerPage, int nItemId, const ListPickerRequest* pRequest, int nColumnsMode,
                     QWidget* pParent = nullptr);
    ~CListPickerPopup() override;

    // Stores the host, builds the cells and shows the pop-up.
    bool Create(IPickerHost* pHost);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Cell i clicked: report it, then close.
    void OnCellClicked(int i);

    const ListPickerRequest& Request() const { return *m_request; }
    int ColumnsMode() const { return m_nColumnsMode; }
    // Cells shown: the request's Count held to 0-31.
    int ShownCount() const { return m_nShown; }
    // The text of item i as shown (Latin-1, cut at its NUL or the item width).
    QString ItemText(int i) const;

    CSkinLabel m_cells[kListPickerMaxCells];

protected:
    virtual int Rows() const;
    virtual PickerStrip StripRect(int i) const;
    virtual QRect CellRect(int i) const;

private:
    std::unique_ptr<ListPickerRequest> m_request;
    int m_nColumnsMode = 0;
    int m_nShown = 0;
    bool m_bPicked = false;
};
