// Captions and labels of the record pages on offscreen renders: every shown
// text fits its control in every view, labels stay inside the page and read
// against what is behind them, and the section bars' markers show whole
// beside the titles.
#include "RecordTestSupport.h"

#include "platform/Skin.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/record/MotionRecordPage.h"
#include "setup/record/RecordConfig.h"
#include "setup/record/RecordConfigPage.h"
#include "setup/record/SensorRecordPage.h"
#include "ui/SkinDraw.h"

#include <QFontMetrics>

using namespace rectest;

namespace {

// A centred caption keeps this far from each end of its button: the face's
// rounded corner and rim.
constexpr int kCaptionPad = 3;

RecorderCaps Flag2(RecorderCaps c)
{
    c.helloFlag2 = true;
    return c;
}

RecorderCaps FlagF(RecorderCaps c)
{
    c.helloFlag2Bit0 = true;
    return c;
}

// The shown control of the page with control id `id`.
template <class T> T* Shown(QWidget* page, int id)
{
    for (T* c : page->findChildren<T*>())
        if (c->GetDlgCtrlID() == id && c->isVisible())
            return c;
    return nullptr;
}

// Every shown caption and label of the page fits its control; a label also
// lies inside the page and its text stands out from the label's own ground
// in the render.
void ExpectTextsFit(QWidget* page, const std::string& where)
{
    const QImage shot = page->grab().toImage();
    int checked = 0;
    for (CSkinTextButton* b : page->findChildren<CSkinTextButton*>()) {
        if (!b->isVisible() || b->m_strText.trimmed().isEmpty())
            continue;
        const QFontMetrics fm(b->m_bFontSet ? b->m_font : b->font());
        const int room =
            b->m_bCenter ? b->width() - 2 * kCaptionPad : b->width() - b->m_nTextLeft - kCaptionPad;
        EXPECT_LE(fm.horizontalAdvance(b->m_strText), room)
            << where << ": button " << b->GetDlgCtrlID() << " \"" << b->m_strText.toStdString() << "\"";
        ++checked;
    }
    for (CSkinLabel* l : page->findChildren<CSkinLabel*>()) {
        const QString text = l->GetWindowText();
        if (!l->isVisible() || text.trimmed().isEmpty())
            continue;
        const std::string name =
            where + ": label " + std::to_string(l->GetDlgCtrlID()) + " \"" + text.toStdString() + "\"";
        EXPECT_LE(QFontMetrics(l->m_font).horizontalAdvance(text), l->width()) << name;
        EXPECT_TRUE(page->rect().contains(l->geometry())) << name;
        if (l->m_bmpBody.isNull()) {
            // The top right pixel is the label's ground, clear of its text. The
            // red of the schedule's first day on the page reaches 2.5; dark
            // text on a dark ground stays below 1.6.
            const QColor ground = shot.pixelColor(l->geometry().topRight());
            EXPECT_GE(Contrast(fromColorRef(l->m_crText), ground), 2.0) << name;
        }
        ++checked;
    }
    EXPECT_GT(checked, 0) << where;
}

class RecordCaptions : public RecordWindow
{
};

} // namespace

