// The raster class's own file format: the platform's device-independent bitmap
// (BMP). Written in the image's own pixel format with a BITMAPINFOHEADER, rows
// bottom-up; read in every layout that common programs write.
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "Bitmap.h"
#include "ByteReader.h"
#include "Exceptions.h"
#include "LittleEndian.h"
#include "ReadErrors.h"
#include "Streams.h"

namespace {

constexpr const char* Format = "BMP";

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
constexpr uint32_t FileHeaderSize = 14, InfoHeaderSize = 40, CoreHeaderSize = 12;
// 72 dots per inch, what most programs write.
constexpr uint32_t PixelsPerMeter = 2835;

// Row stride in the file: whole 32-bit words.
uint64_t Stride(int64_t width, int bits) { return (static_cast<uint64_t>(width) * bits + 31) / 32 * 4; }

// One colour channel of a 16- or 32-bit pixel under a bit mask, widened to 8
// bits by repeating its high bits (5 bits: 31 becomes 255, 16 becomes 132), as
// other programs do, or narrowed to its top 8 bits.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    explicit TChannel(uint32_t mask)
        : Mask(mask), Shift(mask ? std::countr_zero(mask) : 0), Bits(std::bit_width(mask >> Shift))
    {
    }
    uint8_t Of(uint32_t pixel) const
    {
        if (Bits == 0) return 0;
        const uint32_t value = (pixel & Mask) >> Shift;
        if (Bits >= 8) return static_cast<uint8_t>(value >> (Bits - 8));
        uint32_t wide = 0;
        int filled = 0;
        for (; filled < 8; filled += Bits) wide = (wide << Bits) | value;
        return static_cast<uint8_t>(wide >> (filled - 8));
    }
};

struct TInfo {
    uint32_t HeaderSize = 0;
    int64_t Width = 0, Height = 0;
    bool TopDown = false;
    uint32_t Bits = 0, Compression = BI_RGB, Colours = 0;
    uint32_t DataOffset = 0;
    uint32_t Masks[4] = {};
};

// Reads exactly count bytes or fails with the message given.
void ReadExactly(TStream& stream, uint8_t* to, size_t count, const char* what)
{
    size_t done = 0;
    while (done < count) {
        size_t n = stream.Read(to + done, count - done);
        if (n == 0) ThrowReadError(Format, what);
        done += n;
    }
}

} // namespace

// ---- writer ----

