#include "setup/SettingRowsPage.h"

#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>

namespace {
// A value text is kept in 259 characters.
constexpr int kValueChars = 259;

QString JoinedText(const std::vector<int>& ids)
{
    QString text;
    for (int id : ids) {
        if (!text.isEmpty())
            text += ' ';
        text += LoadResString(id);
    }
    return text.left(kValueChars);
}
} // namespace

CSettingRowsPage::CSettingRowsPage(const SettingRowsDesc& desc)
    : CSetupPage(desc.templateId, desc.background), m_desc(desc)
{
    for (int k = 0; k < kMaxRows; ++k) {
        m_lblCaption[k].setParent(this);
        m_lblCaption[k].SetDlgCtrlID(kFirstCaptionId + 2 * k);
        m_lblValue[k].setParent(this);
        m_lblValue[k].SetDlgCtrlID(kFirstCaptionId + 2 * k + 1);
        m_slider[k].setParent(this);
        m_slider[k].SetDlgCtrlID(kFirstSliderId + k);
        m_btnOn[k].setParent(this);
        m_btnOn[k].SetDlgCtrlID(PairId(k, true));
        m_btnOff[k].setParent(this);
        m_btnOff[k].SetDlgCtrlID(PairId(k, false));
        for (QWidget* w : std::initializer_list<QWidget*>{&m_lblCaption[k], &m_lblValue[k], &m_slider[k],
                                                          &m_btnOn[k], &m_btnOff[k]})
            w->hide();
    }
    if (desc.closePickersOnPress)
        SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

QString CSettingRowsPage::ValueText(int row, int value) const
{
    if (row < 0 || row >= RowCount())
        return {};
    const SettingRowDesc& r = m_desc.rows[static_cast<std::size_t>(row)];
    switch (r.kind) {
    case SettingRowDesc::Kind::List:
        // A stored value the list does not know shows its number.
        return m_texts[static_cast<std::size_t>(row)].At(value, QString::number(value));
    case SettingRowDesc::Kind::Slider:
        if (value == 0)
            return LoadResString(r.zeroText);
        return QString::asprintf(r.twoDigits ? "%02d %s" : "%d %s", value,
                                 LoadResString(r.unitText).toLatin1().constData());
    case SettingRowDesc::Kind::Pair:
        return {};
    }
    return {};
}

void CSettingRowsPage::BuildPage()
{
    if (m_desc.barBitmap > 0)
        m_bmpBar = LoadSkinBitmap(m_desc.barBitmap);
    m_texts.assign(m_desc.rows.size(), TextTable());
    const ImageRef image = Image();
    int place = 0;
    for (int k = 0; k < RowCount() && k < kMaxRows; ++k) {
        const SettingRowDesc& r = m_desc.rows[static_cast<std::size_t>(k)];
        m_shown[k] = r.offered == nullptr || r.offered(Caps(), Version());
        if (!m_shown[k])
            continue;
        const int dy = SetupCtl::kRowPitch * ((m_desc.closeUp ? place : k) - k);
        ++place;
        QString caption = r.caption != 0 ? LoadResString(r.caption) : QString();
        if (r.fixedCaption != nullptr)
            caption = QString::fromLatin1(r.fixedCaption);
        if (!r.captionRect.isNull())
            SetupCtl::TitleLabel(m_lblCaption[k], caption, r.captionRect.x(), r.captionRect.y() + dy,
                                 r.captionRect.width(), r.captionRect.height());
        const int value = static_cast<int>(image.Get(r.field));
        switch (r.kind) {
        case SettingRowDesc::Kind::List: {
            std::vector<QString> texts;
            for (const std::vector<int>& ids : r.values)
                texts.push_back(JoinedText(ids));
            m_texts[static_cast<std::size_t>(k)] = TextTable::FromTexts(std::move(texts));
            SetupCtl::ValueCell(m_lblValue[k], ValueText(k, value), r.valueRect.x(), r.valueRect.y() + dy,
                                r.valueRect.width(), r.valueRect.height());
            break;
        }
        case SettingRowDesc::Kind::Slider:
            m_slider[k].SetChannelBitmaps(static_cast<UINT>(r.sliderChannel),
                                          static_cast<UINT>(r.sliderActive), false, 0, 0, 0);
            m_slider[k].SetMargin(0, 0, 0, 0);
            m_slider[k].EnableFocusRect(true, false);
            m_slider[k].SetRange(0, 99, false);
            m_slider[k].setGeometry(r.sliderRect.translated(0, dy));
            // A stored value above 99 shows as 99 and stays until the slider moves.
            m_slider[k].SetPos(value);
            m_slider[k].show();
            SetupCtl::ValueCell(m_lblValue[k], ValueText(k, m_slider[k].GetPos()), r.valueRect.x(),
                                r.valueRect.y() + dy, r.valueRect.width(), r.valueRect.height());
            m_lblValue[k].SetNotify(false);
            break;
        case SettingRowDesc::Kind::Pair:
            SetupCtl::ChoicePair(m_btnOn[k], m_btnOff[k], LoadResString(r.onCaption),
                                 LoadResString(r.offCaption), r.xOn, r.xOff, r.yPair + dy);
            SetupCtl::ShowChoice(m_btnOn[k], m_btnOff[k], value == 1);
            break;
        }
    }
}

void CSettingRowsPage::DrawExtra(QPainter& p)
{
    if (m_bmpBar.isNull())
        return;
    int bars = 0;
    for (int k = 0; k < RowCount() && k < kMaxRows; ++k)
        bars += m_shown[k] ? 1 : 0;
    for (int k = 0; k < bars; ++k)
        p.drawImage(m_desc.barFirst.translated(0, SetupCtl::kRowPitch * k), m_bmpBar);
}

bool CSettingRowsPage::OnCommand(int id, WORD code)
{
    for (int k = 0; k < RowCount() && k < kMaxRows; ++k) {
        if (!m_shown[k])
            continue;
        const SettingRowDesc::Kind kind = m_desc.rows[static_cast<std::size_t>(k)].kind;
        if (kind == SettingRowDesc::Kind::List && code == STN_CLICKED && id == kFirstCaptionId + 2 * k + 1) {
            OpenRowList(k);
            return true;
        }
        if (kind == SettingRowDesc::Kind::Pair && code == BN_CLICKED &&
            (id == PairId(k, true) || id == PairId(k, false))) {
            OnPair(k, id == PairId(k, true));
            return true;
        }
    }
    return false;
}

void CSettingRowsPage::OpenRowList(int row)
{
    if (!RowShown(row))
        return;
    const SettingRowDesc& r = m_desc.rows[static_cast<std::size_t>(row)];
    OpenListFromCell(m_lblValue[row], row, m_texts[static_cast<std::size_t>(row)].Texts(), r.listWidth);
}

void CSettingRowsPage::OnListPicked(int nItemId, int nIndex)
{
    if (!RowShown(nItemId) || !m_texts[static_cast<std::size_t>(nItemId)].Has(nIndex))
        return;
    const SettingRowDesc& r = m_desc.rows[static_cast<std::size_t>(nItemId)];
    ImageRef image = Image();
    // Picking the stored value again writes nothing.
    if (static_cast<int>(image.Get(r.field)) == nIndex)
        return;
    image.Set(r.field, static_cast<std::uint32_t>(nIndex));
    m_lblValue[nItemId].SetText(ValueText(nItemId, nIndex));
}

void CSettingRowsPage::OnPair(int row, bool on)
{
    if (!RowShown(row))
        return;
    SetupCtl::ShowChoice(m_btnOn[row], m_btnOff[row], on);
    Image().Set(m_desc.rows[static_cast<std::size_t>(row)].field, on ? 1u : 0u);
}

int CSettingRowsPage::PairNumber(int row) const
{
    // Rows beyond the descriptor's (their buttons never show) keep their index.
    const int n = row >= 0 && row < RowCount() ? m_desc.rows[static_cast<std::size_t>(row)].pairNumber : -1;
    return n >= 0 ? n : row;
}

int CSettingRowsPage::PairId(int row, bool on) const
{
    return (on ? kFirstOnId : kFirstOffId) + PairNumber(row);
}

int CSettingRowsPage::SliderRow(int id) const
{
    const int k = id - kFirstSliderId;
    if (!RowShown(k) || m_desc.rows[static_cast<std::size_t>(k)].kind != SettingRowDesc::Kind::Slider)
        return -1;
    return k;
}

void CSettingRowsPage::OnSliderMoved(int row)
{
    if (SliderRow(kFirstSliderId + row) < 0)
        return;
    // The slider's own position, not the message's.
    const int pos = m_slider[row].GetPos();
    Image().Set(m_desc.rows[static_cast<std::size_t>(row)].field, static_cast<std::uint32_t>(pos));
    m_lblValue[row].SetText(ValueText(row, pos));
}

LRESULT CSettingRowsPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED) {
        const int row = SliderRow(static_cast<int>(wParam));
        if (row >= 0)
            OnSliderMoved(row);
        return 0;
    }
    return CSetupPage::WindowProc(msg, wParam, lParam);
}