TEST_F(RecordCaptions, TextsFitInEveryViewOfThePagesThatCrowdThem)
{
    struct Case
    {
        const char* name;
        RecorderCaps caps;
        int page;
        // Controls pressed one after another; the page is checked before the
        // first and after each.
        std::vector<int> presses;
        int major = 4, minor = 6;
    };
    const Case cases[] = {
        // The Rate tab and Region name the motion and the normal rate set in turn.
        {"motion, dual rate", Kind(16, 4), SetupPage::kMotionRecord, {471, 482, 482, 472, 473, 470}},
        {"motion, dual rate, 4 channels", Kind(4, 4), SetupPage::kMotionRecord, {471, 482}},
        {"motion", Kind(16, 0), SetupPage::kMotionRecord, {471, 472, 473}},
        {"sensor, profiles", Kind(16, 6), SetupPage::kSensorRecord, {471, 485, 485, 485, 472, 484}},
        {"sensor, four tabs", Flag2(Kind(8, 0)), SetupPage::kSensorRecord, {471, 472}},
        {"sensor, three tabs", Kind(16, 0), SetupPage::kSensorRecord, {471, 472}},
        {"sensor link", Kind(16, 0), SetupPage::kSensorLink, {471, 472, 473}},
        {"config L", Kind(16, 0), SetupPage::kRecordConfig, {}, 4, 2},
        {"config A1", FlagF(Kind(16, 6)), SetupPage::kRecordConfig, {}, 4, 3},
        {"config A2", FlagF(Kind(16, 5)), SetupPage::kRecordConfig, {}, 5, 0},
        {"config A3", FlagF(Kind(16, 0)), SetupPage::kRecordConfig, {}, 4, 3},
        {"config B1", Kind(8, 6), SetupPage::kRecordConfig, {}, 4, 3},
        {"config B2", Kind(8, 5), SetupPage::kRecordConfig, {}, 5, 0},
        {"config B3", Kind(16, 0), SetupPage::kRecordConfig, {}, 4, 3},
        {"weekly, on/off", Kind(16, 0), SetupPage::kWeeklySchedule, {}},
        {"weekly, sensor and motion", Kind(16, 3), SetupPage::kWeeklySchedule, {481, 482, 483}},
        {"weekly, motion and normal", Kind(16, 4), SetupPage::kWeeklySchedule, {483}},
    };
    for (const Case& c : cases) {
        Open(c.caps, PageImage(c.major, c.minor));
        QWidget* page = dlg->ShowPage(c.page);
        Pump();
        ASSERT_NE(page, nullptr) << c.name;
        ExpectTextsFit(page, c.name);
        for (int id : c.presses) {
            CSkinCtrl* control = Shown<CSkinCtrl>(page, id);
            ASSERT_NE(control, nullptr) << c.name << ": " << id;
            Click(control);
            ASSERT_EQ(dlg->Page(c.page), page) << c.name << ": " << id << " left the page";
            ExpectTextsFit(page, std::string(c.name) + " after " + std::to_string(id));
        }
        page->grab().save(
            RenderPath(QString("record_captions_%1.png").arg(QString(c.name).replace(' ', '_'))));
    }
}

TEST_F(RecordCaptions, DualRateViewNamesBothSetsWhole)
{
    Open(Kind(16, 4), PageImage(4, 6));
    auto* p = Show<CMotionRecordPage>(SetupPage::kMotionRecord);
    ASSERT_NE(p, nullptr);
    CSkinTextButton& rate = p->m_tabs.Button(p->m_tabs.IndexOf(471));
    Click(&rate);
    const QString motion = LoadResString(5131), normal = LoadResString(6050);
    EXPECT_TRUE(rate.m_strText.startsWith(motion)) << rate.m_strText.toStdString();
    EXPECT_TRUE(p->m_btn482.m_strText.startsWith(normal)) << p->m_btn482.m_strText.toStdString();
    Click(&p->m_btn482);
    EXPECT_TRUE(rate.m_strText.startsWith(normal)) << rate.m_strText.toStdString();
    EXPECT_TRUE(p->m_btn482.m_strText.startsWith(motion)) << p->m_btn482.m_strText.toStdString();
    // Both at the Part's places, both captions inside their faces.
    EXPECT_EQ(rate.geometry(), QRect(102, 0, 100, 24));
    EXPECT_EQ(p->m_btn482.geometry(), QRect(304, 396, 97, 22));
    for (CSkinTextButton* b : {&rate, &p->m_btn482})
        EXPECT_LE(QFontMetrics(b->m_font).horizontalAdvance(b->m_strText), b->width() - 2 * kCaptionPad)
            << b->m_strText.toStdString();
}

