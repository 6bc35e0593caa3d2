#include "setup/BasicSetupPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/SystemRules.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>

namespace {
// The button names its action; the question the main window then asks has
// a text of its own.
constexpr int kInitializeText = 5090;

QString TranslatedLanguage(int i)
{
    return LoadResString(kLocalisedLanguageFirst + i);
}
QString TwoDigits(int v)
{
    return QString::asprintf("%02d", v);
}
} // namespace

CBasicSetupPage::CBasicSetupPage() : CSetupPage(SetupPage::kBasicSetup, 1751)
{
    for (int i = 0; i < 5; ++i) {
        m_lblTitle[i].setParent(this);
        m_lblTitle[i].SetDlgCtrlID(790 + i);
        m_lblTitle[i].hide();
        m_lblValue[i].setParent(this);
        m_lblValue[i].SetDlgCtrlID(795 + i);
        m_lblValue[i].hide();
    }
    m_btnInitialize.setParent(this);
    m_btnInitialize.SetDlgCtrlID(kInitializeId);
    m_btnInitialize.hide();
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

QString CBasicSetupPage::DateFormatText(int v) const
{
    return m_dateFormats.At(v, QString::number(v));
}

QString CBasicSetupPage::StandardText(int v) const
{
    return m_standards.At(v, QString::number(v));
}

QString CBasicSetupPage::LanguageText(int entry) const
{
    return LanguageLabel(Caps(), entry, TranslatedLanguage);
}

void CBasicSetupPage::BuildPage()
{
    m_bmpBar = LoadSkinBitmap(1691);
    m_dateFormats = TextTable({5381, 5382, 5383});
    m_standards = TextTable::FromTexts({QStringLiteral("NTSC"), QStringLiteral("PAL")});
    m_states = TextTable({5688, 5689, 5690});
    const int major = Caps().subProductMajor;
    const int titles[4] = {5480, 5385, 5481, major == 5 || major == 6 ? 6130 : 5482};
    for (int i = 0; i < 4; ++i)
        SetupCtl::TitleLabel(m_lblTitle[i], LoadResString(titles[i]), 10, 9 + 23 * i, 150);
    const ImageRef image = Image();
    const QString values[4] = {
        LanguageText(static_cast<int>(image.Get(SetupDb::Language))),
        DateFormatText(static_cast<int>(image.Get(SetupDb::DateFormat))),
        StandardText(static_cast<int>(image.Get(SetupDb::VideoStandard))),
        TwoDigits(static_cast<int>(image.Get(SetupDb::DeviceNumber))),
    };
    for (int i = 0; i < 4; ++i)
        SetupCtl::ValueCell(m_lblValue[i], values[i], 190, 8 + 23 * i, 150);
    SetupCtl::WideCommandButton(m_btnInitialize, LoadResString(kInitializeText), 241, 396);
}

void CBasicSetupPage::DrawExtra(QPainter& p)
{
    if (m_bmpBar.isNull())
        return;
    for (int y : {24, 47, 70, 93})
        p.drawImage(QRect(QPoint(2, y - 19), QPoint(401, y - 1)), m_bmpBar);
}

bool CBasicSetupPage::OnCommand(int id, WORD code)
{
    if (id == kInitializeId && code == BN_CLICKED) {
        OnInitialize();
        return true;
    }
    if (code != STN_CLICKED)
        return false;
    switch (id) {
    case 795:
        OnLanguage();
        return true;
    case 796:
        OnDateFormat();
        return true;
    case 797:
        OnVideoStandard();
        return true;
    case 798:
        OnDeviceNumber();
        return true;
    default:
        return false;
    }
}

void CBasicSetupPage::OnLanguage()
{
    std::vector<QString> items;
    std::vector<int> entries;
    for (const LanguageEntry& e : LanguageEntries(Caps(), TranslatedLanguage)) {
        items.push_back(e.name);
        entries.push_back(e.entry);
    }
    // The list skips empty entries: each position stands for its entry.
    OpenListFromCell(m_lblValue[0], kLanguage, items, 160, 0, false, entries);
}

void CBasicSetupPage::OnDateFormat()
{
    OpenListFromCell(m_lblValue[1], kDateFormat, m_dateFormats.Texts(), 166);
}

void CBasicSetupPage::OnVideoStandard()
{
    OpenListFromCell(m_lblValue[2], kVideoStandard, m_standards.Texts(), 100);
}

void CBasicSetupPage::OnDeviceNumber()
{
    if (!Caps().hasConnection || m_lblValue[3].GetWindowText().isEmpty())
        return;
    if (Caps().subProductMajor == 2) {
        const int v = std::min(static_cast<int>(Image().Get(SetupDb::DeviceNumber)), 99);
        OpenNumberSlider(m_lblValue[3], m_lblValue[3].m_ptClick, kDeviceSlider, v, 0, 99, 268);
        return;
    }
    std::vector<QString> items;
    for (int i = 0; i < 16; ++i)
        items.push_back(TwoDigits(i));
    OpenListFromCell(m_lblValue[3], kDeviceNumber, items, 60);
}

void CBasicSetupPage::OnInitialize()
{
    if (m_pSetupDlg && m_pSetupDlg->SetupHost())
        m_pSetupDlg->SetupHost()->PostNotifyToMain(m_pSetupDlg->Handle(), kNotifyFactoryReset, 0);
}

void CBasicSetupPage::OnListPicked(int nItemId, int nIndex)
{
    ImageRef image = Image();
    switch (nItemId) {
    case kLanguage: {
        const int entry = PickedValue(nItemId, nIndex);
        if (entry < 0)
            return;
        image.Set(SetupDb::Language, static_cast<std::uint32_t>(entry));
        m_lblValue[0].SetText(LanguageText(entry));
        return;
    }
    case kDateFormat:
        if (!m_dateFormats.Has(nIndex))
            return;
        image.Set(SetupDb::DateFormat, static_cast<std::uint32_t>(nIndex));
        m_lblValue[1].SetText(DateFormatText(nIndex));
        return;
    case kVideoStandard:
        if (!m_standards.Has(nIndex))
            return;
        if (static_cast<int>(image.Get(SetupDb::VideoStandard)) != nIndex)
            RebuildRatesForStandard(image, nIndex, Caps().hasConnection ? Caps().channelCount : 16,
                                    m_pSetupDlg && m_pSetupDlg->m_bSubProduct6 == 1);
        image.Set(SetupDb::VideoStandard, static_cast<std::uint32_t>(nIndex));
        m_lblValue[2].SetText(StandardText(nIndex));
        m_lblValue[4].SetText(m_states.At(static_cast<int>(image.Get(SetupDb::BasicState))));
        return;
    case kDeviceNumber:
        if (nIndex < 0 || nIndex > 15)
            return;
        image.Set(SetupDb::DeviceNumber, static_cast<std::uint32_t>(nIndex));
        m_lblValue[3].SetText(TwoDigits(nIndex));
        return;
    default:
        return;
    }
}

void CBasicSetupPage::OnSliderPicked(int nItemId, int nValue1, int, int)
{
    if (nItemId != kDeviceSlider || nValue1 < 0 || nValue1 > 99)
        return;
    Image().Set(SetupDb::DeviceNumber, static_cast<std::uint32_t>(nValue1));
    m_lblValue[3].SetText(TwoDigits(nValue1));
}