namespace {
bool Rs485Offered(const RecorderCaps& caps, SetupVersion version)
{
    return caps.hasConnection && caps.subProductMajor == 5 && caps.subProductMinor != 2 &&
           version.MajorAtLeast(5);
}
bool EtcFourthOffered(const RecorderCaps& caps, SetupVersion version)
{
    return caps.hasConnection && version.AtLeast(4, 7) && caps.helloFlag2Bit1;
}
SettingRowDesc EtcRow(SetupDb::Field field, int caption, std::vector<std::vector<int>> values, int k,
                      int listWidth = 140)
{
    SettingRowDesc r;
    r.kind = SettingRowDesc::Kind::List;
    r.field = field;
    r.caption = caption;
    r.captionRect = QRect(10, 9 + 23 * k, 120, 14);
    r.valueRect = QRect(190, 8 + 23 * k, 150, 14);
    r.values = std::move(values);
    r.listWidth = listWidth;
    return r;
}
} // namespace

const SettingRowsDesc& EtcSetupDesc()
{
    static const SettingRowsDesc desc = [] {
        SettingRowsDesc d;
        d.templateId = SetupPage::kEtcSetup;
        d.background = 1751;
        d.closeUp = true;
        d.barBitmap = 2261;
        d.barFirst = QRect(QPoint(0, 5), QPoint(402, 27));
        d.rows.push_back(EtcRow(SetupDb::EtcChoiceA, 5835, {{5340}, {5344}}, 0));
        d.rows.push_back(EtcRow(SetupDb::EtcChoiceB, 5836, {{5204}, {5205}, {5206}}, 1));
        SettingRowDesc rs485 = EtcRow(SetupDb::Rs485Use, 0, {{5704}, {5860, 5009}}, 2, 180);
        rs485.fixedCaption = "RS485";
        rs485.offered = Rs485Offered;
        d.rows.push_back(rs485);
        SettingRowDesc fourth = EtcRow(SetupDb::EtcChoiceC, 6149, {{5340}, {5344}}, 3);
        fourth.offered = EtcFourthOffered;
        d.rows.push_back(fourth);
        return d;
    }();
    return desc;
}

