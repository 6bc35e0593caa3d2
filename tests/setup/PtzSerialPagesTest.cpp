// The System tab's PTZ, limit, controller, serial and sensor pages on the real
// setup window, offscreen: real controls and picks, exactly the expected
// bytes changed.
#include "PageFixture.h"

#include "setup/PtzPages.h"
#include "setup/SetupMenuPage.h"
#include "ui/UiMessages.h"

#include <cstring>

using namespace pagetest;

namespace {

class PtzSerialPages : public PageTest
{
protected:
    // Numbered camera table: 0 Pelco-P (2 rates), 1 free, 2 Pelco-D (no
    // rates), 3 Vista PD (5 rates), 4 Dongyang (3 rates).
    static RecorderCaps Numbered(int channels = 16)
    {
        RecorderCaps caps = Caps(channels);
        const std::uint8_t camera[] = {1, 2, 0, 0, 2, 0, 3, 5, 4, 3};
        std::memcpy(caps.sysEtcInfo.bytes + 64, camera, sizeof camera);
        // Keyboards: 0 Vista KBD with 4 rates.
        const std::uint8_t keyboard[] = {2, 4};
        std::memcpy(caps.sysEtcInfo.bytes + 192, keyboard, sizeof keyboard);
        return caps;
    }
    // Named tables: cameras ALPHA (3), free, GAMMA (2); keyboards: entry 0
    // `keyboard0` with no rates, then KEYS (4).
    static RecorderCaps Named(const char* keyboard0 = "", int channels = 16)
    {
        RecorderCaps caps = Caps(channels);
        caps.hasSysEtcInfoEx = true;
        auto name = [&](int at, const char* text) {
            std::strncpy(reinterpret_cast<char*>(caps.sysEtcInfoEx.bytes + at), text, 16);
        };
        name(1024, "ALPHA");
        name(1024 + 32, "GAMMA");
        caps.sysEtcInfoEx.bytes[2048] = 3;
        caps.sysEtcInfoEx.bytes[2048 + 2] = 2;
        name(2112, keyboard0);
        name(2112 + 16, "KEYS");
        caps.sysEtcInfoEx.bytes[3136 + 1] = 4;
        return caps;
    }
    void Pick(int line)
    {
        ASSERT_NE(dlg->ListPicker(), nullptr);
        dlg->ListPicker()->OnCellClicked(line);
    }
    std::vector<QString> ListLines()
    {
        std::vector<QString> out;
        if (CListPickerPopup* l = dlg->ListPicker())
            for (int i = 0; i < l->ShownCount(); ++i)
                out.push_back(l->ItemText(i));
        return out;
    }
    static void Drag(CSetupPage* page, CSkinSlider& slider, int pos)
    {
        slider.SetPos(pos);
        SendMessage(page->Handle(), WM_SLIDER_MOVED, static_cast<WPARAM>(slider.GetDlgCtrlID()), pos);
    }
};

} // namespace

TEST_F(PtzSerialPages, PtzIdsStepEachRowFromItsOwnValue)
{
    Open(ImageBuilder().Bytes(3108, {1, 255, 7, 0}).Build(), Numbered());
    auto* page = Show<CPtzSetupPage>(SetupPage::kPtzSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_lblValue[3].GetWindowText(), LoadResString(5340));
    EXPECT_EQ(page->m_slider[1].GetPos(), 255);
    EXPECT_TRUE(page->m_btnUp.isVisible() == false); // a connection without the serial page
    page->grab().save(RenderPath("system_180_id.png"));
    for (int r : {0, 1, 2})
        page->m_rowCheck[r].SetCheck(1);
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(ListLines(), (std::vector<QString>{LoadResString(5340), "1", "2", "3", "4", "5", "-1", "+1"}));
    EXPECT_TRUE(ChangesOnly([&] { Pick(7); },
                            [](ImageRef im) {
                                im.SetU8(3108, 2);
                                im.SetU8(3110, 8);
                            }));
    Click(&page->m_lblValue[1]);
    EXPECT_TRUE(ChangesOnly([&] { Pick(6); },
                            [](ImageRef im) {
                                im.SetU8(3108, 1);
                                im.SetU8(3109, 254);
                                im.SetU8(3110, 7);
                            }));
    Click(&page->m_lblValue[0]);
    Pick(6);
    EXPECT_EQ(m_image[3108], 0);
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), LoadResString(5340));
    EXPECT_EQ(page->m_slider[0].GetPos(), 0);
    // An unchecked row's slider moves alone; a checked one carries the others.
    page->m_rowCheck[1].SetCheck(0);
    EXPECT_TRUE(
        ChangesOnly([&] { Drag(page, page->m_slider[3], 40); }, [](ImageRef im) { im.SetU8(3111, 40); }));
    EXPECT_TRUE(ChangesOnly([&] { Drag(page, page->m_slider[2], 9); },
                            [](ImageRef im) {
                                im.SetU8(3108, 9);
                                im.SetU8(3110, 9);
                            }));
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "9");
    // A tab switch clears the checks.
    Click(&page->m_tabs.Button(1));
    Click(&page->m_tabs.Button(0));
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(page->m_rowCheck[r].GetCheck(), 0);
}

