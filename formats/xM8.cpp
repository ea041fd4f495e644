#include "xM8.h"

#include <algorithm>
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

// The colour table of the reduction. Entries never change once appended, so a
// colour's answer never changes either: the first entry within reach stays the
// first (later entries get higher indices), a colour that found none became an
// entry itself, and once the table is full the fallback search sees a fixed table.
class TColourTable {
public:
    TColourTable()
    {
        for (const TPaletteEntry& e : M8StartColours()) Append(e.Red, e.Green, e.Blue);
    }

    int Size() const { return size_; }
    TPaletteEntry Entry(int i) const
    {
        return {static_cast<uint8_t>(r_[i]), static_cast<uint8_t>(g_[i]), static_cast<uint8_t>(b_[i]), 0};
    }

    // The first entry within a squared distance of 256; else a new entry; else,
    // with the table full, the entry with the smallest product of the channel
    // differences (the lowest index among equals). The distances are worked out
    // for all 256 places at once, which the compiler turns into vector code;
    // places not yet filled lie far outside every colour's reach.
    uint8_t IndexOf(int r, int g, int b)
    {
        int32_t score[256];
        for (int i = 0; i < 256; ++i) {
            int32_t dr = r - r_[i], dg = g - g_[i], db = b - b_[i];
            score[i] = dr * dr + dg * dg + db * db;
        }
        // Sixteen places at a time, looked at one by one only where one matches.
        for (int base = 0; base < size_; base += 16) {
            bool hit = false;
            for (int k = 0; k < 16; ++k) hit |= score[base + k] <= 256;
            if (!hit) continue;
            for (int i = base;; ++i)
                if (score[i] <= 256) return static_cast<uint8_t>(i);
        }
        if (size_ < 256) {
            Append(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
            return static_cast<uint8_t>(size_ - 1);
        }
        // At most 255 x 255 x 255: no overflow.
        for (int i = 0; i < 256; ++i) score[i] = std::abs(r - r_[i]) * std::abs(g - g_[i]) * std::abs(b - b_[i]);
        int32_t least = score[0];
        for (int i = 1; i < 256; ++i) least = std::min(least, score[i]);
        int best = 0;
        while (score[best] != least) ++best;
        return static_cast<uint8_t>(best);
    }

private:
    void Append(uint8_t r, uint8_t g, uint8_t b)
    {
        r_[size_] = r;
        g_[size_] = g;
        b_[size_] = b;
        ++size_;
    }

    static constexpr int32_t Unused = 10000;
    std::array<int32_t, 256> r_ = Filled(), g_ = Filled(), b_ = Filled();
    int size_ = 0;

    static std::array<int32_t, 256> Filled()
    {
        std::array<int32_t, 256> a;
        a.fill(Unused);
        return a;
    }
};

// Colour (24 bits) to table index, open addressing; a key holds the colour
// with bit 24 set, so 0 marks a free slot.
class TColourCache {
public:
    TColourCache() : keys_(1024, 0), values_(1024, 0) {}

    bool Find(uint32_t colour, uint8_t& index) const
    {
        const uint32_t key = colour | Used;
        for (size_t slot = Slot(colour);; slot = (slot + 1) & (keys_.size() - 1)) {
            if (keys_[slot] == key) {
                index = values_[slot];
                return true;
            }
            if (keys_[slot] == 0) return false;
        }
    }

    void Insert(uint32_t colour, uint8_t index)
    {
        if ((count_ + 1) * 2 > keys_.size()) Grow();
        Place(colour | Used, index);
        ++count_;
    }

private:
    static constexpr uint32_t Used = 1u << 24;

    size_t Slot(uint32_t colour) const
    {
        return static_cast<size_t>((colour * 0x9E3779B1u) >> 8) & (keys_.size() - 1);
    }

    void Place(uint32_t key, uint8_t index)
    {
        size_t slot = Slot(key & (Used - 1));
        while (keys_[slot] != 0) slot = (slot + 1) & (keys_.size() - 1);
        keys_[slot] = key;
        values_[slot] = index;
    }

    void Grow()
    {
        std::vector<uint32_t> keys(keys_.size() * 2, 0);
        std::vector<uint8_t> values(values_.size() * 2, 0);
        keys.swap(keys_);
        values.swap(values_);
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i]) Place(keys[i], values[i]);
    }

    std::vector<uint32_t> keys_;
    std::vector<uint8_t> values_;
    size_t count_ = 0;
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

TM8Reduction ReduceM8(const TBitmap& picture)
{
    const int32_t width = picture.Width(), height = picture.Height();
    TM8Reduction result;
    result.Indices.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    TColourTable table;
    TColourCache cache;
    uint32_t lastColour = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    uint8_t* out = result.Indices.data();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = picture.ScanLine(y);
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
            // Pictures come in runs of one colour: the previous answer first.
            if (!haveLast || colour != lastColour) {
                if (!cache.Find(colour, lastIndex)) {
                    lastIndex = table.IndexOf(p[2], p[1], p[0]);
                    cache.Insert(colour, lastIndex);
                }
                lastColour = colour;
                haveLast = true;
            }
            *out++ = lastIndex;
        }
    }
    result.Used = table.Size();
    result.Palette.resize(256);
    for (int i = 0; i < table.Size(); ++i) result.Palette[i] = table.Entry(i);
    return result;
}

void TM8Bitmap::WriteToStream(TStream& stream) const
{
    TBitmap copy;
    copy.Assign(*this);
    TM8Reduction reduced;
    const bool palettised = IsPalettised(copy.PixelFormat());
    if (palettised) {
        // 1 and 4 bits widen with their palette; 8 bits are written as they are.
        copy.SetPixelFormat(TPixelFormat::pf8bit);
        reduced.Palette = copy.Palette();
        reduced.Palette.resize(256);
    } else {
        copy.SetPixelFormat(TPixelFormat::pf24bit);
        reduced = ReduceM8(copy);
    }
    const uint32_t width = static_cast<uint32_t>(copy.Width()), height = static_cast<uint32_t>(copy.Height());

    uint8_t header[HeaderSize] = {};
    PutLE32(header, Version);
    for (size_t level = 0; level < MipLevels; ++level) {
        PutLE32(header + WidthsAt + 4 * level, width);
        PutLE32(header + HeightsAt + 4 * level, height);
        PutLE32(header + OffsetsAt + 4 * level, HeaderSize);
    }
    for (size_t i = 0; i < 256; ++i) {
        header[PaletteAt + 3 * i] = reduced.Palette[i].Red;
        header[PaletteAt + 3 * i + 1] = reduced.Palette[i].Green;
        header[PaletteAt + 3 * i + 2] = reduced.Palette[i].Blue;
    }
    stream.WriteBuffer(header, sizeof header);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = palettised ? copy.ScanLine(static_cast<int32_t>(y)) : reduced.Indices.data() + size_t{y} * width;
        stream.WriteBuffer(row, width);
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