void TBitmap::WritePicture(const TBitmap& picture, TStream& stream) const
{
    const int bits = BitsPerPixel(picture.format_);
    const uint64_t stride = Stride(picture.width_, bits);

    // A palettised image gets an entry for every index its pixels use, black
    // where its palette has none, so that the file shows what the image shows.
    TPalette palette;
    if (IsPalettised(picture.format_)) {
        palette = picture.palette_;
        uint32_t highest = 0;
        for (int32_t y = 0; y < picture.height_; ++y)
            for (int32_t x = 0; x < picture.width_; ++x) highest = std::max(highest, picture.ReadIndex(picture.ScanLine(y), x));
        palette.resize(std::max<size_t>({palette.size(), size_t{highest} + 1, 1}));
    }

    const uint64_t offset = FileHeaderSize + InfoHeaderSize + palette.size() * 4;
    const uint64_t imageBytes = stride * static_cast<uint64_t>(picture.height_);
    if (offset + imageBytes > std::numeric_limits<uint32_t>::max())
        throw Exception("Error writing BMP file: Image too large.");

    uint8_t header[FileHeaderSize + InfoHeaderSize] = {'B', 'M'};
    PutLE32(header + 2, static_cast<uint32_t>(offset + imageBytes));
    PutLE32(header + 10, static_cast<uint32_t>(offset));
    uint8_t* info = header + FileHeaderSize;
    PutLE32(info, InfoHeaderSize);
    PutLE32(info + 4, static_cast<uint32_t>(picture.width_));
    PutLE32(info + 8, static_cast<uint32_t>(picture.height_)); // positive: rows bottom-up
    PutLE16(info + 12, 1);
    PutLE16(info + 14, static_cast<uint32_t>(bits));
    PutLE32(info + 16, BI_RGB);
    PutLE32(info + 20, static_cast<uint32_t>(imageBytes));
    PutLE32(info + 24, PixelsPerMeter);
    PutLE32(info + 28, PixelsPerMeter);
    PutLE32(info + 32, static_cast<uint32_t>(palette.size()));
    stream.WriteBuffer(header, sizeof header);

    if (!palette.empty()) {
        std::vector<uint8_t> quads(palette.size() * 4);
        for (size_t i = 0; i < palette.size(); ++i) {
            quads[i * 4] = palette[i].Blue;
            quads[i * 4 + 1] = palette[i].Green;
            quads[i * 4 + 2] = palette[i].Red;
        }
        stream.WriteBuffer(quads.data(), quads.size());
    }

    std::vector<uint8_t> row(stride, 0);
    const size_t usedBits = static_cast<size_t>(picture.width_) * bits;
    for (int32_t y = picture.height_ - 1; y >= 0; --y) {
        std::copy(picture.ScanLine(y), picture.ScanLine(y) + picture.rowBytes_, row.begin());
        // The unused low bits of a 1- or 4-bit row's last byte are written as 0.
        if (usedBits % 8) row[usedBits / 8] &= static_cast<uint8_t>(0xFF00 >> (usedBits % 8));
        stream.WriteBuffer(row.data(), row.size());
    }
}

// ---- reader ----

