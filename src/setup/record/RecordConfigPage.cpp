#include "setup/record/RecordConfigPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/ResIds.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/record/RecordBlock.h"
#include "setup/record/ResIdsRecord.h"
#include "ui/SkinDraw.h"

#include <QPainter>

using RecordConfig::Row;

namespace {

// Label ids by role.
constexpr int kTitleSwitchA = 790, kTitleSwitchB = 791, kTitleEventMode = 792, kTitleEventRate = 793,
              kTitlePre = 794, kTitlePost = 795, kTitleChoice = 796, kCellEventMode = 797,
              kCellEventRate = 798, kCellPre = 799, kCellPost = 800, kCellChoice = 801, kUnitRate = 802,
              kUnitPre = 803, kUnitPost = 804, kTitleConfig = 805, kCellConfig = 806, kTitleAudio = 807,
              kCellAudio = 808;
constexpr int kBlockTitle = 812, kBlockRes = 813, kBlockCell = 816, kBlockUnit = 819;

int RowY(int base, int r)
{
    return base + SetupCtl::kRowPitch * r;
}

void Unit(CSkinLabel& label, const QString& text, int x, int y, int w)
{
    label.SetNotify(false);
    label.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
    label.SetBkColor(SetupCtl::kPageColour);
    label.SetText(text);
    label.setGeometry(x, y, w, 14);
    label.show();
}

} // namespace

CRecordConfigPage::CRecordConfigPage() : CSetupPage(SetupPage::kRecordConfig, IDB_RECORD_BACK_CONFIG)
{
    for (int i = 0; i < kLabelCount; ++i) {
        m_label[i].setParent(this);
        m_label[i].SetDlgCtrlID(kFirstLabelId + i);
        m_label[i].hide();
    }
    for (int i = 0; i < 10; ++i) {
        m_block[i].setParent(this);
        m_block[i].SetDlgCtrlID(kFirstBlockId + i);
        m_block[i].hide();
    }
    const std::pair<CSkinTextButton*, int> buttons[] = {{&m_btnAOn, kSwitchAOnId},
                                                        {&m_btnBOn, kSwitchBOnId},
                                                        {&m_btnAOff, kSwitchAOffId},
                                                        {&m_btnBOff, kSwitchBOffId},
                                                        {&m_btnAudio, kAudioButtonId}};
    for (auto [b, id] : buttons) {
        b->setParent(this);
        b->SetDlgCtrlID(id);
        b->hide();
    }
}

CSkinLabel& CRecordConfigPage::Label(int id)
{
    if (id >= kFirstBlockId && id < kFirstBlockId + 10)
        return m_block[id - kFirstBlockId];
    const int i = id - kFirstLabelId;
    return m_label[i >= 0 && i < kLabelCount ? i : 0];
}

QString CRecordConfigPage::EventModeText(int v) const
{
    return v >= 0 && v <= 2 ? LoadResString(IDS_RECORD_4CIF + v) : QString::number(v);
}

QString CRecordConfigPage::ChoiceText(int v) const
{
    return v >= 0 && v <= 2 ? LoadResString(IDS_RECORD_CHOICE_FIRST + v) : QString::number(v);
}

QString CRecordConfigPage::ConfigModeText(std::uint32_t v) const
{
    return v <= 1 ? LoadResString(IDS_RECORD_CONFIG_MODE_FIRST + static_cast<int>(v)) : QString::number(v);
}

QString CRecordConfigPage::ChannelText(int v) const
{
    return v >= 0 && v < 16 ? SetupCtl::ChannelText(v) : QString::number(v);
}

int CRecordConfigPage::EventRateItems() const
{
    const ImageRef image = Image();
    return RecordConfig::EventRateCount(m_nChannelCount, static_cast<int>(image.Get(SetupDb::VideoStandard)),
                                        static_cast<int>(image.Get(SetupDb::EventMode)));
}

int CRecordConfigPage::ListIndexToValue(int kind, int index)
{
    if (kind == kItemPreEvent)
        return index == 1 ? 10 : 0;
    return index;
}

