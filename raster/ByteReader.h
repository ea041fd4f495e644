#pragma once
// Buffered byte-at-a-time reading from a stream. When the reader goes, the
// stream is set back to stand right after the last byte actually consumed.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Streams.h"

class TByteReader {
public:
    explicit TByteReader(TStream& stream) : stream_(stream), buffer_(64 * 1024) {}
    ~TByteReader() { stream_.Seek(-static_cast<int64_t>(end_ - next_), TSeekOrigin::soCurrent); }
    TByteReader(const TByteReader&) = delete;
    TByteReader& operator=(const TByteReader&) = delete;

    // The next byte, or -1 at the end of the stream.
    int Get()
    {
        if (next_ == end_ && !Fill()) return -1;
        return buffer_[next_++];
    }

    // Up to count bytes; returns how many there were.
    size_t Read(uint8_t* to, size_t count)
    {
        size_t done = 0;
        while (done < count) {
            if (next_ == end_ && !Fill()) break;
            size_t n = std::min(count - done, end_ - next_);
            std::copy(buffer_.data() + next_, buffer_.data() + next_ + n, to + done);
            next_ += n;
            done += n;
        }
        return done;
    }

    // Bytes not yet consumed.
    int64_t Remaining() { return static_cast<int64_t>(end_ - next_) + stream_.Remaining(); }

private:
    bool Fill()
    {
        next_ = 0;
        end_ = stream_.Read(buffer_.data(), buffer_.size());
        return end_ > 0;
    }

    TStream& stream_;
    std::vector<uint8_t> buffer_;
    size_t next_ = 0, end_ = 0;
};
