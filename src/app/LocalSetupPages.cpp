#include "app/LocalSetupPages.h"

#include "app/ResIdsLocalSetup.h"
#include "ui/ResIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

namespace {

constexpr COLORREF kNameText = 0x785A5A;
constexpr COLORREF kValueText = 0x783C3C;
constexpr COLORREF kValueHover = 0xE6D200;
// The light page backgrounds behind the row names (#c3c8d0), and the Global
// page's row stripes (#b2b8c1).
constexpr COLORREF kPageFace = 0xD0C8C3;
constexpr COLORREF kStripeFace = 0xC1B8B2;
constexpr COLORREF kOkText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
constexpr int kIdAllCheck = 480;
constexpr int kIdClearAll = 481;
constexpr int kIdCheckFirst = 490;
constexpr int kIdSliderFirst = 510;
constexpr int kIdNameFirst = 530;
constexpr int kIdOnFirst = 550;
constexpr int kIdOffFirst = 570;
constexpr int kIdLabelFirst = 790;
constexpr int kRowPitch = 23;

void NameLabel(CSkinLabel& l, const QString& text, const QRect& r, COLORREF face = kPageFace)
{
    l.SetStyle(kNameText, kNameText, 0, 0, true, 9, "Arial Bold");
    l.SetBkColor(face);
    l.SetText(text);
    l.setGeometry(r);
    l.show();
}

void ValueLabel(CSkinLabel& l, const QRect& r)
{
    l.SetBitmap(0, IDB_VALUE_BODY);
    l.SetStyle(kValueHover, kValueText, 0, 1, true, 9, "Arial Bold");
    l.setGeometry(r);
    l.show();
}

void RowCheckBox(CSkinCheckBox& c, int row)
{
    c.SetBitmaps(IDB_CHECK_NORMAL, IDB_CHECK_DOWN, IDB_CHECK_NORMAL, IDB_CHECK_NORMAL, IDB_CHECK_NORMAL,
                 IDB_CHECK_MASK, 0, 0, 0);
    c.setGeometry(6, 7 + kRowPitch * row, 15, 15);
    c.SetCheck(0);
    c.show();
}

void AllCheckButtons(CSkinTextButton& all, CSkinTextButton& clear)
{
    for (auto [b, text, x] :
         {std::tuple<CSkinTextButton*, int, int>{&all, IDS_ALL_CHECK, 2}, {&clear, IDS_CLEAR_ALL, 103}}) {
        b->SetBitmap(IDB_ALL_CHECK_BUTTON);
        b->SetFont(9, 0, 700, "Arial Bold");
        for (int i = 0; i < 4; ++i)
            b->m_crText[i] = kOkText[i];
        b->SetText(0, LoadResString(text), true);
        b->setGeometry(x, 396, 97, 22);
        b->show();
    }
}

QString ChannelText(int row)
{
    return QStringLiteral("%1%2")
        .arg(LoadResString(IDS_CHANNEL_PREFIX))
        .arg(row + 1, 2, 10, QLatin1Char('0'));
}

bool IsClick(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED && lParam != 0;
}

} // namespace

// ---------------------------------------------------------------------------
// Global

CLocalGlobalPage::CLocalGlobalPage(CLocalSetupDlg* host) : CLocalPage(host)
{
    for (int i = 0; i < kGlobalItems; ++i) {
        m_lblName[i].setParent(this);
        m_lblName[i].SetNotify(false);
        m_lblName[i].SetDlgCtrlID(GlobalItemOf(i).nameId);
        m_lblValue[i].setParent(this);
        m_lblValue[i].SetDlgCtrlID(GlobalItemOf(i).valueId);
    }
}

