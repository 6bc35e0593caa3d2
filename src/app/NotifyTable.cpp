#include "app/NotifyTable.h"

#include "app/ResIdsLocalSetup.h"

#include "app/ResIds2.h"
#include "net/PasswordMatch.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"

#include <QFontMetrics>
#include <initializer_list>

namespace {

NotifyLine Text(int id)
{
    NotifyLine line;
    line.kind = NotifyLineKind::Text;
    line.id = id;
    return line;
}

NotifyLine Literal(const char* text)
{
    NotifyLine line;
    line.kind = NotifyLineKind::Literal;
    line.literal = text;
    line.fixedFactor = true;
    return line;
}

NotifyLine GByte(int id, std::uint32_t megabytes)
{
    NotifyLine line;
    line.kind = NotifyLineKind::GByte;
    line.id = id;
    line.value[0] = megabytes;
    return line;
}

NotifyBox Box(std::initializer_list<NotifyLine> lines, int buttons, NotifyAfter after = NotifyAfter::None)
{
    NotifyBox box;
    for (const NotifyLine& line : lines)
        box.lines[static_cast<std::size_t>(box.lineCount++)] = line;
    box.buttons = buttons;
    box.after = after;
    return box;
}

NotifyBox Nothing(NotifyAfter after = NotifyAfter::None)
{
    NotifyBox box;
    box.after = after;
    return box;
}

// One text id per sub-code from 0, or nothing past the end of the list.
int Pick(std::initializer_list<int> ids, int sub)
{
    if (sub < 0 || sub >= static_cast<int>(ids.size()))
        return 0;
    return *(ids.begin() + sub);
}

NotifyBox OneLine(int id, int buttons = NOTIFY_BUTTONS_OK)
{
    return id != 0 ? Box({Text(id)}, buttons) : Nothing();
}

// Sizes the recorder or a backup page stored for the size notice: needed and
// free, in MByte, both shown in GByte with one decimal.
NotifyBox SizeBox(int firstId, const NotifyState& s)
{
    NotifyBox box = Box({Text(firstId), GByte(IDS_NOTIFY_SIZE_NEEDED, s.transNackNeededMB),
                         GByte(IDS_NOTIFY_SIZE_FREE, s.transNackFreeMB)},
                        NOTIFY_BUTTONS_OK);
    box.clearTransNack = true;
    return box;
}

bool HasSizes(const NotifyState& s)
{
    return s.connected && s.transNackNeededMB > 0 && s.transNackFreeMB > 0;
}

} // namespace

