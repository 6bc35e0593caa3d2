// The basic setup page: language, date format, video standard and device
// number, and the factory initialisation (confirmed by the main window).
#pragma once

#include "setup/SetupPage.h"
#include "setup/TextTable.h"

class CBasicSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    enum Item
    {
        kLanguage = 0,
        kDateFormat = 1,
        kVideoStandard = 2,
        kDeviceNumber = 3,
        kDeviceSlider = 8,
    };
    static constexpr int kInitializeId = 482;
    static constexpr int kNotifyFactoryReset = 16;

    CBasicSetupPage();

    void OnLanguage();
    void OnDateFormat();
    void OnVideoStandard();
    void OnDeviceNumber();
    void OnInitialize();
    void OnListPicked(int nItemId, int nIndex) override;
    void OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3) override;

    CSkinLabel m_lblTitle[5]; // 790-794
    CSkinLabel m_lblValue[5]; // 795-799 (799 never shown)
    CSkinTextButton m_btnInitialize;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    QString DateFormatText(int v) const;
    QString StandardText(int v) const;
    QString LanguageText(int entry) const;

    TextTable m_dateFormats;
    TextTable m_standards;
    TextTable m_states;
    QImage m_bmpBar;
};
