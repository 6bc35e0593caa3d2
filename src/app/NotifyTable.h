// Notifications: every subsystem reports refusals, errors, results and
// confirmations by posting WM_NOTIFY_EVENT (lParam = code << 16 | sub-code,
// wParam = the window the box belongs to) to the main window. This file holds
// the code table as a pure function, the line formatting and widths, and the
// handler that runs one box at a time and acts on the button pressed through
// a narrow host interface that the main window implements.
#pragma once

#include "platform/Messages.h"
#include "platform/Types.h"

#include <QString>
#include <array>
#include <cstdint>
#include <string>

class QWidget;

constexpr UINT WM_NOTIFY_EVENT = WM_USER + 20006;

enum NotifyCode : int
{
    NOTIFY_CONNECTED = 0, // the connect thread could not create its socket
    NOTIFY_CONNECT_FAILED = 1,
    NOTIFY_DISCONNECTED = 2,
    NOTIFY_BYE = 3,
    NOTIFY_NO_DATA = 4,
    NOTIFY_LIVE_REC_NACK = 5,
    NOTIFY_NACK = 6,
    NOTIFY_DB_UPDATE_NACK = 7,
    NOTIFY_FW_UPGRADE = 8,
    NOTIFY_DB_CRC_ERROR = 9,
    NOTIFY_DB_UPDATED = 10,
    NOTIFY_FW_IMAGES = 11,
    NOTIFY_ALISTEN_NACK = 12,
    NOTIFY_BACKUP_SIZE = 13,
    NOTIFY_DB_INIT = 14,
    NOTIFY_NO_PERMISSION = 15,
    NOTIFY_FACTORY_RESET = 16,
    NOTIFY_NO_LOCAL_DATA = 17,
    NOTIFY_VERSION = 19,
    NOTIFY_REBOOT = 20,
    // A local file could not be written. Sub-codes 0-2 stop a download (disk
    // full, folder or file not creatable, other write error), 3-5 the same
    // for a still picture; what was written before stays on disk. Sub-code 6:
    // the local settings confirmed with OK could not be saved (they hold
    // until the program ends).
    NOTIFY_WRITE_FAILED = 21,
    // A backup download has ended under another name than the one typed, or
    // left out damaged frames: the set's name and the count.
    NOTIFY_DOWNLOAD_CLOSED = 22,
};

enum WriteFailedSub : int
{
    WRITE_FAILED_DOWNLOAD_DISK_FULL = 0,
    WRITE_FAILED_DOWNLOAD_NOT_CREATABLE = 1,
    WRITE_FAILED_DOWNLOAD_WRITE_ERROR = 2,
    WRITE_FAILED_PICTURE_DISK_FULL = 3,
    WRITE_FAILED_PICTURE_NOT_CREATABLE = 4,
    WRITE_FAILED_PICTURE_WRITE_ERROR = 5,
    WRITE_FAILED_SETTINGS = 6,
};

constexpr LPARAM MakeNotifyParam(int code, int sub)
{
    return static_cast<LPARAM>(((static_cast<std::uint32_t>(code) & 0xFFFF) << 16) |
                               (static_cast<std::uint32_t>(sub) & 0xFFFF));
}
constexpr int NotifyCodeOf(LPARAM lParam)
{
    return static_cast<int>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF);
}
constexpr int NotifySubOf(LPARAM lParam)
{
    return static_cast<int>(static_cast<std::uint32_t>(lParam) & 0xFFFF);
}

// Box buttons, as CSkinMessageDlg's button mode.
enum NotifyButtons : int
{
    NOTIFY_BUTTONS_OK_CANCEL = 0,
    NOTIFY_BUTTONS_OK = 1,
    NOTIFY_BUTTONS_CANCEL = 2,
};

// How one line's text is made.
enum class NotifyLineKind
{
    Text,         // string-table text `id`
    Literal,      // `literal` as it stands
    ConnectError, // "Connect Error Code = %d" with value[0]
    GByte,        // "%s : %6.1f GByte", text `id` and value[0] MByte / 1024.0
    MByte,        // "%d MByte" with value[0]
    Version,      // " %d.%d.%d.%d" with value[0..3]
    FileName,     // `literal`, a name in the local 8-bit encoding
    Count,        // "%s %d", text `id` and value[0]
};

struct NotifyLine
{
    NotifyLineKind kind = NotifyLineKind::Text;
    int id = 0;
    const char* literal = nullptr;
    std::array<std::int64_t, 4> value{};
    bool fixedFactor = false; // measured x 1.2 whatever the user's language
};

// What the handler does once the box is over.
enum class NotifyAfter
{
    None,
    NoDataChoice,     // OK: open the remote search; Cancel: drop the play hand-over and the lists
    ResendDbUpdate,   // OK, still logged in: DB_UPDATE_REQ again
    OfferReboot,      // OK, still logged in: REBOOT_REQ with the right, else NOTIFY_NO_PERMISSION
    FirmwareDialog,   // OK, logged in, no setup exchange: run the firmware dialog; then, connected, delete it
    SendDbInit,       // OK, still logged in: DB_INIT_REQ
    RebootPrompt,     // no box: ask the login password, then confirm the reboot
    PostNoPermission, // no box: post NOTIFY_NO_PERMISSION
};