bool CLocalGlobalPage::OnInitDialog()
{
    CLocalPage::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(IDB_LSETUP_GLOBAL_BACK);
    m_bmpStripe = LoadSkinBitmap(IDB_LSETUP_ROW_STRIPE);
    static constexpr int kNameText[kGlobalItems] = {
        IDS_NAME_DRAWMODE,   IDS_NAME_DATEFORMAT, IDS_NAME_SAVEFORMAT, IDS_NAME_LOCATION,
        IDS_NAME_HOURSYSTEM, IDS_NAME_WATERMARK,  IDS_NAME_MAXALARM};
    // Rows top to bottom: draw mode, date, save format, hour system,
    // watermark, alarm, data folder.
    static constexpr int kRowOf[kGlobalItems] = {0, 1, 2, 6, 3, 4, 5};
    const bool readOnly = Host()->SetupHost() && Host()->SetupHost()->ReadOnlyMedia();
    for (int i = 0; i < kGlobalItems; ++i) {
        const int y = 8 + kRowPitch * kRowOf[i];
        NameLabel(m_lblName[i], LoadResString(kNameText[i]), QRect(10, y + 1, 135, 14), kStripeFace);
        if (i == kGlobalFolderItem) {
            // On read-only media the folder is a plain label that ignores clicks.
            if (readOnly) {
                NameLabel(m_lblValue[i], QString(), QRect(160, y, 230, 14), kStripeFace);
                m_lblValue[i].SetNotify(false);
            } else {
                ValueLabel(m_lblValue[i], QRect(160, y, 230, 14));
            }
            m_lblValue[i].SetText(LocationText(Record()));
        } else {
            ValueLabel(m_lblValue[i], QRect(198, y, 150, 14));
            ShowChoice(i);
        }
    }
    // The grid is made for one drawing path; a new one is made only after OK,
    // and not under running video.
    if (Host()->SetupHost() && Host()->SetupHost()->VideoViewMode() != 0)
        m_lblValue[0].setEnabled(false);
    setGeometry(CLocalSetupDlg::kPageRect);
    return true;
}

void CLocalGlobalPage::ShowChoice(int item)
{
    const int index = GlobalChoiceIndex(Record(), item);
    const std::vector<QString> choices = GlobalChoices(item);
    m_lblValue[item].SetText(index >= 0 && index < static_cast<int>(choices.size())
                                 ? choices[static_cast<std::size_t>(index)]
                                 : QString());
}

void CLocalGlobalPage::paintEvent(QPaintEvent* e)
{
    CLocalPage::paintEvent(e);
    QPainter p(this);
    for (int y = 24; y <= 162; y += kRowPitch)
        DrawBitmap(p, m_bmpStripe, 2, y - 19, 402, y, true, 0);
}

void CLocalGlobalPage::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Host()->ClosePicker();
    CLocalPage::mousePressEvent(e);
}

void CLocalGlobalPage::OnValueClicked(int item)
{
    if (item == kGlobalFolderItem) {
        OnFolderClicked();
        return;
    }
    if (item < 0 || item >= kGlobalItems || m_lblValue[item].GetWindowText().isEmpty())
        return;
    const GlobalItem& it = GlobalItemOf(item);
    const std::vector<QString> choices = GlobalChoices(item);
    // 26 KB, built on the stack and copied by the pop-up.
    ListPickerRequest request;
    std::memset(&request, 0, sizeof request);
    request.Count = it.choiceCount;
    for (int i = 0; i < it.choiceCount && i < static_cast<int>(choices.size()); ++i)
        SetListPickerItem(request, i, choices[static_cast<std::size_t>(i)].toLatin1().constData());
    CSkinLabel& label = m_lblValue[item];
    const QPoint topLeft = label.mapToGlobal(QPoint(0, 0));
    request.AnchorRect = {topLeft.x(), topLeft.y(), topLeft.x() + label.width(),
                          topLeft.y() + label.height()};
    request.ClickX = label.m_ptClick.x();
    request.ClickY = label.m_ptClick.y();
    request.Width = it.popupWidth;
    Host()->OpenListPicker(this, item, &request, 0);
}