namespace {

// The file header and the info header, checked as far as they go: enough to
// know the picture's size and layout before anything is allocated.
TInfo ReadInfo(TStream& stream, int64_t size)
{
    uint8_t fileHeader[FileHeaderSize];
    size_t got = stream.Read(fileHeader, 2);
    if (got < 2 || fileHeader[0] != 'B' || fileHeader[1] != 'M') ThrowReadError(Format, "Wrong file type");
    ReadExactly(stream, fileHeader + 2, FileHeaderSize - 2, "Header too short");

    TInfo info;
    info.DataOffset = GetLE32(fileHeader + 10);
    uint8_t h[124] = {};
    ReadExactly(stream, h, 4, "Header too short");
    info.HeaderSize = GetLE32(h);
    if (info.HeaderSize != CoreHeaderSize && info.HeaderSize < InfoHeaderSize)
        ThrowReadError(Format, "Unsupported header");
    if (info.HeaderSize > static_cast<uint64_t>(size) - FileHeaderSize) ThrowReadError(Format, "Header too short");
    ReadExactly(stream, h + 4, std::min<uint32_t>(info.HeaderSize, sizeof h) - 4, "Header too short");

    if (info.HeaderSize == CoreHeaderSize) {
        // The old OS/2 header: 16-bit sizes, three-byte palette entries.
        info.Width = GetLE16(h + 4);
        info.Height = GetLE16(h + 6);
        info.Bits = GetLE16(h + 10);
    } else {
        info.Width = static_cast<int32_t>(GetLE32(h + 4));
        info.Height = static_cast<int32_t>(GetLE32(h + 8));
        info.Bits = GetLE16(h + 14);
        info.Compression = GetLE32(h + 16);
        info.Colours = GetLE32(h + 32);
        for (int i = 0; i < 4; ++i)
            if (info.HeaderSize >= 44 + 4u * i) info.Masks[i] = GetLE32(h + 40 + 4 * i);
    }
    if (info.Height < 0) {
        info.TopDown = true;
        info.Height = -info.Height;
    }

    switch (info.Bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: ThrowReadError(Format, "Unsupported bit count");
    }
    const bool masked = info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS;
    if (!(info.Compression == BI_RGB || (info.Compression == BI_RLE8 && info.Bits == 8) ||
          (info.Compression == BI_RLE4 && info.Bits == 4) || (masked && (info.Bits == 16 || info.Bits == 32))))
        ThrowReadError(Format, "Unsupported compression");
    CheckImageSize(Format, info.Width, info.Height);
    return info;
}

// The least one complete row of pixel data can take: its pixel bytes, or runs
// of 255 pixels when compressed.
int64_t FirstRowBytes(const TInfo& info)
{
    const bool rle = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
    return rle ? (info.Width + 254) / 255 * 2 : (info.Width * info.Bits + 7) / 8;
}

TInfo ReadHeaders(TStream& stream, int64_t start, int64_t size, TPalette& palette)
{
    TInfo info = ReadInfo(stream, size);
    const uint32_t dataOffset = info.DataOffset;
    const bool masked = info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS;

    // A BITMAPINFOHEADER keeps its masks right after it.
    int64_t paletteStart = FileHeaderSize + int64_t{info.HeaderSize};
    stream.SetPosition(start + paletteStart);
    if (masked && info.HeaderSize < 52) {
        uint8_t masks[16];
        size_t count = info.Compression == BI_ALPHABITFIELDS ? 4 : 3;
        ReadExactly(stream, masks, count * 4, "Header too short");
        for (size_t i = 0; i < count; ++i) info.Masks[i] = GetLE32(masks + 4 * i);
        paletteStart += static_cast<int64_t>(count) * 4;
    }
    if (!masked) {
        info.Masks[0] = info.Bits == 16 ? 0x7C00 : 0xFF0000;
        info.Masks[1] = info.Bits == 16 ? 0x03E0 : 0x00FF00;
        info.Masks[2] = info.Bits == 16 ? 0x001F : 0x0000FF;
        info.Masks[3] = 0;
    } else if (info.Compression == BI_BITFIELDS && info.HeaderSize < 56) {
        info.Masks[3] = 0;
    }

    if (dataOffset < paletteStart || dataOffset > size) ThrowReadError(Format, "Invalid pixel data offset");

    if (info.Bits <= 8) {
        // The declared number of entries, but no more than lie before the pixel
        // data: some programs declare a full table and write a short one.
        const uint32_t entrySize = info.HeaderSize == CoreHeaderSize ? 3 : 4;
        uint64_t count = info.Colours ? info.Colours : uint64_t{1} << info.Bits;
        count = std::min<uint64_t>({count, uint64_t{1} << info.Bits, static_cast<uint64_t>(dataOffset - paletteStart) / entrySize});
        std::vector<uint8_t> entries(count * entrySize);
        ReadExactly(stream, entries.data(), entries.size(), "Palette missing");
        palette.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = entries.data() + i * entrySize;
            palette[i] = {e[2], e[1], e[0], 0};
        }
    }
    return info;
}

TPixelFormat PixelFormatOf(uint32_t bits)
{
    switch (bits) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 32: return TPixelFormat::pf32bit;
    default: return TPixelFormat::pf24bit; // 16 bits become 24
    }
}

} // namespace

