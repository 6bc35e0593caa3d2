// The base of every page of the remote setup window: a child dialog of the
// window's page area with its background, the channel rows of per-channel
// pages, the exchange with the window's pickers and the teardown a page may
// need before it goes.
//
// Lifecycle: the window's opener makes the page (registry), calls Create
// (which runs OnInitDialog and BuildPage) and shows it. Another opener, OK or
// a WM_CLOSE to the page hides it, runs OnTeardown, clears its slot and
// destroys it; the object is deleted later, so a handler may call an opener
// and simply return. Cancel and Close end the window without teardown.
#pragma once

#include "platform/Wnd.h"
#include "setup/RecorderCaps.h"
#include "setup/SetupImage.h"
#include "setup/SetupPageRegistry.h"
#include "ui/ChannelRows.h"
#include "ui/PickerRequests.h"
#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinLabel.h"

#include <QImage>
#include <map>
#include <vector>

class CRemoteSetupDlg;
class QPainter;

// When a page closes the window's pickers by itself.
enum class PickerClosePolicy
{
    None,         // only the window's own rules close them
    SurfacePress, // a press on the page's own background
    SurfaceMove,  // the mouse moving over the page's own background
};

class CSetupPage : public Dialog
{
    Q_OBJECT
public:
    CSetupPage(int templateId, int backgroundId);
    ~CSetupPage() override;

    // Stores the window and the opener's arguments, builds the page as a
    // child of the window's page area. False when the page cannot be made.
    virtual bool Create(CRemoteSetupDlg* pHost, const SetupPageArgs& args = {});

    int TemplateId() const { return m_nTemplateId; }
    CRemoteSetupDlg* Host() const { return m_pSetupDlg; }
    const SetupPageArgs& Args() const { return m_args; }

    // Results of the pickers this page opened, routed by the window.
    virtual void OnListPicked(int nItemId, int nIndex);
    virtual void OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3);
    // Runs once before the page goes (another page, OK, WM_CLOSE).
    virtual void OnTeardown() {}
    bool TornDown() const { return m_bTornDown; }
    void RunTeardown();

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    // --- Channel rows of per-channel pages ---------------------------------
    static constexpr int kRows = 16;
    CSkinCheckBox m_rowCheck[kRows];
    CSkinLabel m_rowLabel[kRows];
    CSkinTextButton m_btnAllCheck;
    CSkinTextButton m_btnReturnAll;
    int ChannelCount() const { return m_nChannelCount; }
    // The rows an edit on row r reaches (r, then the other checked rows when
    // r is checked); empty for a hidden row.
    std::vector<int> RowTargets(int r);
    virtual void OnAllCheck();
    virtual void OnReturnAll();

protected:
    // The page's own controls; the resource library is current, the image and
    // the snapshot are readable.
    virtual void BuildPage() = 0;
    // A WM_COMMAND from a control of the page; true when handled.
    virtual bool OnCommand(int id, WORD code);
    // Drawn over the background (section bars and the like).
    virtual void DrawExtra(QPainter& p);
    void SetPickerClosePolicy(PickerClosePolicy policy);
    void SetBackground(int bitmapId);

    // Check boxes at (xCheck, yCheck + 23r), labels at (xLabel, yLabel + 23r),
    // rows at or beyond the channel count hidden; All Check and Return All at
    // the bottom unless `commandButtons` is false.
    void BuildChannelRows(int xCheck = 6, int yCheck = 7, int xLabel = 28, int yLabel = 9,
                          int labelWidth = 60, bool commandButtons = true);

    ImageRef Image() const;
    const RecorderCaps& Caps() const;
    SetupVersion Version() const;

    // --- Pickers -------------------------------------------------------------
    // A list from a value cell: the items offered and, when `values` is not
    // empty, the value each position stands for (PickedValue maps it back).
    // An empty cell opens nothing unless `openWhenEmpty`.
    bool OpenListFromCell(CSkinLabel& cell, int nItemId, const std::vector<QString>& items, int width,
                          int nColumnsMode = 0, bool openWhenEmpty = false, std::vector<int> values = {});
    // The same anchored at any control with its own click point.
    bool OpenList(QWidget& anchor, QPoint click, int nItemId, const std::vector<QString>& items, int width,
                  int nColumnsMode = 0, std::vector<int> values = {});
    // The value a picked position stands for (the position itself when the
    // list had no values; -1 for a position the list did not have).
    int PickedValue(int nItemId, int nIndex) const;
    void OpenNumberSlider(QWidget& anchor, QPoint click, int nItemId, int value, int minimum, int maximum,
                          int width);
    // Count 2 (hours, minutes) or 3 (and seconds).
    void OpenTimeSlider(QWidget& anchor, QPoint click, int nItemId, int count, int hours, int minutes,
                        int seconds, int width);
    void ClosePickers();

    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

    CRemoteSetupDlg* m_pSetupDlg = nullptr;
    SetupPageArgs m_args;
    int m_nChannelCount = 16;
    QImage m_bmpBack;

private:
    const int m_nTemplateId;
    int m_nBackgroundId;
    PickerClosePolicy m_closePolicy = PickerClosePolicy::None;
    bool m_bTornDown = false;
    bool m_bRows = false;
    std::map<int, std::vector<int>> m_pickValues;
};

// Fills a request's anchor from a control and its click point.
void SetPickerAnchor(const QWidget& anchor, QPoint click, PickerRect& rect, std::int32_t& x, std::int32_t& y);
