#include "setup/NtpSetupPage.h"

#include "platform/Messages.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>
#include <ctime>
#include <thread>

namespace {
// A zone name is kept in 99 characters.
constexpr int kZoneNameChars = 99;
constexpr int kServerNameChars = 32;
constexpr int kHighlightFirst = 1783;

std::optional<TimeServerConfig>& ConfigOverride()
{
    static std::optional<TimeServerConfig> config;
    return config;
}
std::function<std::chrono::steady_clock::time_point()>& SteadyOverride()
{
    static std::function<std::chrono::steady_clock::time_point()> now;
    return now;
}
std::chrono::steady_clock::time_point SteadyNow()
{
    return SteadyOverride() ? SteadyOverride()() : std::chrono::steady_clock::now();
}
} // namespace

void CNtpSetupPage::SetTimeServerForTesting(std::optional<TimeServerConfig> config)
{
    ConfigOverride() = std::move(config);
}

void CNtpSetupPage::SetSteadyClockForTesting(std::function<std::chrono::steady_clock::time_point()> now)
{
    SteadyOverride() = std::move(now);
}

CNtpSetupPage::CNtpSetupPage() : CSetupPage(SetupPage::kNtpSetup, 1808), m_ip(nullptr)
{
    for (int i = 0; i < 7; ++i) {
        m_lbl[i].setParent(this);
        m_lbl[i].SetDlgCtrlID(790 + i);
        m_lbl[i].hide();
    }
    m_edit.setParent(this);
    m_edit.SetDlgCtrlID(kEditId);
    m_edit.hide();
    m_ip.setParent(this);
    m_ip.SetDlgCtrlID(kIpId);
    m_ip.hide();
}

CNtpSetupPage::~CNtpSetupPage()
{
    CancelQuery();
}

QString CNtpSetupPage::ZoneName(int zone) const
{
    if (zone >= 0 && zone < static_cast<int>(m_zoneNames.size()))
        return m_zoneNames[static_cast<std::size_t>(zone)];
    return QString::number(zone);
}

void CNtpSetupPage::BuildPage()
{
    m_bList25 = UsesZoneList25(Version().major, Version().minor);
    m_zoneNames.clear();
    m_zoneNames.push_back(LoadResString(kZoneNoneName).left(kZoneNameChars));
    for (int z = 1; z <= kZoneCount; ++z)
        m_zoneNames.push_back(LoadResString(kZoneNameFirst + z).left(kZoneNameChars));
    m_onOff = TextTable({5340, 5344});
    m_choices = TextTable({5495, 5496, 5497});
    m_bmpNtpOn = LoadSkinBitmap(1809);
    m_bmpNtpOff = LoadSkinBitmap(1808);
    m_bmpZone = LoadSkinBitmap(1810);
    m_bmpMap = LoadSkinBitmap(kWorldMapBitmap);
    m_bmpHighlight.clear();
    for (int id = kHighlightFirst; id <= 1807; ++id)
        m_bmpHighlight.push_back(LoadSkinBitmap(id));

    m_tabs.Build(this, {{kNtpTabId, 2250, QRect(2, 0, 200, 24), LoadResString(5713)},
                        {kZoneTabId, 2251, QRect(202, 0, 200, 24), LoadResString(5714)}});
    const QRect places[7] = {{50, 31, 300, 14}, {50, 54, 300, 14},  {10, 31, 120, 14}, {10, 54, 120, 14},
                             {10, 77, 120, 14}, {170, 31, 180, 14}, {170, 54, 180, 14}};
    for (int i = 0; i < 7; ++i) {
        SetupCtl::ValueCell(m_lbl[i], QString(), places[i].x(), places[i].y(), places[i].width());
        m_lbl[i].SetNotify(i == 0 || i == 5 || i == 6);
    }
    m_lbl[2].SetText(QStringLiteral("NTP"));
    m_lbl[3].SetText(LoadResString(5492));
    m_lbl[4].SetText(LoadResString(5494));
    m_edit.SetTextColor(0x783C3C);
    m_edit.SetLimitText(kServerNameChars);
    m_edit.setGeometry(170, 75, 190, 14);
    m_ip.SetTextColor(0x783C3C);
    m_ip.setGeometry(154, 74, 248, 19);
    connect(&m_ip, &CIpAddressCtrl::FieldChanged, this, [this](int, int) {
        const auto a = m_ip.GetAddress();
        for (int i = 0; i < 4; ++i)
            Image().Set(SetupDb::NtpServerAddress, i, a[static_cast<std::size_t>(i)]);
    });

    m_nZone = static_cast<int>(Image().Get(SetupDb::TimeZoneIndex));
    m_lbl[0].SetText(ZoneName(m_nZone));
    if (m_nZone > 0)
        StartQuery();
    SetTimer(kClockTimer, 200);
    ShowNtpTab();
}

