// The firmware upgrade dialog: one row per recorder component with an image
// newer than the recorder's, ticked rows requested one after another, each
// image uploaded on a thread of its own while the recorder's answers arrive
// as window messages. The logic is CFirmwareSession; this is its face.
#pragma once

#include "net/FirmwareUpgrade.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinLabel.h"
#include "ui/SkinProgress.h"

#include <QImage>
#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class CNetClient;

class CFirmwareUpgradeDlg : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kWidth = 398;
    static constexpr int kHeight = 222;
    static constexpr int kIdStart = 910, kIdStop = 911, kIdClose = 912;
    static constexpr int kIdCheckFirst = 490, kIdNameFirst = 790, kIdProgressFirst = 796,
                         kIdStatusFirst = 802;
    // From the upload thread: wParam row, lParam percent; and its end,
    // wParam the FwUploadResult.
    static constexpr UINT WM_FW_PROGRESS = WM_USER + 20016;
    static constexpr UINT WM_FW_UPLOAD_END = WM_USER + 20017;

    // `connection`: the session whose socket carries the requests and the
    // image; `upgradeFolder`: the data folder's Upgrade folder.
    CFirmwareUpgradeDlg(QWidget* pMainDlg, std::weak_ptr<CNetClient> connection, BYTE nOpacity,
                        std::string upgradeFolder);
    ~CFirmwareUpgradeDlg() override;

    // Images accepted from the Upgrade folder against the recorder's list.
    int ScanUpgradeFolder();

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool DestroyWindow() override;

    const CFirmwareSession& Session() const { return m_session; }
    // The dialog posts its reboot offer to the main window on Close.
    void SetMainWindow(WndHandle main) { m_hMain = main; }

    CSkinTextButton m_btnStart, m_btnStop, m_btnClose;
    std::array<CSkinCheckBox, 6> m_chkRow;
    std::array<CSkinLabel, 6> m_lblName;
    std::array<CSkinProgress, 6> m_prgRow;
    std::array<CSkinLabel, 6> m_lblStatus;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void Apply(CFirmwareSession::Action action);
    void SendRequest();
    void StartUpload();
    void JoinUpload();
    void ShowState();
    void OnClose();

    std::weak_ptr<CNetClient> m_connection;
    BYTE m_nOpacity;
    std::string m_strFolder;
    WndHandle m_hMain;
    std::array<FirmwareComponentRecord, 20> m_arrComponent{};
    CFirmwareSession m_session;
    QImage m_bmpBack;
    QImage m_bmpStatus;
    std::atomic<bool> m_bStop{true};
    std::thread m_upload;
};
