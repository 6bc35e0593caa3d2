#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Fonts and the connect dialog's widgets need an application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