NotifyBox BuildNotifyBox(int code, int sub, const NotifyState& s)
{
    switch (code) {
    case NOTIFY_CONNECTED:
        return OneLine(sub == 0 ? IDS_NOTIFY_SOCKET_FAILED : 0);
    case NOTIFY_CONNECT_FAILED:
        switch (sub) {
        case 0:
            return OneLine(IDS_NOTIFY_CONNECT_TIMEOUT);
        case 1:
            return OneLine(IDS_NOTIFY_CONNECT_REFUSED);
        case 2:
            return Box({Literal("Cannot assign requested address!")}, NOTIFY_BUTTONS_OK);
        case 3:
            return Box({Literal("No route to host!")}, NOTIFY_BUTTONS_OK);
        case 4:
            return Box({Literal("No response to hello!")}, NOTIFY_BUTTONS_OK);
        default: {
            NotifyLine line = Literal("Connect Error Code = %d");
            line.kind = NotifyLineKind::ConnectError;
            line.value[0] = sub;
            return Box({line}, NOTIFY_BUTTONS_OK);
        }
        }
    case NOTIFY_DISCONNECTED:
        return OneLine(sub == 0 ? IDS_NOTIFY_DISCONNECTED : 0);
    case NOTIFY_BYE: {
        const int reason = Pick({IDS_NOTIFY_BUSY, IDS_NOTIFY_BYE_ADMIN, IDS_NOTIFY_BYE_SETUP,
                                 IDS_NOTIFY_BYE_LOGIN, IDS_NOTIFY_BYE_USER_LIMIT, IDS_NOTIFY_BYE_SHUTDOWN,
                                 IDS_NOTIFY_BYE_REBOOT, IDS_NOTIFY_BYE_TIMEOUT},
                                sub);
        if (reason == 0)
            return Nothing();
        return Box({Text(IDS_NOTIFY_DISCONNECTED), Text(reason)}, NOTIFY_BUTTONS_OK);
    }
    case NOTIFY_NO_DATA:
        if (sub != 0)
            return Nothing();
        if (s.connected && s.playHandOverActive)
            return Box({Text(IDS_NOTIFY_NO_DATA), Text(IDS_NOTIFY_TRY_AGAIN)}, NOTIFY_BUTTONS_OK_CANCEL,
                       NotifyAfter::NoDataChoice);
        return OneLine(IDS_NOTIFY_NO_DATA);
    case NOTIFY_LIVE_REC_NACK:
        return OneLine(Pick({IDS_NOTIFY_REFUSED, IDS_NOTIFY_NACK_OTHER_USER, IDS_NOTIFY_REC_DISK}, sub));
    case NOTIFY_NACK:
        if (sub == 5)
            return HasSizes(s) ? SizeBox(IDS_NOTIFY_BACKUP_NO_SPACE_RECORDER, s)
                               : OneLine(IDS_NOTIFY_BACKUP_NO_SPACE_RECORDER);
        return OneLine(Pick({IDS_NOTIFY_REFUSED, IDS_NOTIFY_NACK_NOT_ALLOWED, IDS_NOTIFY_NACK_OTHER_USER,
                             IDS_NOTIFY_NACK_NOT_READY, IDS_NOTIFY_NACK_DISK, 0, IDS_NOTIFY_NACK_STREAMS,
                             IDS_NOTIFY_NACK_UPGRADING, IDS_NOTIFY_NACK_ANSWER_DROPPED},
                            sub));
    case NOTIFY_DB_UPDATE_NACK: {
        const int reason = Pick({IDS_NOTIFY_BUSY, IDS_NOTIFY_DB_REASON_LOCKED, IDS_NOTIFY_DB_REASON_INVALID,
                                 IDS_NOTIFY_NACK_UPGRADING},
                                sub);
        if (reason == 0)
            return Nothing();
        return Box({Text(IDS_NOTIFY_DB_UPDATE_REFUSED), Text(reason), Text(IDS_NOTIFY_TRY_AGAIN)},
                   NOTIFY_BUTTONS_OK_CANCEL, NotifyAfter::ResendDbUpdate);
    }
    case NOTIFY_FW_UPGRADE: {
        if (sub == 5)
            return Box({Text(IDS_NOTIFY_FW_DONE), Text(IDS_NOTIFY_REBOOT_ASK)}, NOTIFY_BUTTONS_OK_CANCEL,
                       NotifyAfter::OfferReboot);
        const int reason =
            Pick({IDS_NOTIFY_BUSY, IDS_NOTIFY_FW_REASON_VERSION, IDS_NOTIFY_FW_REASON_TRANSFER,
                  IDS_NOTIFY_FW_REASON_IMAGE, IDS_NOTIFY_FW_REASON_WRITE, 0, IDS_NOTIFY_FW_REASON_VERIFY},
                 sub);
        if (reason == 0)
            return Nothing();
        return Box({Text(IDS_NOTIFY_FW_FAILED), Text(reason)}, NOTIFY_BUTTONS_OK);
    }
    case NOTIFY_DB_CRC_ERROR:
        return OneLine(sub == 0 ? IDS_NOTIFY_DB_CRC_ERROR : 0);
    case NOTIFY_DB_UPDATED:
        return OneLine(sub == 0 ? IDS_NOTIFY_DB_UPDATED : 0);
    case NOTIFY_FW_IMAGES:
        // Whatever shows, the dialog that was scanned is dealt with afterwards.
        if (sub == 0)
            return Box({Text(IDS_NOTIFY_FW_FOUND)}, NOTIFY_BUTTONS_OK_CANCEL, NotifyAfter::FirmwareDialog);
        if (sub == 1)
            return Box({Text(IDS_NOTIFY_FW_NONE)}, NOTIFY_BUTTONS_CANCEL, NotifyAfter::FirmwareDialog);
        return Nothing(NotifyAfter::FirmwareDialog);
    case NOTIFY_ALISTEN_NACK:
        return OneLine(Pick({IDS_NOTIFY_LISTEN_IN_USE, IDS_NOTIFY_LISTEN_NO_AUDIO}, sub));
    case NOTIFY_BACKUP_SIZE: {
        if (sub != 0)
            return Nothing();
        if (HasSizes(s))
            return SizeBox(IDS_NOTIFY_BACKUP_NO_SPACE_LOCAL, s);
        if (s.loggedIn && s.searchWindowOpen) {
            NotifyLine spare;
            spare.kind = NotifyLineKind::MByte;
            spare.value[0] = s.backupSpareMB;
            return Box({Text(IDS_NOTIFY_BACKUP_NO_SPACE_LOCAL), spare}, NOTIFY_BUTTONS_OK);
        }
        return OneLine(IDS_NOTIFY_BACKUP_NO_SPACE_LOCAL);
    }
    case NOTIFY_DB_INIT:
        if (sub != 0)
            return Nothing();
        return Box({Text(IDS_NOTIFY_DB_INIT_ASK), Text(IDS_NOTIFY_DB_INIT_WARN)}, NOTIFY_BUTTONS_OK_CANCEL,
                   NotifyAfter::SendDbInit);
    case NOTIFY_NO_PERMISSION:
        return OneLine(sub == 0 ? IDS_NOTIFY_NO_PERMISSION : 0, NOTIFY_BUTTONS_CANCEL);
    case NOTIFY_FACTORY_RESET:
        if (sub != 0)
            return Nothing();
        return Box({Text(IDS_NOTIFY_RESET_ASK), Text(IDS_NOTIFY_RESET_WARN), Text(IDS_NOTIFY_RESET_REBOOT)},
                   NOTIFY_BUTTONS_OK_CANCEL, NotifyAfter::SendDbInit);
    case NOTIFY_NO_LOCAL_DATA: {
        if (sub == 1) {
            // The box is shown after the state it was built from is gone; the
            // name is kept here (GUI thread only) until the next such box.
            static std::string held;
            held = s.skippedSet;
            NotifyLine name;
            name.kind = NotifyLineKind::Literal;
            name.literal = held.c_str();
            return Box({Text(IDS_NOTIFY_SET_SKIPPED), name}, NOTIFY_BUTTONS_OK);
        }
        return OneLine(sub == 0 ? IDS_NOTIFY_NO_DATA : 0);
    }
    case NOTIFY_VERSION: {
        NotifyLine title = Text(IDS_NOTIFY_VERSION);
        title.fixedFactor = true;
        NotifyLine number;
        number.kind = NotifyLineKind::Version;
        number.fixedFactor = true;
        for (std::size_t i = 0; i < 4; ++i)
            number.value[i] = s.version[i];
        return Box({title, number}, NOTIFY_BUTTONS_OK);
    }
    case NOTIFY_REBOOT:
        if (!s.loggedIn)
            return Nothing();
        return Nothing(s.rebootRight ? NotifyAfter::RebootPrompt : NotifyAfter::PostNoPermission);
    case NOTIFY_DOWNLOAD_CLOSED: {
        if (s.downloadName.empty())
            return Nothing();
        // Held as the skipped set's name is: the box outlives the snapshot.
        static std::string held;
        held = s.downloadName;
        NotifyLine name;
        name.kind = NotifyLineKind::FileName;
        name.literal = held.c_str();
        if (s.downloadDropped == 0)
            return Box({Text(IDS_NOTIFY_DOWNLOAD_SAVED_AS), name}, NOTIFY_BUTTONS_OK);
        NotifyLine dropped = Text(IDS_NOTIFY_FRAMES_LEFT_OUT);
        dropped.kind = NotifyLineKind::Count;
        dropped.value[0] = static_cast<std::int64_t>(s.downloadDropped);
        return Box({Text(IDS_NOTIFY_DOWNLOAD_SAVED_AS), name, dropped}, NOTIFY_BUTTONS_OK);
    }
    case NOTIFY_WRITE_FAILED: {
        if (sub == WRITE_FAILED_SETTINGS)
            return Box({Text(IDS_NOTIFY_SETTINGS_NOT_SAVED), Text(IDS_NOTIFY_SETTINGS_THIS_RUN)}, NOTIFY_BUTTONS_OK);
        if (sub < WRITE_FAILED_DOWNLOAD_DISK_FULL || sub > WRITE_FAILED_PICTURE_WRITE_ERROR)
            return Nothing();
        const int cause =
            Pick({IDS_NOTIFY_CAUSE_DISK_FULL, IDS_NOTIFY_CAUSE_NOT_CREATABLE, IDS_NOTIFY_CAUSE_WRITE_ERROR}, sub % 3);
        if (sub < WRITE_FAILED_PICTURE_DISK_FULL)
            return Box({Text(IDS_NOTIFY_DOWNLOAD_STOPPED), Text(cause), Text(IDS_NOTIFY_FILES_KEPT)},
                       NOTIFY_BUTTONS_OK);
        return Box({Text(IDS_NOTIFY_PICTURE_NOT_SAVED), Text(cause)}, NOTIFY_BUTTONS_OK);
    }
    default:
        return Nothing();
    }
}

