// The System tab's serial-line pages: the PTZ setup page (camera ID,
// protocol and baud rate per channel) and its one-row sister for the
// controller keyboard, the PTZ limit page, and the serial setup page that
// leads to both on recorders with an RS485 choice.
#pragma once

#include "setup/PtzProtocolTable.h"
#include "setup/SetupControls.h"
#include "setup/SetupPage.h"
#include "ui/SkinSlider.h"

#include <vector>

struct PtzPageDesc
{
    int templateId = 0;
    int background = 0;
    PtzDevice device = PtzDevice::Camera;
    SetupDb::Field idField{};
    SetupDb::Field protocolField{};
    SetupDb::Field baudField{};
    // The controller page: one row at cell 790, no row checks, no Next, Up
    // further right, and a named table's free entry 0 or a protocol without
    // baud rates opens no list ("None" on the Baud Rate tab).
    bool controller = false;
};

class CPtzSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    enum Tab
    {
        kIdTab = 0,
        kProtocolTab = 1,
        kBaudTab = 2,
    };
    static constexpr int kFirstTabId = 470;
    static constexpr int kFirstSliderId = 510;
    static constexpr int kFirstCellId = 806;
    static constexpr int kControllerCellId = 790;
    static constexpr int kNextId = 482;
    static constexpr int kUpId = 483;
    static constexpr int kIdMinusLine = 6;
    static constexpr int kIdPlusLine = 7;

    explicit CPtzSetupPage(const PtzPageDesc& desc);

    const PtzPageDesc& Desc() const { return m_desc; }
    int Rows() const;
    int ShownTab() const { return m_nTab; }
    void ShowTab(int tab);
    // Value cell of row r clicked.
    void OpenRowPicker(int r);
    void OnIdSliderMoved(int r);
    void OnListPicked(int nItemId, int nIndex) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    const PtzProtocolTable& Table() const { return m_table; }

    CSetupTabBar m_tabs;
    CSkinSlider m_slider[kRows];
    CSkinLabel m_lblValue[kRows];
    CSkinTextButton m_btnNext;
    CSkinTextButton m_btnUp;
    std::vector<QString> m_idChoices;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    std::vector<int> Targets(int r);
    int IdOf(int r) const { return Image().U8(m_desc.idField.At(static_cast<std::uint32_t>(r))); }
    int ProtocolOf(int r) const { return Image().U8(m_desc.protocolField.At(static_cast<std::uint32_t>(r))); }
    int BaudOf(int r) const { return Image().U8(m_desc.baudField.At(static_cast<std::uint32_t>(r))); }
    void SetId(int r, int id);
    QString IdText(int id) const;
    QString BaudCellText(int r) const;
    void ShowCell(int r);

    const PtzPageDesc m_desc;
    PtzProtocolTable m_table;
    int m_nTab = kIdTab;
};

class CPtzLimitPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstTabId = 470;
    static constexpr int kFirstSliderId = 510;
    static constexpr int kFirstLabelId = 806;
    static constexpr int kPrevId = 482;
    static constexpr int kUpId = 483;

    CPtzLimitPage();

    int ShownTab() const { return m_nTab; }
    void ShowTab(int tab);
    void OnLimitSliderMoved(int r);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    CSetupTabBar m_tabs;
    CSkinSlider m_slider[kRows];
    CSkinLabel m_lblValue[kRows];
    CSkinTextButton m_btnPrev;
    CSkinTextButton m_btnUp;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    const SetupDb::Field& Field() const;
    int m_nTab = 0;
};

class CSerialSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kCaptionId = 790;
    static constexpr int kUseCellId = 791;
    static constexpr int kTelemetryId = 480;
    static constexpr int kKeyboardId = 481;

    CSerialSetupPage();

    void OpenUsePicker();
    void OnListPicked(int nItemId, int nIndex) override;

    CSkinLabel m_lblCaption;
    CSkinLabel m_lblUse;
    CSkinTextButton m_btnTelemetry;
    CSkinTextButton m_btnKeyboard;
    std::vector<QString> m_uses;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    QImage m_bmpBar;
};

const PtzPageDesc& PtzSetupDesc();
const PtzPageDesc& PtzControllerDesc();
// Up (to the serial page) is there unless a connection says the recorder has
// no serial page.
bool PtzUpShown(const RecorderCaps& caps);
