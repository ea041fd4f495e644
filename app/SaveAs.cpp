#include "SaveAs.h"

#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include "Bitmap.h"
#include "MessageBox.h"
#include "PictureFormats.h"
#include "RenderControl.h"
#include "SavePictureDialog.h"
#include "Streams.h"

const char* const SavePictureFilter =
    "Bitmaps (*.bmp);;Portable Pixelmap (*.ppm);;M8 (Heretic2) Mipmap (*.m8);;TrueVision Targa (*.tga)";

namespace {

// The extension each filter index adds to a name typed without one.
constexpr std::array<const char*, 4> FilterExtensions = {".bmp", ".ppm", ".m8", ".tga"};
// The only extensions Save As writes, whatever else the picture-format
// registry knows.
constexpr std::array<const char*, 4> SavedExtensions = {".bmp", ".m8", ".ppm", ".tga"};

bool SameText(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsPathDelimiter(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// The hourglass from construction until Restore or the end of the scope,
// whichever comes first.
class TBusyCursor {
public:
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { Restore(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    void Restore()
    {
        if (!busy_) return;
        busy_ = false;
        QGuiApplication::restoreOverrideCursor();
    }

private:
    bool busy_ = true;
};

void CopyFileContent(const std::string& from, const std::string& to)
{
    TFileStream source(from, TFileMode::fmOpenRead);
    TFileStream target(to, TFileMode::fmCreate);
    std::vector<uint8_t> buffer(64 * 1024);
    while (size_t n = source.Read(buffer.data(), buffer.size())) target.WriteBuffer(buffer.data(), n);
    target.Close();
}

void WritePicture(const TBitmap& raster, const std::string& fileName)
{
    const TPictureFormat* format = FindPictureFormatForFile(fileName);
    std::unique_ptr<TBitmap> image = format->Create();
    image->Assign(raster);
    BackupFile(fileName);
    image->SaveToFile(fileName);
}

} // namespace

std::string ExtractFileExt(const std::string& fileName)
{
    for (size_t i = fileName.size(); i-- > 0;) {
        if (fileName[i] == '.') return fileName.substr(i);
        if (IsPathDelimiter(fileName[i])) break;
    }
    return {};
}

bool BackupFile(const std::string& fileName)
{
    std::string extension = ExtractFileExt(fileName);
    if (extension.size() < 2) return false;
    extension.insert(1, "~");
    return CopyToBackup(fileName, extension);
}

bool CopyToBackup(const std::string& fileName, std::string newExtension)
{
    if (!std::filesystem::is_regular_file(fileName)) return false;
    if (newExtension.empty() || newExtension.front() != '.') newExtension.insert(0, ".");
    const std::string extension = ExtractFileExt(fileName);
    if (SameText(extension, newExtension)) return false;
    const std::string backupName = fileName.substr(0, fileName.size() - extension.size()) + newExtension;
    CopyFileContent(fileName, backupName);
    return true;
}

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
    std::string extension = ExtractFileExt(fileName);
    if (extension.empty()) {
        // The chosen file type supplies a missing extension, and nothing more.
        const int index = SavePictureDialog1->FilterIndex();
        if (index < 1 || index > static_cast<int>(FilterExtensions.size())) return cannotDetermineType();
        extension = FilterExtensions[index - 1];
        fileName += extension;
        SavePictureDialog1->SetFileName(fileName);
    }
    if (std::none_of(SavedExtensions.begin(), SavedExtensions.end(),
                     [&](const char* saved) { return SameText(extension, saved); }))
        return cannotDetermineType();
    WritePicture(render_.Raster(), fileName);
}