NotifyBox BuildRebootConfirmBox()
{
    NotifyLine line = Text(IDS_NOTIFY_REBOOT_ASK);
    line.fixedFactor = true;
    NotifyBox box;
    box.lineCount = 1;
    box.lines[0] = line;
    box.buttons = NOTIFY_BUTTONS_OK_CANCEL;
    return box;
}

QString FormatNotifyLineWith(const NotifyLine& line, const QString& text)
{
    switch (line.kind) {
    case NotifyLineKind::Text:
        return text;
    case NotifyLineKind::Literal:
        return QString::fromLatin1(line.literal ? line.literal : "");
    case NotifyLineKind::FileName:
        return QString::fromLocal8Bit(line.literal ? line.literal : "");
    case NotifyLineKind::Count:
        return QStringLiteral("%1 %2").arg(text).arg(line.value[0]);
    case NotifyLineKind::ConnectError:
        return QStringLiteral("Connect Error Code = %1").arg(line.value[0]);
    case NotifyLineKind::GByte:
        // "%s : %6.1f GByte": the number right-aligned in six places.
        return QStringLiteral("%1 : %2 GByte")
            .arg(text)
            .arg(static_cast<double>(line.value[0]) / 1024.0, 6, 'f', 1);
    case NotifyLineKind::MByte:
        return QStringLiteral("%1 MByte").arg(line.value[0]);
    case NotifyLineKind::Version:
        return QStringLiteral(" %1.%2.%3.%4")
            .arg(line.value[0])
            .arg(line.value[1])
            .arg(line.value[2])
            .arg(line.value[3]);
    }
    return QString();
}

