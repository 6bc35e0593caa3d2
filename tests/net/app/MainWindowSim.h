// The real main window, started against the recorder simulator: every
// outside service of the machine replaced by a quiet fake, the settings store
// and the data folder in a scratch folder, and the connect dialog's window
// replaced by a script that types into the dialog's form and confirms it the
// way the dialog's OK does. The window then hands the values over itself.
#pragma once

#include "RecorderSim.h"
#include "SimLive.h"
#include "app/ClientDlg.h"
#include "app/ConnectLog.h"
#include "app/LocalSettings.h"
#include "net/AddressBook.h"
#include "net/ConnectForm.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/RegKey.h"
#include "platform/ThreadSanitizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace mainsim {

// Frame bytes that stand for H.264 (nobody decodes them), a key frame every 25.
inline k5sim::SimStream PlainStream(int frames)
{
    k5sim::SimStream s;
    for (int i = 0; i < frames; ++i) {
        k5sim::SimFrame f;
        f.key = i % 25 == 0;
        f.data.assign(300, static_cast<std::uint8_t>(i));
        s.frames.push_back(std::move(f));
    }
    return s;
}

using namespace std::chrono_literals;

inline QString ScratchRoot()
{
    const QByteArray root = qgetenv("K5_TEST_TMP");
    const QString base = root.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(root);
    QDir().mkpath(base);
    return base;
}

// Sanitized builds run these tests several times slower (ThreadSanitizer
// most), and their runs share the machine: every deadline stretches with it.
#if defined(K5_THREAD_SANITIZER)
constexpr int kDeadlineStretch = 6;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int kDeadlineStretch = 2;
#else
constexpr int kDeadlineStretch = 1;
#endif

// How long a test gives a window it drives before it closes it as stuck: the
// steps inside may each wait up to RunUntil's minute.
constexpr std::chrono::milliseconds kStuckWindowLimit = 180s * kDeadlineStretch;

