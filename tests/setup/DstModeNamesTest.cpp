// The summer-time page names its mode as the image holds it: Off, the user's
// own rule, then the recorder's preset rules counted from 1.
#include "PageFixture.h"

#include "setup/DstSetupPage.h"

using namespace pagetest;

namespace {

class DstModeNames : public PageTest
{
};

} // namespace

TEST_F(DstModeNames, ModeCellNamesTheRuleInForce)
{
    struct Case
    {
        std::uint8_t mode;
        QString shown;
    };
    const Case cases[] = {
        {0, LoadResString(5340)},
        {2, QStringLiteral("Preset 1")},
        {3, QStringLiteral("Preset 2")},
        {29, QStringLiteral("Preset 28")},
    };
    for (const Case& c : cases) {
        Open(ImageBuilder().Byte(SetupDb::DstMode.offset, c.mode).Build());
        auto* p = Show<CDstSetupPage>(SetupPage::kDstSetup);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->m_lblValue[CDstSetupPage::kMode].GetWindowText(), c.shown) << int(c.mode);
    }
    // The user's rule is no preset, and its start and end show with it.
    Open(ImageBuilder().Byte(SetupDb::DstMode.offset, 1).Byte(SetupDb::DstRuleForm.offset, 0).Build());
    auto* p = Show<CDstSetupPage>(SetupPage::kDstSetup);
    ASSERT_NE(p, nullptr);
    const QString rule = p->m_lblValue[CDstSetupPage::kMode].GetWindowText();
    EXPECT_FALSE(rule.isEmpty());
    EXPECT_FALSE(rule.contains(QStringLiteral("Preset"))) << rule.toStdString();
    EXPECT_TRUE(p->m_lblValue[CDstSetupPage::kStartMonth].isVisible());
}
