#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h> // MinGW's too, for getpid
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#endif

#include "Exceptions.h"
#include "PictureFiles.h"

namespace fs = std::filesystem;

namespace {

class PictureFilesTest : public testing::Test {
protected:
    PictureFilesTest()
    {
        dir = fs::temp_directory_path() / ("pelorix-files-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~PictureFilesTest() override
    {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    std::string File(const std::string& name) const { return (dir / name).string(); }
    static std::string Contents(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Put(const std::string& file, const std::string& text)
    {
        std::ofstream(file, std::ios::binary) << text;
    }
    static void WriteText(const std::string& file, const std::string& text)
    {
        WriteFileSafely(file, [&](TStream& s) { s.WriteBuffer(text.data(), text.size()); });
    }
    size_t Entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }

    fs::path dir;
};

// A picture of the size with one coloured pixel.
struct TPicture : TBitmap {
    TPicture(int32_t width, int32_t height)
    {
        SetSize(width, height);
        Canvas().SetPixel(0, 0, RGB(1, 2, 3));
    }
};

const TPictureFormat Bmp{"BMP", "Bitmaps", CreateImage<TBitmap>};

} // namespace

TEST_F(PictureFilesTest, ReplacesTheFileKeepingItsPermissionsAndNothingElseBehind)
{
    WriteText(File("a.bin"), "first");
    EXPECT_EQ(Contents(File("a.bin")), "first");
#ifdef _WIN32
    // Windows' only permission is the read-only flag, and it is not set.
    const fs::perms kept = fs::status(File("a.bin")).permissions();
#else
    const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(File("a.bin"), kept);
#endif
    WriteText(File("a.bin"), "second, longer");
    EXPECT_EQ(Contents(File("a.bin")), "second, longer");
    EXPECT_EQ(fs::status(File("a.bin")).permissions(), kept);
    EXPECT_EQ(Entries(), 1u);
}

// Modes, umask and symbolic links are POSIX matters.
#ifndef _WIN32
TEST_F(PictureFilesTest, ANewFileGetsThePermissionsOfAPlainCreate)
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    WriteText(File("new.bin"), "x");
    struct stat st {};
    ASSERT_EQ(::stat(File("new.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(PictureFilesTest, ABackupIsAsPrivateAsTheFileItCopies)
{
    const fs::perms privateFile = fs::perms::owner_read | fs::perms::owner_write;
    Put(File("fern.bmp"), "private");
    fs::permissions(File("fern.bmp"), privateFile);
    // A new backup and one replacing an older, readable backup alike.
    EXPECT_TRUE(BackupFile(File("fern.bmp")));
    EXPECT_EQ(fs::status(File("fern.~bmp")).permissions(), privateFile);
    fs::permissions(File("fern.~bmp"), fs::perms::all);
    EXPECT_TRUE(BackupFile(File("fern.bmp")));
    EXPECT_EQ(fs::status(File("fern.~bmp")).permissions(), privateFile);
    EXPECT_EQ(Contents(File("fern.~bmp")), "private");
}

TEST_F(PictureFilesTest, WritesThroughSymbolicLinks)
{
    fs::create_directory(dir / "real");
    Put(File("real/target.bin"), "old");
    fs::create_symlink("real/target.bin", dir / "link.bin");
    WriteText(File("link.bin"), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(Contents(File("real/target.bin")), "new");

    // A link to a file not there yet makes that file.
    fs::create_symlink("real/later.bin", dir / "dangling.bin");
    WriteText(File("dangling.bin"), "made");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.bin"));
    EXPECT_EQ(Contents(File("real/later.bin")), "made");
}
#endif

TEST_F(PictureFilesTest, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    Put(File("keep.bin"), "previous");
    EXPECT_THROW(WriteFileSafely(File("keep.bin"),
                                 [](TStream& s) {
                                     s.WriteBuffer("part", 4);
                                     throw EStreamError("disk full");
                                 }),
                 EStreamError);
    EXPECT_EQ(Contents(File("keep.bin")), "previous");
    EXPECT_EQ(Entries(), 1u);

    fs::create_directory(dir / "folder.bin");
    EXPECT_THROW(WriteText(File("folder.bin"), "x"), EStreamError);
    EXPECT_THROW(WriteText(File("missing/x.bin"), "x"), EStreamError);
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(PictureFilesTest, AReadOnlyFileOrFolderFailsAsAPlainOverwriteWould)
{
#ifndef _WIN32
    if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
#endif
    Put(File("ro.bin"), "locked");
    fs::permissions(File("ro.bin"), fs::perms::owner_read);
#ifdef _WIN32
    // Wine maps the flag to the file's mode, which does not bind root.
    if (std::FILE* file = std::fopen(File("ro.bin").c_str(), "r+b")) {
        std::fclose(file);
        fs::permissions(File("ro.bin"), fs::perms::owner_write, fs::perm_options::add);
        GTEST_SKIP() << "this system lets us write read-only files (Wine run as root)";
    }
#endif
    EXPECT_THROW(WriteText(File("ro.bin"), "x"), EStreamError);
    EXPECT_EQ(Contents(File("ro.bin")), "locked");
#ifdef _WIN32
    // Windows has no read-only folders: its read-only flag is a file's.
    fs::permissions(File("ro.bin"), fs::perms::owner_write, fs::perm_options::add);
    return;
#endif

    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteText(File("ro/x.bin"), "x"), EStreamError);
}

TEST_F(PictureFilesTest, TheBackupNamePutsATildeAfterTheExtensionsDot)
{
    EXPECT_EQ(BackupFileName("fern.bmp"), "fern.~bmp");
    EXPECT_EQ(BackupFileName("/pics/fern.M8"), "/pics/fern.~M8");
    EXPECT_EQ(BackupFileName("a.b/fern.tga"), "a.b/fern.~tga");
    EXPECT_EQ(BackupFileName("my.pics/fern"), "");
    EXPECT_EQ(BackupFileName("fern."), "");
    EXPECT_EQ(BackupFileName("fern"), "");
}

TEST_F(PictureFilesTest, TheExtensionIsThatOfTheLastPathElement)
{
    EXPECT_EQ(ExtractFileExt("/my.pics/fern"), "");
    EXPECT_EQ(ExtractFileExt("/my.pics/fern.M8"), ".M8");
    EXPECT_EQ(ExtractFileExt("fern.bmp.gif"), ".gif");
    EXPECT_EQ(ExtractFileExt("fern."), ".");
    EXPECT_EQ(ExtractFileExt(".hidden"), ".hidden");
    EXPECT_TRUE(SameExtension(".PpM", ".ppm"));
    EXPECT_FALSE(SameExtension(".ppm", ".pp"));
    EXPECT_FALSE(SameExtension(".ppm", "ppm"));
}

TEST_F(PictureFilesTest, CopyToBackupTakesAnyNewExtensionButTheFilesOwn)
{
    Put(File("fern.m8"), "m8");
    Put(File("plain"), "plain");
    Put(File("dot."), "dot");
    EXPECT_FALSE(BackupFile(File("plain")));
    EXPECT_FALSE(BackupFile(File("dot.")));
    // The new extension gets its dot; the file's own, in any case, is no backup.
    EXPECT_TRUE(CopyToBackup(File("fern.m8"), "bak"));
    EXPECT_EQ(Contents(File("fern.bak")), "m8");
    EXPECT_FALSE(CopyToBackup(File("fern.m8"), ".M8"));
    EXPECT_TRUE(CopyToBackup(File("plain"), ".~"));
    EXPECT_EQ(Contents(File("plain.~")), "plain");
    EXPECT_FALSE(CopyToBackup(File("missing.m8"), ".~m8"));
    EXPECT_FALSE(CopyToBackup(File(""), ".~m8")) << "a folder is no file";
    EXPECT_EQ(Entries(), 5u);
}

TEST_F(PictureFilesTest, BackupCopiesByteForByteReplacingAnOlderBackup)
{
    EXPECT_FALSE(BackupFile(File("none.ppm")));
    EXPECT_EQ(Entries(), 0u);

    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    Put(File("fern.ppm"), bytes);
    Put(File("fern.~ppm"), "an older backup");
    EXPECT_TRUE(BackupFile(File("fern.ppm")));
    EXPECT_EQ(Contents(File("fern.~ppm")), bytes);
    EXPECT_EQ(Contents(File("fern.ppm")), bytes);
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(PictureFilesTest, SaveBacksUpFirstAndWritesNothingWhenTheBackupFails)
{
    const TPicture small(2, 1), large(3, 2);
    SavePicture(small, Bmp, File("pic.bmp"), TBackupMode::bmCopyExisting);
    EXPECT_FALSE(fs::exists(File("pic.~bmp"))) << "nothing to back up";
    const std::string first = Contents(File("pic.bmp"));

    SavePicture(large, Bmp, File("pic.bmp"), TBackupMode::bmCopyExisting);
    EXPECT_EQ(Contents(File("pic.~bmp")), first);
    TBitmap back;
    back.LoadFromFile(File("pic.bmp"));
    EXPECT_EQ(back.Width(), 3);
    EXPECT_EQ(back.Canvas().GetPixel(0, 0), RGB(1, 2, 3));

    SavePicture(small, Bmp, File("plain.bmp"));
    SavePicture(large, Bmp, File("plain.bmp"));
    EXPECT_FALSE(fs::exists(File("plain.~bmp"))) << "no backup unless asked";

    // A backup that cannot be written stops the save.
    fs::remove(File("pic.~bmp"));
    fs::create_directory(dir / "pic.~bmp");
    const std::string before = Contents(File("pic.bmp"));
    EXPECT_THROW(SavePicture(small, Bmp, File("pic.bmp"), TBackupMode::bmCopyExisting), EStreamError);
    EXPECT_EQ(Contents(File("pic.bmp")), before);
}

TEST_F(PictureFilesTest, SaveByNameNeedsARegisteredExtension)
{
    RegisterPictureFormat("BMP", "Bitmaps", CreateImage<TBitmap>);
    SavePicture(TPicture(2, 2), File("by-name.BMP"));
    EXPECT_EQ(LoadPicture(File("by-name.BMP"))->Width(), 2);
    try {
        SavePicture(TPicture(2, 2), File("x.png"));
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.png)");
    }
    UnregisterPictureFormat(CreateImage<TBitmap>);
    EXPECT_FALSE(fs::exists(File("x.png")));
}

#ifdef __linux__
namespace {

// The modes of the files this process has open in the folder, named or not.
std::vector<mode_t> ModesOfFilesOpenIn(const fs::path& folder)
{
    std::vector<mode_t> modes;
    for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = fs::read_symlink(fd.path(), error).string();
        struct stat st {};
        if (!error && target.starts_with(folder.string() + "/") && ::stat(fd.path().c_str(), &st) == 0 &&
            S_ISREG(st.st_mode))
            modes.push_back(st.st_mode & 07777);
    }
    return modes;
}

} // namespace

// What a second user, a signal, a long name, a pipe or a full disk may do to a
// save, each with what the save must do about it.
TEST_F(PictureFilesTest, SavesSafelyWhateverTheNameTheTargetOrTheDisk)
{
    const TPicture picture(3, 2);
    auto saveFails = [&](const std::string& name, TBackupMode backup, const std::string& message) {
        try {
            SavePicture(picture, Bmp, name, backup);
            ADD_FAILURE() << name << ": no error";
        } catch (const EStreamError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    };
    const std::string longName(251, 'n'), staleTemporary = ".pelorix-0123456789abcdef.tmp",
                                           busyTemporary = ".pelorix-fedcba9876543210.tmp";
    const struct {
        const char* what;
        std::function<void()> run;
    } cases[] = {
        {"the new content of a private file is private while it is written",
         [&] {
             Put(File("private.bmp"), "old");
             fs::permissions(File("private.bmp"), fs::perms::owner_read | fs::perms::owner_write);
             std::vector<mode_t> modes;
             WriteFileSafely(File("private.bmp"), [&](TStream& s) {
                 s.WriteBuffer("new", 3);
                 modes = ModesOfFilesOpenIn(dir);
             });
             ASSERT_FALSE(modes.empty());
             for (mode_t mode : modes) EXPECT_EQ(mode & 077, 0u) << std::oct << mode;
             EXPECT_EQ(Contents(File("private.bmp")), "new");
         }},
        {"a killed save leaves nothing that the next save of the name does not remove",
         [&] {
             if (const pid_t child = ::fork(); child == 0) {
                 WriteFileSafely(File("killed.bmp"), [](TStream& s) {
                     s.WriteBuffer("part", 4);
                     ::_exit(0); // as kill -9 would: no clean-up
                 });
                 ::_exit(1);
             } else {
                 int status = 0;
                 ::waitpid(child, &status, 0);
             }
             // As a save killed elsewhere leaves them: one dead, one still being written.
             Put(File(staleTemporary), "left");
             Put(File(busyTemporary), "busy");
             const int busy = ::open(File(busyTemporary).c_str(), O_RDONLY);
             ASSERT_EQ(::flock(busy, LOCK_EX), 0);
             SavePicture(picture, Bmp, File("killed.bmp"));
             EXPECT_FALSE(fs::exists(File(staleTemporary)));
             EXPECT_TRUE(fs::exists(File(busyTemporary)));
             ::close(busy);
             fs::remove(File(busyTemporary));
             EXPECT_EQ(Entries(), 1u);
         }},
        {"a name as long as the file system allows saves, without room for a backup",
         [&] {
             const std::string longest = File(longName + ".bmp"), shorter = File(longName.substr(1) + ".bmp");
             for (const std::string& name : {longest, longest, shorter, shorter})
                 SavePicture(picture, Bmp, name, TBackupMode::bmCopyExisting);
             TBitmap back;
             back.LoadFromFile(longest);
             EXPECT_EQ(back.Width(), 3);
             EXPECT_TRUE(fs::exists(BackupFileName(shorter)));
             EXPECT_EQ(Entries(), 3u);
         }},
        {"a pipe that no one reads fails at once, as target and as backup",
         [&] {
             ASSERT_EQ(::mkfifo(File("pipe.bmp").c_str(), 0600), 0);
             saveFails(File("pipe.bmp"), TBackupMode::bmCopyExisting,
                       "Cannot open file \"" + File("pipe.bmp") + "\". No program reads from it");
             Put(File("piped.bmp"), "old");
             ASSERT_EQ(::mkfifo(File("piped.~bmp").c_str(), 0600), 0);
             saveFails(File("piped.bmp"), TBackupMode::bmCopyExisting,
                       "Cannot open file \"" + File("piped.~bmp") + "\". No program reads from it");
             EXPECT_EQ(Contents(File("piped.bmp")), "old");
         }},
        {"a full disk names the file and the reason",
         [&] {
             saveFails("/dev/full", TBackupMode::bmNone, "Stream write error in \"/dev/full\". No space left on device");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir);
        fs::create_directories(dir);
        c.run();
    }
}
#endif
