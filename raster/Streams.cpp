#include "Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
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

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName)
{
    file_ = std::fopen(fileName.c_str(), mode == TFileMode::fmCreate ? "wb" : "rb");
    if (!file_)
        throw EStreamError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream()
{
    if (file_) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count)
{
    return file_ ? std::fread(buffer, 1, count, file_) : 0;
}

size_t TFileStream::Write(const void* buffer, size_t count)
{
    return file_ ? std::fwrite(buffer, 1, count, file_) : 0;
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
    bool failed = std::fflush(file_) != 0 || std::ferror(file_);
#ifdef _WIN32
    failed = failed || _commit(_fileno(file_)) != 0;
#else
    failed = failed || fsync(fileno(file_)) != 0;
#endif
    if (failed) throw EStreamError("Cannot write file \"" + fileName_ + "\". " + std::strerror(errno));
}

void TFileStream::Close()
{
    if (!file_) return;
    bool failed = std::fflush(file_) != 0 || std::ferror(file_);
    failed = std::fclose(file_) != 0 || failed;
    file_ = nullptr;
    if (failed) throw EStreamError("Cannot write file \"" + fileName_ + "\".");
}
