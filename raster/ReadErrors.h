#pragma once
// What every picture reader shares (the raster class's BMP reader and the image
// classes'): the message form of its errors and the size rule.

#include <cstdint>
#include <string>
#include <string_view>

#include "Exceptions.h"

// Exception "Error reading <FORMAT> file: <what>."
[[noreturn]] inline void ThrowReadError(std::string_view format, std::string_view what)
{
    throw Exception("Error reading " + std::string(format) + " file: " + std::string(what) + ".");
}

// The largest picture any reader accepts: 2^28 pixels (16384 x 16384). The
// fuzzing build lowers it, so that the fuzzer spends its time on the readers'
// logic rather than on filling gigabyte pictures that the size rule allows.
#ifdef PELORIX_MAX_IMAGE_PIXELS
constexpr int64_t MaxImagePixels = PELORIX_MAX_IMAGE_PIXELS;
#else
constexpr int64_t MaxImagePixels = int64_t{1} << 28;
#endif

// Fails for a negative size or one above MaxImagePixels, before anything is
// allocated. A side is capped as well, so that a picture 0 pixels wide cannot
// make a reader walk billions of empty rows.
inline void CheckImageSize(std::string_view format, int64_t width, int64_t height)
{
    if (width < 0 || height < 0) ThrowReadError(format, "Invalid image size");
    if (width > MaxImagePixels || height > MaxImagePixels) ThrowReadError(format, "Image too large");
    if (width != 0 && height > MaxImagePixels / width) ThrowReadError(format, "Image too large");
}

// The size rule's last part: a picture with pixels needs at least one complete
// row of pixel data in the file, checked before the picture is allocated.
inline void CheckFirstRow(std::string_view format, int64_t width, int64_t height, int64_t rowBytes, int64_t available)
{
    if (width > 0 && height > 0 && available < rowBytes) ThrowReadError(format, "Pixel data missing");
}
