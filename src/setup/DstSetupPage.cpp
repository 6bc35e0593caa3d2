#include "setup/DstSetupPage.h"

#include "net/NetMessages.h"
#include "platform/Trace.h"
#include "setup/DateRules.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <ctime>

namespace {

// A table entry is kept in 29 characters.
constexpr int kEntryChars = 29;

CDstSetupPage::PcClock& Clock()
{
    static CDstSetupPage::PcClock clock;
    return clock;
}
std::function<bool()>& ConfirmSeam()
{
    static std::function<bool()> seam;
    return seam;
}

std::int64_t UtcNow()
{
    return Clock().utcNow ? Clock().utcNow() : static_cast<std::int64_t>(std::time(nullptr));
}
int ZoneOffset()
{
    if (Clock().zoneOffset)
        return Clock().zoneOffset();
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return static_cast<int>(tm.tm_gmtoff);
}
std::chrono::steady_clock::time_point SteadyNow()
{
    return Clock().steadyNow ? Clock().steadyNow() : std::chrono::steady_clock::now();
}

TextTable Range(int first, int last)
{
    std::vector<QString> texts;
    for (int id = first; id <= last; ++id)
        texts.push_back(LoadResString(id).left(kEntryChars));
    return TextTable::FromTexts(std::move(texts));
}

struct Place
{
    int x, y, w;
};
// Value labels 796-798 and 800-802 in the two forms.
constexpr Place kWeekdayPlaces[6] = {{100, 54, 95},  {200, 54, 95},  {300, 54, 95},
                                     {100, 100, 90}, {200, 100, 90}, {300, 100, 90}};
constexpr Place kDayPlaces[6] = {{150, 54, 100},  {270, 54, 100},  {300, 54, 95},
                                 {150, 100, 100}, {270, 100, 100}, {300, 100, 90}};
constexpr int kRuleItems[6] = {1, 2, 3, 5, 6, 7};

} // namespace

// --- Confirm box --------------------------------------------------------------

CDstConfirmDlg::CDstConfirmDlg(QWidget* owner, int alpha)
    : Dialog(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_pOwner(owner),
      m_nAlpha(alpha)
{
    m_lblMessage.setParent(this);
    m_lblMessage.SetDlgCtrlID(790);
    m_btnOk.setParent(this);
    m_btnOk.SetDlgCtrlID(1);
    m_btnCancel.setParent(this);
    m_btnCancel.SetDlgCtrlID(2);
}

bool CDstConfirmDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(1640);
    setFixedSize(308, 136);
    setWindowOpacity(m_nAlpha / 255.0);
    const QString text = LoadResString(5503);
    m_lblMessage.SetNotify(false);
    m_lblMessage.SetBitmap(0, 1642);
    m_lblMessage.SetLabelStyle(0xFFFFFF, 0xFFFFFF, 0, 0, true, 9, "Arial Bold");
    m_lblMessage.SetText(text);
    const int width = static_cast<int>(m_lblMessage.fontMetrics().horizontalAdvance(text) * 1.2);
    m_lblMessage.setGeometry((309 - width) / 2, 45, width, 20);
    // Presses on the message reach the box, which is dragged from there.
    m_lblMessage.setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblMessage.show();
    const COLORREF colours[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFF00, 0xA6A6A6};
    int x = 50;
    for (CSkinTextButton* b : {&m_btnOk, &m_btnCancel}) {
        b->SetBitmap(2009);
        b->SetFont(9, 0, 700, "Arial Bold");
        std::copy(std::begin(colours), std::end(colours), b->m_crText);
        b->setGeometry(x, 103, 100, 27);
        b->show();
        x = 158;
    }
    m_btnOk.SetText(0, LoadResString(5541), true);
    m_btnCancel.SetText(0, LoadResString(5542), true);
    if (m_pOwner != nullptr) {
        const QRect o = m_pOwner->frameGeometry();
        const QPoint centre =
            m_pOwner->isWindow() ? o.center() : m_pOwner->mapToGlobal(m_pOwner->rect().center());
        move(centre - QPoint(154, 68));
    }
    return true;
}

void CDstConfirmDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_bmpBack.isNull())
        p.drawImage(rect(), m_bmpBack);
}

void CDstConfirmDlg::mousePressEvent(QMouseEvent* e)
{
    m_dragging = e->button() == Qt::LeftButton && m_lblMessage.geometry().contains(e->position().toPoint());
    m_dragFrom = e->globalPosition().toPoint() - pos();
}

void CDstConfirmDlg::mouseMoveEvent(QMouseEvent* e)
{
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        move(e->globalPosition().toPoint() - m_dragFrom);
}

// --- Page ---------------------------------------------------------------------

void CDstSetupPage::SetPcClockForTesting(PcClock clock)
{
    Clock() = std::move(clock);
}

void CDstSetupPage::SetConfirmForTesting(std::function<bool()> confirm)
{
    ConfirmSeam() = std::move(confirm);
}

CDstSetupPage::CDstSetupPage() : CSetupPage(SetupPage::kDstSetup, 1688)
{
    for (int i = 0; i < 5; ++i) {
        m_lblCaption[i].setParent(this);
        m_lblCaption[i].SetDlgCtrlID(790 + i);
        m_lblCaption[i].hide();
    }
    for (int i = 0; i < 10; ++i) {
        m_lblValue[i].setParent(this);
        m_lblValue[i].SetDlgCtrlID(kFirstValueId + i);
        m_lblValue[i].hide();
    }
    m_btnWeekdayForm.setParent(this);
    m_btnWeekdayForm.SetDlgCtrlID(kWeekdayFormId);
    m_btnWeekdayForm.hide();
    m_btnDayForm.setParent(this);
    m_btnDayForm.SetDlgCtrlID(kDayFormId);
    m_btnDayForm.hide();
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

std::int64_t CDstSetupPage::ClockNow() const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(SteadyNow() - m_clockAt).count();
    return m_clock + std::max<std::int64_t>(elapsed, 0);
}

void CDstSetupPage::BuildPage()
{
    // Text tables.
    std::vector<QString> modes{LoadResString(5340).left(kEntryChars)};
    for (int id = 5250; id <= 5278; ++id)
        modes.push_back(LoadResString(id).left(kEntryChars));
    m_modes = TextTable::FromTexts(std::move(modes));
    m_months = Range(5290, 5301);
    m_weeks = Range(5305, 5309);
    m_weekdays = Range(5313, 5319);
    std::vector<QString> days;
    for (int d = 1; d <= 31; ++d)
        days.push_back(QString::number(d));
    m_days = TextTable::FromTexts(std::move(days));

    RequestRecorderTime();

    const int captions[5] = {5491, 5492, 5420, 5421, 5493};
    const int captionY[5] = {9, 32, 55, 101, 147};
    for (int i = 0; i < 5; ++i)
        SetupCtl::TitleLabel(m_lblCaption[i], LoadResString(captions[i]), 10, captionY[i], 70);
    SetupCtl::ValueCell(m_lblValue[kMode], QString(), 180, 8, 158);
    for (int k = 0; k < 6; ++k) {
        const Place& pl = kWeekdayPlaces[k];
        SetupCtl::ValueCell(m_lblValue[kRuleItems[k]], QString(), pl.x, pl.y, pl.w);
    }
    SetupCtl::ValueCell(m_lblValue[kStartTime], TimeText(kStartTime), 188, 77, 120);
    SetupCtl::ValueCell(m_lblValue[kEndTime], TimeText(kEndTime), 188, 123, 120);
    SetupCtl::ValueCell(m_lblValue[kOffset], TimeText(kOffset), 188, 146, 120);
    const COLORREF colours[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
    int x = 120;
    for (auto [b, caption] : {std::pair{&m_btnWeekdayForm, 5498}, std::pair{&m_btnDayForm, 5422}}) {
        b->SetBitmap(2137);
        b->SetFont(9, 0, 700, "Arial Bold");
        std::copy(std::begin(colours), std::end(colours), b->m_crText);
        b->SetText(0, LoadResString(caption), true);
        b->setGeometry(x, 29, 100, 17);
        b->hide();
        x = 240;
    }
    m_bChanged = false;
    ShowMode(static_cast<int>(Image().Get(SetupDb::DstMode)));
    ClosePickers();
}

void CDstSetupPage::RequestRecorderTime()
{
    const std::int64_t local = UtcNow() + ZoneOffset();
    m_clock = local;
    m_clockAt = SteadyNow();
    WallTime now;
    if (BreakDownWall(local, now))
        m_nYear = now.year;
    if (!m_pSetupDlg)
        return;
    // The recorder expects this header as its own clients send it: words 1
    // and 2 are not zero, unlike the headers of every other request.
    static const std::uint8_t kRequest[16] = {0x00, 0x00, 0x3F, 0x00, 0x00, 0x3F, 0x00, 0x00,
                                              0x00, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    TRACE("Send...DVR_TIME_REQ...\n");
    m_pSetupDlg->Link().SendRaw(kRequest, sizeof kRequest);
}

void CDstSetupPage::OnDvrTimeAck(std::uint32_t seconds)
{
    if (seconds == 0)
        return;
    m_clock = ClampRecorderTime(seconds, ZoneOffset());
    m_clockAt = SteadyNow();
}

LRESULT CDstSetupPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DVR_TIME_ACK) {
        OnDvrTimeAck(static_cast<std::uint32_t>(wParam));
        return 0;
    }
    return CSetupPage::WindowProc(msg, wParam, lParam);
}