// Runs the GUI thread's events until the condition holds.
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 60s)
{
    const auto end = std::chrono::steady_clock::now() + timeout * kDeadlineStretch;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A settings store holding every key a first run makes (made once per run:
// making them one by one is slow).
inline QString KeysTemplate()
{
    static const QString file = [] {
        static QTemporaryDir holder(ScratchRoot() + QStringLiteral("/mainsim-keys-XXXXXX"));
        const QString path = holder.path() + QStringLiteral("/keys.conf");
        RegKey::SetStoreFileForTesting(path.toStdString());
        CLocalSettings s;
        s.LoadClientFile(std::string(), 1033, 0);
        s.LoadLocalSetup();
        RegKey::SetStoreFileForTesting(std::string());
        return path;
    }();
    return file;
}

// A scratch folder with its own settings store, whose Location (the data
// folder) lies inside it.
class Scratch
{
public:
    Scratch() : m_dir(ScratchRoot() + QStringLiteral("/mainsim-XXXXXX"))
    {
        const QString store = m_dir.path() + QStringLiteral("/settings.conf");
        QFile::copy(KeysTemplate(), store);
        RegKey::SetStoreFileForTesting(store.toStdString());
        RegKey key;
        key.Create(std::string(CLocalSettings::kRegistryRoot) + "Location");
        key.SetString("Location", Location());
    }
    ~Scratch() { RegKey::SetStoreFileForTesting(std::string()); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string Location() const { return m_dir.path().toStdString() + "/data"; }

private:
    QTemporaryDir m_dir;
};

// What the operator types into the connect dialog; false is Cancel.
using DialogScript = std::function<bool(CConnectForm& form, IConnectDlgHost& host)>;

// The connect dialog without its window: the form as the dialog sets it up,
// the operator's typing, then what OK does before the hand-over (the port in
// force, the texts cut, the registry entry, the book, the host look-up).
struct FakeConnectDialog
{
    DialogScript script;
    HostResolver resolve = [](const std::string&, std::string&) { return false; };
    int runs = 0;
    int alpha = -1;
    RecordResult lastRecord = RecordResult::CannotOpen;

    bool Run(IConnectDlgHost& host, IConnectTarget& target, BYTE nAlpha)
    {
        ++runs;
        alpha = nAlpha;
        CConnectForm form;
        form.LoadServerIP();
        form.m_bReady = 1;
        if (!script || !script(form, host))
            return false;
        if (!form.TakePort())
            return false;
        form.LimitTexts();
        form.SaveServerIP();
        lastRecord = form.SaveConnectInfo(host.DataLocation(), host.Now());
        form.ResolveAddress(resolve);
        return form.HandOver(target);
    }
};

// Types a server with a port of the operator's choice.
inline DialogScript TypeServer(const std::string& address, int port, const std::string& id,
                               const std::string& password, const std::string& description)
{
    return [=](CConnectForm& form, IConnectDlgHost&) {
        form.m_strAddress = address;
        form.OnAddressOrPortChanged();
        form.ChoosePort();
        form.m_strPort = std::to_string(port);
        form.m_strID = id;
        form.m_strPassword = password;
        form.m_strDescription = description;
        return true;
    };
}

inline ClientDeps QuietDeps(const std::shared_ptr<FakeConnectDialog>& dialog)
{
    ClientDeps d;
    d.inhibitScreenSaver = [] { return std::shared_ptr<void>(); };
    d.hasSoundDevice = [] { return false; };
    d.loadDecoder = []() -> std::unique_ptr<DecoderLibrary> { return nullptr; };
    d.loadResources = []() -> std::unique_ptr<ResourceLibrary> { return nullptr; };
    d.createMixer = [] { return CreateInProcessMixer(40000, false); };
    d.enumMonitors = [] {
        std::array<MonitorInfo, 4> m{};
        m[0].monitor = m[0].workArea = QRect(0, 0, 1920, 1080);
        m[0].valid = m[0].primary = true;
        return m;
    };
    d.isReadOnlyMedia = [] { return false; };
    d.createConnectLog = [] { return std::unique_ptr<CConnectLog>(); };
    d.now = [] { return std::time_t(1215000000); };
    d.findSettingsFile = [] { return std::string(); };
    d.userLanguageId = [] { return WORD(1033); };
    d.runConnectDialog = [dialog](QWidget*, IConnectDlgHost& host, IConnectTarget& target, BYTE alpha) {
        return dialog->Run(host, target, alpha);
    };
    return d;
}

// QuietDeps with the real decoder library built beside the tests.
inline ClientDeps DecodingDeps(const std::shared_ptr<FakeConnectDialog>& dialog)
{
    ClientDeps d = QuietDeps(dialog);
    d.loadDecoder = []() -> std::unique_ptr<DecoderLibrary> {
        auto lib = std::make_unique<DecoderLibrary>();
        if (!lib->Load(std::string(K5_BINARY_DIR) + "/bin/libH264_D1.so"))
            return nullptr;
        return lib;
    };
    return d;
}

// The main window with its notifications noted instead of shown (a box would
// wait for a click).
class MainWindow : public CClientDlg
{
public:
    explicit MainWindow(const std::shared_ptr<FakeConnectDialog>& dialog)
        : CClientDlg(nullptr, QuietDeps(dialog))
    {
    }
    explicit MainWindow(const ClientDeps& deps) : CClientDlg(nullptr, deps) {}
    ~MainWindow() override
    {
        if (!m_bDestroyedHere) {
            Shutdown();
            DestroyWindow();
        }
    }
    void Close()
    {
        m_bDestroyedHere = true;
        Shutdown();
        DestroyWindow();
    }

    std::vector<LPARAM> notifications;
    std::vector<UINT> messages;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(msg);
        if (msg == WM_NOTIFY_EVENT) {
            notifications.push_back(lParam);
            return 0;
        }
        return CClientDlg::WindowProc(msg, wParam, lParam);
    }
    bool Notified(LPARAM lParam) const
    {
        return std::find(notifications.begin(), notifications.end(), lParam) != notifications.end();
    }
    std::size_t Count(UINT msg) const
    {
        return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), msg));
    }

private:
    bool m_bDestroyedHere = false;
};

// Grants `user` every right except those cleared in `rights` (stop rec,
// setup, search, backup, PTZ, hidden, admission, reboot).
inline k5sim::Bytes RightsFor(const std::string& user,
                              std::array<std::uint8_t, 8> rights = {1, 1, 1, 1, 1, 1, 1, 1})
{
    k5sim::UserRow row;
    row.name = user;
    row.password = "pw";
    row.rights = rights;
    return k5sim::BuildRightChange({row});
}

} // namespace mainsim
