// The area-grid controls: thin widgets over the grid models of GridModel.h.
// The owner builds the cells with AddCell, points m_pCells (and m_nChannel,
// the flags) at its array, and may put a still of the camera under a motion
// or region grid with SetImage and m_bShowStill.
#pragma once

#include "platform/ResourceLibrary.h"
#include "ui/GridModel.h"
#include "ui/SkinCtrl.h"

#include <QImage>
#include <QPointer>
#include <vector>

class QRubberBand;

// Mouse handling shared by the three: a press starts a rubber band, the
// release hands the band (or a click) to the model.
class CGridStaticBase : public CSkinCtrl
{
    Q_OBJECT
public:
    explicit CGridStaticBase(QWidget* parent);

protected:
    virtual CGridModel& Model() = 0;
    virtual bool TakesMouse() const { return true; }

    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QRubberBand* m_pBand = nullptr;
    QPoint m_ptPress;
    bool m_bTracking = false;
};

// Stills are kept as the picture grab hands them: bottom-up rows of 24-bit
// pixels (blue, green, red), at most 720 x 576.
class CStillBuffers
{
public:
    static constexpr int kMaxWidth = 720;
    static constexpr int kMaxHeight = 576;

    CStillBuffers();
    // False (and the still left as it was) for a picture the buffers cannot
    // hold or no picture at all.
    bool Copy(const BYTE* pixels, int width, int height);

    int m_nStillWidth = 0;
    int m_nStillHeight = 0;
    std::vector<BYTE> m_pStill;    // 720 x 576 x 3
    std::vector<BYTE> m_pStillSel; // the selected look of the still
    QImage m_imgStill;             // both, top-down, for drawing
    QImage m_imgStillSel;

    void MakeImages();
};

class CMotionGridStatic : public CGridStaticBase, public CMotionGridModel, public CStillBuffers
{
    Q_OBJECT
public:
    explicit CMotionGridStatic(QWidget* parent = nullptr);

    // Bitmaps 2320 (background) and 2321 (selected cells).
    void LoadBitmaps(const ResourceLibrary& res = ResourceLibrary::Current());
    // Takes a copy of the still and of its tinted selected look (blue - 80,
    // green + 80, red + 80, clamped). Neither redraws nor sets m_bShowStill.
    // False for a picture larger than 720 x 576.
    bool SetImage(void* pOwner, const BYTE* pixels, BYTE nMode, int nWidth, int nHeight);

    BYTE m_bShowStill = 0;
    QImage m_bmpBack;
    QImage m_bmpSel;

protected:
    CGridModel& Model() override { return *this; }
    bool TakesMouse() const override { return m_bReadOnly != 1; }
    void OnChanged() override { update(); }
    void paintEvent(QPaintEvent* e) override;
};

class CRegionGridStatic : public CGridStaticBase, public CRegionGridModel, public CStillBuffers
{
    Q_OBJECT
public:
    explicit CRegionGridStatic(QWidget* parent = nullptr);

    // Bitmaps 2324/2325 when m_bPal is 1, else 2322/2323; pOwner is the
    // window whose bounds strip is repainted after the grid paints.
    void LoadBitmaps(const ResourceLibrary& res = ResourceLibrary::Current(), QWidget* pOwner = nullptr);
    // The selected look of the still is black.
    bool SetImage(const BYTE* pixels, BYTE nMode, int nWidth, int nHeight);

    BYTE m_bShowStill = 0;
    QImage m_bmpBack;
    QImage m_bmpSel;

protected:
    CGridModel& Model() override { return *this; }
    void OnChanged() override { update(); }
    void paintEvent(QPaintEvent* e) override;

private:
    QPointer<QWidget> m_pOwner;
};

class CScheduleGridStatic : public CGridStaticBase, public CScheduleGridModel
{
    Q_OBJECT
public:
    explicit CScheduleGridStatic(QWidget* parent = nullptr);

    // Modes 3 and 4: 1772-1775 as the looks of values 0-3; other modes 1771
    // (value 0 and the background) and 1770 (value 1).
    void LoadBitmaps(const ResourceLibrary& res, int nMode);

    QImage m_bmpLook[4];

protected:
    CGridModel& Model() override { return *this; }
    bool TakesMouse() const override { return m_bReadOnly != 1; }
    void OnChanged() override { update(); }
    void paintEvent(QPaintEvent* e) override;
};
