// The real save dialog in its modal loop, driven as a user would.
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
#include <QTreeView>
#include <QHeaderView>

#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "Formats.h"
#include "PictureFormats.h"
#include "ModalTesting.h"
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

// The pane as the user sees it beside the file list, by its controls' names.
struct TPane {
    explicit TPane(QWidget& dialog)
        : Caption(dialog.findChild<QLabel*>("PreviewCaption")),
          Thumbnail(dialog.findChild<QLabel*>("PreviewThumbnail")),
          Button(dialog.findChild<QPushButton*>("PreviewButton"))
    {
    }
    QImage Shown() const { return Thumbnail->pixmap().toImage(); }

    QLabel* Caption;
    QLabel* Thumbnail;
    QPushButton* Button;
};

// Runs the component's dialog on folder; the user does what `user` says.
bool RunIn(TSavePictureDialog& component, const QString& folder, std::function<void(TSaveFileDialog&)> user)
{
    auto shown = WhenModal<TSaveFileDialog>([&](TSaveFileDialog& dialog) {
        dialog.setDirectory(folder);
        user(dialog);
    });
    return component.Execute();
}

} // namespace

TEST(SavePictureDialogTest, IsQtsOwnSaveDialogOnTheChosenFilter)
{
    TSavePictureDialog component;
    component.SetFilter(Filter);
    EXPECT_EQ(component.FilterIndex(), 1);
    QString selected;
    EXPECT_FALSE(RunIn(component, QDir::tempPath(), [&](TSaveFileDialog& dialog) {
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.defaultSuffix(), "");
        EXPECT_EQ(dialog.nameFilters(), QStringList({"Bitmaps (*.bmp)", "Portable Pixelmap (*.ppm)",
                                                     "M8 (Heretic2) Mipmap (*.m8)", "TrueVision Targa (*.tga)"}));
        EXPECT_TRUE(dialog.isSizeGripEnabled());
        selected = dialog.selectedNameFilter();
        dialog.reject();
    }));
    EXPECT_EQ(selected, "Bitmaps (*.bmp)");

    component.SetFilterIndex(3);
    RunIn(component, QDir::tempPath(), [&](TSaveFileDialog& dialog) {
        selected = dialog.selectedNameFilter();
        dialog.reject();
    });
    EXPECT_EQ(selected, "M8 (Heretic2) Mipmap (*.m8)");
}

// The file list's name, size, type and date are shown whole, on the screen.
TEST(SavePictureDialogTest, TheColumnsOfTheFileListAreReadable)
{
    TempFolder folder;
    TPPMBitmap picture;
    WritePicture(picture, folder / "mandel-640x480.ppm", 640, 480);
    TSavePictureDialog component;
    component.SetFilter(Filter);
    component.SetFilterIndex(2);
    RunIn(component, folder.Q(), [&](TSaveFileDialog& dialog) {
        auto* list = dialog.findChild<QTreeView*>("treeView");
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) == 1; }));
        for (int column = 0; column < list->header()->count(); ++column) {
            const QString text = list->model()->index(0, column, list->rootIndex()).data().toString();
            EXPECT_GT(list->columnWidth(column), list->fontMetrics().horizontalAdvance(text)) << text.toStdString();
        }
        const QSize screen = dialog.screen()->availableGeometry().size();
        EXPECT_EQ(dialog.size().boundedTo(screen), dialog.size());
        dialog.reject();
    });
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

    TSavePictureDialog component;
    component.SetFilter(Filter);
    RunIn(component, folder.Q(), [&](TSaveFileDialog& dialog) {
        TPane pane(dialog);
        EXPECT_EQ(pane.Caption->text(), "Picture:");
        EXPECT_FALSE(pane.Button->isEnabled());

        dialog.selectNameFilter("Portable Pixelmap (*.ppm)");
        ClickFile(dialog, "wide.ppm");
        EXPECT_EQ(pane.Caption->text(), " (30x20)");
        EXPECT_TRUE(pane.Button->isEnabled());
        EXPECT_EQ(pane.Button->toolTip(), "Preview");
        // Scaled to the pane's width at most, never enlarged, proportions kept.
        EXPECT_EQ(pane.Shown().size(), QSize(30, 20));
        EXPECT_EQ(pane.Shown().pixelColor(0, 0), QColor(255, 0, 0));
        EXPECT_EQ(pane.Shown().pixelColor(29, 19), QColor(0, 0, 255));

        dialog.selectNameFilter("TrueVision Targa (*.tga)");
        ClickFile(dialog, "broken.tga");
        EXPECT_EQ(pane.Caption->text(), "Picture:");
        EXPECT_FALSE(pane.Button->isEnabled());
        EXPECT_TRUE(pane.Thumbnail->pixmap().isNull());

        // Twenty million pixels: the size is named, nothing is loaded or shown.
        ClickFile(dialog, "huge.tga");
        EXPECT_EQ(pane.Caption->text(), " (5000x4000)");
        EXPECT_FALSE(pane.Button->isEnabled());
        EXPECT_TRUE(pane.Thumbnail->pixmap().isNull());

        dialog.selectNameFilter("Bitmaps (*.bmp)");
        ClickFile(dialog, "sub.bmp");
        EXPECT_EQ(pane.Caption->text(), "Picture:");
        dialog.reject();
    });
}