double NotifyWidthFactor(int languageId)
{
    if (languageId == 1041) // Japanese
        return 0.9;
    if (languageId == 1042) // Korean
        return 1.0;
    return 1.2;
}

int NotifyLineWidth(int measuredWidth, double factor)
{
    return static_cast<int>(measuredWidth * factor);
}

QString INotifyHost::LoadNotifyString(int id)
{
    return ResourceLibrary::Current().LoadResString(id);
}

int INotifyHost::MeasureNotifyText(const QString& text)
{
    static const QFont font = MakeSkinFont("Arial Bold", 9, 700);
    return QFontMetrics(font).horizontalAdvance(text);
}

MessageBoxContent CNotifyHandler::MakeContent(const NotifyBox& box, double factor)
{
    MessageBoxContent content;
    content.lineCount = box.lineCount;
    content.buttonMode = box.buttons;
    for (int i = 0; i < box.lineCount && i < 3; ++i) {
        const NotifyLine& line = box.lines[static_cast<std::size_t>(i)];
        const QString text = FormatNotifyLine(line, [this](int id) { return m_host.LoadNotifyString(id); });
        content.text[static_cast<std::size_t>(i)] = text;
        content.width[static_cast<std::size_t>(i)] =
            NotifyLineWidth(m_host.MeasureNotifyText(text), line.fixedFactor ? 1.2 : factor);
    }
    return content;
}

