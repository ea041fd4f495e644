#include "Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>
#include <unordered_map>

#include "PictureFiles.h"
#include "Streams.h"

int BitsPerPixel(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    }
    return 24;
}

namespace {

size_t RowBytesOf(int32_t width, TPixelFormat format)
{
    return (static_cast<size_t>(width) * BitsPerPixel(format) + 7) / 8;
}

size_t ImageBytes(size_t rowBytes, int32_t height)
{
    if (height > 0 && rowBytes > std::numeric_limits<size_t>::max() / static_cast<size_t>(height))
        throw std::bad_alloc();
    return rowBytes * static_cast<size_t>(height);
}

// The colour tables a palettised format starts with when the colours it must
// show do not fit: black and white; the sixteen standard colours; a 6x6x6 cube
// with forty greys.
TPalette DefaultPalette(TPixelFormat format)
{
    TPalette palette;
    switch (format) {
    case TPixelFormat::pf1bit:
        palette = {TPaletteEntry::Of(clBlack), TPaletteEntry::Of(clWhite)};
        break;
    case TPixelFormat::pf4bit:
        for (TColor c : {RGB(0, 0, 0), RGB(128, 0, 0), RGB(0, 128, 0), RGB(128, 128, 0), RGB(0, 0, 128),
                         RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192), RGB(128, 128, 128),
                         RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 0, 255),
                         RGB(0, 255, 255), RGB(255, 255, 255)})
            palette.push_back(TPaletteEntry::Of(c));
        break;
    default:
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    palette.push_back(TPaletteEntry::Of(RGB(r * 51, g * 51, b * 51)));
        for (int i = 0; i < 40; ++i) {
            uint8_t v = static_cast<uint8_t>(8 + i * 6);
            palette.push_back(TPaletteEntry::Of(RGB(v, v, v)));
        }
        break;
    }
    return palette;
}

} // namespace

TBitmap::TBitmap() : canvas_(*this) {}

uint32_t TBitmap::ReadIndex(const uint8_t* row, int32_t x) const
{
    switch (format_) {
    case TPixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case TPixelFormat::pf4bit: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
    }
}

void TBitmap::WriteIndex(uint8_t* row, int32_t x, uint32_t index)
{
    switch (format_) {
    case TPixelFormat::pf1bit: {
        uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(index & 1 ? row[x >> 3] | mask : row[x >> 3] & ~mask);
        break;
    }
    case TPixelFormat::pf4bit:
        if (x & 1)
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
        else
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
        break;
    default: row[x] = static_cast<uint8_t>(index); break;
    }
}

TColor TBitmap::ReadColor(int32_t x, int32_t y) const
{
    const uint8_t* row = ScanLine(y);
    switch (format_) {
    case TPixelFormat::pf24bit: return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    case TPixelFormat::pf32bit: return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    default: {
        uint32_t index = ReadIndex(row, x);
        return index < palette_.size() ? palette_[index].Color() : clBlack;
    }
    }
}

void TBitmap::WriteColor(int32_t x, int32_t y, TColor colour)
{
    uint8_t* row = ScanLine(y);
    switch (format_) {
    case TPixelFormat::pf24bit:
        row[x * 3] = GetBlue(colour);
        row[x * 3 + 1] = GetGreen(colour);
        row[x * 3 + 2] = GetRed(colour);
        break;
    case TPixelFormat::pf32bit:
        row[x * 4] = GetBlue(colour);
        row[x * 4 + 1] = GetGreen(colour);
        row[x * 4 + 2] = GetRed(colour);
        row[x * 4 + 3] = 0;
        break;
    default: WriteIndex(row, x, NearestIndex(colour)); break;
    }
}

