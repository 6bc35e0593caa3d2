// What the three backup pages (date-time, event list, day timeline) share
// once the user has marked a range: the size request, the size answer held
// against the download drive's free space, and the start of the download.
// The pages differ only in data, described by BackupPageTraits.
#pragma once

#include "search/SearchRequests.h"

#include <cstdint>
#include <functional>
#include <string>

class CRemoteSearchDlg;
class CSkinLabel;
class CSkinTextButton;
class QWidget;

// The size answer against the free space: what the page shows and keeps.
struct BackupSizeDecision
{
    std::string text; // the size label ("" when refused)
    bool calculateOn = true;
    bool backupOn = false;
    std::uint32_t sizeKB = 0;
    int sizeShown = 0; // KB below 1024 KB, else MB
    int sizeInMB = 0;
    bool refused = false;         // less than 100 MB would remain
    std::int64_t spaceLeftMB = 0; // free - need (refused only)
    std::int32_t nackNeedMB = 0;  // the two numbers of the disk-space message
    std::int32_t nackFreeMB = 0;  // free - 100
};

// `freeUnits` counts 1,024,000 bytes (an optical or unreadable drive gives 0)
// and is compared with the needed MB as if both were the same unit.
BackupSizeDecision SizeDecision(std::uint32_t kb, std::int64_t freeUnits, bool transferRunning);

// The most characters of a typed file name a download keeps.
inline constexpr int kBackupNameMax = 100;
std::string CutBackupName(const std::string& typed);

struct BackupPageTraits
{
    std::uint8_t onKinds;   // kinds byte of TRANS_ON_REQ; 0: 1 << the event's kind
    std::uint8_t dataKinds; // kinds byte of TRANS_DATA_REQ
    int closePauseMs;       // pause before the window closes after Backup
    bool closesPickers;     // Calculate and Backup close the window's pop-ups first
};
inline constexpr BackupPageTraits kBackupDateTimeTraits{kAllEventKinds, kAllEventKinds, 50, true};
inline constexpr BackupPageTraits kBackupEventTraits{0, 0, 0, false};
inline constexpr BackupPageTraits kBackupTimelineTraits{kAllEventKinds, kAllEventKinds, 50, true};

// A page's marked range: recorder seconds, and the event kind (1, 2, 4) on the event list.
struct BackupRange
{
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    int eventKind = 0;
    // The cameras asked for (the window's mask when the size was asked).
    std::uint32_t channelMask = 0;

    bool operator==(const BackupRange&) const = default;
};

// The page's present range, read when the flow needs it: after the window's
// pop-ups have closed, since closing a time pop-up applies its value.
using BackupRangeFn = std::function<BackupRange()>;

// A backup page's size members and controls.
struct BackupPageState
{
    std::uint32_t m_nSizeKB = 0;
    int m_nSizeShown = 0;
    int m_bSizeInMB = 0;
    CSkinTextButton* calculate = nullptr;
    CSkinTextButton* backup = nullptr;
    CSkinLabel* size = nullptr;
    // The range the last size request asked about (while its answer is
    // awaited), and the range the size held answers: a backup starts only
    // for exactly that range.
    bool asked = false;
    BackupRange askedRange;
    bool sized = false;
    BackupRange sizedRange;
};

// The file name prompt: true with the typed name, false when cancelled.
// Tests replace it; null restores the skinned prompt.
using BackupNamePrompt = std::function<bool(QWidget* parent, std::uint8_t alpha, std::string& name)>;
void SetBackupNamePrompt(BackupNamePrompt prompt);

// Calculate, Backup and the size answer of the backup date-time page.
void AttachDefaultBackupDateTimeFlow();

class CBackupFlow
{
public:
    static RangeRequestBody OnBody(const CRemoteSearchDlg& host, const BackupPageTraits& traits,
                                   const BackupRange& r);
    static RangeRequestBody DataBody(const CRemoteSearchDlg& host, const BackupPageTraits& traits,
                                     const BackupRange& r);
    // Label emptied, Calculate on, Backup off: the range changed.
    static void ResetSize(BackupPageState& page);
    // TRANS_ON_REQ for the range; Calculate off and the window waits.
    static bool Calculate(CRemoteSearchDlg& host, const BackupPageTraits& traits, BackupPageState& page,
                          const BackupRangeFn& range);
    // The size answer, on the GUI thread. `range` is the page's range now: an
    // answer for a range the page no longer shows sizes nothing.
    static void SizeAnswer(CRemoteSearchDlg& host, BackupPageState& page, std::uint32_t kb,
                           const BackupRangeFn& range);
    // The file name, the writer, TRANS_DATA_REQ and the window's close.
    // False when nothing was started. Nothing at all happens (no prompt, the
    // window stays) unless the size held was answered for the range sent.
    static bool Start(CRemoteSearchDlg& host, const BackupPageTraits& traits, BackupPageState& page,
                      const BackupRangeFn& range);
    // The range as the flow compares it: the page's range with the window's cameras.
    static BackupRange Present(const CRemoteSearchDlg& host, const BackupRangeFn& range);

private:
    static void Refuse(CRemoteSearchDlg& host, BackupPageState& page, const BackupSizeDecision& d);
};
