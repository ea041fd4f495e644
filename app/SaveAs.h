#pragma once
// Save As: the command that writes the current picture to a file whose
// extension names the format, backing up a file it replaces. The main window
// owns one and connects its Save As menu item and toolbar button to it.

#include <string>

class QObject;
class TComponent;
class TMessageBox;
class TRenderControl;
class TSavePictureDialog;

// The file types the save dialog offers, in filter index order 1 to 4.
extern const char* const SavePictureFilter;

// The extension of a file name: from the last dot of its last path element,
// dot included; empty when that element has no dot.
std::string ExtractFileExt(const std::string& fileName);

// Copies an existing file to the backup name, the extension with "~" after its
// dot (fern.bmp to fern.~bmp). False when there is nothing to back up: no
// file, or a name without an extension or with the dot alone.
bool BackupFile(const std::string& fileName);
// Copies an existing file to the name with the extension replaced, byte for
// byte, replacing an older copy. False when the file does not exist or the
// new extension is its own (in any letter case); a copy that fails throws.
bool CopyToBackup(const std::string& fileName, std::string newExtension);

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
