// The Save As command, with the user's answers given in its real save dialog.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "Component.h"
#include "Exceptions.h"
#include "MessageBox.h"
#include "ModalTesting.h"
#include "PictureFormats.h"
#include "RasterTesting.h"
#include "RenderControl.h"
#include "SaveAsCommand.h"
#include "SavePictureDialog.h"
#include "TgaImage.h"

namespace fs = std::filesystem;

namespace {

std::string FileText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// A bright diagonal on black: what a generator leaves in the raster.
void Diagonal(TBitmap& raster)
{
    for (int32_t i = 0; i < std::min(raster.Width(), raster.Height()); ++i) raster.Canvas().SetPixel(i, i, clWhite);
}

// Equal pixels, but for M8's black, which reads back as its near-black.
bool SameToTheEye(const TBitmap& read, const TBitmap& raster)
{
    if (read.Width() != raster.Width() || read.Height() != raster.Height()) return false;
    for (int32_t y = 0; y < read.Height(); ++y)
        for (int32_t x = 0; x < read.Width(); ++x) {
            const TColor a = PixelAt(read, x, y), b = PixelAt(raster, x, y);
            if (a != b && !(b == clBlack && a == RGB(1, 1, 1))) return false;
        }
    return true;
}

std::vector<std::string> FolderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SaveAsTest : public testing::Test {
protected:
    SaveAsTest()
        : folder_(fs::temp_directory_path() / ("pelorix-saveas-" + std::to_string(::getpid()) + "-" +
                                               testing::UnitTest::GetInstance()->current_test_info()->name())),
          command_(&owner_, render_),
          presenter_([this](const TMessageBoxRequest& request) {
              boxes_.push_back(request);
              cursorAtBox_ = QGuiApplication::overrideCursor() != nullptr;
              return mrOK;
          })
    {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        render_.SetFractalSize(24, 16);
        render_.DrawFractal(Diagonal);
    }
    ~SaveAsTest() override { fs::remove_all(folder_); }

    // Runs the command as if the user chose this name and file type in the
    // save dialog; without an answer, the user cancels.
    void SaveAs(const std::string& name, int filterIndex)
    {
        answer_ = {name, filterIndex};
        Run();
    }
    void Run()
    {
        auto user = WhenModal<QFileDialog>([this](QFileDialog& dialog) {
            ++dialogRuns_;
            nameAtOpen_ = dialog.findChild<QLineEdit*>("fileNameEdit")->text().toStdString();
            filterIndexAtOpen_ = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1;
            if (!answer_) return dialog.reject();
            AnswerSaveDialog(dialog, answer_->first, answer_->second);
        });
        command_.SaveAsClick(nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "busy cursor left on";
    }
    // As SaveAs, when the command must fail; returns its message.
    std::string FailingSaveAs(const std::string& name, int filterIndex)
    {
        try {
            SaveAs(name, filterIndex);
        } catch (const Exception& e) {
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "busy cursor left on";
            return e.Message();
        }
        ADD_FAILURE() << "saving " << name << " did not fail";
        return {};
    }
    std::string In(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
    TComponent owner_;
    TRenderControl render_;
    TSaveAsCommand command_;
    std::vector<TMessageBoxRequest> boxes_;
    bool cursorAtBox_ = false;
    TMessageBoxPresenterScope presenter_;
    std::optional<std::pair<std::string, int>> answer_;
    int dialogRuns_ = 0;
    std::string nameAtOpen_ = "(not run)";
    int filterIndexAtOpen_ = 0;
};

} // namespace

TEST_F(SaveAsTest, NothingHappensWithoutAPicture)
{
    render_.Clear();
    SaveAs(In("fern.bmp"), 1);
    EXPECT_EQ(dialogRuns_, 0);
    EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(SaveAsTest, CancelWritesNothing)
{
    answer_.reset();
    Run();
    EXPECT_EQ(dialogRuns_, 1);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(SaveAsTest, TheDialogOpensWithoutANameOnTheLastChosenType)
{
    EXPECT_EQ(command_.SavePictureDialog1->Filter(), SavePictureFilter);
    SaveAs(In("one"), 3);
    EXPECT_EQ(nameAtOpen_, "");
    EXPECT_EQ(filterIndexAtOpen_, 1);
    SaveAs(In("two"), 2);
    EXPECT_EQ(nameAtOpen_, "");
    EXPECT_EQ(filterIndexAtOpen_, 3);
}

// A name without extension gets the chosen type's; the file is in that format
// and reads back as the picture (M8 through its palette).
TEST_F(SaveAsTest, AMissingExtensionComesFromTheFileType)
{
    struct Case {
        int filterIndex;
        const char* extension;
        std::string magic;
    };
    const Case cases[] = {
        {1, ".bmp", "BM"},
        {2, ".ppm", "P6"},
        {3, ".m8", std::string("\x02\x00\x00\x00", 4)},
        {4, ".tga", std::string("\x00\x00\x02", 3)},
    };
    for (const Case& c : cases) {
        const std::string name = In(std::string("fern") + std::to_string(c.filterIndex));
        SaveAs(name, c.filterIndex);
        const std::string written = name + c.extension;
        EXPECT_EQ(command_.SavePictureDialog1->FileName(), written);
        ASSERT_TRUE(fs::exists(written)) << written;
        EXPECT_EQ(FileText(written).substr(0, c.magic.size()), c.magic) << written;
        EXPECT_TRUE(SameToTheEye(*LoadPicture(written), render_.Raster())) << written;
    }
    EXPECT_EQ(FolderEntries(folder_).size(), 4u);
    EXPECT_TRUE(boxes_.empty());
}

// The extension typed decides the format, whatever the file type shows, and
// the name stays as typed.
TEST_F(SaveAsTest, TheTypedExtensionDecidesInAnyLetterCase)
{
    SaveAs(In("fern.PPM"), 1);
    SaveAs(In("fern.Tga"), 2);
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"fern.PPM", "fern.Tga"}));
    EXPECT_EQ(FileText(folder_ / "fern.PPM").substr(0, 2), "P6");
    TTGABitmap tga;
    tga.LoadFromFile(In("fern.Tga"));
    EXPECT_TRUE(SamePixels(tga, render_.Raster()));
}

TEST_F(SaveAsTest, OtherExtensionsAreRefusedWithTheErrorBox)
{
    // Registered for other uses, PNG is still not a type Save As writes.
    static const TImageFactory png = [] { return std::unique_ptr<TBitmap>(new TBitmap); };
    RegisterPictureFormat("PNG", "Portable Network Graphics", png);
    const std::pair<std::string, int> refused[] = {
        {In("fern.png"), 1}, {In("fern."), 2}, {In("fern.bmp.gif"), 1}};
    for (const auto& [name, index] : refused) {
        boxes_.clear();
        SaveAs(name, index);
        ASSERT_EQ(boxes_.size(), 1u) << name;
        EXPECT_EQ(boxes_[0].Caption, "Error");
        EXPECT_EQ(boxes_[0].Text, "Can not determine file type!");
        EXPECT_EQ(boxes_[0].Flags, mb::OK | mb::ICONHAND);
        EXPECT_EQ(boxes_[0].Owner, TMessageBoxOwner::moFocusedWindow);
        EXPECT_FALSE(cursorAtBox_) << "busy cursor over the box";
    }
    UnregisterPictureFormat(png);
    EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(SaveAsTest, AFolderWithADotGivesNoExtension)
{
    fs::create_directory(folder_ / "my.pics");
    SaveAs(In("my.pics/fern"), 2);
    EXPECT_EQ(FolderEntries(folder_ / "my.pics"), std::vector<std::string>{"fern.ppm"});
    EXPECT_TRUE(boxes_.empty());
}

// The old file goes to the backup byte for byte, replacing an older backup;
// a new name makes none.
TEST_F(SaveAsTest, AnOverwrittenFileIsBackedUpFirst)
{
    SaveAs(In("fern.bmp"), 1);
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"fern.bmp"});