void CNtpSetupPage::DrawExtra(QPainter& p)
{
    if (!m_bZoneTab)
        return;
    if (!m_bmpMap.isNull())
        p.drawImage(kWorldMapRect, m_bmpMap);
    const ZoneHighlight h = ZoneHighlightOf(m_nZone, m_bList25);
    const int k = h.bitmap - kHighlightFirst;
    if (h.bitmap != 0 && k >= 0 && k < static_cast<int>(m_bmpHighlight.size()) &&
        !m_bmpHighlight[static_cast<std::size_t>(k)].isNull())
        p.drawImage(h.rect, m_bmpHighlight[static_cast<std::size_t>(k)]);
}

void CNtpSetupPage::ShowServerRows(bool enabled)
{
    const ImageRef image = Image();
    const int enable = static_cast<int>(image.Get(SetupDb::NtpEnable));
    // A stored value above 1 counts as on.
    m_lbl[5].SetText(m_onOff.At(enable > 1 ? 1 : enable));
    m_lbl[5].show();
    if (!enabled) {
        for (int i : {3, 4, 6})
            m_lbl[i].hide();
        m_edit.hide();
        m_ip.hide();
        return;
    }
    const int choice = static_cast<int>(image.Get(SetupDb::NtpServerChoice));
    m_lbl[6].SetText(m_choices.At(choice, QString::number(choice)));
    for (int i : {3, 4, 6})
        m_lbl[i].show();
    SetUpServerField();
}

