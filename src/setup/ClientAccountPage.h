// The client account page: for the first six accounts of the recorder their
// name and password, on/off value, eight rights and automatic log-out
// choices, and the archive-log password. What may change depends on the
// logged-in account's row of the rights table.
#pragma once

#include "setup/SetupControls.h"
#include "setup/SetupPage.h"
#include "setup/SystemRules.h"
#include "setup/TextTable.h"
#include "ui/SkinEdit.h"

class CClientAccountPage : public CSetupPage
{
    Q_OBJECT
public:
    enum Item
    {
        kUser = 0,
        kName = 1,
        kLevel = 2,
        kLogoutA = 3,
        kLogoutB = 4,
    };
    enum View
    {
        kAccountView = 0,
        kLogoutView = 1,
        kArchiveView = 2,
    };
    static constexpr int kLiveChId = 480;
    static constexpr int kApplyId = 482;
    static constexpr int kArchiveChangeId = 483;
    static constexpr int kFirstCheckId = 490;
    // Right k of check box 490 + i.
    static constexpr int kRightOfBox[8] = {0, 5, 1, 6, 2, 7, 4, 3};

    CClientAccountPage();

    int SelectedUser() const { return m_nUser; }
    int LoggedIn() const { return m_access.loggedIn; }
    bool NewFormat() const { return m_access.newFormat; }
    int CurrentView() const { return m_nView; }
    void ShowView(int view);
    void OpenPicker(int item);
    void OnListPicked(int nItemId, int nIndex) override;
    void OnRightCheck(int box);
    void OnPasswordChange();
    void OnArchivePasswordChange();
    void OnApply();
    void OnArchiveChange();
    void OnLiveChannels();

    CSkinLabel m_lblTitle[7];       // 790-796
    CSkinLabel m_lblValue[3];       // 797-799
    CNameEdit m_editName;           // 530
    CDigitEdit m_editPassword;      // 531
    CDigitEdit m_editConfirm;       // 532
    CSkinCheckBox m_check[8];       // 490-497
    CSkinLabel m_lblRight[8];       // 800-807
    CSkinLabel m_lblLogout[2];      // 808, 809
    CSkinLabel m_lblLogoutValue[2]; // 810, 811
    CSkinLabel m_lblArchive[2];     // 812, 813
    CDigitEdit m_editArchive[2];    // 533, 534
    CSkinTextButton m_btnLiveCh;
    CSkinTextButton m_btnApply;
    CSkinTextButton m_btnArchive;
    CSetupTabBar m_tabs;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    void ShowUser(bool fromPick);
    void ResetEdits();
    QString UserListText(int user) const;
    QString LogoutText(int v) const;
    bool TabOffered(int view) const;

    AccountAccess m_access;
    int m_nUser = 0;
    int m_nView = kAccountView;
    bool m_bNameExists = false;
    std::vector<QString> m_userTexts; // users 0-5
    TextTable m_onOff;
    TextTable m_nameActions; // new, change, delete
    std::vector<QString> m_logouts;
    int m_tabOfView[3] = {-1, -1, -1};
};