QString CDstSetupPage::TimeText(int item) const
{
    using namespace SetupDb;
    const ImageRef image = Image();
    int h = 0;
    int m = 0;
    if (item == kStartTime) {
        h = static_cast<int>(image.Get(DstStart, 4));
        m = static_cast<int>(image.Get(DstStart, 5));
    } else if (item == kEndTime) {
        h = static_cast<int>(image.Get(DstEnd, 4));
        m = static_cast<int>(image.Get(DstEnd, 5));
    } else {
        h = static_cast<int>(image.Get(DstOffsetHours));
        m = static_cast<int>(image.Get(DstOffsetMinutes));
    }
    return QString::asprintf("%02d : %02d", h, m);
}

void CDstSetupPage::HideRule()
{
    m_btnWeekdayForm.hide();
    m_btnDayForm.hide();
    for (int i = 1; i < 10; ++i)
        m_lblValue[i].hide();
}

void CDstSetupPage::ShowMode(int mode)
{
    m_lblValue[kMode].SetText(m_modes.At(mode, QString::number(mode)));
    if (mode == 1) {
        if (Image().Get(SetupDb::DstRuleForm) == 0)
            ShowWeekdayForm();
        else
            ShowDayForm();
    } else {
        HideRule();
    }
}

void CDstSetupPage::ShowRuleLabels(bool weekdayForm)
{
    const Place* places = weekdayForm ? kWeekdayPlaces : kDayPlaces;
    for (int k = 0; k < 6; ++k) {
        const Place& pl = places[k];
        m_lblValue[kRuleItems[k]].setGeometry(pl.x, pl.y, pl.w, 14);
    }
    for (int i = 1; i < 10; ++i)
        m_lblValue[i].show();
    m_lblValue[kStartWeekday].setVisible(weekdayForm);
    m_lblValue[kEndWeekday].setVisible(weekdayForm);
    m_btnWeekdayForm.show();
    m_btnDayForm.show();
    m_btnWeekdayForm.SetState(weekdayForm ? 1 : 0);
    m_btnDayForm.SetState(weekdayForm ? 0 : 1);
}

