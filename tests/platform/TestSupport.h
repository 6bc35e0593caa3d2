// Helpers shared by the platform tests: pumping the GUI event loop until a
// condition holds, and a scratch folder per test.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>

namespace k5test {

// Runs the event loop until pred() holds; false when it did not within the
// bound. A ticking timer keeps the wait from blocking past the bound.
inline bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000)
{
    QTimer tick;
    tick.start(2);
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Dispatches what is already queued (posted events, deferred calls).
inline void Pump()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A fresh folder for one test under the build's test area.
inline std::string ScratchDir(const std::string& name)
{
    const char* base = std::getenv("K5_TEST_TMP");
    std::filesystem::path dir =
        base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path() / "k5test";
    dir /= "platform-" + name + "-" + std::to_string(QCoreApplication::applicationPid());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir.string();
}

} // namespace k5test