void CLocalGlobalPage::OnFolderClicked()
{
    ILocalSetupHost* host = Host()->SetupHost();
    if (host && host->ReadOnlyMedia())
        return;
    Host()->ClosePicker();
    const QString current = LocationText(Record());
    const QString start = !current.isEmpty() && QDir(current).exists() ? current : QDir::homePath();
    QString chosen;
    if (!Host()->FolderChooserFn() ||
        !Host()->FolderChooserFn()(this, LoadResString(IDS_FOLDER_TITLE), start, &chosen))
        return;
    const FolderResult result = StoreChosenFolder(chosen, Record());
    if (result == FolderResult::TooLong) {
        if (host)
            host->ShowNotice(Host(), LoadResString(IDS_FOLDER_TOO_LONG),
                             LoadResString(IDS_FOLDER_TOO_LONG_2));
        return;
    }
    if (result == FolderResult::Stored)
        m_lblValue[kGlobalFolderItem].SetText(LocationText(Record()));
}

void CLocalGlobalPage::OnListPicked(int nItemId, int nIndex)
{
    if (!WriteGlobalPick(Record(), nItemId, nIndex))
        return;
    m_lblValue[nItemId].hide();
    ShowChoice(nItemId);
    m_lblValue[nItemId].show();
}

LRESULT CLocalGlobalPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == STN_CLICKED && lParam != 0) {
        for (int i = 0; i < kGlobalItems; ++i) {
            if (CommandId(wParam) == GlobalItemOf(i).valueId) {
                OnValueClicked(i);
                return 0;
            }
        }
    }
    return CLocalPage::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Opacity and Audio buffer

CLocalSliderRowsPage::CLocalSliderRowsPage(CLocalSetupDlg* host, const SliderRowsDesc& desc)
    : CLocalPage(host), m_desc(desc)
{
    for (int r = 0; r < m_desc.rows; ++r) {
        m_chkRow[r].setParent(this);
        m_chkRow[r].SetDlgCtrlID(kIdCheckFirst + r);
        m_lblName[r].setParent(this);
        m_lblName[r].SetNotify(false);
        m_lblName[r].SetDlgCtrlID(kIdLabelFirst + r);
        m_slider[r].setParent(this);
        m_slider[r].SetDlgCtrlID(kIdSliderFirst + r);
        m_lblValue[r].setParent(this);
        m_lblValue[r].SetNotify(false);
        m_lblValue[r].SetDlgCtrlID(m_desc.valueIdBase + r);
    }
    for (int r = m_desc.rows; r < 9; ++r) {
        m_chkRow[r].hide();
        m_lblName[r].hide();
        m_slider[r].hide();
        m_lblValue[r].hide();
    }
    m_btnAllCheck.setParent(this);
    m_btnAllCheck.SetDlgCtrlID(kIdAllCheck);
    m_btnClearAll.setParent(this);
    m_btnClearAll.SetDlgCtrlID(kIdClearAll);
}

bool CLocalSliderRowsPage::OnInitDialog()
{
    CLocalPage::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(m_desc.background);
    const BYTE* field = reinterpret_cast<const BYTE*>(&Record()) + m_desc.fieldOffset;
    for (int r = 0; r < m_desc.rows; ++r) {
        RowCheckBox(m_chkRow[r], r);
        NameLabel(m_lblName[r], LoadResString(m_desc.nameText[static_cast<std::size_t>(r)]),
                  QRect(28, 9 + kRowPitch * r, m_desc.nameWidth, 14));
        CSkinSlider& s = m_slider[r];
        s.SetChannelBitmaps(IDB_SETUP_SLIDER_SHORT_CHANNEL, IDB_SETUP_SLIDER_SHORT_ACTIVE, false, 0, 0, 0);
        s.EnableFocusRect(true, false);
        s.SetMargin(0, 0, 0, 0);
        s.SetRange(m_desc.min, m_desc.max, false);
        s.setGeometry(m_desc.sliderX, 10 + kRowPitch * r, 150, 9);
        // The slider clamps; the record keeps what it holds until the row moves.
        s.SetPos(field[r]);
        s.show();
        ValueLabel(m_lblValue[r], QRect(m_desc.valueX, 8 + kRowPitch * r, 50, 14));
        m_lblValue[r].SetText(QString::number(s.GetPos()));
    }
    AllCheckButtons(m_btnAllCheck, m_btnClearAll);
    setGeometry(CLocalSetupDlg::kPageRect);
    return true;
}