TEST_F(PtzSerialPages, ProtocolsAndBaudRatesPickAsOneTable)
{
    Open(ImageBuilder().Bytes(3124, {0, 0, 0, 0}).Bytes(3140, {4, 3, 1, 2}).Build(), Numbered());
    auto* page = Show<CPtzSetupPage>(SetupPage::kPtzSetup);
    ASSERT_NE(page, nullptr);
    Click(&page->m_tabs.Button(1));
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "Pelco-P");
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(ListLines(), (std::vector<QString>{"Pelco-P", "Pelco-D", "Vista PD", "Dongyang"}));
    // Pelco-P allows two rates: baud 4 becomes 1.
    EXPECT_TRUE(ChangesOnly([&] { Pick(0); }, [](ImageRef im) { im.SetU8(3140, 1); }));
    // Line 1 stands for position 2 (Pelco-D, no rates): 255.
    Click(&page->m_lblValue[1]);
    EXPECT_TRUE(ChangesOnly([&] { Pick(1); },
                            [](ImageRef im) {
                                im.SetU8(3125, 2);
                                im.SetU8(3141, 255);
                            }));
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "Pelco-D");
    // Rows 0, 2, 3 on Vista PD (5), Dongyang (3), Vista PD (5).
    Click(&page->m_lblValue[0]);
    Pick(2);
    Click(&page->m_lblValue[2]);
    Pick(3);
    Click(&page->m_lblValue[3]);
    Pick(2);
    Click(&page->m_tabs.Button(2));
    for (int r : {0, 2, 3})
        page->m_rowCheck[r].SetCheck(1);
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(ListLines().size(), 5u);
    EXPECT_TRUE(ChangesOnly([&] { Pick(4); },
                            [](ImageRef im) {
                                im.SetU8(3140, 4);
                                im.SetU8(3142, 2);
                                im.SetU8(3143, 4);
                            }));
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "38400 bps");
    EXPECT_EQ(page->m_lblValue[2].GetWindowText(), "9600 bps");
    // A protocol without rates opens an empty list.
    Click(&page->m_lblValue[1]);
    ASSERT_NE(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->ListPicker()->ShownCount(), 0);
    EXPECT_TRUE(page->m_lblValue[1].GetWindowText().isEmpty()); // 255 shows empty
    page->grab().save(RenderPath("system_180_baud.png"));
}

TEST_F(PtzSerialPages, NamedTableWithAGapStoresTheEntry)
{
    Open(ImageBuilder().Bytes(3124, {0, 200}).Bytes(3140, {0, 70}).Build(), Named());
    auto* page = Show<CPtzSetupPage>(SetupPage::kPtzSetup);
    ASSERT_NE(page, nullptr);
    Click(&page->m_tabs.Button(1));
    EXPECT_TRUE(page->m_lblValue[1].GetWindowText().isEmpty()); // protocol 200: no such entry
    Click(&page->m_lblValue[1]);
    EXPECT_EQ(ListLines(), (std::vector<QString>{"ALPHA", "GAMMA"}));
    EXPECT_TRUE(ChangesOnly([&] { Pick(1); },
                            [](ImageRef im) {
                                im.SetU8(3125, 2);
                                im.SetU8(3141, 1);
                            }));
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "GAMMA");
    Click(&page->m_tabs.Button(2));
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "4800 bps");
    page->grab().save(RenderPath("system_180_named.png"));
}

