#include "setup/ClientAccountPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

namespace {
// Right k's label says what right k grants, each in its own words.
constexpr int kRightText[8] = {5855, 5856, 5121, 5857, 5858, 5859, 5862, 5585};
constexpr int kRightYNew[8] = {168, 214, 260, 306, 191, 237, 283, 329};
constexpr int kTitleText[7] = {5852, 5701, 5853, 5486, 5487, 5488, 5854};
constexpr int kTitleYNew[7] = {32, 55, 78, 101, 124, 147, 170};
constexpr int kTitleYOld[7] = {9, 32, 55, 101, 124, 147, 193};
constexpr int kTextLimit = 8;
// What a slot keeps of a typed text besides its NUL.
constexpr int kStoredChars = 30;
constexpr int kArchiveChars = 31;
} // namespace

CClientAccountPage::CClientAccountPage() : CSetupPage(SetupPage::kClientAccount, 1687)
{
    int id = 790;
    for (CSkinLabel& l : m_lblTitle)
        l.setParent(this), l.SetDlgCtrlID(id++), l.hide();
    for (CSkinLabel& l : m_lblValue)
        l.setParent(this), l.SetDlgCtrlID(id++), l.hide();
    id = 800;
    for (CSkinLabel& l : m_lblRight)
        l.setParent(this), l.SetDlgCtrlID(id++), l.hide();
    for (CSkinLabel* l : {&m_lblLogout[0], &m_lblLogout[1], &m_lblLogoutValue[0], &m_lblLogoutValue[1],
                          &m_lblArchive[0], &m_lblArchive[1]})
        l->setParent(this), l->SetDlgCtrlID(id++), l->hide();
    id = 530;
    for (CSkinEdit* e : std::initializer_list<CSkinEdit*>{&m_editName, &m_editPassword, &m_editConfirm,
                                                          &m_editArchive[0], &m_editArchive[1]})
        e->setParent(this), e->SetDlgCtrlID(id++), e->hide();
    for (int i = 0; i < 8; ++i)
        m_check[i].setParent(this), m_check[i].SetDlgCtrlID(kFirstCheckId + i), m_check[i].hide();
    m_btnLiveCh.setParent(this), m_btnLiveCh.SetDlgCtrlID(kLiveChId), m_btnLiveCh.hide();
    m_btnApply.setParent(this), m_btnApply.SetDlgCtrlID(kApplyId), m_btnApply.hide();
    m_btnArchive.setParent(this), m_btnArchive.SetDlgCtrlID(kArchiveChangeId), m_btnArchive.hide();
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

QString CClientAccountPage::UserListText(int user) const
{
    if (user >= 0 && user < static_cast<int>(m_userTexts.size()))
        return m_userTexts[static_cast<std::size_t>(user)];
    return QString::number(user);
}

QString CClientAccountPage::LogoutText(int v) const
{
    if (v >= 0 && v < static_cast<int>(m_logouts.size()))
        return m_logouts[static_cast<std::size_t>(v)];
    return QString::number(v);
}

bool CClientAccountPage::TabOffered(int view) const
{
    return view >= 0 && view < 3 && m_tabOfView[view] >= 0;
}

void CClientAccountPage::BuildPage()
{
    const RecorderCaps& caps = Caps();
    m_access = AccountAccess::From(caps, Version().LaterThan(4, 7));
    const bool nf = m_access.newFormat;
    // Texts.
    m_userTexts = {LoadResString(5850), LoadResString(5851)};
    for (int i = 1; i <= 4; ++i)
        m_userTexts.push_back(LoadResString(5485) + QString::number(i));
    m_onOff = TextTable({5340, 5344});
    m_nameActions = TextTable({5240, 5241, 5242});
    const bool fiveMinutes = caps.hasConnection && caps.subProductMajor != 5 && caps.subProductMajor != 6;
    m_logouts = {QStringLiteral("Off"), fiveMinutes ? QStringLiteral("5m") : QStringLiteral("15m"),
                 QStringLiteral("30m"), QStringLiteral("1h")};

    // Tabs: only the views the recorder offers are placed and shown.
    if (nf) {
        std::vector<CSetupTabBar::Tab> tabs;
        if (caps.archiveSupport && caps.autoLogoutSupport) {
            tabs = {{470, 2252, QRect(2, 0, 133, 24), LoadResString(5861)},
                    {471, 2253, QRect(135, 0, 133, 24), LoadResString(5930)},
                    {472, 2254, QRect(268, 0, 133, 24), LoadResString(5931)}};
            m_tabOfView[0] = 0, m_tabOfView[1] = 1, m_tabOfView[2] = 2;
        } else if (caps.archiveSupport) {
            tabs = {{470, 2250, QRect(2, 0, 200, 24), LoadResString(5861)},
                    {472, 2251, QRect(202, 0, 200, 24), LoadResString(5931)}};
            m_tabOfView[0] = 0, m_tabOfView[2] = 1;
        } else if (caps.autoLogoutSupport) {
            tabs = {{470, 2250, QRect(2, 0, 200, 24), LoadResString(5861)},
                    {471, 2251, QRect(202, 0, 200, 24), LoadResString(5930)}};
            m_tabOfView[0] = 0, m_tabOfView[1] = 1;
        }
        if (!tabs.empty())
            m_tabs.Build(this, tabs);
        if (TabOffered(kArchiveView) && !m_access.CanArchive())
            m_tabs.Button(m_tabOfView[kArchiveView]).Enable(false);
    }
    for (int i = 0; i < 7; ++i)
        SetupCtl::TitleLabel(m_lblTitle[i], LoadResString(kTitleText[i]), 20,
                             nf ? kTitleYNew[i] : kTitleYOld[i], 110);
    for (int i = 0; i < 3; ++i)
        SetupCtl::ValueCell(m_lblValue[i], QString(), 154, (nf ? 31 : 8) + 23 * i, 230);
    int y = 98;
    for (CSkinEdit* e : std::initializer_list<CSkinEdit*>{&m_editName, &m_editPassword, &m_editConfirm}) {
        e->SetTextColor(0x783C3C);
        e->SetLimitText(kTextLimit);
        e->setGeometry(154, y, 230, 17);
        e->show();
        y += 23;
    }
    m_editPassword.setEchoMode(QLineEdit::Password);
    m_editConfirm.setEchoMode(QLineEdit::Password);
    for (int i = 0; i < 8; ++i) {
        const int by = nf ? kRightYNew[i] : 191 + 23 * i;
        SetupCtl::RowCheckBox(m_check[i], 154, by);
        SetupCtl::TitleLabel(m_lblRight[i], LoadResString(kRightText[i]), 194, by + 1, 160);
    }
    if (nf) {
        SetupCtl::TitleLabel(m_lblLogout[0], LoadResString(5928), 20, 32, 110);
        SetupCtl::TitleLabel(m_lblLogout[1], LoadResString(5603), 20, 55, 110);
        SetupCtl::ValueCell(m_lblLogoutValue[0], QString(), 154, 31, 230);
        SetupCtl::ValueCell(m_lblLogoutValue[1], QString(), 154, 54, 230);
        SetupCtl::TitleLabel(m_lblArchive[0], LoadResString(5487), 20, 32, 110);
        SetupCtl::TitleLabel(m_lblArchive[1], LoadResString(5488), 20, 55, 110);
        for (int i = 0; i < 2; ++i) {
            m_editArchive[i].SetLimitText(kTextLimit);
            m_editArchive[i].setEchoMode(QLineEdit::Password);
            m_editArchive[i].setGeometry(154, 29 + 23 * i, 230, 17);
        }
        SetupCtl::CommandButton(m_btnArchive, LoadResString(5929), 304);
    }
    if (Version().MajorAtLeast(5))
        SetupCtl::CommandButton(m_btnLiveCh, LoadResString(6086), 2);
    SetupCtl::CommandButton(m_btnApply, LoadResString(5240), 304);

    // The logged-in account is shown even from slots 6 and 7, which the
    // list does not offer (its number stands for the missing text).
    if (Args().a == 1)
        m_nUser = std::clamp(Args().b, 0, kAccountSlots - 1);
    else if (caps.hasConnection)
        m_nUser = std::clamp(m_access.loggedIn, 0, 7);
    ShowUser(false);
    ResetEdits();
    m_btnArchive.Enable(false);
    ShowView(kAccountView);
}

void CClientAccountPage::ShowUser(bool fromPick)
{
    const ImageRef image = Image();
    m_lblValue[0].SetText(UserListText(m_nUser));
    QString name = image.Text(SetupDb::UserName, m_nUser);
    if (name.isEmpty() && fromPick && m_access.newFormat)
        name = UserListText(m_nUser);
    m_lblValue[1].SetText(name);
    const int level = static_cast<int>(image.Get(SetupDb::UserLevel, m_nUser));
    m_lblValue[2].SetText(m_onOff.At(level, QString::number(level)));
    for (int i = 0; i < 8; ++i)
        m_check[i].SetCheck(image.ByteOf(SetupDb::UserRight, kRightOfBox[i], m_nUser) == 1 ? 1 : 0);
    if (m_access.newFormat) {
        m_lblLogoutValue[0].SetText(LogoutText(static_cast<int>(image.Get(SetupDb::UserLogoutA, m_nUser))));
        m_lblLogoutValue[1].SetText(LogoutText(static_cast<int>(image.Get(SetupDb::UserLogoutB, m_nUser))));
    }
}

void CClientAccountPage::ResetEdits()
{
    for (CSkinEdit* e : std::initializer_list<CSkinEdit*>{&m_editName, &m_editPassword, &m_editConfirm}) {
        e->SetWindowText(QString());
        e->setEnabled(false);
    }
    m_btnApply.Enable(false);
}

void CClientAccountPage::ShowView(int view)
{
    if (view != kAccountView && !TabOffered(view))
        return;
    if (view == kArchiveView && !m_access.CanArchive())
        return;
    ClosePickers();
    m_nView = view;
    if (TabOffered(view))
        m_tabs.Show(m_tabOfView[view]);
    const bool account = view == kAccountView;
    const bool logout = view == kLogoutView;
    const bool archive = view == kArchiveView;
    for (CSkinLabel& l : m_lblTitle)
        l.setVisible(account);
    for (CSkinLabel& l : m_lblValue)
        l.setVisible(account);
    for (int i = 0; i < 8; ++i) {
        m_check[i].setVisible(account);
        m_lblRight[i].setVisible(account);
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{&m_editName, &m_editPassword, &m_editConfirm, &m_btnApply})
        w->setVisible(account);
    m_btnLiveCh.setVisible(account && Version().MajorAtLeast(5));
    for (int i = 0; i < 2; ++i) {
        m_lblLogout[i].setVisible(logout);
        m_lblLogoutValue[i].setVisible(logout);
        m_lblArchive[i].setVisible(archive);
        m_editArchive[i].setVisible(archive);
    }
    m_btnArchive.setVisible(archive);
    if (archive)
        m_editArchive[0].setFocus();
    SetBackground(!m_access.newFormat ? 1687 : (archive ? 1844 : (logout ? 1843 : 1842)));
}

bool CClientAccountPage::OnCommand(int id, WORD code)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case 470:
            ShowView(kAccountView);
            return true;
        case 471:
            ShowView(kLogoutView);
            return true;
        case 472:
            ShowView(kArchiveView);
            return true;
        case kLiveChId:
            OnLiveChannels();
            return true;
        case kApplyId:
            OnApply();
            return true;
        case kArchiveChangeId:
            OnArchiveChange();
            return true;
        default:
            if (id >= kFirstCheckId && id < kFirstCheckId + 8) {
                OnRightCheck(id - kFirstCheckId);
                return true;
            }
        }
    }
    if (code == STN_CLICKED) {
        if (id >= 797 && id <= 799) {
            OpenPicker(id - 797);
            return true;
        }
        if (id == 810 || id == 811) {
            OpenPicker(id == 810 ? kLogoutA : kLogoutB);
            return true;
        }
    }
    if (code == EN_CHANGE) {
        if (id == 531 || id == 532)
            OnPasswordChange();
        else if (id == 533 || id == 534)
            OnArchivePasswordChange();
        return id >= 530 && id <= 534;
    }
    return false;
}

