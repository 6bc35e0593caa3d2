#include "platform/System.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <malloc.h>
#include <regex>

namespace {

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kScreenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");
constexpr int kDBusTimeoutMs = 2000;

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor()
{
    // The bus is only usable once the application object exists.
    if (QCoreApplication::instance() == nullptr)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                                       kScreenSaverInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("ClientK5") << QStringLiteral("Showing live video");
    const QDBusMessage reply = bus.call(call, QDBus::Block, kDBusTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_cookie = reply.arguments().constFirst().toUInt();
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    if (m_cookie == 0 || QCoreApplication::instance() == nullptr)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                                       kScreenSaverInterface, QStringLiteral("UnInhibit"));
    call << m_cookie;
    bus.call(call, QDBus::Block, kDBusTimeoutMs);
}

std::array<MonitorInfo, 4> EnumMonitors()
{
    std::array<MonitorInfo, 4> monitors{};
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return monitors;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const auto count = std::min<qsizetype>(screens.size(), static_cast<qsizetype>(monitors.size()));
    for (qsizetype i = 0; i < count; ++i) {
        const QScreen* screen = screens[i];
        MonitorInfo& m = monitors[static_cast<std::size_t>(i)];
        m.monitor = screen->geometry();
        m.workArea = screen->availableGeometry();
        m.primary = screen == primary;
        m.name = screen->name().toStdString();
        m.valid = true;
    }
    return monitors;
}

bool HasSoundDevice()
{
    // The kernel's list of sound cards: one " N [id  ]: driver - name" line per
    // card, or "--- no soundcards ---".
    std::ifstream cards("/proc/asound/cards");
    if (!cards)
        return false;
    static const std::regex cardLine(R"(^\s*\d+\s+\[)");
    std::string line;
    while (std::getline(cards, line)) {
        if (std::regex_search(line, cardLine))
            return true;
    }
    return false;
}

namespace {

class InProcessMixer : public MasterMixer
{
public:
    InProcessMixer(int volume, bool mute) : m_volume(std::clamp(volume, 0, 65535)), m_mute(mute) {}
    bool IsReal() const override { return false; }
    int GetVolume() override { return m_volume; }
    bool SetVolume(int volume) override
    {
        m_volume = std::clamp(volume, 0, 65535);
        return true;
    }
    bool GetMute() override { return m_mute; }
    bool SetMute(bool mute) override
    {
        m_mute = mute;
        return true;
    }

private:
    int m_volume;
    bool m_mute;
};

std::atomic<MixerFactory> g_mixerFactory{nullptr};

} // namespace

std::unique_ptr<MasterMixer> CreateInProcessMixer(int volume, bool mute)
{
    return std::make_unique<InProcessMixer>(volume, mute);
}

void SetMixerFactory(MixerFactory factory)
{
    g_mixerFactory.store(factory);
}

std::unique_ptr<MasterMixer> CreateMasterMixer()
{
    if (MixerFactory factory = g_mixerFactory.load()) {
        if (auto mixer = factory())
            return mixer;
    }
    return CreateInProcessMixer();
}

void ReleaseFreedMemory()
{
#if defined(__GLIBC__)
    // Every arena, not only the main heap's top: the pages of free chunks
    // anywhere in them go back.
    ::malloc_trim(0);
#endif
}

std::array<std::uint16_t, 4> ProgramVersion()
{
    // "+ 0" keeps an empty part (a version with fewer than four parts) valid.
    return {static_cast<std::uint16_t>(CLIENTK5_VERSION_MAJOR + 0),
            static_cast<std::uint16_t>(CLIENTK5_VERSION_MINOR + 0),
            static_cast<std::uint16_t>(CLIENTK5_VERSION_PATCH + 0),
            static_cast<std::uint16_t>(CLIENTK5_VERSION_TWEAK + 0)};
}
