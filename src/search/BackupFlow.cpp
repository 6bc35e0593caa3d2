#include "search/BackupFlow.h"

#include "net/BackupWriter.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/Trace.h"
#include "search/RemoteSearchDlg.h"
#include "ui/NameEntryDlg.h"
#include "ui/SkinButton.h"
#include "ui/SkinLabel.h"

#include <QPointer>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

// The main window's disk-space message for a backup that would not fit.
constexpr int kNotifyBackupSize = 13;
// The space a backup must leave on the download drive, in MB.
constexpr std::int64_t kSpareMB = 100;

std::int32_t ClampInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

bool SkinnedNamePrompt(QWidget* parent, std::uint8_t alpha, std::string& name)
{
    CNameEntryDlg prompt(parent, parent, alpha, QStringLiteral("File Name"));
    const int result = prompt.DoModal();
    if (result != CPromptDlg::kIdOk)
        return false;
    name = prompt.m_strName.toLocal8Bit().toStdString();
    return true;
}

BackupNamePrompt& NamePrompt()
{
    static BackupNamePrompt prompt = SkinnedNamePrompt;
    return prompt;
}

void Apply(BackupPageState& page, const BackupSizeDecision& d)
{
    if (page.size)
        page.size->SetText(QString::fromStdString(d.text));
    if (page.calculate)
        page.calculate->Enable(d.calculateOn);
    if (page.backup)
        page.backup->Enable(d.backupOn);
}

} // namespace

BackupSizeDecision SizeDecision(std::uint32_t kb, std::int64_t freeUnits, bool transferRunning)
{
    BackupSizeDecision d;
    d.sizeKB = kb;
    const std::int64_t need = kb >> 10;
    char text[32];
    if (kb < 1024) {
        d.sizeShown = static_cast<int>(kb);
        d.sizeInMB = 0;
        std::snprintf(text, sizeof text, "%d KByte", d.sizeShown);
    } else {
        d.sizeShown = static_cast<int>(need);
        d.sizeInMB = 1;
        std::snprintf(text, sizeof text, "%d MByte", d.sizeShown);
    }
    // Signed throughout: a range larger than the drive must not wrap into a pass.
    const std::int64_t free = std::max<std::int64_t>(freeUnits, 0);
    if (free - need >= kSpareMB) {
        d.text = text;
        d.calculateOn = kb == 0;
        d.backupOn = kb > 0 && !transferRunning;
        return d;
    }
    d.refused = true;
    d.spaceLeftMB = free - need;
    d.nackNeedMB = ClampInt32(need);
    d.nackFreeMB = ClampInt32(free - kSpareMB);
    d.calculateOn = true;
    d.backupOn = false;
    return d;
}

std::string CutBackupName(const std::string& typed)
{
    // Characters, not bytes: a name typed in another script is not cut inside one.
    const QString name = QString::fromLocal8Bit(typed.data(), static_cast<qsizetype>(typed.size()));
    return name.left(kBackupNameMax).toLocal8Bit().toStdString();
}

void SetBackupNamePrompt(BackupNamePrompt prompt)
{
    NamePrompt() = prompt ? std::move(prompt) : BackupNamePrompt(SkinnedNamePrompt);
}

RangeRequestBody CBackupFlow::OnBody(const CRemoteSearchDlg& host, const BackupPageTraits& traits,
                                     const BackupRange& r)
{
    const std::uint8_t kinds =
        traits.onKinds != 0 ? traits.onKinds : static_cast<std::uint8_t>(1u << (r.eventKind & 7));
    return MakeRangeRequestBody(host.m_nChannelMask, kinds, r.start, r.end);
}

RangeRequestBody CBackupFlow::DataBody(const CRemoteSearchDlg& host, const BackupPageTraits& traits,
                                       const BackupRange& r)
{
    return MakeRangeRequestBody(host.m_nChannelMask, traits.dataKinds, r.start, r.end);
}

BackupRange CBackupFlow::Present(const CRemoteSearchDlg& host, const BackupRangeFn& range)
{
    BackupRange r = range ? range() : BackupRange();
    r.channelMask = host.m_nChannelMask;
    return r;
}