    const std::string old("old picture\0\xff\r\n", 16);
    WriteText(folder_ / "fern.bmp", old);
    WriteText(folder_ / "fern.~bmp", std::string(100000, 'x'));
    SaveAs(In("fern.bmp"), 1);
    EXPECT_EQ(FileText(folder_ / "fern.~bmp"), old);
    const std::string first = FileText(folder_ / "fern.bmp");
    EXPECT_EQ(first.substr(0, 2), "BM");

    // A name typed without extension is backed up too (no dialog asked).
    render_.SetFractalSize(10, 10);
    SaveAs(In("fern"), 1);
    EXPECT_EQ(FileText(folder_ / "fern.~bmp"), first);
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"fern.bmp", "fern.~bmp"}));
}

// A backup that cannot be written (a folder stands where it would go) ends
// the command before the target is touched.
TEST_F(SaveAsTest, AFailedBackupLeavesTheTargetAlone)
{
    WriteText(folder_ / "fern.ppm", "old");
    fs::create_directory(folder_ / "fern.~ppm");
    EXPECT_NE(FailingSaveAs(In("fern.ppm"), 2), "");
    EXPECT_EQ(FileText(folder_ / "fern.ppm"), "old");
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"fern.ppm", "fern.~ppm"}));
}

// A write that fails halfway (a Targa side cannot exceed 65535) leaves the old
// picture under its name and in the backup, and no stray file.
TEST_F(SaveAsTest, AFailedWriteLeavesTheTargetIntact)
{
    WriteText(folder_ / "fern.tga", "old");
    render_.Raster().SetSize(70000, 1);
    EXPECT_EQ(FailingSaveAs(In("fern.tga"), 4), "Error writing TGA file: Image too large.");
    EXPECT_EQ(FileText(folder_ / "fern.tga"), "old");
    EXPECT_EQ(FileText(folder_ / "fern.~tga"), "old");
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"fern.tga", "fern.~tga"}));
}

TEST_F(SaveAsTest, ALinkIsWrittenThroughAndPermissionsStay)
{
    fs::create_directory(folder_ / "real");
    WriteText(folder_ / "real" / "fern.ppm", "old");
    ::chmod((folder_ / "real" / "fern.ppm").c_str(), 0640);
    fs::create_symlink(folder_ / "real" / "fern.ppm", folder_ / "fern.ppm");
    SaveAs(In("fern.ppm"), 2);
    EXPECT_TRUE(fs::is_symlink(folder_ / "fern.ppm"));
    EXPECT_EQ(FileText(folder_ / "real" / "fern.ppm").substr(0, 2), "P6");
    EXPECT_EQ(fs::status(folder_ / "real" / "fern.ppm").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FileText(folder_ / "fern.~ppm"), "old");
    EXPECT_EQ(FolderEntries(folder_ / "real"), std::vector<std::string>{"fern.ppm"});
}
