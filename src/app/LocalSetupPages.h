// The pages of the local setup window. Each is built from the record when it
// opens, writes every change into the record at once and keeps nothing of
// its own between visits.
#pragma once

#include "app/LocalSetupDlg.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinEdit.h"
#include "ui/SkinSlider.h"

#include <array>

// Global: seven settings as name and value labels; a value opens the list
// pop-up, the data folder the folder browser.
class CLocalGlobalPage : public CLocalPage
{
    Q_OBJECT
public:
    explicit CLocalGlobalPage(CLocalSetupDlg* host);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnValueClicked(int item);
    void OnListPicked(int nItemId, int nIndex);

    CSkinLabel m_lblName[kGlobalItems];
    CSkinLabel m_lblValue[kGlobalItems];

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void ShowChoice(int item);
    void OnFolderClicked();
    QImage m_bmpStripe;
};

// Opacity and Audio buffer: one slider per row, fed by a descriptor.
class CLocalSliderRowsPage : public CLocalPage
{
    Q_OBJECT
public:
    CLocalSliderRowsPage(CLocalSetupDlg* host, const SliderRowsDesc& desc);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSliderMoved(int sliderId);
    void CheckAll(bool check);
    std::vector<bool> Checked();

    const SliderRowsDesc& m_desc;
    std::array<CSkinCheckBox, 9> m_chkRow;
    std::array<CSkinLabel, 9> m_lblName;
    std::array<CSkinSlider, 9> m_slider;
    std::array<CSkinLabel, 9> m_lblValue;
    CSkinTextButton m_btnAllCheck;
    CSkinTextButton m_btnClearAll;
};

// The names of the two kinds, as the frame's slots know them.
using CLocalOpacityPage = CLocalSliderRowsPage;
using CLocalAudioBufferPage = CLocalSliderRowsPage;

class CLocalCameraNamePage : public CLocalPage
{
    Q_OBJECT
public:
    static constexpr int kRows = 16;
    static constexpr int kTypingLimit = 30;
    explicit CLocalCameraNamePage(CLocalSetupDlg* host);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnNameChanged(int row);

    std::array<CColorEdit, kRows> m_editName;
    std::array<CSkinLabel, kRows> m_lblChannel;

private:
    bool m_bReverting = false;
};

class CLocalDeinterlacePage : public CLocalPage
{
    Q_OBJECT
public:
    static constexpr int kRows = 16;
    explicit CLocalDeinterlacePage(CLocalSetupDlg* host);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnOn(int row);
    void OnOff(int row);
    std::vector<bool> Checked();

    int m_nRowCount = kRows;
    std::array<CSkinCheckBox, kRows> m_chkRow;
    std::array<CSkinLabel, kRows> m_lblChannel;
    std::array<CSkinTextButton, kRows> m_btnOn;
    std::array<CSkinTextButton, kRows> m_btnOff;
    CSkinTextButton m_btnAllCheck;
    CSkinTextButton m_btnClearAll;

private:
    void ShowRow(int row);
    void Set(int row, bool on);
};