uint8_t TBitmap::NearestIndex(TColor colour) const
{
    int best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (size_t i = 0; i < palette_.size(); ++i) {
        long dr = long(GetRed(colour)) - palette_[i].Red;
        long dg = long(GetGreen(colour)) - palette_[i].Green;
        long db = long(GetBlue(colour)) - palette_[i].Blue;
        long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return static_cast<uint8_t>(best);
}

void TBitmap::CopyRowAs24Bit(int32_t row, uint8_t* to) const
{
    const uint8_t* from = ScanLine(row);
    switch (format_) {
    case TPixelFormat::pf24bit: std::copy(from, from + rowBytes_, to); break;
    case TPixelFormat::pf32bit:
        for (int32_t x = 0; x < width_; ++x, from += 4, to += 3) std::copy(from, from + 3, to);
        break;
    default:
        for (int32_t x = 0; x < width_; ++x, to += 3) {
            const TColor colour = ReadColor(x, row);
            to[0] = GetBlue(colour);
            to[1] = GetGreen(colour);
            to[2] = GetRed(colour);
        }
        break;
    }
}

void TBitmap::SetSize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;

    size_t newRowBytes = RowBytesOf(width, format_);
    std::vector<uint8_t> newPixels(ImageBytes(newRowBytes, height));
    std::swap(pixels_, newPixels);
    int32_t oldWidth = width_, oldHeight = height_;
    size_t oldRowBytes = rowBytes_;
    width_ = width;
    height_ = height;
    rowBytes_ = newRowBytes;

    // Fill everything with the brush, then put back the shared area.
    // One row is painted and copied to the others: a picture read from a file
    // is sized this way, and a per-pixel palette search would make that crawl.
    TColor brush = canvas_.Brush.Color;
    if (IsPalettised(format_)) {
        uint8_t index = NearestIndex(brush);
        uint8_t byte = format_ == TPixelFormat::pf8bit   ? index
                       : format_ == TPixelFormat::pf4bit ? static_cast<uint8_t>((index & 0x0F) * 0x11)
                                                         : static_cast<uint8_t>(index & 1 ? 0xFF : 0);
        std::fill(pixels_.begin(), pixels_.end(), byte);
    } else if (width_ > 0 && height_ > 0) {
        for (int32_t x = 0; x < width_; ++x) WriteColor(x, 0, brush);
        for (int32_t y = 1; y < height_; ++y) std::copy(ScanLine(0), ScanLine(0) + rowBytes_, ScanLine(y));
    }
    int32_t keepWidth = std::min(oldWidth, width_), keepHeight = std::min(oldHeight, height_);
    if (keepWidth > 0) {
        size_t bits = static_cast<size_t>(keepWidth) * BitsPerPixel(format_);
        for (int32_t y = 0; y < keepHeight; ++y) {
            const uint8_t* from = newPixels.data() + static_cast<size_t>(y) * oldRowBytes;
            uint8_t* to = ScanLine(y);
            std::copy(from, from + bits / 8, to);
            for (size_t x = bits / 8 * 8 / BitsPerPixel(format_); x < static_cast<size_t>(keepWidth); ++x) {
                // The last partly filled byte of a 1- or 4-bit row, pixel by pixel.
                WriteIndex(to, static_cast<int32_t>(x), ReadIndex(from, static_cast<int32_t>(x)));
            }
        }
    }
}

void TBitmap::SetPalette(TPalette palette)
{
    if (IsPalettised(format_) && palette.size() > (size_t{1} << BitsPerPixel(format_)))
        palette.resize(size_t{1} << BitsPerPixel(format_));
    palette_ = std::move(palette);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == format_) return;

    // Read every colour shown, then write them again in the new format.
    std::vector<TColor> colours(static_cast<size_t>(width_) * height_);
    for (int32_t y = 0; y < height_; ++y)
        for (int32_t x = 0; x < width_; ++x) colours[static_cast<size_t>(y) * width_ + x] = ReadColor(x, y);

    TPalette palette;
    if (IsPalettised(format)) {
        size_t capacity = size_t{1} << BitsPerPixel(format);
        if (IsPalettised(format_) && palette_.size() <= capacity) {
            palette = palette_;
        } else {
            // The colours the picture shows, when they fit; otherwise a standard table.
            std::unordered_map<TColor, bool> seen;
            for (TColor c : colours) {
                if (seen.emplace(c, true).second) {
                    if (palette.size() == capacity) {
                        palette = DefaultPalette(format);
                        break;
                    }
                    palette.push_back(TPaletteEntry::Of(c));
                }
            }
            if (palette.empty()) palette = DefaultPalette(format);
        }
    }

    format_ = format;
    palette_ = std::move(palette);
    rowBytes_ = RowBytesOf(width_, format_);
    pixels_.assign(ImageBytes(rowBytes_, height_), 0);
    for (int32_t y = 0; y < height_; ++y)
        for (int32_t x = 0; x < width_; ++x) WriteColor(x, y, colours[static_cast<size_t>(y) * width_ + x]);
}

void TBitmap::Assign(const TBitmap& source)
{
    if (&source == this) return;
    width_ = source.width_;
    height_ = source.height_;
    format_ = source.format_;
    rowBytes_ = source.rowBytes_;
    pixels_ = source.pixels_;
    palette_ = source.palette_;
}

