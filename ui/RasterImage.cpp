#include "RasterImage.h"

#include <new>

QImage RasterToImage(const TBitmap& raster)
{
    const int32_t width = raster.Width(), height = raster.Height();
    if (width <= 0 || height <= 0) return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) throw std::bad_alloc();
    for (int32_t y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (raster.PixelFormat() == TPixelFormat::pf24bit) {
            // The main raster's format, read straight from its rows: blue, green, red.
            const uint8_t* in = raster.ScanLine(y);
            for (int32_t x = 0; x < width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
        } else {
            for (int32_t x = 0; x < width; ++x) {
                const TColor c = raster.Canvas().GetPixel(x, y);
                out[x] = qRgb(GetRed(c), GetGreen(c), GetBlue(c));
            }
        }
    }
    return image;
}
