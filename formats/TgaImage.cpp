#include "TgaImage.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ByteReader.h"
#include "LittleEndian.h"
#include "ReadErrors.h"
#include "Streams.h"

namespace {

constexpr const char* Format = "TGA";
constexpr size_t HeaderSize = 18;
constexpr uint8_t TopToBottom = 0x20;

constexpr const char* OnlyTrueColour = "Couldn't load TGA Image. Only 24 and 32bit TGA Images supported.";
constexpr const char* ColourMapped = "Couldn't load TGA Image. Colormapped TGA images not supported.";
constexpr const char* OnlyStandard = "Couldn't load TGA Image. Only standard 24, 32 bit TGA Images supported.";

} // namespace

void TTGABitmap::WritePicture(const TBitmap& picture, TStream& stream) const
{
    const int32_t width = picture.Width(), height = picture.Height();
    // The header's 16-bit fields cannot hold more.
    if (width > 0xFFFF || height > 0xFFFF) throw Exception("Error writing TGA file: Image too large.");
    // 24 and 32 bits are written as they are; other formats as 24 bits.
    const bool asIs = picture.PixelFormat() == TPixelFormat::pf24bit || picture.PixelFormat() == TPixelFormat::pf32bit;

    uint8_t header[HeaderSize] = {};
    header[2] = 2;
    PutLE16(header + 12, static_cast<uint32_t>(width));
    PutLE16(header + 14, static_cast<uint32_t>(height));
    header[16] = picture.PixelFormat() == TPixelFormat::pf32bit ? 32 : 24;
    stream.WriteBuffer(header, sizeof header);
    std::vector<uint8_t> row(asIs ? 0 : static_cast<size_t>(width) * 3);
    for (int32_t y = height - 1; y >= 0; --y) {
        if (asIs) {
            stream.WriteBuffer(picture.ScanLine(y), picture.RowBytes());
        } else {
            picture.CopyRowAs24Bit(y, row.data());
            stream.WriteBuffer(row.data(), row.size());
        }
    }
}

namespace {

struct THeader {
    int32_t Width = 0, Height = 0;
    uint8_t Bits = 0;
    bool TopDown = false;
};

// The header, checked, and the image ID after it: the reader then stands at
// the pixel data, which holds at least one row.
THeader ReadHeader(TByteReader& in)
{
    uint8_t header[HeaderSize];
    if (in.Read(header, HeaderSize) < HeaderSize) ThrowReadError(Format, "Header too short");

    const uint8_t idLength = header[0], colourMapType = header[1], imageType = header[2];
    const uint8_t bits = header[16], descriptor = header[17];
    if (imageType != 2 && imageType != 10) throw Exception(OnlyTrueColour);
    if (colourMapType != 0) throw Exception(ColourMapped);
    if (bits != 24 && bits != 32) throw Exception(OnlyTrueColour);
    if (imageType != 2) throw Exception(OnlyStandard);

    const int32_t width = static_cast<int32_t>(GetLE16(header + 12));
    const int32_t height = static_cast<int32_t>(GetLE16(header + 14));
    CheckImageSize(Format, width, height);

    // The image ID, when there is one, stands between the header and the pixels.
    uint8_t id[255];
    if (in.Read(id, idLength) < idLength) ThrowReadError(Format, "Pixel data missing");
    CheckFirstRow(Format, width, height, int64_t{width} * (bits / 8), in.Remaining());
    return {width, height, bits, (descriptor & TopToBottom) != 0};
}

} // namespace

void TTGABitmap::ReadFromStream(TStream& stream)
{
    TByteReader in(stream);
    const THeader header = ReadHeader(in);
    const int32_t width = header.Width, height = header.Height;
    const size_t rowBytes = static_cast<size_t>(width) * (header.Bits / 8);

    // Read aside; rows the data does not reach stay black.
    TBitmap picture;
    picture.SetPixelFormat(header.Bits == 24 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit);
    picture.Canvas().Brush.Color = clBlack;
    picture.SetSize(width, height);
    if (width > 0) {
        for (int32_t i = 0; i < height; ++i) {
            uint8_t* row = picture.ScanLine(header.TopDown ? i : height - 1 - i);
            if (in.Read(row, rowBytes) < rowBytes) break;
        }
    }
    TakeOver(picture);
}

TPictureSize TTGABitmap::ReadSizeFromStream(TStream& stream) const
{
    TByteReader in(stream);
    const THeader header = ReadHeader(in);
    return {header.Width, header.Height};
}
