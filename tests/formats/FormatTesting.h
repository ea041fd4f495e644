#pragma once
// Helpers the picture-format tests share: little-endian byte building, reading
// a file held in memory, and catching a reader's message.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "Streams.h"

using TBytes = std::vector<uint8_t>;

inline void Add16(TBytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Add32(TBytes& b, uint32_t v)
{
    Add16(b, v);
    Add16(b, v >> 16);
}
inline void AddBytes(TBytes& b, std::initializer_list<int> bytes)
{
    for (int v : bytes) b.push_back(static_cast<uint8_t>(v));
}
inline uint32_t Get32At(const TBytes& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

template <class TImage>
TBytes WrittenBytes(const TImage& image)
{
    TMemoryStream stream;
    image.WriteToStream(stream);
    return stream.Bytes();
}

template <class TImage>
void ReadBytes(TImage& image, const TBytes& bytes)
{
    TMemoryStream stream(bytes);
    image.ReadFromStream(stream);
}

// The reader's message, or "(no error)".
template <class TImage>
std::string ReadError(const TBytes& bytes)
{
    TImage image;
    try {
        ReadBytes(image, bytes);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}