void CRecordConfigPage::BuildPage()
{
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
    m_plan = RecordConfig::PlanFor(Version(), Caps());
    const bool base = m_plan.layout == RecordConfig::Layout::L;
    const int titleWidth = base ? 138 : 148;

    // Row r of every item the layout shows.
    auto row = [&](Row item) { return RecordConfig::RowOf(m_plan, item); };
    auto title = [&](int id, Row item, const QString& text, int width) {
        const int r = row(item);
        if (r >= 0)
            SetupCtl::TitleLabel(Label(id), text, 9, RowY(9, r), width);
    };
    auto cell = [&](int id, Row item, int x, int w) {
        const int r = row(item);
        if (r >= 0)
            SetupCtl::ValueCell(Label(id), QString(), x, RowY(8, r), w);
    };
    auto unit = [&](int id, Row item, int textId) {
        const int r = row(item);
        if (r >= 0)
            Unit(Label(id), LoadResString(textId), 320, RowY(8, r), 60);
    };

    title(kTitleSwitchA, Row::SwitchA, LoadResString(IDS_RECORD_TITLE_SWITCH_A), titleWidth);
    title(kTitleSwitchB, Row::SwitchB, LoadResString(IDS_RECORD_TITLE_SWITCH_B), titleWidth);
    title(kTitleEventMode, Row::EventMode, LoadResString(IDS_RECORD_TITLE_EVENT_MODE), titleWidth);
    title(kTitleEventRate, Row::EventRate, LoadResString(IDS_RECORD_TITLE_EVENT_RATE), titleWidth);
    title(kTitlePre, Row::PreEvent,
          m_plan.literalDurationTitles ? QStringLiteral("Pre Event Duration")
                                       : LoadResString(IDS_RECORD_TITLE_PRE),
          titleWidth);
    title(kTitlePost, Row::PostEvent,
          m_plan.literalDurationTitles ? QStringLiteral("Post Event Duration")
                                       : LoadResString(IDS_RECORD_TITLE_POST),
          titleWidth);
    title(kTitleChoice, Row::Choice, LoadResString(IDS_RECORD_TITLE_CHOICE), titleWidth);
    title(kTitleAudio, Row::AudioChannel, LoadResString(IDS_RECORD_TAB_AUDIO), 148);
    title(kTitleConfig, Row::ConfigMode,
          m_plan.configTitleEventMode ? QStringLiteral("Event Mode") : LoadResString(IDS_RECORD_TITLE_CONFIG),
          148);

    cell(kCellEventMode, Row::EventMode, 220, 130);
    cell(kCellEventRate, Row::EventRate, 225, 70);
    cell(kCellPre, Row::PreEvent, 225, 70);
    cell(kCellPost, Row::PostEvent, 225, 70);
    cell(kCellChoice, Row::Choice, 220, 135);
    cell(kCellConfig, Row::ConfigMode, 220, 135);
    cell(kCellAudio, Row::AudioChannel, 220, 135);
    unit(kUnitRate, Row::EventRate, IDS_RECORD_FPS);
    unit(kUnitPre, Row::PreEvent, IDS_RECORD_SECONDS);
    unit(kUnitPost, Row::PostEvent, IDS_RECORD_SECONDS);

    const QString on = LoadResString(IDS_SETUP_ON);
    const QString off = LoadResString(IDS_SETUP_OFF);
    if (const int r = row(Row::SwitchA); r >= 0) {
        SetupCtl::ChoicePair(m_btnAOn, m_btnAOff, on, off, 182, 283, RowY(6, r));
        // Shown, never chosen: the recorder keeps this switch to itself.
        m_btnAOn.SetState(0);
        m_btnAOff.SetState(0);
        m_btnAOn.Enable(false);
        m_btnAOff.Enable(false);
    }
    if (const int r = row(Row::SwitchB); r >= 0)
        SetupCtl::ChoicePair(m_btnBOn, m_btnBOff, on, off, 182, 283, RowY(6, r));

    if (const int r0 = row(Row::Block); r0 >= 0) {
        Unit(m_block[0],
             m_plan.nonMotionBlock ? QStringLiteral("Non-Motion FPS") : QStringLiteral("Non-Event FPS"), 9,
             RowY(8, r0), 138);
        const char* names[3] = {"(4CIF)", "(2CIF)", "(CIF)"};
        for (int i = 0; i < 3; ++i) {
            Unit(m_block[1 + i], QString::fromLatin1(names[i]), 180, RowY(8, r0 + i), 70);
            SetupCtl::ValueCell(m_block[4 + i], QString(), 260, RowY(8, r0 + i), 80);
            Unit(m_block[7 + i], LoadResString(IDS_RECORD_FPS), 350, RowY(8, r0 + i), 40);
        }
    }
    if (m_plan.audioButton)
        SetupCtl::WideCommandButton(m_btnAudio, LoadResString(IDS_RECORD_TAB_AUDIO) + " Configuration", 241);
    ShowTexts();
}

