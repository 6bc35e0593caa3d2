// The mail setup page (texts, mode, test mail) and the mail schedule page
// (sending times in the layout of the mail mode).
#pragma once

#include "setup/SetupPage.h"
#include "ui/SkinEdit.h"

#include <vector>

class CMailSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstEditId = 530;
    static constexpr int kFirstTitleId = 790;
    static constexpr int kModeTitleId = 794;
    static constexpr int kModeCellId = 795;
    static constexpr int kChangeId = 480;
    static constexpr int kTestMailId = 482;
    static constexpr int kModeListItem = 0;

    CMailSetupPage();

    void OnTextChanged(int r);
    void OnModeCell();
    void OnListPicked(int nItemId, int nIndex) override;
    void OnChange();
    // Asks the recorder for a test mail with the settings as they stand now;
    // nothing without a logged-in connection. True when it was sent.
    bool OnSendTestMail();

    CNameEdit m_edit[4];
    CSkinLabel m_lblTitle[5];
    CSkinLabel m_lblMode;
    CSkinTextButton m_btnChange;
    CSkinTextButton m_btnTestMail;
    std::vector<QString> m_szMailMode;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    bool m_bBuilt = false;
};

class CMailSchedulePage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstCellId = 790; // 790-791 titles, 792-796 cells
    static constexpr int kPrevId = 482;
    static constexpr int kDayItem = 6;

    CMailSchedulePage();

    int MailMode() const { return m_nMailMode; }
    // Cell 792 + k clicked: items 3, 4, 5 and 7 open the time slider, 6 the day list.
    void OnCell(int id);
    void OnPrev();
    void OnListPicked(int nItemId, int nIndex) override;
    void OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3) override;

    CSkinLabel m_arrCell[7]; // 790-796
    CSkinTextButton m_btnPrev;
    std::vector<QString> m_szDay;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    int m_nMailMode = 0;
    QImage m_bmpBar[2];
};