void CDstSetupPage::RefreshRuleTexts()
{
    using namespace SetupDb;
    const ImageRef image = Image();
    for (bool start : {true, false}) {
        const Field& f = start ? DstStart : DstEnd;
        const int base = start ? 0 : 4;
        const auto b = [&](int i) { return static_cast<int>(image.Get(f, i)); };
        m_lblValue[1 + base].SetText(m_months.At(b(0), QString::number(b(0))));
        if (m_bWeekdayForm) {
            m_lblValue[2 + base].SetText(m_weeks.At(b(1), QString::number(b(1))));
            m_lblValue[3 + base].SetText(m_weekdays.At(b(2), QString::number(b(2))));
        } else {
            m_lblValue[2 + base].SetText(m_days.At(b(3), QString::number(b(3))));
        }
    }
}

void CDstSetupPage::Recompute(bool start)
{
    using namespace SetupDb;
    ImageRef image = Image();
    const Field& f = start ? DstStart : DstEnd;
    const int month = static_cast<int>(image.Get(f, 0));
    if (m_bWeekdayForm) {
        const int day = NthWeekdayDay(m_nYear, month, static_cast<int>(image.Get(f, 1)),
                                      static_cast<int>(image.Get(f, 2)));
        image.Set(f, 3, static_cast<std::uint32_t>(day - 1));
    } else {
        const WeekAndWeekday w = DayToWeekAndWeekday(m_nYear, month, static_cast<int>(image.Get(f, 3)));
        image.Set(f, 1, static_cast<std::uint32_t>(w.week));
        image.Set(f, 2, static_cast<std::uint32_t>(w.weekday));
    }
}

void CDstSetupPage::ShowWeekdayForm()
{
    ClosePickers();
    Image().Set(SetupDb::DstRuleForm, 0);
    m_bWeekdayForm = true;
    ShowRuleLabels(true);
    Recompute(true);
    Recompute(false);
    RefreshRuleTexts();
}

void CDstSetupPage::ShowDayForm()
{
    ClosePickers();
    Image().Set(SetupDb::DstRuleForm, 1);
    m_bWeekdayForm = false;
    ShowRuleLabels(false);
    RefreshRuleTexts();
    Recompute(true);
    Recompute(false);
}

bool CDstSetupPage::OnCommand(int id, WORD code)
{
    if (code == BN_CLICKED && id == kWeekdayFormId) {
        ShowWeekdayForm();
        return true;
    }
    if (code == BN_CLICKED && id == kDayFormId) {
        ShowDayForm();
        return true;
    }
    if (code == STN_CLICKED && id >= kFirstValueId && id < kFirstValueId + 10) {
        OpenItem(id - kFirstValueId);
        return true;
    }
    return false;
}

void CDstSetupPage::OpenItem(int item)
{
    using namespace SetupDb;
    if (item < 0 || item > 9)
        return;
    CSkinLabel& cell = m_lblValue[item];
    if (cell.isHidden() || cell.GetWindowText().isEmpty())
        return;
    const ImageRef image = Image();
    switch (item) {
    case kMode: {
        std::vector<QString> names;
        for (const QString& n : m_modes.Texts()) {
            if (n.isEmpty())
                break;
            names.push_back(n);
        }
        OpenListFromCell(cell, item, names, 700, 1);
        return;
    }
    case kStartMonth:
    case kEndMonth:
        OpenListFromCell(cell, item, m_months.Texts(), 80);
        return;
    case kStartWeekOrDay:
    case kEndWeekOrDay:
        if (m_bWeekdayForm) {
            OpenListFromCell(cell, item, m_weeks.Texts(), 110);
        } else {
            const int month = static_cast<int>(image.Get(item == kStartWeekOrDay ? DstStart : DstEnd, 0));
            std::vector<QString> days(m_days.Texts().begin(),
                                      m_days.Texts().begin() + DaysInRuleMonth(month, m_nYear));
            OpenListFromCell(cell, item, days, 163, 1);
        }
        return;
    case kStartWeekday:
    case kEndWeekday:
        OpenListFromCell(cell, item, m_weekdays.Texts(), 150);
        return;
    default: {
        const int h = static_cast<int>(item == kStartTime ? image.Get(DstStart, 4)
                                       : item == kEndTime ? image.Get(DstEnd, 4)
                                                          : image.Get(DstOffsetHours));
        const int m = static_cast<int>(item == kStartTime ? image.Get(DstStart, 5)
                                       : item == kEndTime ? image.Get(DstEnd, 5)
                                                          : image.Get(DstOffsetMinutes));
        OpenTimeSlider(cell, cell.m_ptClick, item, 2, std::min(h, 23), std::min(m, 59), 0, 358);
        return;
    }
    }
}

