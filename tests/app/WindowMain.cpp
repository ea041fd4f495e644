// The window's tests need the application object and what the program
// installs (SetUpWindowProgram), before any test starts.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "Application.h"
#include "WindowSetup.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Whatever a test does, it never touches the user's own settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    TApplication app(argc, argv);
    QApplication::setApplicationName("Pelorix");
    auto setup = SetUpWindowProgram();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
