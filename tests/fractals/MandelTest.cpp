#include <gtest/gtest.h>

#include "Generators.h"
#include "RasterTesting.h"

namespace {

void Render(TBitmap& raster, TFractalProc generator, int32_t width, int32_t height, TColor pen = clWhite)
{
    PrepareRaster(raster, width, height);
    raster.Canvas().Pen.Color = pen;
    generator(raster);
}

} // namespace

TEST(SimpleMandelTest, PaintsOnlyTheExaminedColumnsInThePenColour)
{
    TBitmap raster;
    Render(raster, DrawSimpleMandel, 640, 480);
    int32_t leftmost = 640, rightmost = -1;
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x) {
            TColor c = PixelAt(raster, x, y);
            if (c == clBlack) continue;
            ASSERT_EQ(c, clWhite) << x << "," << y;
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
        }
    EXPECT_GE(leftmost, 64);
    // Band 2 stops at the first empty column right of the tip, well before 416.
    EXPECT_GT(rightmost, 352);
    EXPECT_LT(rightmost, 416);
    // The main body is solid: around -0.44 + 0i and -0.44 + 0.17i.
    EXPECT_EQ(PixelAt(raster, 250, 240), clWhite);
    EXPECT_EQ(PixelAt(raster, 250, 220), clWhite);
}

TEST(SimpleMandelTest, IsMirroredAboutTheMiddleRow)
{
    TBitmap raster;
    Render(raster, DrawSimpleMandel, 320, 240);
    for (int32_t y = 1; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x) ASSERT_EQ(PixelAt(raster, x, y), PixelAt(raster, x, 240 - y)) << x << "," << y;
}

TEST(SimpleMandelTest, ReadsThePenForEveryPixel)
{
    TBitmap white, red;
    Render(white, DrawSimpleMandel, 320, 240);
    Render(red, DrawSimpleMandel, 320, 240, RGB(255, 0, 0));
    EXPECT_GT(CountPixels(red, [](TColor c) { return c == RGB(255, 0, 0); }), 1000);
    EXPECT_EQ(CountPixels(red, [](TColor c) { return c == RGB(255, 0, 0); }),
              CountPixels(white, [](TColor c) { return c == clWhite; }));
    EXPECT_EQ(red.Canvas().Pen.Color, RGB(255, 0, 0)) << "the pen is read, never changed";
}

TEST(SimpleMandelTest, SmallHeightStartsTheFillAtTheFirstInsidePoint)
{
    // H < 20 gives T = 1: each band-1 column with an inside point becomes one
    // solid line from that point to its mirror.
    TBitmap raster;
    Render(raster, DrawSimpleMandel, 200, 10);
    EXPECT_GT(CountPixels(raster, [](TColor c) { return c == clWhite; }), 0);
    for (int32_t x = 0; x < 200; ++x) {
        int32_t top = -1;
        for (int32_t y = 0; y <= 5; ++y)
            if (PixelAt(raster, x, y) == clWhite) { top = y; break; }
        if (top < 0 || x > 110) continue; // band 1 only: columns 20 .. 110
        for (int32_t y = top; y <= 10 - top && y < 10; ++y) ASSERT_EQ(PixelAt(raster, x, y), clWhite) << x << "," << y;
    }
}

TEST(MandelTest, StatedPixels)
{
    TBitmap raster;
    Render(raster, DrawMandel, 640, 480);
    EXPECT_EQ(PixelAt(raster, 1, 1), clBlack);
    EXPECT_EQ(PixelAt(raster, 346, 240), 0x00FFFFu);
    for (int32_t y = 0; y < 480; ++y) ASSERT_EQ(PixelAt(raster, 0, y), clBlack) << "column 0 row " << y;
    for (int32_t x = 0; x < 640; ++x) ASSERT_EQ(PixelAt(raster, x, 0), clBlack) << "row 0 column " << x;
}

TEST(MandelTest, ComputesTheUpperHalfAndMirrorsIt)
{
    TBitmap raster;
    Render(raster, DrawMandel, 640, 480);
    for (int32_t y = 1; y < 240; ++y)
        for (int32_t x = 0; x < 640; ++x) ASSERT_EQ(PixelAt(raster, x, y), PixelAt(raster, x, 480 - y)) << x << "," << y;
    // Every colour is a palette entry from 0 to 14: never white.
    EXPECT_EQ(CountPixels(raster, [](TColor c) { return c == clWhite; }), 0);
    EXPECT_GT(CountPixels(raster, [](TColor c) { return c == 0x00FFFFu; }), 10000);
}

TEST(MandelTest, HeightOneComputesRowOneAndPaintsOnlyItsMirror)
{
    TBitmap raster;
    Render(raster, DrawMandel, 640, 1);
    // Row 1 lies at imaginary part 1.25 - 2.5 = -1.25; only its mirror, row 0, exists.
    EXPECT_GT(CountPixels(raster, [](TColor c) { return c != clBlack; }), 0);
    EXPECT_EQ(PixelAt(raster, 0, 0), clBlack);
}

TEST(MandelTest, SameSizeSamePicture)
{
    TBitmap a, b;
    Render(a, DrawMandel, 320, 320);
    Render(b, DrawMandel, 320, 320);
    EXPECT_TRUE(SamePixels(a, b));
    Render(a, DrawSimpleMandel, 800, 600);
    Render(b, DrawSimpleMandel, 800, 600);
    EXPECT_TRUE(SamePixels(a, b));
}
