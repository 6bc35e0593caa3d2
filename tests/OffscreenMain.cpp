// The test executables' main: widgets and fonts need an application object,
// and no test needs a display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The NTP page's default time servers are public ones: a test that opens
    // it without a server of its own must not reach the network.
    if (qEnvironmentVariableIsEmpty("CLIENTK5_TIME_SERVER"))
        qputenv("CLIENTK5_TIME_SERVER", "time.invalid:37");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