void TBitmap::ReadFromStream(TStream& stream)
{
    const int64_t start = stream.Position();
    const int64_t size = stream.Size() - start;
    TPalette palette;
    const TInfo info = ReadHeaders(stream, start, size, palette);
    const uint32_t dataOffset = info.DataOffset;
    const int64_t width = info.Width, height = info.Height;
    const bool rle = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
    CheckFirstRow(Format, width, height, FirstRowBytes(info), size - dataOffset);

    // The picture is read aside; missing pixels stay black (for a palettised
    // file, the entry nearest to black).
    TBitmap picture;
    picture.SetPixelFormat(PixelFormatOf(info.Bits));
    if (info.Bits <= 8) picture.SetPalette(palette);
    picture.Canvas().Brush.Color = clBlack;
    picture.SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));

    stream.SetPosition(start + dataOffset);
    TByteReader in(stream);
    auto row = [&](int64_t fileRow) { return picture.ScanLine(static_cast<int32_t>(info.TopDown ? fileRow : height - 1 - fileRow)); };

    if (rle && width > 0 && height > 0) {
        const bool four = info.Compression == BI_RLE4;
        int64_t x = 0, y = 0;
        auto put = [&](uint32_t index) {
            if (x < width) picture.WriteIndex(row(y), static_cast<int32_t>(x), index);
            ++x;
        };
        while (y < height) {
            int count = in.Get(), code = in.Get();
            if (code < 0) break;
            if (count > 0) {
                // A run: one index (RLE8) or two alternating ones (RLE4).
                const int64_t end = x + count;
                for (int k = 0; x < std::min(end, width); ++k) put(four ? (k & 1 ? code & 0x0F : code >> 4) : code);
                x = end;
            } else if (code == 0) {
                x = 0;
                ++y;
            } else if (code == 1) {
                break;
            } else if (code == 2) {
                int dx = in.Get(), dy = in.Get();
                if (dy < 0) break;
                x += dx;
                y += dy;
            } else {
                // Absolute mode: code indices, padded to a 16-bit boundary.
                const int bytes = four ? (code + 1) / 2 : code;
                uint8_t literal[255];
                const size_t got = in.Read(literal, static_cast<size_t>(bytes));
                for (int k = 0; k < code && static_cast<size_t>(four ? k / 2 : k) < got; ++k)
                    put(four ? (k & 1 ? literal[k / 2] & 0x0F : literal[k / 2] >> 4) : literal[k]);
                if (got < static_cast<size_t>(bytes)) break;
                if (bytes & 1) in.Get();
            }
        }
    } else if (!rle && width > 0) {
        const uint64_t stride = Stride(width, static_cast<int>(info.Bits));
        std::vector<uint8_t> buffer(stride);
        const bool direct = info.Bits != 16 && !(info.Bits == 32 && (info.Masks[0] != 0xFF0000 || info.Masks[1] != 0xFF00 ||
                                                                     info.Masks[2] != 0xFF || info.Compression == BI_ALPHABITFIELDS));
        const TChannel red(info.Masks[0]), green(info.Masks[1]), blue(info.Masks[2]), alpha(info.Masks[3]);
        for (int64_t y = 0; y < height; ++y) {
            const size_t got = in.Read(buffer.data(), buffer.size());
            uint8_t* to = row(y);
            if (direct) {
                std::copy(buffer.data(), buffer.data() + std::min(got, picture.RowBytes()), to);
            } else {
                const size_t pixelBytes = info.Bits / 8;
                const size_t pixels = std::min<size_t>(got / pixelBytes, static_cast<size_t>(width));
                const size_t outBytes = info.Bits == 16 ? 3 : 4;
                for (size_t x = 0; x < pixels; ++x) {
                    const uint8_t* p = buffer.data() + x * pixelBytes;
                    const uint32_t v = pixelBytes == 2 ? GetLE16(p) : GetLE32(p);
                    uint8_t* q = to + x * outBytes;
                    q[0] = blue.Of(v);
                    q[1] = green.Of(v);
                    q[2] = red.Of(v);
                    if (outBytes == 4) q[3] = alpha.Of(v);
                }
            }
            if (got < buffer.size()) break;
        }
    }
    TakeOver(picture);
}

TPictureSize TBitmap::ReadSizeFromStream(TStream& stream) const
{
    const int64_t size = stream.Size() - stream.Position();
    const TInfo info = ReadInfo(stream, size);
    if (info.DataOffset > size) ThrowReadError(Format, "Invalid pixel data offset");
    CheckFirstRow(Format, info.Width, info.Height, FirstRowBytes(info), size - info.DataOffset);
    return {static_cast<int32_t>(info.Width), static_cast<int32_t>(info.Height)};
}
