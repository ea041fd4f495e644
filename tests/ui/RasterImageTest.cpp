#include <gtest/gtest.h>

#include "RasterImage.h"

namespace {

// Each pixel format with the colours it can show, painted left to right in
// one row and read back from the image; red and blue must not swap.
struct TCase {
    TPixelFormat format;
    TPalette palette;
    std::vector<TColor> colours;
};

} // namespace

TEST(RasterImageTest, EveryPixelFormatShowsItsColours)
{
    const TColor red = RGB(255, 0, 0), green = RGB(0, 255, 0), blue = RGB(0, 0, 255), odd = RGB(12, 200, 77);
    const std::vector<TCase> cases = {
        {TPixelFormat::pf1bit, {TPaletteEntry::Of(red), TPaletteEntry::Of(blue)}, {blue, red, blue}},
        {TPixelFormat::pf4bit,
         {TPaletteEntry::Of(clBlack), TPaletteEntry::Of(red), TPaletteEntry::Of(green), TPaletteEntry::Of(blue),
          TPaletteEntry::Of(odd)},
         {red, odd, blue, green, clBlack}},
        {TPixelFormat::pf8bit,
         {TPaletteEntry::Of(blue), TPaletteEntry::Of(odd), TPaletteEntry::Of(red), TPaletteEntry::Of(green)},
         {odd, red, green, blue, odd}},
        {TPixelFormat::pf24bit, {}, {red, green, blue, odd, clWhite}},
        {TPixelFormat::pf32bit, {}, {red, green, blue, odd, clWhite}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(BitsPerPixel(c.format));
        TBitmap raster;
        raster.SetPixelFormat(c.format);
        if (!c.palette.empty()) raster.SetPalette(c.palette);
        const auto width = static_cast<int32_t>(c.colours.size());
        raster.SetSize(width, 2);
        for (int32_t x = 0; x < width; ++x) {
            raster.Canvas().SetPixel(x, 0, c.colours[x]);
            raster.Canvas().SetPixel(x, 1, c.colours[width - 1 - x]);
        }

        const QImage image = RasterToImage(raster);
        ASSERT_EQ(image.size(), QSize(width, 2));
        EXPECT_FALSE(image.hasAlphaChannel());
        for (int32_t x = 0; x < width; ++x) {
            for (int32_t y = 0; y < 2; ++y) {
                const TColor expected = y == 0 ? c.colours[x] : c.colours[width - 1 - x];
                EXPECT_EQ(image.pixel(x, y), qRgb(GetRed(expected), GetGreen(expected), GetBlue(expected)))
                    << x << "," << y;
            }
        }
    }
}

TEST(RasterImageTest, ARasterWithoutPixelsGivesANullImage)
{
    TBitmap raster;
    raster.SetSize(0, 5);
    EXPECT_TRUE(RasterToImage(raster).isNull());
    raster.SetSize(5, 0);
    EXPECT_TRUE(RasterToImage(raster).isNull());
}
