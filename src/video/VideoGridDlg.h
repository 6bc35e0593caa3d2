// The video grid window: up to 16 channels in one of 15 layouts, page by
// page, inside the main window.
//
// Threads: decode workers publish pictures through GridSink and the receive
// thread sets masks and blocked channels (VideoGridSink); both only write
// state under the grid's locks and ask for a repaint, which a posted message
// carries to the GUI thread. Only the GUI thread paints, changes the layout,
// the page and the geometry, and calls the host.
#pragma once

#include "platform/System.h"
#include "platform/Types.h"
#include "platform/Wnd.h"
#include "video/GridInteraction.h"
#include "video/GridSink.h"
#include "video/PictureBuffer.h"
#include "video/VideoGridHost.h"
#include "video/VideoGridModel.h"
#include "video/VideoGridOsd.h"

#include <QFont>
#include <QImage>
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CVideoGridDlg : public Wnd, public GridSink
{
    Q_OBJECT
public:
    static constexpr UINT TIMER_FRAME_RATE = 21026;
    static constexpr UINT kFrameRatePeriodMs = 2000;
    // The grid's own message: repaint what the workers published.
    static constexpr UINT WM_GRID_REPAINT = WM_USER + 20090;
    // Full screen ends on the GUI thread when another thread asks.
    static constexpr UINT WM_GRID_LEAVE_FULL = WM_USER + 20091;
    // The split bar's buttons (wParam the id) and its reveal (wParam show).
    static constexpr UINT WM_SPLIT_SELECT = WM_USER + 20000;
    static constexpr UINT WM_SHOW_SPLIT_BAR = WM_USER + 20001;
    // The drag image's frame colour (COLORREF).
    static constexpr COLORREF kDragFrameColour = 0x505096;

    // The drawing path by the DrawMode setting's values.
    enum DrawPath
    {
        DrawDirect = 0,
        DrawGdi = 1
    };

    explicit CVideoGridDlg(QWidget* parent = nullptr);
    ~CVideoGridDlg() override;

    void SetHost(VideoGridHost* host) { m_pHost = host; }

    // --- Set-up (GUI thread)
    // Starts the frame-rate timer, makes the picture buffers and sets the
    // channel count.
    void InitCells(int count);
    void SetChannelCount(int count);
    int CellCount() const { return m_nCellCount; }
    // Places the window at (left, top)-(right, bottom) of its parent with the
    // border and background colour, and lays out every cell.
    void MoveView(int left, int top, int right, int bottom, int border, COLORREF colour);
    // 1: the decoders deliver YUV pictures (format 512); 0: RGB (256).
    bool SetDirectDraw(bool flag);
    bool IsDirectDraw() const { return m_bDirectDraw.load(); }
    int DrawPathSelected() const { return IsDirectDraw() ? DrawDirect : DrawGdi; }
    void SetPictureFormat(int format);
    void SetMonitors(const std::array<MonitorInfo, 4>& monitors) { m_monitors = monitors; }
    const std::array<MonitorInfo, 4>& GetMonitors() const { return m_monitors; }
    void SetOsdFont(int points, int weight, const std::string& face);
    const QFont& OsdFont() const { return m_osdFont; }
    void SetOsdMode(int mode);
    int Border() const;
    COLORREF Background() const { return m_crBackground; }

    // --- Layout and paging (GUI thread)
    bool SetLayout(int layout);
    bool ShowSingleChannel(int channel);
    void GetLayout(int& layout, std::uint16_t& visible) const;
    int GetPage() const;
    void SetHoldPage(bool hold);
    void UpdateVisibleCells();
    // The page counts the connection writes at live start.
    void SetPageCounts(const std::array<int, kVideoGridLayouts>& counts);

    // --- Masks and the cell map (any thread unless said)
    void SetActiveChannels(std::uint32_t mask, bool reset) override;
    void MarkChannelVideo(int channel);
    void SetShownChannels(std::uint16_t mask);
    void ClearReceivedChannels() override;
    std::uint16_t GetActiveChannels() const;
    // The live path's view of the grid (any thread): the channel shown alone
    // in single view (-1 otherwise), and the channels whose cells are on the
    // current page.
    int SingleViewChannel() const override;
    std::uint32_t VisibleChannels() const override { return GetVisibleChannels(); }
    int GetCellChannel(int cell) const;
    int FindChannelCell(int channel) const;
    void ResetCellMap();
    // Trades the channels of two cells: the drop of a dragged channel.
    void SwapCells(int a, int b);
    std::uint16_t GetVisibleChannels() const;
    int GetSingleViewChannel(std::uint16_t mask, int& index) const;
    bool IsSingleViewChannel(int channel, std::uint16_t mask) const;
    bool IsChannelBlocked(int channel) const override;
    void SetChannelBlocked(int channel, bool blocked) override;
    void Repaint(bool erase) override;
    // Full screen on monitor 0-3 (the screen holding the main window when
    // that monitor is not there); nothing when already in it.
    void EnterFullScreen(int monitor);
    // Back into the main window at the saved rectangle, border 1; nothing
    // outside full screen. From another thread it is posted.
    void LeaveFullScreen() override;
    bool IsFullScreen() const { return m_bFullScreen; }
    GridSplitBar* SplitBar() const { return m_pSplitSelectDlg.get(); }

    // --- The snapshot (GUI thread): a whole copy of the picture of every
    // visible cell that shows an active channel, with its size, format and
    // time text by the DateFormat setting.
    struct SnapshotPicture
    {
        int channel = 0;
        int width = 0;
        int height = 0;
        int format = 0;
        std::vector<std::uint8_t> picture;
        std::string timeText;
    };
    std::vector<SnapshotPicture> TakeSnapshot(int dateFormat) const;
    const GridInteraction& Interaction() const { return m_interaction; }
    // Visible cells whose bit is not in mask show the empty picture until
    // their channel's next picture (local playback).
    void ClearHiddenCells(std::uint16_t mask);
    // The frames around the cells are drawn with the next paint.
    void DrawCellFrames();

    // --- GridSink
    int GetPictureFormat() const override { return m_nPictureFormat.load(); }
    PictureBuffer* GetPicture(int channel) override;
    void ClearPicture(int channel) override;
    void FlipPicture(int channel, int width, int height, bool servedModel) override;
    void DeinterlacePicture(int channel, int width, int height, bool rgb, int method) override;
    void PrepareYuvPicture(int channel, int width, int height, bool servedModel, bool doubleLines) override;
    int GetViewMode() const override { return m_nViewMode.load(); }
    int GetOsdMode() const override { return m_nOsdMode.load(); }
    void GetOsdFont(int& points, int& weight, std::string& face) const override;
    bool GetCellSize(int channel, int& width, int& height) const override;
    std::string FitOsdText(int channel, int cellWidth, std::string_view text, bool localName) const override;
    int GetFrameRate(int channel) const override { return m_frameRate.Rate(channel); }
    void SetSpeedIconPos(int channel, int offset, bool top) override;
    void SetWatermarkIconPos(int channel, int offset, bool flag) override;
    void SetAudioMark(int channel, int mark, int offset, bool top) override;
    void SetWatermarkState(int channel, int state) override;
    bool PublishPicture(int channel, const GridFrame& frame) override;
    void ClearZoom() override { m_bZoomed = false; }

    // Frame counting as the workers do it (PublishPicture counts too).
    void CountFrame(int channel) { m_frameRate.Count(channel); }

    // Pictures a channel published and pictures the grid painted of them.
    struct PaintStats
    {
        std::uint64_t published = 0;
        std::uint64_t painted = 0;
    };
    PaintStats GetPaintStats(int channel) const;
    // The headless state, copied under the lock (tests and the interaction).
    VideoGridModel ModelSnapshot() const;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT id) override;
    bool DestroyWindow() override;

    // 0 idle, 1 live, 2 remote playback, 3 local playback.
    std::atomic<int> m_nViewMode{0};
    // The layout whose split button is lit.
    std::atomic<int> m_nSelectedLayout{kVideoLayout16};
    std::atomic<bool> m_bZoomed{false};

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    struct ChannelOsd
    {
        std::string line1;
        std::string line2;
        COLORREF colour1 = 0xFFFF00;
        COLORREF colour2 = 0xFFFF00;
        int audioMark = -1;
        int watermarkState = -1;
        int frameTime = 0;
    };
    struct IconPositions
    {
        int speedOffset = 117;
        bool speedTop = false;
        int audioOffset = 157;
        bool audioTop = false;
        int watermarkOffset = 0;
    };
    struct CellCache
    {
        std::uint64_t serial = 0;
        QImage image;
    };
    enum Substitute
    {
        kSubEmpty = 0,
        kSubLoss = 1,
        kSubBlocked = 2
    };

    void LoadPictures();
    void LoadSkin();
    // Interaction (VideoGridInput.cpp).
    bool DomeMenuOpen() const;
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnLButtonDblClk();
    void OnSplitSelect(int id);
    void OnShowSplitBar(int show);
    void BuildDragImage(const GridCellRect& r);
    void DrawDragImage(class QPainter& p);
    QRect DragImageRect() const;
    void RequestRepaint(int channel);
    void OnGridRepaint();
    void AfterVisibleCellsChanged();
    void DrawPictureCell(class QPainter& p, int channel, const GridCellRect& r, const GridLinkState& link,
                         const VideoGridModel& model);
    void DrawSubstitute(class QPainter& p, Substitute which, const GridCellRect& r);
    void DrawOverlays(class QPainter& p, int channel, const GridCellRect& r, const GridLinkState& link,
                      const VideoGridModel& model);
    void DrawWatermarkWarning(class QPainter& p, int channel, const GridCellRect& r);
    const QImage& ScaledSubstitute(Substitute which, int width, int height);
    GridLinkState Link() const;

    VideoGridHost* m_pHost = nullptr;

    mutable std::mutex m_csModel; // the model and the geometry
    VideoGridModel m_model;

    std::array<std::unique_ptr<PictureBuffer>, kVideoGridCells> m_arrPicture;
    int m_nCellCount = 0;
    std::atomic<int> m_nPictureFormat{PictureBuffer::kFormatBgr24};
    std::atomic<bool> m_bDirectDraw{false};
    bool m_bDirectDrawReady = false;
    std::atomic<int> m_nOsdMode{0};
    int m_nSpeedCode = 0;
    FrameRateCounter m_frameRate;

    mutable std::mutex m_csOsd; // captions, marks and icon offsets
    std::array<ChannelOsd, kVideoGridCells> m_osd;
    IconPositions m_iconPos;
    std::shared_ptr<const OsdWidthTable> m_osdWidths; // read under m_csOsd

    QFont m_osdFont;
    int m_nOsdWeight = 700;
    std::string m_strOsdFace = "Arial Bold";
    int m_nOsdPixelHeight = 17;

    COLORREF m_crBackground = 0x969696;
    std::array<MonitorInfo, 4> m_monitors{};
    bool m_bFullScreen = false;
    std::atomic<bool> m_bDrawFrames{false};

    // Repaint requests from the workers, collected until the GUI thread
    // takes them: bit c for channel c, and a whole-window repaint.
    std::atomic<std::uint32_t> m_dirtyChannels{0};
    std::atomic<bool> m_dirtyAll{false};
    std::atomic<bool> m_repaintPosted{false};

    // Painting (GUI thread only).
    std::array<CellCache, kVideoGridCells> m_cellCache;
    std::array<std::atomic<std::uint64_t>, kVideoGridCells> m_painted{};
    std::vector<std::uint8_t> m_scratch;
    std::array<QImage, 3> m_substitute;
    std::map<std::array<int, 3>, QImage> m_substituteScaled;
    std::map<int, QImage> m_icons; // by pair id

    // Interaction (GUI thread).
    GridInteraction m_interaction;
    QImage m_dragImage;
    QRect m_rcSaved;
    QWidget* m_pSavedParent = nullptr;
    std::unique_ptr<GridSplitBar> m_pSplitSelectDlg;
    QSize m_szSplitBar;

    // Scratch of the workers' picture preparation, one per channel.
    std::array<std::vector<std::uint8_t>, kVideoGridCells> m_prepScratch;
};
