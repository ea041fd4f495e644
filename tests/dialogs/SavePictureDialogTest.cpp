// The real save dialog, shown without blocking and driven as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "Formats.h"
#include "PictureFormats.h"
#include "RasterTesting.h"
#include "SavePictureDialog.h"
#include "PpmImage.h"
#include "TgaImage.h"

namespace fs = std::filesystem;

namespace {

// The preview loads pictures through the registered formats.
const TImageFormats formats;

const std::string Filter =
    "Bitmaps (*.bmp);;Portable Pixelmap (*.ppm);;M8 (Heretic2) Mipmap (*.m8);;TrueVision Targa (*.tga)";

// A folder of its own for one test.
class TempFolder {
public:
    TempFolder()
        : path_(fs::temp_directory_path() /
                ("pelorix-dialog-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++)))
    {
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    QString Q() const { return QString::fromStdString(path_.string()); }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

// A picture whose left half is red and right half blue.
void WritePicture(TBitmap& image, const fs::path& file, int32_t width, int32_t height)
{
    PrepareRaster(image, width, height);
    image.Canvas().Brush.Color = RGB(255, 0, 0);
    image.Canvas().FillRect(0, 0, width / 2, height);
    image.Canvas().Brush.Color = RGB(0, 0, 255);
    image.Canvas().FillRect(width / 2, 0, width, height);
    image.SaveToFile(file.string());
}

// Runs action once the next modal window is up, while the caller blocks in it.
void WhenModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<QFileDialog*>(modal)) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// Clicks a file in the dialog's list, as the user does, once the folder loaded.
void ClickFile(QFileDialog& dialog, const QString& name)
{
    auto* list = dialog.findChild<QListView*>("listView");
    ASSERT_NE(list, nullptr);
    QModelIndex index;
    const bool found = QTest::qWaitFor([&] {
        QAbstractItemModel* model = list->model();
        const QModelIndexList hits =
            model->match(model->index(0, 0, list->rootIndex()), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        if (hits.isEmpty()) return false;
        index = hits.first();
        return true;
    });
    ASSERT_TRUE(found) << name.toStdString();
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

struct ShownDialog {
    TSavePictureDialog component;
    std::unique_ptr<TSaveFileDialog> dialog;

    explicit ShownDialog(const QString& folder)
    {
        component.SetFilter(Filter);
        dialog = component.CreateDialog(nullptr);
        dialog->setDirectory(folder);
        dialog->show();
    }
    TPicturePreview& Pane() { return *dialog->Preview(); }
};

} // namespace

TEST(SavePictureDialogTest, IsQtsOwnSaveDialogOnTheChosenFilter)
{
    TSavePictureDialog component;
    component.SetFilter(Filter);
    EXPECT_EQ(component.FilterIndex(), 1);
    auto dialog = component.CreateDialog(nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->defaultSuffix(), "");
    EXPECT_EQ(dialog->nameFilters(), QStringList({"Bitmaps (*.bmp)", "Portable Pixelmap (*.ppm)",
                                                  "M8 (Heretic2) Mipmap (*.m8)", "TrueVision Targa (*.tga)"}));
    EXPECT_EQ(dialog->selectedNameFilter(), "Bitmaps (*.bmp)");
    EXPECT_TRUE(dialog->isSizeGripEnabled());

    component.SetFilterIndex(3);
    EXPECT_EQ(component.CreateDialog(nullptr)->selectedNameFilter(), "M8 (Heretic2) Mipmap (*.m8)");
}

TEST(SavePictureDialogTest, ThePaneFollowsTheFileUnderTheCursor)
{
    TempFolder folder;
    TPPMBitmap ppm;
    WritePicture(ppm, folder / "wide.ppm", 30, 20);
    std::ofstream(folder / "broken.tga") << "not a picture";
    // A Targa header of 5000 x 4000 pixels followed by one row.
    std::string huge(18, '\0');
    huge[2] = 2;
    huge[12] = static_cast<char>(5000 & 0xFF);
    huge[13] = static_cast<char>(5000 >> 8);
    huge[14] = static_cast<char>(4000 & 0xFF);
    huge[15] = static_cast<char>(4000 >> 8);
    huge[16] = 24;
    huge.append(5000 * 3, '\x40');
    std::ofstream(folder / "huge.tga", std::ios::binary) << huge;
    fs::create_directory(folder / "sub.bmp");

    ShownDialog shown(folder.Q());
    TPicturePreview& pane = shown.Pane();
    EXPECT_EQ(pane.Caption()->text(), "Picture:");
    EXPECT_FALSE(pane.PreviewButton()->isEnabled());

    shown.dialog->selectNameFilter("Portable Pixelmap (*.ppm)");
    ClickFile(*shown.dialog, "wide.ppm");
    EXPECT_EQ(pane.Caption()->text(), " (30x20)");
    EXPECT_TRUE(pane.PreviewButton()->isEnabled());
    EXPECT_EQ(pane.PreviewButton()->toolTip(), "Preview");
    ASSERT_FALSE(pane.Thumbnail()->pixmap().isNull());
    // Scaled to the pane's width at most, never enlarged, proportions kept.
    EXPECT_EQ(pane.Thumbnail()->pixmap().size(), QSize(30, 20));
    EXPECT_EQ(pane.Picture().pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(pane.Picture().pixelColor(29, 19), QColor(0, 0, 255));

    shown.dialog->selectNameFilter("TrueVision Targa (*.tga)");
    ClickFile(*shown.dialog, "broken.tga");
    EXPECT_EQ(pane.Caption()->text(), "Picture:");
    EXPECT_FALSE(pane.PreviewButton()->isEnabled());
    EXPECT_TRUE(pane.Thumbnail()->pixmap().isNull());

    // Twenty million pixels: the size is named, nothing is loaded or shown.
    ClickFile(*shown.dialog, "huge.tga");
    EXPECT_EQ(pane.Caption()->text(), " (5000x4000)");
    EXPECT_FALSE(pane.PreviewButton()->isEnabled());
    EXPECT_TRUE(pane.Thumbnail()->pixmap().isNull());
    EXPECT_TRUE(pane.Picture().isNull());

    shown.dialog->selectNameFilter("Bitmaps (*.bmp)");
    ClickFile(*shown.dialog, "sub.bmp");
    EXPECT_EQ(pane.Caption()->text(), "Picture:");
}

TEST(SavePictureDialogTest, ALargePictureIsScaledIntoThePane)
{
    TempFolder folder;
    TTGABitmap tga;
    WritePicture(tga, folder / "big.tga", 800, 400);
    TPicturePreview pane;
    pane.ShowFile(QString::fromStdString((folder / "big.tga").string()));
    EXPECT_EQ(pane.Caption()->text(), " (800x400)");
    const QSize thumbnail = pane.Thumbnail()->pixmap().size();
    EXPECT_LE(thumbnail.width(), pane.Thumbnail()->width());
    EXPECT_EQ(thumbnail.width(), thumbnail.height() * 2);
    EXPECT_EQ(pane.Picture().size(), QSize(800, 400));
}

TEST(SavePictureDialogTest, PreviewShowsThePictureCentredAndClosesWithEsc)
{
    TempFolder folder;
    TPPMBitmap ppm;
    WritePicture(ppm, folder / "wide.ppm", 120, 80);
    TPicturePreview pane;
    pane.ShowFile(QString::fromStdString((folder / "wide.ppm").string()));
    ASSERT_TRUE(pane.PreviewButton()->isEnabled());

    bool seen = false;
    WhenModal([&](QWidget* window) {
        seen = true;
        EXPECT_EQ(window->windowTitle(), "Preview");
        EXPECT_TRUE(window->isModal());
        EXPECT_EQ(window->size(), QSize(120, 80));
        const QRect screen = window->screen()->availableGeometry();
        EXPECT_LE((window->frameGeometry().center() - screen.center()).manhattanLength(), 1)
            << window->frameGeometry().center().x() << "," << window->frameGeometry().center().y();
        const QImage shot = window->grab().toImage();
        EXPECT_EQ(shot.pixelColor(10, 40), QColor(255, 0, 0));
        EXPECT_EQ(shot.pixelColor(110, 40), QColor(0, 0, 255));
        QTest::keyClick(window, Qt::Key_Escape);
    });
    QTest::mouseClick(pane.PreviewButton(), Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(SavePictureDialogTest, AcceptsOnlyExistingFoldersAndAsksBeforeOverwriting)
{
    TempFolder folder;
    TPPMBitmap ppm;
    WritePicture(ppm, folder / "old.ppm", 4, 4);
    ShownDialog shown(folder.Q());
    auto* edit = shown.dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);

    // A folder that does not exist: a warning, and the dialog stays.
    std::string warning;
    WhenModal([&](QWidget* box) {
        warning = static_cast<QMessageBox*>(box)->text().toStdString();
        static_cast<QMessageBox*>(box)->accept();
    });
    edit->setText(QString::fromStdString((folder / "missing" / "fern").string()));
    shown.dialog->accept();
    EXPECT_NE(warning.find("Path does not exist"), std::string::npos) << warning;
    EXPECT_TRUE(shown.dialog->isVisible());

    // A pattern is no name.
    WhenModal([&](QWidget* box) {
        warning = static_cast<QMessageBox*>(box)->text().toStdString();
        static_cast<QMessageBox*>(box)->accept();
    });
    edit->setText("*.tga");
    shown.dialog->accept();
    EXPECT_EQ(warning, "*.tga\nThe file name is not valid.");
    EXPECT_TRUE(shown.dialog->isVisible());

    // An existing file: Qt's question; No keeps the dialog open.
    bool asked = false;
    WhenModal([&](QWidget* box) {
        asked = true;
        static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
    });
    shown.dialog->selectNameFilter("Portable Pixelmap (*.ppm)");
    edit->setText("old.ppm");
    shown.dialog->accept();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(shown.dialog->isVisible());

    // A new name in an existing folder, no extension added.
    shown.dialog->selectNameFilter("TrueVision Targa (*.tga)");
    edit->setText("fern");
    shown.dialog->accept();
    EXPECT_EQ(shown.dialog->result(), QDialog::Accepted);
    shown.component.TakeResult(*shown.dialog);
    EXPECT_EQ(shown.component.FileName(), (folder / "fern").string());
    EXPECT_EQ(shown.component.FilterIndex(), 4);
}
