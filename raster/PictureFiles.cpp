#include "PictureFiles.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
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
        if (hops == 40) CannotCreate(fileName, std::strerror(ELOOP));
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
    if (!file) CannotCreate(fileName, std::strerror(errno));
    std::fclose(file);
#else
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) CannotCreate(fileName, std::strerror(errno));
    ::close(fd);
#endif
}

// A new file beside the target, under a name no other writer picks.
std::FILE* CreateTemporary(const fs::path& target, const std::string& fileName, fs::path& temporary)
{
    std::random_device random;
    char tag[32];
    std::snprintf(tag, sizeof tag, ".%08" PRIx32 "%08" PRIx32 ".tmp", static_cast<uint32_t>(random()),
                  static_cast<uint32_t>(random()));
    temporary = target.parent_path() / ("." + target.filename().string() + tag);
    // "x": never opens a file that is already there.
    std::FILE* file = std::fopen(temporary.string().c_str(), "wbx");
    if (!file) CannotCreate(fileName, std::strerror(errno));
    return file;
}

// Gives the new file the permissions, and where allowed the owner, of the
// model: the file it replaces, or the file it is a copy of.
void TakeOverAttributes([[maybe_unused]] std::FILE* file, const fs::path& model,
                        [[maybe_unused]] const fs::path& temporary)
{
#ifdef _WIN32
    std::error_code ignored;
    fs::permissions(temporary, fs::status(model, ignored).permissions(), ignored);
#else
    struct stat old;
    if (::stat(model.c_str(), &old) != 0) return;
    const int fd = fileno(file);
    // Changing the owner needs privileges that a plain overwrite does not:
    // without them the new file belongs to the writer.
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    ::fchmod(fd, old.st_mode & 07777);
#endif
}

// Makes the rename itself durable.
void SyncFolder([[maybe_unused]] const fs::path& target)
{
#ifndef _WIN32
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
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

    fs::path temporary;
    std::FILE* file = CreateTemporary(target, fileName, temporary);
    try {
        {
            TFileStream stream(file, fileName);
            write(stream);
            if (!attributesFrom.empty())
                TakeOverAttributes(file, attributesFrom, temporary);
            else if (exists)
                TakeOverAttributes(file, target, temporary);
            stream.Sync();
            stream.Close();
        }
        fs::rename(temporary, target, error);
        if (error) CannotCreate(fileName, error.message());
    } catch (...) {
        fs::remove(temporary, error);
        throw;
    }
    SyncFolder(target);
}

namespace {

// "~" after the extension's dot; empty for no extension or the dot alone.
std::string BackupExtension(std::string_view extension)
{
    if (extension.size() < 2) return {};
    return ".~" + std::string(extension.substr(1));
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
    std::unique_ptr<TBitmap> image = format.Create();
    image->Assign(picture);
    if (backup == TBackupMode::bmCopyExisting) BackupFile(fileName);
    WriteFileSafely(fileName, [&](TStream& stream) { image->WriteToStream(stream); });
}

void SavePicture(const TBitmap& picture, const std::string& fileName, TBackupMode backup)
{
    SavePicture(picture, PictureFormatForFile(fileName), fileName, backup);
}