void CClientAccountPage::OpenPicker(int item)
{
    const int u = m_nUser;
    switch (item) {
    case kUser: {
        if (m_lblValue[0].GetWindowText().isEmpty() || !m_access.CanPickUser())
            return;
        std::vector<QString> items;
        for (int v : m_access.PickableUsers())
            items.push_back(UserListText(v));
        OpenListFromCell(m_lblValue[0], kUser, items, 150);
        return;
    }
    case kName: {
        if (!m_access.CanName(u))
            return;
        ResetEdits();
        std::vector<QString> items;
        if (m_access.newFormat) {
            items = {m_nameActions.At(1)};
            m_bNameExists = true;
        } else if (m_lblValue[1].GetWindowText().isEmpty()) {
            items = {m_nameActions.At(0)};
            m_bNameExists = false;
        } else {
            items = {m_nameActions.At(1), m_nameActions.At(2)};
            m_bNameExists = true;
        }
        OpenListFromCell(m_lblValue[1], kName, items, 140, 0, true);
        return;
    }
    case kLevel:
        if (m_access.CanLevel(u))
            OpenListFromCell(m_lblValue[2], kLevel, m_onOff.Texts(), 140);
        return;
    case kLogoutA:
    case kLogoutB:
        if (m_access.CanLogout(u))
            OpenListFromCell(m_lblLogoutValue[item - kLogoutA], item, m_logouts, 120);
        return;
    default:
        return;
    }
}

