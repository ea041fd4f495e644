#pragma once
// The raster: W x H pixels in one of five pixel formats, row 0 at the top,
// drawn through its canvas. The image classes derive from it and replace the
// four stream operations, whose own versions read and write BMP files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Colors.h"

class TStream;
class TBitmap;

enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

int BitsPerPixel(TPixelFormat format);
inline bool IsPalettised(TPixelFormat format) { return BitsPerPixel(format) <= 8; }

struct TPaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
    TColor Color() const { return RGB(Red, Green, Blue); }
    static TPaletteEntry Of(TColor c) { return {GetRed(c), GetGreen(c), GetBlue(c), 0}; }
    bool operator==(const TPaletteEntry&) const = default;
};
using TPalette = std::vector<TPaletteEntry>;

struct TPictureSize {
    int32_t Width = 0, Height = 0;
    bool operator==(const TPictureSize&) const = default;
};

struct TPoint {
    int32_t X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

class TCanvas {
public:
    struct TPen { TColor Color = clBlack; } Pen;
    struct TBrush { TColor Color = clWhite; } Brush;
    TPoint PenPos;

    // Points outside the raster are dropped without error.
    inline void SetPixel(int32_t x, int32_t y, TColor colour);
    TColor GetPixel(int32_t x, int32_t y) const;
    void MovePenTo(int32_t x, int32_t y) { PenPos = {x, y}; }
    // A line in the pen colour from the pen position to (x, y), the start point
    // painted and the end point not; clipped to the raster.
    void LineTo(int32_t x, int32_t y);
    // Every pixel with left <= x < right and top <= y < bottom, in the brush colour.
    void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Copies the rectangle [left, right) x [top, bottom) of source onto the same
    // rectangle here, clipped to both rasters.
    void CopyRect(int32_t left, int32_t top, int32_t right, int32_t bottom, const TCanvas& source);

private:
    friend class TBitmap;
    explicit TCanvas(TBitmap& owner) : bitmap_(owner) {}
    void SetPixelSlow(int32_t x, int32_t y, TColor colour);
    TBitmap& bitmap_;
};

class TBitmap {
public:
    TBitmap();
    virtual ~TBitmap() = default;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Resizing keeps the pixels of the area the old and new sizes share (anchored
    // at the top-left corner) and gives the new area the brush colour.
    void SetWidth(int32_t width) { SetSize(width, height_); }
    void SetHeight(int32_t height) { SetSize(width_, height); }
    void SetSize(int32_t width, int32_t height);

    TPixelFormat PixelFormat() const { return format_; }
    // Converts the pixels, keeping the colours they show where the new format can.
    void SetPixelFormat(TPixelFormat format);

    // The colour table of a palettised image (empty for 24 and 32 bits).
    const TPalette& Palette() const { return palette_; }
    // Replaces the colour table (at most 2^bits entries); pixel indices stay.
    void SetPalette(TPalette palette);

    // Row access, row 0 at the top: 1 and 4 bits pack pixels from the high bits,
    // 24 bits are blue, green, red, 32 bits blue, green, red and a fourth byte.
    uint8_t* ScanLine(int32_t row) { return pixels_.data() + static_cast<size_t>(row) * rowBytes_; }
    const uint8_t* ScanLine(int32_t row) const { return pixels_.data() + static_cast<size_t>(row) * rowBytes_; }
    size_t RowBytes() const { return rowBytes_; }
    // A row as 24-bit pixels (blue, green, red; Width() x 3 bytes into to),
    // the colours it shows whatever the pixel format: the writers' way to
    // other formats without a converted copy of the whole picture.
    void CopyRowAs24Bit(int32_t row, uint8_t* to) const;

    TCanvas& Canvas() { return canvas_; }
    const TCanvas& Canvas() const { return canvas_; }

    // Size, pixel format, palette and pixels of the source; the canvas state stays.
    void Assign(const TBitmap& source);

    // Stream operations; the raster class's own read and write BMP files.
    virtual void ReadFromStream(TStream& stream);
    void WriteToStream(TStream& stream) const { WritePicture(*this, stream); }
    // Writes picture, an image of any class, in this class's file format,
    // straight from its pixels: saving needs no copy of the picture.
    virtual void WritePicture(const TBitmap& picture, TStream& stream) const;
    virtual void ReadEmbedded(TStream& stream) { ReadFromStream(stream); }
    virtual void WriteEmbedded(TStream& stream) const { WriteToStream(stream); }
    // The size of the picture in the stream from its header alone, after the
    // checks the full read makes before it allocates the picture; no pixels
    // are read or allocated. A full read of the same stream that succeeds
    // gives this size; one that fails may still have a size here.
    virtual TPictureSize ReadSizeFromStream(TStream& stream) const;

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    // Palette index of the entry nearest to the colour (first of equals).
    uint8_t NearestIndex(TColor colour) const;

protected:
    // Takes over another image's storage wholesale (the readers build their
    // picture aside and commit it only when the whole read succeeded).
    void TakeOver(TBitmap& source);

private:
    friend class TCanvas;
    uint32_t ReadIndex(const uint8_t* row, int32_t x) const;
    void WriteIndex(uint8_t* row, int32_t x, uint32_t index);
    TColor ReadColor(int32_t x, int32_t y) const;
    void WriteColor(int32_t x, int32_t y, TColor colour);

    int32_t width_ = 0;
    int32_t height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    size_t rowBytes_ = 0;
    std::vector<uint8_t> pixels_;
    TPalette palette_;
    TCanvas canvas_;
};

inline void TCanvas::SetPixel(int32_t x, int32_t y, TColor colour)
{
    const TBitmap& b = bitmap_;
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(b.width_) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(b.height_))
        return;
    if (b.format_ == TPixelFormat::pf24bit) {
        uint8_t* p = bitmap_.pixels_.data() + static_cast<size_t>(y) * b.rowBytes_ + static_cast<size_t>(x) * 3;
        p[0] = GetBlue(colour);
        p[1] = GetGreen(colour);
        p[2] = GetRed(colour);
        return;
    }
    SetPixelSlow(x, y, colour);
}