void CRecordConfigPage::ShowTexts()
{
    const ImageRef image = Image();
    Label(kCellEventMode).SetText(EventModeText(static_cast<int>(image.Get(SetupDb::EventMode))));
    Label(kCellEventRate).SetText(QString::number(image.Get(SetupDb::EventModeValue)));
    Label(kCellPre).SetText(image.Get(SetupDb::PreEventDuration) == 10 ? "10" : "0");
    Label(kCellPost).SetText(QString::number(image.Get(SetupDb::PostEventDuration)));
    Label(kCellChoice).SetText(ChoiceText(static_cast<int>(image.Get(SetupDb::EventListChoice))));
    Label(kCellConfig).SetText(ConfigModeText(image.Get(SetupDb::RecordConfigMode)));
    Label(kCellAudio).SetText(ChannelText(static_cast<int>(image.Get(SetupDb::EventListChoiceB))));
    const int limits[3] = {2, 4, 6};
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t v = image.Get(SetupDb::NonEventRate, i);
        m_block[4 + i].SetText(QString::number(v < static_cast<std::uint32_t>(limits[i]) ? v : 0));
    }
    SetupCtl::ShowChoice(m_btnBOn, m_btnBOff, image.Get(SetupDb::EventSwitchB) == 1);
}

void CRecordConfigPage::OnCellClicked(int id)
{
    auto numbers = [](int n) {
        std::vector<QString> items;
        for (int i = 0; i < n; ++i)
            items.push_back(QString::number(i));
        return items;
    };
    switch (id) {
    case kCellEventMode:
        OpenListFromCell(Label(id), kItemEventMode, {EventModeText(0), EventModeText(1), EventModeText(2)},
                         140);
        break;
    case kCellEventRate:
        OpenListFromCell(Label(id), kItemEventRate, numbers(EventRateItems()), 200, 1);
        break;
    case kCellPre:
        OpenListFromCell(Label(id), kItemPreEvent, {"0", "10"}, 70);
        break;
    case kCellPost:
        if (!Label(id).GetWindowText().isEmpty())
            OpenNumberSlider(Label(id), Label(id).m_ptClick, kItemPostEvent,
                             static_cast<int>(Image().Get(SetupDb::PostEventDuration)), 10, 240, 328);
        break;
    case kCellChoice:
        OpenListFromCell(Label(id), kItemChoice, {ChoiceText(0), ChoiceText(1), ChoiceText(2)}, 140);
        break;
    case kCellConfig:
        OpenListFromCell(Label(id), kItemConfigMode, {ConfigModeText(0), ConfigModeText(1)}, 160);
        break;
    case kCellAudio: {
        std::vector<QString> items;
        for (int ch = 0; ch < m_nChannelCount; ++ch)
            items.push_back(ChannelText(ch));
        OpenListFromCell(Label(id), kItemAudioChannel, items, 120);
        break;
    }
    case kFirstBlockId + 4:
    case kFirstBlockId + 5:
    case kFirstBlockId + 6: {
        const int i = id - kFirstBlockId - 4;
        OpenListFromCell(Label(id), kItemNonEvent4Cif + i, numbers(2 + 2 * i), 100);
        break;
    }
    default:
        break;
    }
}