int CNotifyHandler::ShowBox(WndHandle sender, const NotifyBox& box, double factor)
{
    return m_host.RunNotifyBox(sender, MakeContent(box, factor));
}

LRESULT CNotifyHandler::OnNotifyEventMsg(WPARAM wParam, LPARAM lParam)
{
    OnNotifyEvent(WndHandle(static_cast<std::uint32_t>(wParam)), NotifyCodeOf(lParam), NotifySubOf(lParam));
    return 0;
}

void CNotifyHandler::OnNotifyEvent(WndHandle sender, int code, int sub)
{
    const double factor = NotifyWidthFactor(m_host.UserLanguageId());
    if (code == NOTIFY_DISCONNECTED)
        m_host.Disconnect();

    if (m_bBoxShown) {
        // Dropped. The firmware dialog that a dropped scan notice was about
        // would otherwise stay in its slot and the FirmUp button would refuse
        // for the rest of the connection; one that is running is deleted by
        // the handler that runs it.
        if (code == NOTIFY_FW_IMAGES && !m_bFirmwareRunning && m_host.NotifySnapshot().connected)
            m_host.DeleteFirmwareDialog();
        return;
    }

    const NotifyBox box = BuildNotifyBox(code, sub, m_host.NotifySnapshot());
    if (box.clearTransNack)
        m_host.ClearTransNackInfo();

    int result = kNotifyBoxCancel;
    m_bBoxShown = true;
    if (box.after == NotifyAfter::RebootPrompt)
        RunRebootPrompt(sender, factor);
    else if (box.lineCount > 0)
        result = ShowBox(sender, box, factor);
    // The box is gone before its action runs, so windows that the action opens
    // (the search window, the firmware dialog) can show their own notices.
    m_bBoxShown = false;

    const bool ok = result == kNotifyBoxOk;
    switch (box.after) {
    case NotifyAfter::None:
    case NotifyAfter::RebootPrompt:
        break;
    case NotifyAfter::PostNoPermission:
        m_host.PostNotifyEvent(NOTIFY_NO_PERMISSION, 0);
        break;
    case NotifyAfter::NoDataChoice:
        if (ok)
            m_host.OpenRemoteSearch();
        else
            m_host.ClearSearchHandOver();
        break;
    case NotifyAfter::ResendDbUpdate:
        if (ok && m_host.NotifySnapshot().loggedIn)
            m_host.SendDBUpdateReq();
        break;
    case NotifyAfter::SendDbInit:
        if (ok && m_host.NotifySnapshot().loggedIn)
            m_host.SendDBInitReq();
        break;
    case NotifyAfter::OfferReboot:
        if (ok) {
            const NotifyState now = m_host.NotifySnapshot();
            if (now.loggedIn) {
                if (now.rebootRight)
                    m_host.SendRebootReq();
                else
                    m_host.PostNotifyEvent(NOTIFY_NO_PERMISSION, 0);
            }
        }
        break;
    case NotifyAfter::FirmwareDialog: {
        if (ok) {
            const NotifyState now = m_host.NotifySnapshot();
            if (now.loggedIn && !now.dbBusy) {
                m_bFirmwareRunning = true;
                m_host.RunFirmwareDialog();
                m_bFirmwareRunning = false;
            }
        }
        if (m_host.NotifySnapshot().connected)
            m_host.DeleteFirmwareDialog();
        break;
    }
    }
}

void CNotifyHandler::RunRebootPrompt(WndHandle sender, double factor)
{
    std::string typed;
    if (!m_host.RunPasswordPrompt(&typed))
        return;
    const NotifyState now = m_host.NotifySnapshot();
    if (!now.loggedIn)
        return;
    if (!now.rebootRight) {
        m_host.PostNotifyEvent(NOTIFY_NO_PERMISSION, 0);
        return;
    }
    if (!PasswordMatches(typed, now.loginPassword))
        return; // a different password shows nothing
    if (ShowBox(sender, BuildRebootConfirmBox(), factor) == kNotifyBoxOk && m_host.NotifySnapshot().loggedIn)
        m_host.SendRebootReq();
}
