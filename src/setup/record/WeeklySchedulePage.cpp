#include "setup/record/WeeklySchedulePage.h"

#include "platform/ResourceLibrary.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/ResIds.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsRecord.h"
#include "ui/SkinDraw.h"

#include <QPainter>

namespace {
// The 7 x 24 schedule bytes, day-major, as one run.
constexpr SetupDb::Field kScheduleBytes{SetupDb::WeeklySchedule.offset, 1, 7 * 24};
} // namespace

void CSchedulePaintButton::SetValueColour(const QColor& colour)
{
    m_crValue = colour;
    update();
}

void CSchedulePaintButton::paintEvent(QPaintEvent* e)
{
    CSkinTextButton::paintEvent(e);
    if (!m_crValue.isValid())
        return;
    QPainter p(this);
    const QRect bar(kBarLeft, kBarTop, width() - 2 * kBarLeft, kBarHeight);
    p.fillRect(bar, m_crValue);
    // A dark rim keeps a bar as light as the face apart from it.
    p.setPen(QColor(0, 0, 0, 110));
    p.drawRect(bar.adjusted(-1, -1, 0, 0));
}

CWeeklySchedulePage::CWeeklySchedulePage() : CSetupPage(SetupPage::kWeeklySchedule, IDB_RECORD_BACK_SCHEDULE)
{
    m_grid.setParent(this);
    m_grid.SetDlgCtrlID(kGridId);
    m_grid.hide();
    for (int i = 0; i < 4; ++i) {
        m_btn[i].setParent(this);
        m_btn[i].SetDlgCtrlID(kFirstButtonId + i);
        m_btn[i].hide();
    }
    for (int d = 0; d < 7; ++d) {
        m_dayLabel[d].setParent(this);
        m_dayLabel[d].SetDlgCtrlID(SetupCtl::kFirstRowLabelId + d);
    }
}

void CWeeklySchedulePage::BuildPage()
{
    const RecorderCaps& caps = Caps();
    const int major = caps.hasConnection ? caps.subProductMajor : 0;
    m_bFourValues = caps.hasConnection && (major == 3 || major == 4);

    for (int d = 0; d < 7; ++d) {
        SetupCtl::TitleLabel(m_dayLabel[d], LoadResString(IDS_RECORD_DAY_FIRST + d), 56 + 50 * d, 14, 46, 14);
        if (d == 0)
            m_dayLabel[d].SetTextColors(0x0000FF, 0x0000FF);
    }
    const int xs[4] = {2, 102, 202, 302};
    QString captions[4];
    if (m_bFourValues) {
        captions[0] = LoadResString(IDS_RECORD_MODE_NORMAL);
        captions[1] = LoadResString(IDS_RECORD_MODE_SENSOR);
        captions[2] = LoadResString(IDS_RECORD_MODE_MOTION);
        captions[3] =
            major == 3 ? LoadResString(IDS_RECORD_MODE_SENSOR) + "+" + LoadResString(IDS_RECORD_MODE_MOTION)
                       : LoadResString(IDS_RECORD_MODE_MOTION) + "+" + LoadResString(IDS_RECORD_MODE_NORMAL);
    } else {
        captions[0] = LoadResString(IDS_SETUP_ALL_CHECK);
        captions[1] = LoadResString(IDS_SETUP_RETURN_ALL);
        captions[3] = LoadResString(IDS_RECORD_BACK);
    }
    for (int i = 0; i < 4; ++i) {
        SetupCtl::CommandButton(m_btn[i], captions[i], xs[i]);
        m_btn[i].setVisible(m_bFourValues || i != 2);
    }
    if (m_bFourValues)
        m_btn[0].SetState(1);

    m_bGrid = caps.hasConnection;
    if (!m_bGrid)
        return;
    m_grid.setGeometry(53, 30, 350, 360);
    m_grid.LoadBitmaps(ResourceLibrary::Current(), major);
    m_grid.m_pCells = Image().Data() + SetupDb::WeeklySchedule.offset;
    for (int h = 0; h < CScheduleGridModel::kHours; ++h)
        for (int d = 0; d < CScheduleGridModel::kDays; ++d)
            m_grid.AddCell(50 * d, 15 * h, 50 * d + 50, 15 * h + 15);
    m_grid.show();
    if (m_bFourValues)
        for (int v = 0; v < 4; ++v)
            m_btn[v].SetValueColour(ValueColour(v));
    ClampAndShow();
}

QColor CWeeklySchedulePage::ValueColour(int value) const
{
    if (value < 0 || value > 3)
        return {};
    const QImage& look = m_grid.m_bmpLook[value];
    const QPoint middle(50 / 2, 15 / 2);
    return look.rect().contains(middle) ? look.pixelColor(middle) : QColor();
}

void CWeeklySchedulePage::ClampAndShow()
{
    if (!m_bGrid)
        return;
    ImageRef image = Image();
    const std::uint32_t top = m_grid.FourValues() ? 3 : 1;
    for (int h = 0; h < CScheduleGridModel::kHours; ++h)
        for (int d = 0; d < CScheduleGridModel::kDays; ++d) {
            const int i = d * CScheduleGridModel::kHours + h;
            std::uint32_t v = image.Get(kScheduleBytes, i);
            if (v > top) {
                v = top;
                image.Set(kScheduleBytes, i, v);
            }
            m_grid.SetCell(GridRect{50 * d, 15 * h, 50 * d + 50, 15 * h + 15}, static_cast<int>(v));
        }
}

void CWeeklySchedulePage::OnButton(int index)
{
    if (m_bFourValues) {
        m_grid.m_nBrush = index;
        for (int i = 0; i < 4; ++i)
            m_btn[i].SetState(0);
        m_btn[index].SetState(1);
        return;
    }
    ImageRef image = Image();
    switch (index) {
    case 0:
    case 1:
        for (int i = 0; i < 168; ++i)
            image.Set(kScheduleBytes, i, index == 0 ? 1 : 0);
        if (m_bGrid) {
            if (index == 0)
                m_grid.SelectAll();
            else
                m_grid.DeselectAll();
        }
        break;
    case 3:
        // The opener destroys this page; nothing of it is touched afterwards.
        if (m_pSetupDlg)
            m_pSetupDlg->ShowPage(SetupPage::kScheduleRecord);
        break;
    default:
        break;
    }
}

bool CWeeklySchedulePage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED || id < kFirstButtonId || id >= kFirstButtonId + 4)
        return false;
    OnButton(id - kFirstButtonId);
    return true;
}
