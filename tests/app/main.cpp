#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The client's default data folder and settings store follow $HOME and
    // $XDG_CONFIG_HOME: keep both inside the test tree.
    const QByteArray root = qgetenv("K5_TEST_TMP");
    const QString base = (root.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(root)) +
                         QStringLiteral("/app-home");
    QDir().mkpath(base + QStringLiteral("/config"));
    qputenv("HOME", base.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (base + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
