#pragma once
// Little-endian integers in byte buffers, as the file formats and the
// registry records store them.

#include <cstdint>

inline void PutLE16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v)
{
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}
inline void PutLE64(uint8_t* p, uint64_t v)
{
    PutLE32(p, static_cast<uint32_t>(v));
    PutLE32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline uint32_t GetLE16(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }
inline uint32_t GetLE32(const uint8_t* p) { return GetLE16(p) | (GetLE16(p + 2) << 16); }
inline uint64_t GetLE64(const uint8_t* p) { return GetLE32(p) | (uint64_t{GetLE32(p + 4)} << 32); }