TEST_F(PtzSerialPages, LimitsShowOneAboveTheStoredValue)
{
    ImageBuilder b;
    Open(b.Bytes(4320, {0, 0, 0x01, 0x2C}).Bytes(4416, {0, 3, 0, 3, 0, 3, 0, 3}).Build(), Numbered(4));
    auto* ptz = Show<CPtzSetupPage>(SetupPage::kPtzSetup);
    Click(&ptz->m_btnNext);
    Pump();
    auto* page = dynamic_cast<CPtzLimitPage*>(dlg->CurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "1");
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "10"); // 300
    EXPECT_FALSE(page->m_slider[4].isVisible());
    EXPECT_TRUE(ChangesOnly([&] { Drag(page, page->m_slider[0], 0); }, [](ImageRef) {}));
    EXPECT_EQ(page->m_slider[0].GetPos(), 1);
    EXPECT_EQ(Sent()[4321], 0);
    EXPECT_EQ(ImageRef(m_image).Get(SetupDb::PanLow, 1), 300u); // untouched
    Click(&page->m_tabs.Button(3));
    EXPECT_EQ(page->m_lblValue[2].GetWindowText(), "4");
    for (int r : {0, 2, 3})
        page->m_rowCheck[r].SetCheck(1);
    EXPECT_TRUE(ChangesOnly([&] { Drag(page, page->m_slider[2], 7); },
                            [](ImageRef im) {
                                for (int ch : {0, 2, 3})
                                    im.Set(SetupDb::TiltHigh, ch, 6);
                            }));
    EXPECT_EQ(page->m_lblValue[3].GetWindowText(), "7");
    page->grab().save(RenderPath("system_182_tilt_high.png"));
    Click(&page->m_btnPrev);
    Pump();
    EXPECT_EQ(dlg->CurrentPage()->TemplateId(), SetupPage::kPtzSetup);
}

TEST_F(PtzSerialPages, ControllerQuirks)
{
    // Named, entry 0 free: no protocol list; a protocol without rates shows
    // "None", opens nothing, and picking it gives baud 255.
    Open(ImageBuilder().Byte(3156, 0).Byte(3172, 0).Byte(3188, 3).Build(), Named(""));
    auto* page = Show<CPtzSetupPage>(SetupPage::kPtzController);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->m_rowCheck[0].isVisible());
    EXPECT_FALSE(page->m_btnNext.isVisible());
    EXPECT_EQ(page->m_lblValue[0].GetDlgCtrlID(), 790);
    page->grab().save(RenderPath("system_181_id.png"));
    Click(&page->m_tabs.Button(1));
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    Click(&page->m_tabs.Button(2));
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "None");
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(dlg->ListPicker(), nullptr);

    Open(ImageBuilder().Byte(3172, 1).Byte(3188, 3).Build(), Named("ZERO"));
    page = Show<CPtzSetupPage>(SetupPage::kPtzController);
    Click(&page->m_tabs.Button(1));
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(ListLines(), (std::vector<QString>{"ZERO", "KEYS"}));
    EXPECT_TRUE(ChangesOnly([&] { Pick(0); },
                            [](ImageRef im) {
                                im.SetU8(3172, 0);
                                im.SetU8(3188, 255);
                            }));
    Click(&page->m_tabs.Button(2));
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "None");

    // Numbered: maximum 4, baud 2.
    Open(ImageBuilder().Byte(3172, 0).Byte(3188, 2).Byte(3156, 255).Build(), Numbered());
    page = Show<CPtzSetupPage>(SetupPage::kPtzController);
    Click(&page->m_lblValue[0]);
    EXPECT_TRUE(ChangesOnly([&] { Pick(7); }, [](ImageRef) {})); // +1 on 255 stays
    Click(&page->m_tabs.Button(2));
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "9600 bps");
    Click(&page->m_lblValue[0]);
    EXPECT_EQ(ListLines(), (std::vector<QString>{"2400 bps", "4800 bps", "9600 bps", "19200 bps"}));
    EXPECT_TRUE(ChangesOnly([&] { Pick(3); }, [](ImageRef im) { im.SetU8(3188, 3); }));
    page->grab().save(RenderPath("system_181_baud.png"));
}