void CRecordConfigPage::OnListPicked(int nItemId, int nIndex)
{
    if (nIndex < 0)
        return;
    ImageRef image = Image();
    const int standard = static_cast<int>(image.Get(SetupDb::VideoStandard));
    if (nItemId == kItemEventMode) {
        // A pick, even of the current mode, puts back the mode's default rate.
        const int rate = RecordConfig::DefaultEventRate(m_nChannelCount, standard, nIndex);
        image.Set(SetupDb::EventModeValue, static_cast<std::uint32_t>(rate));
    }
    switch (nItemId) {
    case kItemEventMode:
        if (static_cast<int>(image.Get(SetupDb::EventMode)) != nIndex)
            image.Set(SetupDb::EventMode, static_cast<std::uint32_t>(nIndex));
        break;
    case kItemEventRate:
        image.Set(SetupDb::EventModeValue, static_cast<std::uint32_t>(nIndex));
        break;
    case kItemPreEvent:
        image.Set(SetupDb::PreEventDuration,
                  static_cast<std::uint32_t>(ListIndexToValue(kItemPreEvent, nIndex)));
        break;
    case kItemChoice:
        image.Set(SetupDb::EventListChoice, static_cast<std::uint32_t>(nIndex));
        break;
    case kItemConfigMode: {
        const bool zeroToOne = image.Get(SetupDb::RecordConfigMode) == 0 && nIndex == 1;
        image.Set(SetupDb::RecordConfigMode, static_cast<std::uint32_t>(nIndex));
        if (zeroToOne && m_pSetupDlg && m_pSetupDlg->m_bSubProduct6 == 1) {
            // Motion recording starts again from channel 0's resolution and
            // the default rates for it.
            CRecordBlockModel motion(image, Caps(), MotionRecordBlock());
            motion.SetResolution(motion.Resolution(0));
        }
        break;
    }
    case kItemAudioChannel:
        image.Set(SetupDb::EventListChoiceB, static_cast<std::uint32_t>(nIndex));
        break;
    case kItemNonEvent4Cif:
    case kItemNonEvent2Cif:
    case kItemNonEventCif:
        image.Set(SetupDb::NonEventRate, nItemId - kItemNonEvent4Cif, static_cast<std::uint32_t>(nIndex));
        break;
    default:
        return;
    }
    ShowTexts();
}

void CRecordConfigPage::OnSliderPicked(int nItemId, int nValue1, int, int)
{
    if (nItemId != kItemPostEvent)
        return;
    Image().Set(SetupDb::PostEventDuration, static_cast<std::uint32_t>(std::clamp(nValue1, 0, 0xFFFF)));
    ShowTexts();
    Label(kCellPost).SetText(QString::asprintf("%02d", nValue1));
}

void CRecordConfigPage::OnSwitchB(bool on)
{
    SetupCtl::ShowChoice(m_btnBOn, m_btnBOff, on);
    Image().Set(SetupDb::EventSwitchB, on ? 1 : 0);
    ClosePickers();
}

void CRecordConfigPage::OnAudioConfig()
{
    // The opener destroys this page; nothing of it is touched afterwards.
    if (m_pSetupDlg)
        m_pSetupDlg->ShowPage(SetupPage::kAudioInput);
}

bool CRecordConfigPage::OnCommand(int id, WORD code)
{
    if (id == kSwitchBOnId && code == BN_CLICKED) {
        OnSwitchB(true);
        return true;
    }
    if (id == kSwitchBOffId && code == BN_CLICKED) {
        OnSwitchB(false);
        return true;
    }
    if (id == kAudioButtonId && code == BN_CLICKED) {
        if (m_plan.audioButton)
            OnAudioConfig();
        return true;
    }
    if ((id >= kCellEventMode && id <= kCellChoice) || id == kCellConfig || id == kCellAudio ||
        (id >= kFirstBlockId + 4 && id <= kFirstBlockId + 6)) {
        OnCellClicked(id);
        return true;
    }
    return false;
}

void CRecordConfigPage::DrawExtra(QPainter& p)
{
    if (!m_pSetupDlg)
        return;
    for (const RecordConfig::Bar& bar : m_plan.bars) {
        const int y = 5 + SetupCtl::kRowPitch * bar.row;
        if (bar.left)
            m_pSetupDlg->DrawSectionBar(p, 2, y, 148);
        m_pSetupDlg->DrawSectionBar(p, 154, y, 248);
    }
}
