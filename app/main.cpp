// Pelorix: the fractal picture generator's main window.

#include "Application.h"
#include "QuitSignals.h"
#include "MainWindow.h"
#include "WindowSetup.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    // The title of the window, of every message box and of the settings' key.
    QApplication::setApplicationName("Pelorix");
    // The desktop entry the window belongs to (its icon on Wayland).
    QGuiApplication::setDesktopFileName(PELORIX_APP_ID);
    auto setup = SetUpWindowProgram();
    TCloseOnQuitSignals quitSignals;

    try {
        TForm1 form;
        form.MainWindow()->show();
        quitSignals.CloseIfRequested();
        return app.exec();
    } catch (const std::exception& e) {
        // The window could not be made (or freed): say why rather than abort.
        ShowException(e);
        return 1;
    }
}
