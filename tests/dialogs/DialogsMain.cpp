// The dialogs' tests draw menus and show boxes: they need a QApplication,
// headless unless a display is asked for. Menu text is drawn without
// antialiasing so that its pixels have exactly the colour it was drawn in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

#include "Pictures.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelorix");
    QFont menuFont = QApplication::font("QMenu");
    menuFont.setStyleStrategy(QFont::NoAntialias);
    QApplication::setFont(menuFont, "QMenu");
    QApplication::setWindowIcon(ApplicationIcon());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
