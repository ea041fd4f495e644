// Save As runs inside a QApplication with the image formats registered.
#include <gtest/gtest.h>

#include <QApplication>

#include "ProgramSetup.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelorix");
    testing::InitGoogleTest(&argc, argv);
    auto setup = SetUpBatchProgram();
    return RUN_ALL_TESTS();
}
