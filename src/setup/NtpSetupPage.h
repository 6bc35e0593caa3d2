// The NTP page: whether the recorder sets its clock from a time server and
// which one (the recorder's own name, a typed host name or an address), and
// the recorder's time zone on a world map with a running clock of that zone.
// The clock's time comes from a public time-protocol server that the client
// asks itself, on a worker: the page never waits for it.
#pragma once

#include "setup/SetupControls.h"
#include "setup/SetupPage.h"
#include "setup/TextTable.h"
#include "setup/TimeClient.h"
#include "ui/IpAddressCtrl.h"
#include "ui/SkinEdit.h"

#include <chrono>
#include <memory>
#include <optional>

class CNtpSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    enum Item
    {
        kZone = 0,
        kEnable = 1,
        kChoice = 2,
    };
    static constexpr int kNtpTabId = 470;
    static constexpr int kZoneTabId = 471;
    static constexpr int kEditId = 530;
    static constexpr int kIpId = 990;
    static constexpr UINT kClockTimer = 999;
    // The worker's answer: wParam the query's number, lParam the server's
    // time (negative: none).
    static constexpr UINT WM_TIME_ANSWER = WM_USER + 20200;

    // Where the clock's time comes from; tests point it at their own server.
    static void SetTimeServerForTesting(std::optional<TimeServerConfig> config);
    static void SetSteadyClockForTesting(std::function<std::chrono::steady_clock::time_point()> now);

    CNtpSetupPage();
    ~CNtpSetupPage() override;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnListPicked(int nItemId, int nIndex) override;
    void OnTimer(UINT id) override;
    void OnTeardown() override;
    void ShowNtpTab();
    void ShowZoneTab();
    void OpenItem(int item);
    bool ZoneTabShown() const { return m_bZoneTab; }
    bool List25() const { return m_bList25; }
    int Zone() const { return m_nZone; }
    // A query is on its way.
    bool QueryPending() const { return m_pending != nullptr; }
    int QueriesStarted() const { return m_nQuery; }

    CSkinLabel m_lbl[7]; // 790-796
    CNameEdit m_edit;
    CIpAddressCtrl m_ip;
    CSetupTabBar m_tabs;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    void ShowServerRows(bool enabled);
    void SetUpServerField();
    void StartQuery();
    void CancelQuery();
    void OnTimeAnswer(int query, std::int64_t server);
    void ShowClock();
    QString ZoneName(int zone) const;

    bool m_bZoneTab = false;
    bool m_bList25 = false;
    int m_nZone = 0;
    std::vector<QString> m_zoneNames; // zones 0-24
    TextTable m_onOff;
    TextTable m_choices;
    QImage m_bmpNtpOn, m_bmpNtpOff, m_bmpZone, m_bmpMap;
    std::vector<QImage> m_bmpHighlight; // 1783-1807
    // Clock.
    bool m_bClock = false;
    std::int64_t m_zoned = 0;
    std::chrono::steady_clock::time_point m_clockAt;
    std::int64_t m_lastShown = 0;
    std::int64_t m_shown = 0;
    // The query on its way, and its number (older answers are dropped).
    std::shared_ptr<TimeQueryCancel> m_pending;
    int m_nQuery = 0;
};