struct NotifyBox
{
    int lineCount = 0; // 0: nothing is shown
    std::array<NotifyLine, 3> lines{};
    int buttons = NOTIFY_BUTTONS_OK;
    NotifyAfter after = NotifyAfter::None;
    bool clearTransNack = false; // the two stored sizes are used up by this box
};

// The facts the table reads. The host takes a fresh snapshot whenever asked,
// so "still logged in" after a modal run sees the state of that moment.
struct NotifyState
{
    bool connected = false; // a connection object exists
    bool loggedIn = false;
    bool dbBusy = false;                 // a setup-database exchange is running
    bool rebootRight = false;            // the logged-in user may reboot the recorder
    bool playHandOverActive = false;     // the search hand-over block holds a request
    std::int32_t transNackNeededMB = 0; // the two stored size words, signed: free - 100 may be below 0
    std::int32_t transNackFreeMB = 0;
    bool searchWindowOpen = false; // the remote search window exists
    int backupSpareMB = 0;         // its spare space after the backup
    std::array<std::uint16_t, 4> version{};
    std::string loginPassword; // compared without letter case
    std::string skippedSet;    // the first downloaded set left out (NOTIFY_NO_LOCAL_DATA 1)
    std::string downloadName;  // the last download's set name (NOTIFY_DOWNLOAD_CLOSED)
    std::uint64_t downloadDropped = 0; // and its frames left out
};

// The code table: code and sub-code with the state -> lines, buttons, action.
NotifyBox BuildNotifyBox(int code, int sub, const NotifyState& state);
// The reboot confirmation shown after the password prompt of NOTIFY_REBOOT.
NotifyBox BuildRebootConfirmBox();

// The text of one line; string ids are looked up through loadString.
template <typename LoadString> QString FormatNotifyLine(const NotifyLine& line, LoadString&& loadString);
QString FormatNotifyLineWith(const NotifyLine& line, const QString& text);

// Width factor by the user's language id (Japanese 0.9, Korean 1.0, others 1.2).
double NotifyWidthFactor(int languageId);
// The label width of a line: its measured width times the factor, truncated.
int NotifyLineWidth(int measuredWidth, double factor);

// What CSkinMessageDlg shows: the finished texts and widths.
struct MessageBoxContent
{
    int lineCount = 1;
    std::array<QString, 3> text;
    std::array<int, 3> width{};
    int buttonMode = NOTIFY_BUTTONS_OK;
};

// What the handler needs of the main window.
class INotifyHost
{
public:
    virtual ~INotifyHost() = default;

    virtual NotifyState NotifySnapshot() = 0;
    virtual int UserLanguageId() = 0;
    // The string-table text; the default reads the current resource library.
    virtual QString LoadNotifyString(int id);
    // The measured width of a line in pixels; the default uses the box's label font.
    virtual int MeasureNotifyText(const QString& text);
    // Runs the box modally over the sender's window and deletes it before it
    // returns; kNotifyBoxOk or kNotifyBoxCancel.
    virtual int RunNotifyBox(WndHandle sender, const MessageBoxContent& content) = 0;

    virtual void Disconnect() = 0;
    virtual void PostNotifyEvent(int code, int sub) = 0;
    virtual void OpenRemoteSearch() = 0;
    // Zero the hand-over block, free the search answer lists and the log records.
    virtual void ClearSearchHandOver() = 0;
    // Set both stored size words to 0.
    virtual void ClearTransNackInfo() = 0;
    virtual void SendDBUpdateReq() = 0;
    virtual void SendDBInitReq() = 0;
    virtual void SendRebootReq() = 0;
    // Runs the firmware dialog of the connection's slot modally.
    virtual void RunFirmwareDialog() = 0;
    // Deletes the firmware dialog of the connection's slot and empties the slot.
    virtual void DeleteFirmwareDialog() = 0;
    // The password prompt; true on OK with the typed text.
    virtual bool RunPasswordPrompt(std::string* typed) = 0;
};

// The box's results (the dialog's IDOK and IDCANCEL).
constexpr int kNotifyBoxOk = 1;
constexpr int kNotifyBoxCancel = 2;

// The main window's OnNotifyEvent: one box at a time; a notification that
// arrives while a box is shown is dropped (NOTIFY_DISCONNECTED still
// disconnects, and a dropped NOTIFY_FW_IMAGES still deletes the firmware
// dialog it was about, so the FirmUp button works again).
class CNotifyHandler
{
public:
    explicit CNotifyHandler(INotifyHost& host) : m_host(host) {}

    void OnNotifyEvent(WndHandle sender, int code, int sub);
    // The message-map form: splits lParam. Returns 0.
    LRESULT OnNotifyEventMsg(WPARAM wParam, LPARAM lParam);

    bool IsBoxShown() const { return m_bBoxShown; }

    // Texts and widths of a box, as the handler hands them to the host.
    MessageBoxContent MakeContent(const NotifyBox& box, double factor);

private:
    int ShowBox(WndHandle sender, const NotifyBox& box, double factor);
    void RunRebootPrompt(WndHandle sender, double factor);

    INotifyHost& m_host;
    bool m_bBoxShown = false;
    bool m_bFirmwareRunning = false;
};

template <typename LoadString> QString FormatNotifyLine(const NotifyLine& line, LoadString&& loadString)
{
    const bool usesText = line.kind == NotifyLineKind::Text || line.kind == NotifyLineKind::GByte ||
                          line.kind == NotifyLineKind::Count;
    return FormatNotifyLineWith(line, usesText ? QString(loadString(line.id)) : QString());
}
