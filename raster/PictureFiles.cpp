#include "PictureFiles.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "Exceptions.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void CannotCreate(const std::string& fileName, const std::string& reason)
{
    throw EStreamError("Cannot create file \"" + fileName + "\". " + reason);
}

// The file a name stands for, symbolic links followed; it need not exist.
fs::path FollowLinks(const std::string& fileName)
{
    fs::path path = fileName;
    std::error_code error;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        if (hops == 40) CannotCreate(fileName, SystemErrorText(ELOOP));
        const fs::path target = fs::read_symlink(path, error);
        if (error) CannotCreate(fileName, error.message());
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// Fails as a plain overwrite of the file would, without changing it.
void CheckWritable(const fs::path& target, const std::string& fileName)
{
#ifdef _WIN32
    std::FILE* file = std::fopen(target.string().c_str(), "r+b");
    if (!file) CannotCreate(fileName, SystemErrorText(errno));
    std::fclose(file);
#else
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) CannotCreate(fileName, SystemErrorText(errno));
    ::close(fd);
#endif
}

// The new content stays in a temporary file beside the target until it is
// complete. Its name is short and does not grow with the target's, so every
// name the file system accepts can be saved.
constexpr std::string_view TemporaryPrefix = ".pelorix-", TemporarySuffix = ".tmp";
constexpr size_t TemporaryTagLength = 16;

std::string TemporaryName()
{
    std::random_device random;
    char tag[TemporaryTagLength + 1];
    std::snprintf(tag, sizeof tag, "%08" PRIx32 "%08" PRIx32, static_cast<uint32_t>(random()),
                  static_cast<uint32_t>(random()));
    return std::string(TemporaryPrefix) + tag + std::string(TemporarySuffix);
}

bool IsTemporaryName(const std::string& name)
{
    return name.size() == TemporaryPrefix.size() + TemporaryTagLength + TemporarySuffix.size() &&
           name.starts_with(TemporaryPrefix) && name.ends_with(TemporarySuffix) &&
           name.find_first_not_of("0123456789abcdef", TemporaryPrefix.size()) ==
               TemporaryPrefix.size() + TemporaryTagLength;
}

fs::path FolderOf(const fs::path& target)
{
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

#ifndef _WIN32

// A save holds an exclusive lock on its temporary file for as long as the file
// has a name; a temporary file without the lock is what a killed save left.
void RemoveLeftTemporaries(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!IsTemporaryName(it->path().filename().string())) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(it->path().c_str(), &named) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlink(it->path().c_str());
        ::close(fd);
    }
}

// The file the new content is written to. Where the system can, it has no
// name until it is complete (O_TMPFILE), so a killed save leaves nothing;
// otherwise it is named and locked at once. It is only as readable as a new
// file (for a new target) or its owner alone (while it replaces a file that
// may be private) until its attributes are set.
class TTemporaryFile {
public:
    TTemporaryFile(const fs::path& folder, const std::string& fileName, bool replacing)
        : folder_(folder), fileName_(fileName)
    {
        RemoveLeftTemporaries(folder);
        const mode_t mode = replacing ? 0600 : 0666;
#ifdef O_TMPFILE
        // The name comes through /proc when the file is complete.
        if (::access("/proc/self/fd", F_OK) == 0) {
            fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
            if (fd_ >= 0) {
                ::flock(fd_, LOCK_EX);
                return;
            }
            // Not every file system can, and old kernels take it for a folder.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                CannotCreate(fileName, SystemErrorText(errno));
        }
#endif
        for (;;) {
            const fs::path path = folder / TemporaryName();
            fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd_ < 0 && errno == EEXIST) continue;
            if (fd_ < 0) CannotCreate(fileName, SystemErrorText(errno));
            ::flock(fd_, LOCK_EX);
            // Another save may have taken it for a left one before it was locked.
            struct stat st {};
            if (::fstat(fd_, &st) == 0 && st.st_nlink > 0) {
                path_ = path;
                return;
            }
            ::close(fd_);
        }
    }
    ~TTemporaryFile()
    {
        if (!path_.empty()) ::unlink(path_.c_str());
        ::close(fd_);
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    // A stream of its own on the file, which closing the stream leaves open
    // and locked here.
    std::FILE* OpenForWriting() const
    {
        const int fd = ::dup(fd_);
        std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
        if (!file) {
            const int error = errno;
            if (fd >= 0) ::close(fd);
            CannotCreate(fileName_, SystemErrorText(error));
        }
        return file;
    }

    // The permissions, and where allowed the owner, of the model: the file
    // being replaced, or the file this is a copy of.
    void TakeOverAttributes(const fs::path& model) const
    {
        struct stat old {};
        if (::stat(model.c_str(), &old) != 0) return;
        // Changing the owner needs privileges that a plain overwrite does not:
        // without them the new file belongs to the writer.
        [[maybe_unused]] const int owned = ::fchown(fd_, old.st_uid, old.st_gid);
        ::fchmod(fd_, old.st_mode & 07777);
    }

    void Replace(const fs::path& target)
    {
        if (path_.empty()) Link();
        if (::rename(path_.c_str(), target.c_str()) != 0) CannotCreate(fileName_, SystemErrorText(errno));
        path_.clear();
    }

private:
    // Gives the unnamed file a temporary name, still under its lock.
    void Link()
    {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (;;) {
            const fs::path path = folder_ / TemporaryName();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                path_ = path;
                return;
            }
            if (errno != EEXIST) CannotCreate(fileName_, SystemErrorText(errno));
        }
    }

    fs::path folder_;
    std::string fileName_;
    int fd_ = -1;
    fs::path path_; // its name while it has one
};

