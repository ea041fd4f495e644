#pragma once
// Save As: the command that writes the current picture to a file whose
// extension names the format, backing up a file it replaces (PictureFiles.h).
// The main window owns one and connects its Save As menu item and toolbar
// button to it.

class QObject;
class TComponent;
class TMessageBox;
class TRenderControl;
class TSavePictureDialog;

// The file types the save dialog offers, in filter index order 1 to 4.
extern const char* const SavePictureFilter;

class TSaveAsCommand {
public:
    // The dialog and the error box become components of the owner, which
    // frees them; the render control holds the picture.
    TSaveAsCommand(TComponent* owner, TRenderControl& render);

    TSavePictureDialog* SavePictureDialog1;
    TMessageBox* MessageBox1;

    // Nothing without a picture; else asks for a name and writes the picture
    // there. Failures to write throw, for the application's error handler.
    void SaveAsClick(QObject* Sender);

private:
    TRenderControl& render_;
};
