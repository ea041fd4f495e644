#include "SaveAsCommand.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "BusyCursor.h"
#include "MessageBox.h"
#include "PictureFiles.h"
#include "RenderControl.h"
#include "SavePictureDialog.h"

const char* const SavePictureFilter =
    "Bitmaps (*.bmp);;Portable Pixelmap (*.ppm);;M8 (Heretic2) Mipmap (*.m8);;TrueVision Targa (*.tga)";

namespace {

// The extension each filter index adds to a name typed without one.
constexpr std::array<const char*, 4> FilterExtensions = {".bmp", ".ppm", ".m8", ".tga"};
// The only extensions Save As writes, whatever else the picture-format
// registry knows.
constexpr std::array<const char*, 4> SavedExtensions = {".bmp", ".m8", ".ppm", ".tga"};

} // namespace

TSaveAsCommand::TSaveAsCommand(TComponent* owner, TRenderControl& render)
    : SavePictureDialog1(new TSavePictureDialog(owner)), MessageBox1(new TMessageBox(owner)), render_(render)
{
    SavePictureDialog1->SetName("SavePictureDialog1");
    SavePictureDialog1->SetFilter(SavePictureFilter);

    MessageBox1->SetName("MessageBox1");
    MessageBox1->SetCaption("Error");
    MessageBox1->SetText("Can not determine file type!");
    MessageBox1->SetButtons(TMessageBoxButtons::mbxOK);
    MessageBox1->SetIcon(TMessageBoxIcon::mbxIconStop);
    MessageBox1->SetDefaultButton(TMessageBoxDefButton::mbxDefButton1);
    MessageBox1->SetModality(TMessageBoxModality::mbxDefModality);
    MessageBox1->SetTextAlignment(TMessageBoxTextAlignment::mbxLeft);
}

void TSaveAsCommand::SaveAsClick(QObject*)
{
    if (!render_.CurrentFractal) return;
    // Never propose the last name.
    SavePictureDialog1->SetFileName("");
    if (!SavePictureDialog1->Execute()) return;

    TBusyCursor busy;
    auto cannotDetermineType = [&] {
        busy.Restore();
        MessageBox1->Execute();
    };
    std::string fileName = SavePictureDialog1->FileName();
    std::string extension(ExtractFileExt(fileName));
    if (extension.empty()) {
        // The chosen file type supplies a missing extension, and nothing more.
        const int index = SavePictureDialog1->FilterIndex();
        if (index < 1 || index > static_cast<int>(FilterExtensions.size())) return cannotDetermineType();
        extension = FilterExtensions[index - 1];
        fileName += extension;
        SavePictureDialog1->SetFileName(fileName);
    }
    if (std::none_of(SavedExtensions.begin(), SavedExtensions.end(),
                     [&](const char* saved) { return SameExtension(extension, saved); }))
        return cannotDetermineType();
    SavePicture(render_.Raster(), fileName, TBackupMode::bmCopyExisting);
}