void TBitmap::TakeOver(TBitmap& source)
{
    width_ = source.width_;
    height_ = source.height_;
    format_ = source.format_;
    rowBytes_ = source.rowBytes_;
    pixels_ = std::move(source.pixels_);
    palette_ = std::move(source.palette_);
    source.width_ = source.height_ = 0;
    source.rowBytes_ = 0;
    source.pixels_.clear();
    source.palette_.clear();
}

void TBitmap::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    ReadFromStream(stream);
}

void TBitmap::SaveToFile(const std::string& fileName) const
{
    WriteFileSafely(fileName, [this](TStream& stream) { WriteToStream(stream); });
}

// ---- canvas ----

void TCanvas::SetPixelSlow(int32_t x, int32_t y, TColor colour) { bitmap_.WriteColor(x, y, colour); }

TColor TCanvas::GetPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= bitmap_.width_ || y >= bitmap_.height_) return clBlack;
    return bitmap_.ReadColor(x, y);
}

void TCanvas::LineTo(int32_t x, int32_t y)
{
    const int64_t x0 = PenPos.X, y0 = PenPos.Y, dx = int64_t(x) - x0, dy = int64_t(y) - y0;
    PenPos = {x, y};
    const int64_t width = bitmap_.width_, height = bitmap_.height_;
    if (dx == 0 && dy == 0) return;

    if (dx == 0) {
        // The generators' case: a vertical line, clipped in one go.
        if (x0 < 0 || x0 >= width) return;
        int64_t from = dy > 0 ? y0 : int64_t(y) + 1, to = dy > 0 ? int64_t(y) - 1 : y0;
        from = std::max<int64_t>(from, 0);
        to = std::min<int64_t>(to, height - 1);
        for (int64_t r = from; r <= to; ++r) SetPixel(int32_t(x0), int32_t(r), Pen.Color);
        return;
    }

    // Any other line: step along the major axis, the end point excluded, and
    // visit only the steps whose major coordinate lies inside the raster.
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int64_t steps = xMajor ? std::abs(dx) : std::abs(dy);
    const int64_t major0 = xMajor ? x0 : y0, majorDir = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int64_t minorDelta = xMajor ? dy : dx, extent = xMajor ? width : height;
    int64_t first = 0, last = steps - 1;
    if (majorDir > 0) {
        first = std::max<int64_t>(first, -major0);
        last = std::min<int64_t>(last, extent - 1 - major0);
    } else {
        first = std::max<int64_t>(first, major0 - (extent - 1));
        last = std::min<int64_t>(last, major0);
    }
    for (int64_t t = first; t <= last; ++t) {
        // Minor offset rounded to nearest, halves away from zero.
        int64_t num = 2 * t * minorDelta, den = 2 * steps;
        int64_t minor = num >= 0 ? (num + steps) / den : -((-num + steps) / den);
        int64_t px = xMajor ? major0 + majorDir * t : x0 + minor;
        int64_t py = xMajor ? y0 + minor : major0 + majorDir * t;
        if (px >= 0 && px < width && py >= 0 && py < height) SetPixel(int32_t(px), int32_t(py), Pen.Color);
    }
}

void TCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, bitmap_.width_);
    bottom = std::min(bottom, bitmap_.height_);
    if (left >= right || top >= bottom) return;
    TColor c = Brush.Color;
    if (bitmap_.format_ == TPixelFormat::pf24bit) {
        uint8_t bgr[3] = {GetBlue(c), GetGreen(c), GetRed(c)};
        for (int32_t y = top; y < bottom; ++y) {
            uint8_t* p = bitmap_.ScanLine(y) + static_cast<size_t>(left) * 3;
            if (bgr[0] == bgr[1] && bgr[1] == bgr[2]) {
                std::fill(p, p + static_cast<size_t>(right - left) * 3, bgr[0]);
            } else {
                for (int32_t x = left; x < right; ++x, p += 3) std::copy(bgr, bgr + 3, p);
            }
        }
        return;
    }
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x) bitmap_.WriteColor(x, y, c);
}

void TCanvas::CopyRect(int32_t left, int32_t top, int32_t right, int32_t bottom, const TCanvas& source)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min({right, bitmap_.width_, source.bitmap_.width_});
    bottom = std::min({bottom, bitmap_.height_, source.bitmap_.height_});
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x) bitmap_.WriteColor(x, y, source.bitmap_.ReadColor(x, y));
}
