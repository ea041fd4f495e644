#pragma once
// Small helpers the tests share for looking at rasters.

#include <cstdint>
#include <functional>

#include "Bitmap.h"

inline TColor PixelAt(const TBitmap& raster, int32_t x, int32_t y) { return raster.Canvas().GetPixel(x, y); }

inline int64_t CountPixels(const TBitmap& raster, const std::function<bool(TColor)>& predicate)
{
    int64_t count = 0;
    for (int32_t y = 0; y < raster.Height(); ++y)
        for (int32_t x = 0; x < raster.Width(); ++x)
            if (predicate(PixelAt(raster, x, y))) ++count;
    return count;
}

inline bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) return false;
    return true;
}

// A black true-colour raster with a black brush and a white pen, as a render
// hands it to a generator.
inline void PrepareRaster(TBitmap& raster, int32_t width, int32_t height)
{
    raster.SetPixelFormat(TPixelFormat::pf24bit);
    raster.Canvas().Brush.Color = clBlack;
    raster.SetSize(width, height);
    raster.Canvas().FillRect(0, 0, width, height);
    raster.Canvas().Pen.Color = clWhite;
}