TEST_F(PtzSerialPages, SerialUseAndTheMenuOfSubProduct52)
{
    RecorderCaps caps = Numbered();
    caps.subProductMajor = 5;
    caps.subProductMinor = 2;
    caps.subProduct52 = true;
    Open(ImageBuilder().Byte(6613, 0).Build(), caps);
    dlg->OnTab(2);
    Pump();
    dlg->Menu(2)->OnMenuButton(460);
    Pump();
    auto* page = dynamic_cast<CSerialSetupPage*>(dlg->CurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_lblUse.GetWindowText(), "Keyboard Input");
    Click(&page->m_lblUse);
    EXPECT_TRUE(ChangesOnly([&] { Pick(1); }, [](ImageRef im) { im.SetU8(6613, 1); }));
    EXPECT_EQ(page->m_lblUse.GetWindowText(), "Telemetry Output");
    Click(&page->m_lblUse);
    EXPECT_TRUE(ChangesOnly([&] { Pick(1); }, [](ImageRef) {}));
    page->grab().save(RenderPath("system_10029_serial.png"));
    Click(&page->m_btnTelemetry);
    Pump();
    auto* ptz = dynamic_cast<CPtzSetupPage*>(dlg->CurrentPage());
    ASSERT_NE(ptz, nullptr);
    EXPECT_TRUE(ptz->m_btnUp.isVisible());
    Click(&ptz->m_btnUp);
    Pump();
    page = dynamic_cast<CSerialSetupPage*>(dlg->CurrentPage());
    ASSERT_NE(page, nullptr);
    Click(&page->m_btnKeyboard);
    Pump();
    EXPECT_EQ(dlg->CurrentPage()->TemplateId(), SetupPage::kPtzController);

    // A stored use beyond the two shows its number; the list still opens.
    Open(ImageBuilder().Byte(6613, 7).Build(), caps);
    page = Show<CSerialSetupPage>(SetupPage::kSerialSetup);
    EXPECT_EQ(page->m_lblUse.GetWindowText(), "7");
    Click(&page->m_lblUse);
    EXPECT_EQ(ListLines().size(), 2u);
}

TEST_F(PtzSerialPages, SensorKinds)
{
    Open(ImageBuilder().Bytes(3088, {3, 0, 1, 2}).Build(), Caps(4));
    dlg->OnTab(2);
    Pump();
    dlg->Menu(2)->OnMenuButton(452);
    Pump();
    auto* page = dynamic_cast<CChannelOnOffPage*>(dlg->CurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->TemplateId(), SetupPage::kSensorSetup);
    for (CSkinTextButton* b : {&page->m_btnThird[0], &page->m_btnOff[0], &page->m_btnOn[0]})
        EXPECT_EQ(b->m_nState, 0); // kind 3: none
    EXPECT_EQ(page->m_btnThird[1].m_nState, 1);
    EXPECT_EQ(page->m_btnOff[2].m_nState, 1);
    EXPECT_EQ(page->m_btnOn[3].m_nState, 1);
    EXPECT_TRUE(page->m_btnThird[3].isVisible());
    EXPECT_FALSE(page->m_btnThird[4].isVisible());
    EXPECT_EQ(page->m_btnThird[0].x(), 75);
    EXPECT_EQ(page->m_btnOn[0].width(), 95);
    page->grab().save(RenderPath("system_177_sensor.png"));
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnOff[0]); }, [](ImageRef im) { im.SetU8(3088, 1); }));
    EXPECT_EQ(page->m_btnOff[0].m_nState, 1);
    EXPECT_EQ(page->m_btnThird[0].m_nState, 0);

    // Sixteen channels: four rows shown, All Check reaches all sixteen.
    Open(ImageBuilder().Build(), Caps(16));
    page = Show<CChannelOnOffPage>(SetupPage::kSensorSetup);
    EXPECT_FALSE(page->m_rowCheck[4].isVisible());
    Click(&page->m_btnAllCheck);
    EXPECT_EQ(page->m_rowCheck[15].GetCheck(), 1);
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnOn[1]); },
                            [](ImageRef im) {
                                for (int s = 0; s < 16; ++s)
                                    im.SetU8(3088 + s, 2);
                            }));
}