void CDstSetupPage::OnListPicked(int nItemId, int nIndex)
{
    using namespace SetupDb;
    if (nIndex < 0)
        return;
    ImageRef image = Image();
    m_bChanged = true;
    if (nItemId == kMode) {
        if (!m_modes.Has(nIndex))
            return;
        image.Set(DstMode, static_cast<std::uint32_t>(nIndex));
        ShowMode(nIndex);
        return;
    }
    const bool start = nItemId < kStartTime;
    const Field& f = start ? DstStart : DstEnd;
    const int which = start ? nItemId : nItemId - 4; // 1 month, 2 week or day, 3 weekday
    switch (which) {
    case 1: {
        if (!m_months.Has(nIndex))
            return;
        image.Set(f, 0, static_cast<std::uint32_t>(nIndex));
        const int length = DaysInRuleMonth(nIndex, m_nYear);
        if (!m_bWeekdayForm && static_cast<int>(image.Get(f, 3)) > length - 1)
            image.Set(f, 3, static_cast<std::uint32_t>(length - 1));
        break;
    }
    case 2:
        if (m_bWeekdayForm) {
            if (!m_weeks.Has(nIndex))
                return;
            image.Set(f, 1, static_cast<std::uint32_t>(nIndex));
        } else {
            if (nIndex >= DaysInRuleMonth(static_cast<int>(image.Get(f, 0)), m_nYear))
                return;
            image.Set(f, 3, static_cast<std::uint32_t>(nIndex));
        }
        break;
    case 3:
        if (!m_bWeekdayForm || !m_weekdays.Has(nIndex))
            return;
        image.Set(f, 2, static_cast<std::uint32_t>(nIndex));
        break;
    default:
        return;
    }
    Recompute(start);
    RefreshRuleTexts();
}

void CDstSetupPage::OnSliderPicked(int nItemId, int nValue1, int nValue2, int)
{
    using namespace SetupDb;
    const auto h = static_cast<std::uint32_t>(std::clamp(nValue1, 0, 23));
    const auto m = static_cast<std::uint32_t>(std::clamp(nValue2, 0, 59));
    ImageRef image = Image();
    switch (nItemId) {
    case kStartTime:
        image.Set(DstStart, 4, h);
        image.Set(DstStart, 5, m);
        break;
    case kEndTime:
        image.Set(DstEnd, 4, h);
        image.Set(DstEnd, 5, m);
        break;
    case kOffset:
        image.Set(DstOffsetHours, h);
        image.Set(DstOffsetMinutes, m);
        break;
    default:
        return;
    }
    m_bChanged = true;
    m_lblValue[nItemId].SetText(TimeText(nItemId));
}

void CDstSetupPage::OnTeardown()
{
    ImageRef image = Image();
    if (image.Get(SetupDb::DstMode) != 1 || !m_bChanged || !InDstOverlap(ClockNow(), image))
        return;
    bool ok = false;
    if (ConfirmSeam()) {
        ok = ConfirmSeam()();
    } else {
        CDstConfirmDlg box(m_pSetupDlg, 255);
        ok = box.DoModal() == 1;
    }
    image.Set(SetupDb::DstConfirm, ok ? 1u : 0u);
}
