// The components' tests need a running QApplication before any test starts.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelorix");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