#else

// Windows: a file open for writing cannot be deleted, which tells a save in
// progress from one that was killed.
void RemoveLeftTemporaries(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (IsTemporaryName(it->path().filename().string())) fs::remove(it->path(), ignored);
    }
}

class TTemporaryFile {
public:
    TTemporaryFile(const fs::path& folder, const std::string& fileName, bool)
        : fileName_(fileName)
    {
        RemoveLeftTemporaries(folder);
        path_ = folder / TemporaryName();
        // "x": never opens a file that is already there.
        file_ = std::fopen(path_.string().c_str(), "wbx");
        if (!file_) CannotCreate(fileName, SystemErrorText(errno));
    }
    ~TTemporaryFile()
    {
        if (file_) std::fclose(file_);
        std::error_code ignored;
        if (!path_.empty()) fs::remove(path_, ignored);
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    std::FILE* OpenForWriting() { return std::exchange(file_, nullptr); }
    void TakeOverAttributes(const fs::path& model) const
    {
        std::error_code ignored;
        fs::permissions(path_, fs::status(model, ignored).permissions(), ignored);
    }
    void Replace(const fs::path& target)
    {
        std::error_code error;
        fs::rename(path_, target, error);
        if (error) CannotCreate(fileName_, error.message());
        path_.clear();
    }

private:
    std::string fileName_;
    std::FILE* file_ = nullptr;
    fs::path path_;
};

#endif

// Makes the rename itself durable.
void SyncFolder([[maybe_unused]] const fs::path& folder)
{
#ifndef _WIN32
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#endif
}

} // namespace

void WriteFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                     const std::string& attributesFrom)
{
    const fs::path target = FollowLinks(fileName);
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        TFileStream stream(target.string(), TFileMode::fmCreate);
        write(stream);
        stream.Close();
        return;
    }
    if (exists) CheckWritable(target, fileName);

    const fs::path folder = FolderOf(target);
    TTemporaryFile temporary(folder, fileName, exists || !attributesFrom.empty());
    {
        TFileStream stream(temporary.OpenForWriting(), fileName);
        write(stream);
        if (!attributesFrom.empty())
            temporary.TakeOverAttributes(attributesFrom);
        else if (exists)
            temporary.TakeOverAttributes(target);
        stream.Sync();
        stream.Close();
    }
    temporary.Replace(target);
    SyncFolder(folder);
}

namespace {

// "~" after the extension's dot; empty for no extension or the dot alone.
std::string BackupExtension(std::string_view extension)
{
    if (extension.size() < 2) return {};
    return ".~" + std::string(extension.substr(1));
}

// Whether the folder of the file can hold a file of that name at all: a name
// at the file system's limit has no room for the backup's "~".
bool NameFits([[maybe_unused]] const fs::path& file)
{
#ifndef _WIN32
    const long limit = ::pathconf(FolderOf(file).c_str(), _PC_NAME_MAX);
    if (limit > 0 && file.filename().native().size() > static_cast<size_t>(limit)) return false;
#endif
    return true;
}

} // namespace

std::string BackupFileName(const std::string& fileName)
{
    const std::string_view extension = ExtractFileExt(fileName);
    const std::string backup = BackupExtension(extension);
    return backup.empty() ? std::string() : fileName.substr(0, fileName.size() - extension.size()) + backup;
}

bool BackupFile(const std::string& fileName)
{
    const std::string extension = BackupExtension(ExtractFileExt(fileName));
    return !extension.empty() && CopyToBackup(fileName, extension);
}

bool CopyToBackup(const std::string& fileName, std::string newExtension)
{
    std::error_code error;
    if (!fs::is_regular_file(fileName, error)) return false;
    if (newExtension.empty() || newExtension.front() != '.') newExtension.insert(0, ".");
    const std::string_view extension = ExtractFileExt(fileName);
    // The copy would be the file itself.
    if (SameExtension(extension, newExtension)) return false;
    const std::string backup = fileName.substr(0, fileName.size() - extension.size()) + newExtension;
    if (!NameFits(backup)) return false;

    TFileStream source(fileName, TFileMode::fmOpenRead);
    const int64_t size = source.Size();
    WriteFileSafely(backup, [&](TStream& copy) {
        std::vector<uint8_t> buffer(64 * 1024);
        int64_t copied = 0;
        while (size_t n = source.Read(buffer.data(), buffer.size())) {
            copy.WriteBuffer(buffer.data(), n);
            copied += static_cast<int64_t>(n);
        }
        if (copied != size) throw EStreamError("Cannot read file \"" + fileName + "\".");
    }, fileName);
    return true;
}

void SavePicture(const TBitmap& picture, const TPictureFormat& format, const std::string& fileName,
                 TBackupMode backup)
{
    const std::unique_ptr<TBitmap> writer = format.Create();
    if (backup == TBackupMode::bmCopyExisting) BackupFile(fileName);
    WriteFileSafely(fileName, [&](TStream& stream) { writer->WritePicture(picture, stream); });
}

void SavePicture(const TBitmap& picture, const std::string& fileName, TBackupMode backup)
{
    SavePicture(picture, PictureFormatForFile(fileName), fileName, backup);
}
