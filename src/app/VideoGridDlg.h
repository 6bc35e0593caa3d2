// The video grid's window inside the main window. This is the part the main
// window's start-up and the local settings rely on: its place and colours,
// the monitors, the drawing path, the layout and the view mode. Cells,
// pictures and drawing join it with the live video.
#pragma once

#include "platform/System.h"
#include "platform/Types.h"
#include "platform/Wnd.h"

#include <QColor>
#include <QFont>
#include <array>
#include <atomic>

class CVideoGridDlg : public Wnd
{
    Q_OBJECT
public:
    enum DrawPath
    {
        DrawDirect = 0,
        DrawGdi = 1
    };

    explicit CVideoGridDlg(QWidget* parent);
    ~CVideoGridDlg() override;

    // The number of cells and the caption font.
    void CreateGrid(int cells, const QFont& osdFont);
    // Places the window at (left, top)-(right, bottom) of its parent, with a
    // border of `border` pixels and the background colour.
    void Place(int left, int top, int right, int bottom, int border, COLORREF background);

    void SetMonitors(const std::array<MonitorInfo, 4>& monitors) { m_arrMonitor = monitors; }
    const std::array<MonitorInfo, 4>& GetMonitors() const { return m_arrMonitor; }

    // 0: pictures YUV 4:2:0 drawn directly; 1: RGB pictures drawn by the painter.
    void SelectDrawPath(int path) { m_nDrawPath = path; }
    int DrawPathSelected() const { return m_nDrawPath; }

    void SetLayout(int layoutType) { m_nLayout = layoutType; }
    int Layout() const { return m_nLayout; }

    int CellCount() const { return m_nCells; }
    const QFont& OsdFont() const { return m_osdFont; }
    int Border() const { return m_nBorder; }
    COLORREF Background() const { return m_crBackground; }

    // 0 idle, 1 live, 2 remote playback, 3 local playback. Read by workers.
    std::atomic<int> m_nViewMode{0};
    int m_nSelectedLayout = 14;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::array<MonitorInfo, 4> m_arrMonitor{};
    QFont m_osdFont;
    int m_nCells = 16;
    int m_nDrawPath = DrawDirect;
    int m_nLayout = 14;
    int m_nBorder = 0;
    COLORREF m_crBackground = RGB(0x96, 0x96, 0x96);
};
