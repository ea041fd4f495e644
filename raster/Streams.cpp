#include "Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "Exceptions.h"

int64_t TStream::Size()
{
    int64_t here = Position();
    int64_t end = Seek(0, TSeekOrigin::soEnd);
    SetPosition(here);
    return end;
}

int64_t TStream::Remaining()
{
    int64_t here = Position();
    return std::max<int64_t>(0, Size() - here);
}

void TStream::ReadBuffer(void* buffer, size_t count)
{
    if (Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count)
{
    if (Write(buffer, count) != count) throw EStreamError("Stream write error");
}

size_t TMemoryStream::Read(void* buffer, size_t count)
{
    if (position_ >= data_.size()) return 0;
    size_t n = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count)
{
    if (count == 0) return 0;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                   : origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(position_)
                                                      : static_cast<int64_t>(data_.size());
    int64_t target = base + offset;
    // A position past the end is allowed (a later write fills the gap with zeros).
    position_ = static_cast<size_t>(std::max<int64_t>(0, target));
    return static_cast<int64_t>(position_);
}

std::string SystemErrorText(int error) { return std::generic_category().message(error); }

namespace {

#ifndef _WIN32
// Opens without waiting for the other end of a FIFO, then lets reads and
// writes wait as usual once there is one.
std::FILE* OpenFile(const std::string& fileName, TFileMode mode)
{
    const bool create = mode == TFileMode::fmCreate;
    const int flags = (create ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = ::open(fileName.c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = nullptr;
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) file = ::fdopen(fd, create ? "wb" : "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}
#else
std::FILE* OpenFile(const std::string& fileName, TFileMode mode)
{
    return std::fopen(fileName.c_str(), mode == TFileMode::fmCreate ? "wb" : "rb");
}
#endif

} // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName)
{
    file_ = OpenFile(fileName, mode);
    if (!file_) {
        // What the system says of a pipe that no one reads tells a user nothing.
        const std::string reason = errno == ENXIO ? "No program reads from it" : SystemErrorText(errno);
        throw EStreamError("Cannot open file \"" + fileName + "\". " + reason);
    }
    if (mode == TFileMode::fmCreate) UseLargeBuffer();
}

TFileStream::TFileStream(std::FILE* file, const std::string& fileName) : file_(file), fileName_(fileName)
{
    UseLargeBuffer();
}

TFileStream::~TFileStream()
{
    if (file_) std::fclose(file_);
}

void TFileStream::UseLargeBuffer()
{
    buffer_.resize(size_t{1} << 20);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

void TFileStream::WriteFailed(int error) const
{
    if (error == 0) error = EIO; // a failure the C library did not name
    throw EStreamError("Stream write error in \"" + fileName_ + "\". " + SystemErrorText(error));
}

size_t TFileStream::Read(void* buffer, size_t count)
{
    return file_ ? std::fread(buffer, 1, count, file_) : 0;
}

size_t TFileStream::Write(const void* buffer, size_t count)
{
    if (!file_) return 0;
    errno = 0;
    const size_t written = std::fwrite(buffer, 1, count, file_);
    if (written < count) WriteFailed(errno);
    return written;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    if (!file_) return 0;
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                 : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                    : SEEK_END;
#ifdef _WIN32
    if (offset != 0 || origin != TSeekOrigin::soCurrent) _fseeki64(file_, offset, whence);
    return _ftelli64(file_);
#else
    // Offsets beyond 2 GiB need the 64-bit off_t calls (long may be 32 bits).
    if (offset != 0 || origin != TSeekOrigin::soCurrent) fseeko(file_, static_cast<off_t>(offset), whence);
    return ftello(file_);
#endif
}

void TFileStream::Sync()
{
    if (!file_) return;
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) WriteFailed(errno);
#ifdef _WIN32
    if (_commit(_fileno(file_)) != 0) WriteFailed(errno);
#else
    if (fsync(fileno(file_)) != 0) WriteFailed(errno);
#endif
}

void TFileStream::Close()
{
    if (!file_) return;
    errno = 0;
    bool failed = std::fflush(file_) != 0 || std::ferror(file_);
    int error = errno;
    if (std::fclose(file_) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    file_ = nullptr;
    if (failed) WriteFailed(error);
}