std::vector<bool> CLocalSliderRowsPage::Checked()
{
    std::vector<bool> checked;
    for (int r = 0; r < m_desc.rows; ++r)
        checked.push_back(m_chkRow[r].GetCheck() != 0);
    return checked;
}

void CLocalSliderRowsPage::CheckAll(bool check)
{
    for (int r = 0; r < m_desc.rows; ++r)
        m_chkRow[r].SetCheck(check ? 1 : 0);
}

void CLocalSliderRowsPage::OnSliderMoved(int sliderId)
{
    const int row = sliderId - kIdSliderFirst;
    if (row < 0 || row >= m_desc.rows)
        return;
    const SliderMove move = MoveSliderRow(m_desc, Checked(), row, m_slider[row].GetPos(), Record());
    const QString text = QString::number(move.value);
    for (int r : move.rows) {
        if (m_slider[r].GetPos() != move.value)
            m_slider[r].SetPos(move.value);
        m_lblValue[r].SetText(text);
    }
}

LRESULT CLocalSliderRowsPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED) {
        OnSliderMoved(static_cast<int>(wParam));
        return 0;
    }
    if (IsClick(msg, wParam, lParam) &&
        (CommandId(wParam) == kIdAllCheck || CommandId(wParam) == kIdClearAll)) {
        CheckAll(CommandId(wParam) == kIdAllCheck);
        return 0;
    }
    return CLocalPage::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Camera Name

CLocalCameraNamePage::CLocalCameraNamePage(CLocalSetupDlg* host) : CLocalPage(host)
{
    for (int r = 0; r < kRows; ++r) {
        m_editName[r].setParent(this);
        m_editName[r].SetDlgCtrlID(kIdNameFirst + r);
        m_lblChannel[r].setParent(this);
        m_lblChannel[r].SetNotify(false);
        m_lblChannel[r].SetDlgCtrlID(kIdLabelFirst + r);
    }
}

bool CLocalCameraNamePage::OnInitDialog()
{
    CLocalPage::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(IDB_LSETUP_CAMNAME_BACK);
    for (int r = 0; r < kRows; ++r) {
        CColorEdit& e = m_editName[r];
        e.setGeometry(87, 6 + kRowPitch * r, 278, 17);
        e.SetTextColor(kValueText);
        e.SetLimitText(kTypingLimit);
        // Raises the change notification: every shown name is written back
        // once, unchanged, as the page opens.
        e.setText(CameraNameText(Record(), r));
        e.show();
        NameLabel(m_lblChannel[r], ChannelText(r), QRect(9, 9 + kRowPitch * r, 50, 14));
    }
    setGeometry(CLocalSetupDlg::kPageRect);
    return true;
}

void CLocalCameraNamePage::OnNameChanged(int row)
{
    if (row < 0 || row >= kRows || m_bReverting)
        return;
    if (StoreCameraName(Record(), row, m_editName[row].text()))
        return;
    // A character with no single byte in the captions' encoding is refused
    // as it is typed or pasted: the box goes back to the stored name.
    m_bReverting = true;
    const int cursor = m_editName[row].cursorPosition();
    m_editName[row].setText(CameraNameText(Record(), row));
    m_editName[row].setCursorPosition(std::min<int>(cursor, static_cast<int>(m_editName[row].text().size())));
    m_bReverting = false;
}

LRESULT CLocalCameraNamePage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == EN_CHANGE) {
        OnNameChanged(CommandId(wParam) - kIdNameFirst);
        return 0;
    }
    return CLocalPage::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Deinterlace

