// What the list and slider pop-ups share: a frameless top-level tool window
// above the window that opened it (a plain popup would eat the click that
// should reach the page below), the nine-piece frame and row strips of the
// skin, the colour-key shape, and the report to the host when it goes.
#pragma once

#include "platform/Wnd.h"
#include "ui/PickerLayout.h"

#include <QImage>
#include <QPointer>
#include <array>
#include <vector>

class CPickerPopupBase : public Dialog
{
    Q_OBJECT
public:
    QWidget* Owner() const { return m_pOwner.data(); }
    int ItemId() const { return m_nItemId; }
    int PopupWidth() const { return m_nWidth; }
    int ContentHeight() const { return m_nRowHeight; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Tells the host at once that the pop-up is gone; deletion follows.
    bool DestroyWindow() override;
    void PostNcDestroy() override;

protected:
    CPickerPopupBase(QWidget* pOwnerPage, int nItemId, QWidget* pParent);
    ~CPickerPopupBase() override;

    // Stores the host and shows the pop-up at its place.
    bool CreatePopup(IPickerHost* pHost);
    // Frame pieces, then strips; the content height and width must be set.
    void LoadFrameBitmaps();
    void PaintFrame(QPainter& p) const;
    // Places the window by the anchor and shapes it by the colour key.
    void PlaceAndShape(const PickerRect& anchor, int clickX, int clickY);
    QImage RenderBackground() const;

    void paintEvent(QPaintEvent* e) override;

    IPickerHost* m_pHost = nullptr;
    QPointer<QWidget> m_pOwner;
    int m_nItemId = 0;
    int m_nWidth = 150;
    int m_nRowHeight = 0;
    std::array<QImage, 9> m_bmpFrame;
    std::array<QImage, 3> m_bmpRow;
    std::vector<PickerStrip> m_strips; // drawn after the frame

private:
    bool m_bGoneReported = false;
};