void CBackupFlow::ResetSize(BackupPageState& page)
{
    page.sized = false;
    if (page.size)
        page.size->SetText(QString());
    if (page.calculate)
        page.calculate->Enable(true);
    if (page.backup)
        page.backup->Enable(false);
}

bool CBackupFlow::Calculate(CRemoteSearchDlg& host, const BackupPageTraits& traits, BackupPageState& page,
                            const BackupRangeFn& range)
{
    if (traits.closesPickers)
        host.ClosePickers();
    if (host.RequestPending())
        return false;
    // Read after the pop-ups closed: the size is asked for what the page shows.
    const BackupRange r = Present(host, range);
    TRACE("Send... TRANS_ON_REQ...\n");
    if (!host.Requests().SendTransOnReq(OnBody(host, traits, r)))
        return false;
    page.asked = true;
    page.askedRange = r;
    page.sized = false;
    if (page.calculate)
        page.calculate->Enable(false);
    host.SetPending(PendingKind::Size);
    return true;
}

void CBackupFlow::Refuse(CRemoteSearchDlg& host, BackupPageState& page, const BackupSizeDecision& d)
{
    // Stored before the message goes: the main window reads them as it shows it.
    host.SetSpaceLeftMB(ClampInt32(d.spaceLeftMB));
    if (const std::shared_ptr<CNetClient> client = host.Client()) {
        client->m_nTransNackInfo[0] = d.nackNeedMB;
        client->m_nTransNackInfo[1] = d.nackFreeMB;
    }
    host.Main().Notify(kNotifyBackupSize, 0, host.Handle());
    Apply(page, d);
}

void CBackupFlow::SizeAnswer(CRemoteSearchDlg& host, BackupPageState& page, std::uint32_t kb,
                             const BackupRangeFn& range)
{
    const bool forPresent = page.asked && page.askedRange == Present(host, range);
    page.asked = false;
    page.sized = false;
    if (!forPresent) {
        // The range changed while its size was asked (or nothing was asked):
        // this size belongs to no range the page shows.
        ResetSize(page);
        return;
    }
    const std::shared_ptr<CNetClient> client = host.Client();
    const bool running = client && (client->m_bTrans || client->HasWorker(kSlotBackupWriter));
    const BackupSizeDecision d = SizeDecision(kb, host.Main().DiskSpace(), running);
    page.m_nSizeKB = d.sizeKB;
    page.m_nSizeShown = d.sizeShown;
    page.m_bSizeInMB = d.sizeInMB;
    if (d.refused) {
        Refuse(host, page, d);
        return;
    }
    Apply(page, d);
    page.sized = true;
    page.sizedRange = page.askedRange;
}

bool CBackupFlow::Start(CRemoteSearchDlg& host, const BackupPageTraits& traits, BackupPageState& page,
                        const BackupRangeFn& range)
{
    if (traits.closesPickers)
        host.ClosePickers();
    // Closing a time pop-up may just have moved the range: the size held
    // (and the free-space check made on it) must be for the range sent.
    const BackupRange r = Present(host, range);
    if (!page.sized || page.sizedRange != r)
        return false;
    QPointer<CRemoteSearchDlg> alive(&host);
    std::string typed;
    // Cancelled leaves the name empty: the writer then names the set itself.
    if (!NamePrompt()(&host, host.Main().Opacity(0), typed))
        typed.clear();
    // The prompt ran its own loop: the window, the connection or the rights
    // may have gone meanwhile.
    if (!alive || host.IsDestroyed() || host.Ended())
        return false;
    const std::string name = CutBackupName(typed);
    const std::shared_ptr<CNetClient> client = host.Client();
    bool started = false;
    if (client && client->m_bLogin && client->HasRight(RIGHT_BACKUP) && !client->m_bTrans &&
        !client->HasWorker(kSlotBackupWriter)) {
        const BackupSizeDecision d = SizeDecision(page.m_nSizeKB, host.Main().DiskSpace(), false);
        if (d.refused) {
            Refuse(host, page, d);
            return false;
        }
        if (d.backupOn) {
            BackupSetOptions options;
            options.folder = host.Main().DownloadFolder();
            options.name = name;
            started = client->StartBackup(page.m_nSizeKB, std::move(options), DataBody(host, traits, r));
        }
    }
    host.CloseAfter(traits.closePauseMs);
    return started;
}