TEST(SavePictureDialogTest, ALargePictureIsScaledIntoThePane)
{
    TempFolder folder;
    TTGABitmap tga;
    WritePicture(tga, folder / "big.tga", 800, 400);
    TPicturePreview preview;
    preview.ShowFile(QString::fromStdString((folder / "big.tga").string()));
    TPane pane(preview);
    EXPECT_EQ(pane.Caption->text(), " (800x400)");
    const QSize thumbnail = pane.Shown().size();
    EXPECT_LE(thumbnail.width(), pane.Thumbnail->width());
    EXPECT_EQ(thumbnail.width(), thumbnail.height() * 2);
}

TEST(SavePictureDialogTest, PreviewShowsThePictureCentredAndClosesWithEsc)
{
    TempFolder folder;
    TPPMBitmap ppm;
    WritePicture(ppm, folder / "wide.ppm", 120, 80);
    TPicturePreview preview;
    preview.ShowFile(QString::fromStdString((folder / "wide.ppm").string()));
    TPane pane(preview);
    ASSERT_TRUE(pane.Button->isEnabled());

    bool seen = false;
    auto user = WhenModal<QDialog>([&](QDialog& shown) {
        QDialog* window = &shown;
        seen = true;
        EXPECT_EQ(window->windowTitle(), "Preview");
        EXPECT_TRUE(window->isModal());
        EXPECT_EQ(window->size() * window->devicePixelRatio(), QSize(120, 80)); // one picture pixel on one screen pixel
        const QRect screen = window->screen()->availableGeometry();
        EXPECT_LE((window->frameGeometry().center() - screen.center()).manhattanLength(), 1)
            << window->frameGeometry().center().x() << "," << window->frameGeometry().center().y();
        const QImage shot = window->grab().toImage();
        EXPECT_EQ(shot.pixelColor(10, 40), QColor(255, 0, 0));
        EXPECT_EQ(shot.pixelColor(110, 40), QColor(0, 0, 255));
        QTest::keyClick(window, Qt::Key_Escape);
    });
    QTest::mouseClick(pane.Button, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(SavePictureDialogTest, AcceptsOnlyExistingFoldersAndAsksBeforeOverwriting)
{
    TempFolder folder;
    TPPMBitmap ppm;
    WritePicture(ppm, folder / "old.ppm", 4, 4);
    TSavePictureDialog component;
    component.SetFilter(Filter);
    std::string warning;
    const auto answerBox = [&] {
        return WhenModal<QMessageBox>([&](QMessageBox& box) {
            warning = box.text().toStdString();
            box.accept();
        });
    };
    EXPECT_TRUE(RunIn(component, folder.Q(), [&](TSaveFileDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);

        // A folder that does not exist: a warning, and the dialog stays.
        {
            auto box = answerBox();
            edit->setText(QString::fromStdString((folder / "missing" / "fern").string()));
            dialog.accept();
        }
        EXPECT_NE(warning.find("Path does not exist"), std::string::npos) << warning;
        EXPECT_TRUE(dialog.isVisible());

        // A pattern is no name.
        {
            auto box = answerBox();
            edit->setText("*.tga");
            dialog.accept();
        }
        EXPECT_EQ(warning, "*.tga\nThe file name is not valid.");
        EXPECT_TRUE(dialog.isVisible());

        // An existing file: Qt's question; No keeps the dialog open.
        bool asked = false;
        {
            auto box = WhenModal<QMessageBox>([&](QMessageBox& question) {
                asked = true;
                question.button(QMessageBox::No)->click();
            });
            dialog.selectNameFilter("Portable Pixelmap (*.ppm)");
            edit->setText("old.ppm");
            dialog.accept();
        }
        EXPECT_TRUE(asked);
        EXPECT_TRUE(dialog.isVisible());

        // A new name in an existing folder, no extension added.
        dialog.selectNameFilter("TrueVision Targa (*.tga)");
        edit->setText("fern");
        dialog.accept();
    }));
    EXPECT_EQ(component.FileName(), (folder / "fern").string());
    EXPECT_EQ(component.FilterIndex(), 4);
}