void CClientAccountPage::OnListPicked(int nItemId, int nIndex)
{
    ImageRef image = Image();
    switch (nItemId) {
    case kUser: {
        const std::vector<int> users = m_access.PickableUsers();
        if (nIndex < 0 || nIndex >= static_cast<int>(users.size()))
            return;
        m_nUser = users[static_cast<std::size_t>(nIndex)];
        ShowUser(true);
        ResetEdits();
        return;
    }
    case kName:
        if (nIndex == 0) {
            for (CSkinEdit* e :
                 std::initializer_list<CSkinEdit*>{&m_editName, &m_editPassword, &m_editConfirm})
                e->setEnabled(true);
            if (m_bNameExists)
                m_editName.SetWindowText(m_lblValue[1].GetWindowText());
            m_editName.setFocus();
            m_editName.selectAll();
        } else if (nIndex == 1 && m_bNameExists) {
            m_lblValue[1].SetText(QString());
            image.Zero(SetupDb::Field{SetupDb::UserName.At(static_cast<std::uint32_t>(m_nUser)), 32, 1});
        }
        return;
    case kLevel:
        if (!m_onOff.Has(nIndex))
            return;
        m_lblValue[2].SetText(m_onOff.At(nIndex));
        image.Set(SetupDb::UserLevel, m_nUser, static_cast<std::uint32_t>(nIndex));
        return;
    case kLogoutA:
    case kLogoutB:
        if (nIndex < 0 || nIndex >= static_cast<int>(m_logouts.size()))
            return;
        m_lblLogoutValue[nItemId - kLogoutA].SetText(LogoutText(nIndex));
        image.Set(nItemId == kLogoutA ? SetupDb::UserLogoutA : SetupDb::UserLogoutB, m_nUser,
                  static_cast<std::uint32_t>(nIndex));
        return;
    default:
        return;
    }
}

