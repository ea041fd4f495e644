#include "M8Image.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "ByteReader.h"
#include "LittleEndian.h"
#include "ReadErrors.h"
#include "Streams.h"

namespace {

constexpr const char* Format = "M8";
constexpr size_t HeaderSize = 1040;
constexpr size_t MipLevels = 16;
constexpr uint32_t Version = 2;
// Header offsets.
constexpr size_t WidthsAt = 36, HeightsAt = 100, OffsetsAt = 164, PaletteAt = 260;

// The colour table of the reduction, with bit sets over its 256 places so that
// one colour is matched against the whole table with a few word operations:
// near_[c][v] holds the entries whose channel c lies within 16 of v (the box
// around v that every entry within a squared distance of 256 lies in), and
// equal_[c][v] those whose channel c is v (a product of 0).
class TColourTable {
public:
    TColourTable()
    {
        for (const TPaletteEntry& e : M8StartColours()) Append(e.Red, e.Green, e.Blue);
    }

    int Size() const { return size_; }
    TPaletteEntry Entry(int i) const { return {r_[i], g_[i], b_[i], 0}; }

    // The first entry within a squared distance of 256; else a new entry; else,
    // with the table full, the entry with the smallest product of the channel
    // differences (the lowest index among equals).
    uint8_t IndexOf(int r, int g, int b)
    {
        const TEntrySet box = near_[0][r] & near_[1][g] & near_[2][b];
        for (int w = 0; w < 4; ++w)
            for (uint64_t rest = box.Words[w]; rest != 0; rest &= rest - 1) {
                const int i = 64 * w + std::countr_zero(rest);
                if (SquaredDistance(i, r, g, b) <= 256) return static_cast<uint8_t>(i);
            }
        if (size_ < 256) {
            Append(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
            return static_cast<uint8_t>(size_ - 1);
        }
        const TEntrySet agreeing = equal_[0][r] | equal_[1][g] | equal_[2][b];
        if (!agreeing.Empty()) return static_cast<uint8_t>(agreeing.First());
        return SmallestProduct(r, g, b);
    }

private:
    // A set of table places, 64 to a word.
    struct TEntrySet {
        uint64_t Words[4] = {};

        void Add(int i) { Words[i >> 6] |= uint64_t{1} << (i & 63); }
        bool Empty() const { return (Words[0] | Words[1] | Words[2] | Words[3]) == 0; }
        int First() const
        {
            for (int w = 0;; ++w)
                if (Words[w]) return 64 * w + std::countr_zero(Words[w]);
        }
        TEntrySet operator&(const TEntrySet& o) const
        {
            return {{Words[0] & o.Words[0], Words[1] & o.Words[1], Words[2] & o.Words[2], Words[3] & o.Words[3]}};
        }
        TEntrySet operator|(const TEntrySet& o) const
        {
            return {{Words[0] | o.Words[0], Words[1] | o.Words[1], Words[2] | o.Words[2], Words[3] | o.Words[3]}};
        }
    };

    int SquaredDistance(int i, int r, int g, int b) const
    {
        const int dr = r - r_[i], dg = g - g_[i], db = b - b_[i];
        return dr * dr + dg * dg + db * db;
    }

    // No entry agrees in any channel, so every product is at least 1. The
    // products of all 256 entries are worked out at once (vector code: at most
    // 255 x 255 x 255, which fits 32 bits), then the first of the least is taken.
    uint8_t SmallestProduct(int r, int g, int b) const
    {
        uint32_t product[256];
        for (int i = 0; i < 256; ++i) {
            const uint32_t dr = static_cast<uint32_t>(std::abs(r - r_[i]));
            const uint32_t dg = static_cast<uint32_t>(std::abs(g - g_[i]));
            const uint32_t db = static_cast<uint32_t>(std::abs(b - b_[i]));
            product[i] = dr * dg * db;
        }
        uint32_t least = product[0];
        for (int i = 1; i < 256; ++i) least = std::min(least, product[i]);
        int best = 0;
        while (product[best] != least) ++best;
        return static_cast<uint8_t>(best);
    }

    void Append(uint8_t r, uint8_t g, uint8_t b)
    {
        const int i = size_++;
        r_[i] = r;
        g_[i] = g;
        b_[i] = b;
        const uint8_t channels[3] = {r, g, b};
        for (int c = 0; c < 3; ++c) {
            equal_[c][channels[c]].Add(i);
            const int low = std::max(0, channels[c] - 16), high = std::min(255, channels[c] + 16);
            for (int v = low; v <= high; ++v) near_[c][v].Add(i);
        }
    }

    std::array<uint8_t, 256> r_{}, g_{}, b_{};
    int size_ = 0;
    TEntrySet near_[3][256], equal_[3][256];
};

} // namespace

const std::array<TPaletteEntry, 16>& M8StartColours()
{
    // Black; a near-black, so that black areas (shown by the reader in the
    // darkest entry) come back black to the eye; then the fourteen distinct
    // non-black colours of the fixed palette, so every generator's colours
    // reduce exactly without growing the table.
    static const std::array<TPaletteEntry, 16> colours = [] {
        std::array<TPaletteEntry, 16> c{};
        c[0] = TPaletteEntry::Of(RGB(0, 0, 0));
        c[1] = TPaletteEntry::Of(RGB(1, 1, 1));
        size_t n = 2;
        for (int i = 1; i < 16; ++i) {
            TPaletteEntry e = TPaletteEntry::Of(PaletteColor(static_cast<uint8_t>(i)));
            if (std::find(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(n), e) == c.begin() + static_cast<std::ptrdiff_t>(n))
                c[n++] = e;
        }
        return c;
    }();
    return colours;
}

namespace {

// The indices of one row of 24-bit pixels. Pictures come in runs of one
// colour: the previous answer first. A colour's answer never changes (entries
// are only appended, and the first in reach stays the first), so nothing else
// needs remembering; the table's own look-up is as quick as a cache of the
// colours seen would be.
void ReduceRow(TColourTable& table, const uint8_t* p, int32_t width, uint8_t* out)
{
    uint32_t lastColour = 0xFFFFFFFF; // no colour
    uint8_t lastIndex = 0;
    for (int32_t x = 0; x < width; ++x, p += 3) {
        const uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
        if (colour != lastColour) {
            lastIndex = table.IndexOf(p[2], p[1], p[0]);
            lastColour = colour;
        }
        *out++ = lastIndex;
    }
}

} // namespace

TM8Reduction ReduceM8(const TBitmap& picture)
{
    const int32_t width = picture.Width(), height = picture.Height();
    TM8Reduction result;
    result.Indices.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    TColourTable table;
    for (int32_t y = 0; y < height; ++y)
        ReduceRow(table, picture.ScanLine(y), width, result.Indices.data() + static_cast<size_t>(y) * width);
    result.Used = table.Size();
    result.Palette.resize(256);
    for (int i = 0; i < table.Size(); ++i) result.Palette[i] = table.Entry(i);
    return result;
}

TM8Reduction ReduceM8PlainScan(const TBitmap& picture)
{
    std::vector<TPaletteEntry> table(M8StartColours().begin(), M8StartColours().end());
    TM8Reduction result;
    result.Indices.reserve(static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()));
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.ScanLine(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3) {
            const int r = p[2], g = p[1], b = p[0];
            int found = -1;
            for (size_t i = 0; i < table.size() && found < 0; ++i) {
                const int dr = r - table[i].Red, dg = g - table[i].Green, db = b - table[i].Blue;
                if (dr * dr + dg * dg + db * db <= 256) found = static_cast<int>(i);
            }
            if (found < 0 && table.size() < 256) {
                table.push_back({p[2], p[1], p[0], 0});
                found = static_cast<int>(table.size()) - 1;
            }
            if (found < 0) {
                long best = -1;
                for (size_t i = 0; i < table.size(); ++i) {
                    const long product = long{std::abs(r - table[i].Red)} * std::abs(g - table[i].Green) *
                                         std::abs(b - table[i].Blue);
                    if (best < 0 || product < best) {
                        best = product;
                        found = static_cast<int>(i);
                    }
                }
            }
            result.Indices.push_back(static_cast<uint8_t>(found));
        }
    }
    result.Used = static_cast<int>(table.size());
    result.Palette = table;
    result.Palette.resize(256);
    return result;
}

