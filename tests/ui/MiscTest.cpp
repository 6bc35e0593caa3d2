// The mixer's fallback, the name-entry prompt, the memory DC and the tooltip
// control.
#include "TestSupport.h"

#include "ui/MemoryDC.h"
#include "ui/MixerVolume.h"
#include "ui/NameEntryDlg.h"
#include "ui/SkinToolTip.h"
#include "ui/UiMessages.h"

#include <QHelpEvent>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <cerrno>
#include <gtest/gtest.h>

using namespace uitest;

TEST(MixerVolume, WithoutACardValuesStayInProcess)
{
    CMixerVolume mixer("k5-no-such-card");
    EXPECT_FALSE(mixer.IsReal());
    EXPECT_FALSE(mixer.Open());
    EXPECT_EQ(mixer.GetVolume(), 65535u);
    EXPECT_FALSE(mixer.GetMute());

    EXPECT_TRUE(mixer.SetVolume(40000));
    EXPECT_EQ(mixer.GetVolume(), 40000u);
    EXPECT_TRUE(mixer.SetMute(true));
    EXPECT_TRUE(mixer.GetMute());

    // A value the mixer cannot take is refused, and says so.
    EXPECT_FALSE(mixer.SetVolume(65536));
    EXPECT_EQ(mixer.m_nLastResult, -EINVAL);
    EXPECT_FALSE(mixer.SetVolume(0xFFFFFFFF)) << "a failed read restored at exit changes nothing";
    EXPECT_EQ(mixer.GetVolume(), 40000u);
    EXPECT_FALSE(mixer.Close()) << "nothing was open";
}

TEST(MixerVolume, RegisteredForThePlatform)
{
    RegisterAlsaMixer();
    const std::unique_ptr<MasterMixer> mixer = CreateMasterMixer();
    ASSERT_NE(mixer, nullptr);
    // Only read: on a machine with a card this is the user's real volume.
    const int volume = mixer->GetVolume();
    EXPECT_GE(volume, -1);
    EXPECT_LE(volume, 65535);
    if (!mixer->IsReal()) {
        EXPECT_TRUE(mixer->SetVolume(1234));
        EXPECT_EQ(mixer->GetVolume(), 1234);
        EXPECT_FALSE(mixer->SetVolume(-1));
    }
    SetMixerFactory(nullptr);
}

namespace {

// Runs the prompt modally; `act` runs once it is up.
int RunPrompt(CNameEntryDlg& dlg, const std::function<void()>& act)
{
    QTimer::singleShot(0, &dlg, act);
    return dlg.DoModal();
}

} // namespace

TEST(NameEntryDlg, RefusedCharactersNeverReachTheName)
{
    TestBundle bundle;
    CNameEntryDlg dlg(nullptr, nullptr, 255, "File name");
    const int result = RunPrompt(dlg, [&] {
        QTest::keyClicks(&dlg.m_editName, "clip/1\\2:3*?\"<>|x");
        QTest::mouseClick(&dlg.m_btnOK, Qt::LeftButton, Qt::NoModifier, QPoint(50, 13));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dlg.m_strName, "clip123x");
    EXPECT_EQ(dlg.m_btnOK.m_strText, "OK");
    EXPECT_EQ(dlg.m_btnOK.geometry(), QRect(244, 52, 100, 27));
    EXPECT_EQ(dlg.m_editName.geometry(), QRect(130, 21, 210, 17));
    EXPECT_EQ(dlg.size(), QSize(356, 86));
}

TEST(NameEntryDlg, EnterIsOkAndEscLeavesTheNameEmpty)
{
    TestBundle bundle;
    {
        CNameEntryDlg dlg(nullptr, nullptr, 200, "Name");
        EXPECT_EQ(RunPrompt(dlg,
                            [&] {
                                QTest::keyClicks(&dlg.m_editName, "front door");
                                QTest::keyClick(&dlg.m_editName, Qt::Key_Return);
                            }),
                  1);
        EXPECT_EQ(dlg.m_strName, "front door");
    }
    {
        CNameEntryDlg dlg(nullptr, nullptr, 200, "Name");
        EXPECT_EQ(RunPrompt(dlg,
                            [&] {
                                QTest::keyClicks(&dlg.m_editName, "lost");
                                QTest::keyClick(&dlg.m_editName, Qt::Key_Escape);
                            }),
                  2);
        EXPECT_EQ(dlg.m_strName, "");
    }
}

TEST(NameEntryDlg, LabelIsCutAt259AndTheBodyDrags)
{
    TestBundle bundle;
    CNameEntryDlg dlg(nullptr, nullptr, 255, QString(300, 'L'));
    EXPECT_EQ(dlg.m_szLabel.size(), 259);
    dlg.Create();
    const QPoint start = dlg.pos();
    Press(&dlg, QPoint(5, 70));
    Move(&dlg, QPoint(45, 90), Qt::LeftButton);
    Release(&dlg, QPoint(45, 90));
    EXPECT_EQ(dlg.pos(), start + QPoint(40, 20));
}

TEST(MemoryDC, DrawsOffScreenAndCopiesBackOnce)
{
    QImage target(40, 30, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::red);
    {
        QPainter p(&target);
        p.setBackground(Qt::blue);
        const QRect area(10, 10, 20, 10);
        {
            CMemoryDC dc(&p, &area, false);
            EXPECT_TRUE(dc.IsMemDC());
            dc->fillRect(QRect(10, 10, 5, 5), Qt::green); // the target's coordinates
            EXPECT_EQ(target.pixel(12, 12), QColor(Qt::red).rgb()) << "nothing shows before the copy";
        }
        EXPECT_EQ(target.pixel(12, 12), QColor(Qt::green).rgb());
        EXPECT_EQ(target.pixel(20, 15), QColor(Qt::blue).rgb()) << "started from the background colour";
        EXPECT_EQ(target.pixel(5, 5), QColor(Qt::red).rgb()) << "outside the rectangle";

        const QRect other(0, 0, 10, 10);
        {
            CMemoryDC dc(&p, &other, true);
            dc->fillRect(QRect(0, 0, 2, 2), Qt::white);
        }
        EXPECT_EQ(target.pixel(5, 5), QColor(Qt::red).rgb()) << "started from what the target showed";
        EXPECT_EQ(target.pixel(1, 1), QColor(Qt::white).rgb());
    }
}

TEST(SkinToolTip, ShowsEachToolsTextWhileActive)
{
    QWidget window;
    window.resize(100, 100);
    QWidget tool(&window);
    tool.setGeometry(10, 10, 30, 30);
    window.show();
    CSkinToolTip tips;
    EXPECT_FALSE(tips.AddTool(nullptr, "x"));
    EXPECT_TRUE(tips.AddTool(&tool, "Connect"));

    auto ask = [&] {
        QHelpEvent e(QEvent::ToolTip, QPoint(5, 5), tool.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&tool, &e);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(ask(), "Connect");
    // Inactive, a new text is not shown (the old tip may still be fading).
    tips.Activate(false);
    tips.AddTool(&tool, "Disconnect");
    EXPECT_NE(ask(), "Disconnect");
    tips.Activate(true);
    EXPECT_EQ(ask(), "Disconnect");
    QToolTip::hideText();
}
