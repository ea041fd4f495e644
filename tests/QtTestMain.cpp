// The window side's tests run inside a QApplication, headless unless a
// display is asked for, over a settings folder of their own and a known
// locale. Menu text is drawn without antialiasing, so that its pixels have
// exactly the colour it was drawn in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QLocale>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Whatever a test does, it never touches the user's own settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelorix");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QFont menuFont = QApplication::font("QMenu");
    menuFont.setStyleStrategy(QFont::NoAntialias);
    QApplication::setFont(menuFont, "QMenu");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