const SettingRowsDesc& AutoDeleteDesc()
{
    static const SettingRowsDesc desc = [] {
        SettingRowsDesc d;
        d.templateId = SetupPage::kAutoDelete;
        d.background = 1723;
        d.closePickersOnPress = false;
        SettingRowDesc r;
        r.kind = SettingRowDesc::Kind::Slider;
        r.field = SetupDb::AutoDeleteDays;
        r.sliderRect = QRect(103, 10, 190, 9);
        r.sliderChannel = 1695;
        r.sliderActive = 1696;
        r.valueRect = QRect(315, 8, 72, 14);
        r.zeroText = 5243;
        r.unitText = 5342;
        d.rows.push_back(r);
        return d;
    }();
    return desc;
}

const SettingRowsDesc& SmartSetupDesc()
{
    static const SettingRowsDesc desc = [] {
        SettingRowsDesc d;
        d.templateId = SetupPage::kSmartSetup;
        d.background = 1751;
        d.closePickersOnPress = false;
        d.barBitmap = 1680;
        d.barFirst = QRect(QPoint(2, 5), QPoint(401, 23));
        SettingRowDesc on;
        on.kind = SettingRowDesc::Kind::Pair;
        on.field = SetupDb::SmartEnable;
        on.caption = 5837;
        on.captionRect = QRect(8, 9, 124, 14);
        on.yPair = 6;
        d.rows.push_back(on);
        SettingRowDesc value;
        value.kind = SettingRowDesc::Kind::Slider;
        value.field = SetupDb::SmartValue;
        value.caption = 5870;
        value.captionRect = QRect(8, 32, 124, 14);
        value.sliderRect = QRect(160, 33, 150, 9);
        value.sliderChannel = 1697;
        value.sliderActive = 1698;
        value.valueRect = QRect(335, 31, 52, 14);
        value.unitText = 5871;
        value.twoDigits = true;
        d.rows.push_back(value);
        SettingRowDesc option = on;
        option.field = SetupDb::SmartOption;
        option.caption = 5391;
        option.captionRect = QRect(8, 55, 124, 14);
        option.yPair = 52;
        option.pairNumber = 1; // 551 and 571
        d.rows.push_back(option);
        return d;
    }();
    return desc;
}