void CClientAccountPage::OnRightCheck(int box)
{
    if (box < 0 || box > 7)
        return;
    const int k = kRightOfBox[box];
    ImageRef image = Image();
    const std::uint8_t stored = image.ByteOf(SetupDb::UserRight, k, m_nUser);
    // Right 1 of account 0 cannot be withdrawn.
    if (box == 2 && m_nUser == 0) {
        m_check[box].SetCheck(1);
        return;
    }
    if (!m_access.CanRights(m_nUser)) {
        m_check[box].SetCheck(stored == 1 ? 1 : 0);
        return;
    }
    image.SetByteOf(SetupDb::UserRight, k, m_nUser, m_check[box].GetCheck() == 1 ? 1 : 0);
}

void CClientAccountPage::OnPasswordChange()
{
    m_btnApply.Enable(AccountApplyReady(m_editName.GetWindowText(), m_editPassword.GetWindowText(),
                                        m_editConfirm.GetWindowText(), Caps().helloFlag6));
}

void CClientAccountPage::OnApply()
{
    const QString name = m_editName.GetWindowText();
    const QString password = m_editPassword.GetWindowText();
    const QString confirm = m_editConfirm.GetWindowText();
    // The button's test ran on the passwords only: a name cleared since then
    // must not become an empty account name.
    if (!AccountApplyReady(name, password, confirm, Caps().helloFlag6))
        return;
    const bool mayRepeat = Caps().hasConnection && Caps().helloFlag6;
    switch (CheckAccountApply(Image(), m_nUser, name, password, confirm, mayRepeat)) {
    case AccountRefusal::Empty:
        return;
    case AccountRefusal::Name:
        m_editName.setFocus();
        m_editName.selectAll();
        return;
    case AccountRefusal::Password:
        m_editPassword.setFocus();
        m_editPassword.selectAll();
        return;
    case AccountRefusal::None:
        break;
    }
    ImageRef image = Image();
    m_lblValue[1].SetText(name.left(kStoredChars));
    image.SetText(SetupDb::UserName, m_nUser, name, kStoredChars);
    image.SetText(SetupDb::UserPassword, m_nUser, password, kStoredChars);
    ResetEdits();
}

void CClientAccountPage::OnArchivePasswordChange()
{
    const QString a = m_editArchive[0].GetWindowText();
    m_btnArchive.Enable(!a.isEmpty() && a == m_editArchive[1].GetWindowText());
}

void CClientAccountPage::OnArchiveChange()
{
    if (!m_access.CanArchive())
        return;
    const QString a = m_editArchive[0].GetWindowText();
    if (a.isEmpty() || a != m_editArchive[1].GetWindowText())
        return;
    // Cut to 31 so that its NUL stays inside the 32 bytes.
    if (Version().LaterThan(4, 4))
        Image().SetText(SetupDb::ArchiveLogPassword, 0, a, kArchiveChars);
    m_editArchive[0].SetWindowText(QString());
    m_editArchive[1].SetWindowText(QString());
    OnArchivePasswordChange();
}

void CClientAccountPage::OnLiveChannels()
{
    if (m_pSetupDlg)
        m_pSetupDlg->ShowAccountChannelPage(m_nUser);
}
