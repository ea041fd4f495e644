#pragma once
// Byte streams for the image classes: a memory stream and a file stream.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Deliver up to count bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Take up to count bytes; returns how many were written.
    virtual size_t Write(const void* buffer, size_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    int64_t Size();
    // Bytes between the position and the end.
    int64_t Remaining();

    // All or nothing: these throw EStreamError when the stream falls short.
    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

    const std::vector<uint8_t>& Bytes() const { return data_; }

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};

enum class TFileMode { fmOpenRead, fmCreate };

// The system's text for an error number, safe to call from any thread.
std::string SystemErrorText(int error);

class TFileStream : public TStream {
public:
    // Throws EStreamError "Cannot open file "<name>". <reason>" on failure.
    // Never waits for a peer: a FIFO that no one writes reads as empty, one
    // that no one reads cannot be opened for writing (fmCreate).
    TFileStream(const std::string& fileName, TFileMode mode);
    // Takes over a file opened by the caller for writing; fileName is for
    // messages.
    TFileStream(std::FILE* file, const std::string& fileName);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    // Throws EStreamError "Stream write error in "<name>". <reason>" when the
    // system refuses the bytes.
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

    // Hands everything written so far to the disk itself, not only to the
    // system; throws EStreamError when it cannot.
    void Sync();
    // Flushes and closes; throws EStreamError when the data did not reach the file.
    void Close();

private:
    [[noreturn]] void WriteFailed(int error) const;
    // Writes go to the system in pieces this large (a whole picture of the
    // window's sizes in a few calls), not in the C library's 4 KiB.
    void UseLargeBuffer();

    std::vector<char> buffer_; // outlives file_, which may use it
    std::FILE* file_ = nullptr;
    std::string fileName_;
};