CLocalDeinterlacePage::CLocalDeinterlacePage(CLocalSetupDlg* host) : CLocalPage(host)
{
    for (int r = 0; r < kRows; ++r) {
        m_chkRow[r].setParent(this);
        m_chkRow[r].SetDlgCtrlID(kIdCheckFirst + r);
        m_lblChannel[r].setParent(this);
        m_lblChannel[r].SetNotify(false);
        m_lblChannel[r].SetDlgCtrlID(kIdLabelFirst + r);
        m_btnOn[r].setParent(this);
        m_btnOn[r].SetDlgCtrlID(kIdOnFirst + r);
        m_btnOff[r].setParent(this);
        m_btnOff[r].SetDlgCtrlID(kIdOffFirst + r);
    }
    m_btnAllCheck.setParent(this);
    m_btnAllCheck.SetDlgCtrlID(kIdAllCheck);
    m_btnClearAll.setParent(this);
    m_btnClearAll.SetDlgCtrlID(kIdClearAll);
}

bool CLocalDeinterlacePage::OnInitDialog()
{
    CLocalPage::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(IDB_LSETUP_DEINTERLACE_BACK);
    m_nRowCount = kRows;
    for (int r = 0; r < m_nRowCount; ++r) {
        RowCheckBox(m_chkRow[r], r);
        NameLabel(m_lblChannel[r], ChannelText(r), QRect(28, 9 + kRowPitch * r, 60, 14));
        for (auto [b, bitmap, text, x] :
             {std::tuple<CSkinTextButton*, int, int, int>{&m_btnOn[r], IDB_ON_BUTTON, IDS_ON, 135},
              {&m_btnOff[r], IDB_OFF_BUTTON, IDS_OFF, 236}}) {
            b->SetBitmap(static_cast<UINT>(bitmap));
            b->SetFont(9, 0, 700, "Arial Bold");
            b->SetText(38, LoadResString(text), false);
            b->setGeometry(x, 6 + kRowPitch * r, 100, 17);
            b->show();
        }
        ShowRow(r);
    }
    AllCheckButtons(m_btnAllCheck, m_btnClearAll);
    setGeometry(CLocalSetupDlg::kPageRect);
    return true;
}

void CLocalDeinterlacePage::ShowRow(int row)
{
    // Any byte but 0 is off; it stays as stored until the row is clicked.
    const bool on = Record().Deinterlace[row] == 0;
    m_btnOn[row].SetState(on ? 1 : 0);
    m_btnOff[row].SetState(on ? 0 : 1);
}

std::vector<bool> CLocalDeinterlacePage::Checked()
{
    std::vector<bool> checked;
    for (int r = 0; r < m_nRowCount; ++r)
        checked.push_back(m_chkRow[r].GetCheck() != 0);
    return checked;
}

void CLocalDeinterlacePage::Set(int row, bool on)
{
    if (row < 0 || row >= m_nRowCount)
        return;
    for (int r : SetDeinterlaceRows(Checked(), row, on, Record()))
        ShowRow(r);
}

void CLocalDeinterlacePage::OnOn(int row)
{
    Set(row, true);
}

void CLocalDeinterlacePage::OnOff(int row)
{
    Set(row, false);
}

LRESULT CLocalDeinterlacePage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (IsClick(msg, wParam, lParam)) {
        const int id = CommandId(wParam);
        if (id >= kIdOnFirst && id < kIdOnFirst + kRows) {
            OnOn(id - kIdOnFirst);
            return 0;
        }
        if (id >= kIdOffFirst && id < kIdOffFirst + kRows) {
            OnOff(id - kIdOffFirst);
            return 0;
        }
        if (id == kIdAllCheck || id == kIdClearAll) {
            for (int r = 0; r < m_nRowCount; ++r)
                m_chkRow[r].SetCheck(id == kIdAllCheck ? 1 : 0);
            return 0;
        }
    }
    return CLocalPage::WindowProc(msg, wParam, lParam);
}
