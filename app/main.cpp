// Pelorix: the fractal picture generator's main window.

#include "Application.h"
#include "Pictures.h"
#include "Unit1.h"
#include "WindowSetup.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    // The title of the window, of every message box and of the settings' key.
    QApplication::setApplicationName("Pelorix");
    QApplication::setWindowIcon(ApplicationIcon());
    auto setup = SetUpWindowProgram();

    TForm1 form;
    form.MainWindow()->show();
    return app.exec();
}