void TM8Bitmap::WritePicture(const TBitmap& picture, TStream& stream) const
{
    const uint32_t width = static_cast<uint32_t>(picture.Width()), height = static_cast<uint32_t>(picture.Height());
    const TPixelFormat format = picture.PixelFormat();
    std::vector<uint8_t> bgr(format == TPixelFormat::pf24bit ? 0 : size_t{width} * 3), indices(width);
    // A row of the picture as 24-bit pixels, converted only when it is not.
    auto row24 = [&](uint32_t y) {
        if (bgr.empty()) return picture.ScanLine(static_cast<int32_t>(y));
        picture.CopyRowAs24Bit(static_cast<int32_t>(y), bgr.data());
        return static_cast<const uint8_t*>(bgr.data());
    };

    // 8 bits are written with their own palette and indices; 1 and 4 bits
    // widen with their palette; true colour is reduced. The table is built in
    // a first pass and the indices made again, row by row, in a second: the
    // finished table gives every pixel the index the growing one gave it.
    TPalette palette;
    TColourTable table;
    if (IsPalettised(format)) {
        palette = picture.Palette();
    } else {
        for (uint32_t y = 0; y < height; ++y) ReduceRow(table, row24(y), static_cast<int32_t>(width), indices.data());
        for (int i = 0; i < table.Size(); ++i) palette.push_back(table.Entry(i));
    }
    palette.resize(256);

    uint8_t header[HeaderSize] = {};
    PutLE32(header, Version);
    for (size_t level = 0; level < MipLevels; ++level) {
        PutLE32(header + WidthsAt + 4 * level, width);
        PutLE32(header + HeightsAt + 4 * level, height);
        PutLE32(header + OffsetsAt + 4 * level, HeaderSize);
    }
    for (size_t i = 0; i < 256; ++i) {
        header[PaletteAt + 3 * i] = palette[i].Red;
        header[PaletteAt + 3 * i + 1] = palette[i].Green;
        header[PaletteAt + 3 * i + 2] = palette[i].Blue;
    }
    stream.WriteBuffer(header, sizeof header);
    for (uint32_t y = 0; y < height; ++y) {
        if (format == TPixelFormat::pf8bit) {
            stream.WriteBuffer(picture.ScanLine(static_cast<int32_t>(y)), width);
            continue;
        }
        const uint8_t* p = row24(y);
        if (IsPalettised(format)) {
            for (uint32_t x = 0; x < width; ++x, p += 3) indices[x] = picture.NearestIndex(RGB(p[2], p[1], p[0]));
        } else {
            ReduceRow(table, p, static_cast<int32_t>(width), indices.data());
        }
        stream.WriteBuffer(indices.data(), width);
    }
}

