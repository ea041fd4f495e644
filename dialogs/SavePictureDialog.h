#pragma once
// The save dialog for pictures: Qt's own file dialog (the platform's cannot
// host a pane) with a preview pane that follows the file under the cursor.

#include <QDialog>
#include <QFileDialog>
#include <QImage>

#include <memory>
#include <string>

#include "Component.h"

class QLabel;
class QPushButton;

// Larger pictures are named with their size but neither loaded nor shown, so
// that a click in the dialog never claims hundreds of megabytes.
constexpr int64_t LargestPreviewPixels = int64_t{4096} * 4096;

// The pane: a thumbnail of the picture, its size and a button that shows it
// at full size.
class TPicturePreview : public QWidget {
public:
    explicit TPicturePreview(QWidget* parent = nullptr);

    // Shows the picture file (or nothing, for a folder, an empty name or a
    // file that does not load). Never throws.
    void ShowFile(const QString& fileName);

private:
    void Clear();
    // The modal window with the picture at full size.
    void ShowPreview();

    QLabel* thumbnail_;
    QLabel* caption_;
    QPushButton* previewButton_;
    QImage picture_; // the picture on show; null when there is none
};

// The picture at full size: captioned "Preview", centred on the screen, the
// picture stretched to the window, closed with Esc.
class TPreviewWindow : public QDialog {
public:
    TPreviewWindow(const QImage& picture, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

// The file dialog Execute runs: accepts only names whose folder exists.
class TSaveFileDialog : public QFileDialog {
public:
    explicit TSaveFileDialog(QWidget* parent = nullptr);
    void accept() override;

private:
    void ShowColumnsWhole();

    TPicturePreview* preview_;
};

class TSavePictureDialog : public TComponent {
public:
    explicit TSavePictureDialog(TComponent* owner = nullptr);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
    // The file types offered, Qt's way: "Name (*.ext);;Name (*.ext)".
    const std::string& Filter() const { return filter_; }
    void SetFilter(std::string filter) { filter_ = std::move(filter); }
    // The chosen file type, 1 for the first; the dialog opens on it.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int index) { filterIndex_ = index; }

    // Runs the dialog modally; true when the user chose a name, which
    // FileName and FilterIndex then hold.
    bool Execute();

private:
    // The dialog Execute shows, set up from the properties but not shown.
    std::unique_ptr<TSaveFileDialog> CreateDialog(QWidget* parent) const;
    // Takes the name and type from an accepted dialog.
    void TakeResult(const QFileDialog& dialog);

    std::string fileName_;
    std::string filter_;
    int filterIndex_ = 1;
};
