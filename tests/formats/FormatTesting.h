#pragma once
// Helpers the picture-format tests share: little-endian byte building, reading
// a file held in memory, and catching a reader's message.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "LittleEndian.h"
#include "Streams.h"

using TBytes = std::vector<uint8_t>;

inline void Add16(TBytes& b, uint32_t v)
{
    b.resize(b.size() + 2);
    PutLE16(b.data() + b.size() - 2, v);
}
inline void Add32(TBytes& b, uint32_t v)
{
    b.resize(b.size() + 4);
    PutLE32(b.data() + b.size() - 4, v);
}
inline void AddBytes(TBytes& b, std::initializer_list<int> bytes)
{
    for (int v : bytes) b.push_back(static_cast<uint8_t>(v));
}
inline uint32_t Get32At(const TBytes& b, size_t at) { return GetLE32(b.data() + at); }

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