TEST_F(RecordCaptions, ProfileLabelReadsOnThePageAndEndsWithIt)
{
    Open(Kind(16, 6), PageImage(4, 6));
    auto* p = Show<CSensorRecordPage>(SetupPage::kSensorRecord);
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(p->m_lblProfile.isVisible());
    EXPECT_EQ(p->m_lblProfile.geometry().topLeft(), QPoint(42, 401));
    EXPECT_EQ(p->m_lblProfile.geometry().bottom(), SetupCtl::kPageHeight - 1);
    const QImage shot = p->grab().toImage();
    // The ground around the text is the page's, and the text stands out of it.
    const QRect r = p->m_lblProfile.geometry();
    EXPECT_EQ(shot.pixelColor(r.topRight()), fromColorRef(SetupCtl::kPageColour));
    EXPECT_GE(Contrast(fromColorRef(p->m_lblProfile.m_crText), shot.pixelColor(r.topRight())), 4.5);
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += Contrast(shot.pixelColor(x, y), fromColorRef(SetupCtl::kPageColour)) > 3.0;
    EXPECT_GT(ink, 60) << "the text is drawn";
}

TEST_F(RecordCaptions, SectionBarMarkersShowWholeBesideTheTitles)
{
    const QImage cap = ResourceLibrary::Current().LoadBitmap(2270);
    ASSERT_EQ(cap.size(), QSize(5, 19));
    struct Case
    {
        const char* name;
        RecorderCaps caps;
        int major, minor;
    };
    const Case cases[] = {
        {"L", Kind(16, 0), 4, 2},         {"A1", FlagF(Kind(16, 6)), 4, 3}, {"A2", FlagF(Kind(16, 5)), 5, 0},
        {"A3", FlagF(Kind(16, 0)), 4, 3}, {"B1", Kind(8, 6), 4, 3},         {"B2", Kind(8, 5), 5, 0},
        {"B3", Kind(16, 0), 4, 3},
    };
    for (const Case& c : cases) {
        Open(c.caps, PageImage(c.major, c.minor));
        auto* p = Show<CRecordConfigPage>(SetupPage::kRecordConfig);
        ASSERT_NE(p, nullptr) << c.name;
        const QImage shot = p->grab().toImage();
        int titles148 = 0;
        for (int id = 790; id <= 812; ++id)
            titles148 += Shown<CSkinLabel>(p, id) && Shown<CSkinLabel>(p, id)->geometry().right() >= 154;
        for (const RecordConfig::Bar& bar : p->Plan().bars) {
            const int y = 5 + SetupCtl::kRowPitch * bar.row;
            std::vector<int> xs{154};
            if (bar.left)
                xs.push_back(2);
            for (int x : xs)
                for (int dy = 0; dy < cap.height(); ++dy)
                    for (int dx = 0; dx < cap.width(); ++dx)
                        ASSERT_EQ(shot.pixel(x + dx, y + dy), cap.pixel(dx, dy))
                            << c.name << ": bar of row " << bar.row << " at x " << x << ", pixel " << dx
                            << "," << dy;
        }
        // The layouts whose titles are 148 wide reach into the right bars.
        if (c.major == 5 || std::string(c.name) == "L") {
            EXPECT_GT(titles148, 0) << c.name;
        }
    }
}

TEST_F(RecordCaptions, SensorLinkLabelsAreFiftyWide)
{
    Open(Kind(16, 0), PageImage(4, 6));
    auto* p = Show<CChannelOnOffPage>(SetupPage::kSensorLink);
    ASSERT_NE(p, nullptr);
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(p->m_rowLabel[r].geometry(), QRect(28, 32 + 23 * r, 50, 14)) << r;
        EXPECT_LE(QFontMetrics(p->m_rowLabel[r].m_font).horizontalAdvance(p->m_rowLabel[r].GetWindowText()),
                  50)
            << r;
    }
}