void CNtpSetupPage::SetUpServerField()
{
    const ImageRef image = Image();
    const int choice = static_cast<int>(image.Get(SetupDb::NtpServerChoice));
    switch (choice) {
    case 0:
        m_ip.hide();
        m_edit.SetWindowText(image.Text(SetupDb::NtpServerFixedName));
        m_edit.setEnabled(false);
        m_edit.show();
        break;
    case 1:
        m_ip.hide();
        m_edit.setEnabled(true);
        m_edit.SetWindowText(image.Text(SetupDb::NtpServerName));
        m_edit.show();
        if (m_bZoneTab == false && isVisible())
            m_edit.setFocus();
        break;
    default: {
        // A choice above 2 shows the address too.
        if (choice != 2)
            m_edit.SetWindowText(QString());
        m_edit.hide();
        std::array<std::uint8_t, 4> a{};
        for (int i = 0; i < 4; ++i)
            a[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(image.Get(SetupDb::NtpServerAddress, i));
        m_ip.show();
        if (choice == 2)
            m_ip.SetAddress(a);
        if (isVisible())
            m_ip.setFocus();
        break;
    }
    }
}

void CNtpSetupPage::ShowNtpTab()
{
    m_tabs.Show(0);
    ClosePickers();
    m_bZoneTab = false;
    m_lbl[0].hide();
    m_lbl[1].hide();
    m_lbl[2].show();
    const bool enabled = Image().Get(SetupDb::NtpEnable) != 0;
    ShowServerRows(enabled);
    m_tabs.Button(1).Enable(enabled);
    SetBackground(enabled ? 1809 : 1808);
    update();
}

void CNtpSetupPage::ShowZoneTab()
{
    m_tabs.Show(1);
    ClosePickers();
    m_bZoneTab = true;
    m_lbl[0].show();
    m_lbl[1].show();
    for (int i = 2; i <= 6; ++i)
        m_lbl[i].hide();
    m_edit.hide();
    m_ip.hide();
    SetBackground(1810);
    update();
}

bool CNtpSetupPage::OnCommand(int id, WORD code)
{
    if (code == BN_CLICKED && id == kNtpTabId) {
        ShowNtpTab();
        return true;
    }
    if (code == BN_CLICKED && id == kZoneTabId) {
        if (Image().Get(SetupDb::NtpEnable) != 0)
            ShowZoneTab();
        return true;
    }
    if (code == EN_CHANGE && id == kEditId) {
        if (Image().Get(SetupDb::NtpServerChoice) == 1) {
            // Zero-padded to the field's 32 bytes; a 32-character name fills
            // it without a terminating zero, as the recorder reads it.
            const QByteArray text = m_edit.GetWindowText().toLatin1().left(kServerNameChars);
            ImageRef image = Image();
            for (int i = 0; i < kServerNameChars; ++i)
                image.SetU8(SetupDb::NtpServerName.offset + static_cast<std::uint32_t>(i),
                            i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
        }
        return true;
    }
    if (code == STN_CLICKED) {
        if (id == 790)
            OpenItem(kZone);
        else if (id == 795)
            OpenItem(kEnable);
        else if (id == 796)
            OpenItem(kChoice);
        else
            return false;
        return true;
    }
    return false;
}

void CNtpSetupPage::OpenItem(int item)
{
    switch (item) {
    case kZone: {
        if (!m_bZoneTab || m_lbl[0].GetWindowText().isEmpty())
            return;
        std::vector<QString> names;
        for (int z : ZoneListOrder(m_bList25))
            names.push_back(ZoneName(z));
        OpenListFromCell(m_lbl[0], kZone, names, 350);
        return;
    }
    case kEnable:
        if (!m_bZoneTab)
            OpenListFromCell(m_lbl[5], kEnable, m_onOff.Texts(), 100);
        return;
    case kChoice:
        if (!m_bZoneTab && !m_lbl[6].isHidden())
            OpenListFromCell(m_lbl[6], kChoice, m_choices.Texts(), 130);
        return;
    default:
        return;
    }
}

void CNtpSetupPage::OnListPicked(int nItemId, int nIndex)
{
    ImageRef image = Image();
    if (m_bZoneTab) {
        if (nItemId != kZone)
            return;
        const int zone = ZoneFromListPosition(nIndex, m_bList25);
        if (zone < 0)
            return;
        m_nZone = zone;
        image.Set(SetupDb::TimeZoneIndex, static_cast<std::uint32_t>(zone));
        m_lbl[0].SetText(ZoneName(zone));
        // Until the new answer the clock shows nothing; older answers are dropped.
        m_bClock = false;
        m_lbl[1].SetText(QString());
        CancelQuery();
        if (zone > 0)
            StartQuery();
        update();
        return;
    }
    if (nItemId == kEnable && m_onOff.Has(nIndex)) {
        image.Set(SetupDb::NtpEnable, static_cast<std::uint32_t>(nIndex));
        ShowServerRows(nIndex != 0);
        m_tabs.Button(1).Enable(nIndex != 0);
        SetBackground(nIndex != 0 ? 1809 : 1808);
    } else if (nItemId == kChoice && m_choices.Has(nIndex)) {
        // The choice first: the recorder's name shown for choice 0 must not
        // be copied into the typed name.
        image.Set(SetupDb::NtpServerChoice, static_cast<std::uint32_t>(nIndex));
        m_lbl[6].SetText(m_choices.At(nIndex));
        SetUpServerField();
    }
    update();
}

void CNtpSetupPage::StartQuery()
{
    CancelQuery();
    auto cancel = std::make_shared<TimeQueryCancel>();
    m_pending = cancel;
    const int query = ++m_nQuery;
    const TimeServerConfig config = ConfigOverride() ? *ConfigOverride() : TimeServerConfig::FromSettings();
    const WndHandle target = Handle();
    // The worker owns what it uses; a page gone by the answer drops it.
    std::thread([cancel, config, target, query] {
        const std::int64_t t = QueryTimeServer(config, cancel.get());
        if (!cancel->Cancelled())
            PostMessage(target, WM_TIME_ANSWER, static_cast<WPARAM>(query), static_cast<LPARAM>(t));
    }).detach();
}

void CNtpSetupPage::CancelQuery()
{
    if (m_pending)
        m_pending->Cancel();
    m_pending.reset();
}

void CNtpSetupPage::OnTimeAnswer(int query, std::int64_t server)
{
    if (query != m_nQuery || !m_pending)
        return;
    m_pending.reset();
    if (m_nZone <= 0)
        return;
    const std::int64_t zoned = ZonedServerTime(
        m_nZone - 1, server, static_cast<std::int64_t>(std::time(nullptr)), Image(), Caps().dstInfo);
    if (zoned <= 0) {
        m_bClock = false;
        m_lbl[1].SetText(QString());
        return;
    }
    m_bClock = true;
    m_zoned = zoned;
    m_clockAt = SteadyNow();
    m_lastShown = 0;
    m_shown = zoned;
    ShowClock();
}

void CNtpSetupPage::ShowClock()
{
    m_lbl[1].SetText(FormatZoneClock(m_shown, static_cast<int>(Image().Get(SetupDb::DateFormat))));
}

void CNtpSetupPage::OnTimer(UINT id)
{
    if (id != kClockTimer || m_nZone <= 0 || !m_bClock)
        return;
    const std::int64_t elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(SteadyNow() - m_clockAt).count();
    if (elapsed <= m_lastShown)
        return;
    m_shown = m_zoned + elapsed;
    m_lastShown = elapsed;
    ShowClock();
}

LRESULT CNtpSetupPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIME_ANSWER) {
        OnTimeAnswer(static_cast<int>(wParam), static_cast<std::int64_t>(lParam));
        return 0;
    }
    return CSetupPage::WindowProc(msg, wParam, lParam);
}

void CNtpSetupPage::OnTeardown()
{
    KillTimer(kClockTimer);
    CancelQuery();
}