namespace {

struct THeader {
    uint8_t Bytes[HeaderSize];
    int64_t Width = 0, Height = 0, Offset = 0;
};

// The header, checked: the size of the first mip level, and that its pixel
// data holds at least one row.
void ReadHeader(TStream& stream, int64_t size, THeader& header)
{
    size_t got = 0;
    while (got < HeaderSize) {
        size_t n = stream.Read(header.Bytes + got, HeaderSize - got);
        if (n == 0) ThrowReadError(Format, "Header too short");
        got += n;
    }
    header.Width = GetLE32(header.Bytes + WidthsAt);
    header.Height = GetLE32(header.Bytes + HeightsAt);
    header.Offset = GetLE32(header.Bytes + OffsetsAt);
    CheckImageSize(Format, header.Width, header.Height);
    if (header.Offset > size) ThrowReadError(Format, "Invalid pixel data offset");
    CheckFirstRow(Format, header.Width, header.Height, header.Width, size - header.Offset);
}

} // namespace

TPictureSize TM8Bitmap::ReadSizeFromStream(TStream& stream) const
{
    THeader header;
    ReadHeader(stream, stream.Size() - stream.Position(), header);
    return {static_cast<int32_t>(header.Width), static_cast<int32_t>(header.Height)};
}

void TM8Bitmap::ReadFromStream(TStream& stream)
{
    const int64_t start = stream.Position();
    THeader h;
    ReadHeader(stream, stream.Size() - start, h);
    const uint8_t* header = h.Bytes;
    const int64_t width = h.Width, height = h.Height, offset = h.Offset;

    // Entry 0 is black and unused; black entries show the darkest colour.
    TPalette palette(256);
    for (int i = 1; i < 256; ++i) {
        const uint8_t* e = header + PaletteAt + 3 * i;
        palette[i] = {e[0], e[1], e[2], 0};
    }
    auto sum = [&](int i) { return palette[i].Red + palette[i].Green + palette[i].Blue; };
    int darkest = 1;
    for (int i = 255; i >= 1; --i)
        if (sum(i) != 0 && sum(i) < sum(darkest)) darkest = i;
    for (int i = 255; i >= 1; --i)
        if (sum(i) == 0) palette[i] = palette[darkest];
    const uint8_t d = static_cast<uint8_t>(darkest);

    // Read aside; pixels the data does not reach show the darkest entry too.
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf8bit);
    picture.SetPalette(palette);
    picture.SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    stream.SetPosition(start + offset);
    TByteReader in(stream);
    if (width > 0) {
        for (int32_t y = 0; y < picture.Height(); ++y) std::fill_n(picture.ScanLine(y), picture.RowBytes(), d);
        for (int32_t y = 0; y < picture.Height(); ++y) {
            uint8_t* row = picture.ScanLine(y);
            const size_t n = in.Read(row, static_cast<size_t>(width));
            std::replace(row, row + n, uint8_t{0}, d);
            if (n < static_cast<size_t>(width)) break;
        }
    }
    TakeOver(picture);
}
