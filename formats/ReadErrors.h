#pragma once
// What every reader shares: the message form of its errors and the size rule.

#include <cstdint>
#include <string>
#include <string_view>

#include "Exceptions.h"

// Exception "Error reading <FORMAT> file: <what>."
[[noreturn]] inline void ThrowReadError(std::string_view format, std::string_view what)
{
    throw Exception("Error reading " + std::string(format) + " file: " + std::string(what) + ".");
}

// The largest picture any reader accepts: 2^28 pixels (16384 x 16384).
constexpr int64_t MaxImagePixels = int64_t{1} << 28;

// Fails for a negative size or one above MaxImagePixels, before anything is allocated.
inline void CheckImageSize(std::string_view format, int64_t width, int64_t height)
{
    if (width < 0 || height < 0) ThrowReadError(format, "Invalid image size");
    if (width != 0 && height > MaxImagePixels / width) ThrowReadError(format, "Image too large");
}
