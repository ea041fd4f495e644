#include <gtest/gtest.h>

#include "Bitmap.h"
#include "RasterTesting.h"

namespace {

constexpr TColor Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255);

std::vector<std::pair<int, int>> PaintedPoints(const TBitmap& raster)
{
    std::vector<std::pair<int, int>> points;
    for (int32_t y = 0; y < raster.Height(); ++y)
        for (int32_t x = 0; x < raster.Width(); ++x)
            if (PixelAt(raster, x, y) != clBlack) points.emplace_back(x, y);
    return points;
}

} // namespace

TEST(CanvasTest, SetPixelDropsPointsOutside)
{
    TBitmap raster;
    PrepareRaster(raster, 4, 3);
    TCanvas& canvas = raster.Canvas();
    for (auto [x, y] : {std::pair{4, 0}, {0, 3}, {-1, 0}, {0, -1}, {-2147483647 - 1, 5}, {2147483647, 1}})
        canvas.SetPixel(x, y, Red);
    EXPECT_TRUE(PaintedPoints(raster).empty());
    canvas.SetPixel(3, 2, Red);
    EXPECT_EQ(PixelAt(raster, 3, 2), Red);
}

TEST(CanvasTest, RowsAreBlueGreenRedFromTheTop)
{
    TBitmap raster;
    PrepareRaster(raster, 2, 2);
    raster.Canvas().SetPixel(1, 0, RGB(10, 20, 30));
    const uint8_t* top = raster.ScanLine(0);
    EXPECT_EQ(top[3], 30);
    EXPECT_EQ(top[4], 20);
    EXPECT_EQ(top[5], 10);
    EXPECT_EQ(raster.ScanLine(1)[3], 0);
}

TEST(CanvasTest, VerticalLineLeavesOutItsEndPoint)
{
    TBitmap raster;
    PrepareRaster(raster, 10, 10);
    TCanvas& canvas = raster.Canvas();
    canvas.MovePenTo(4, 5);
    canvas.LineTo(4, 8);
    EXPECT_EQ(PaintedPoints(raster), (std::vector<std::pair<int, int>>{{4, 5}, {4, 6}, {4, 7}}));
    EXPECT_EQ(canvas.PenPos, (TPoint{4, 8}));

    canvas.LineTo(4, 8); // to the current position: nothing
    EXPECT_EQ(PaintedPoints(raster).size(), 3u);

    // Upwards: the start is painted, the end is not.
    PrepareRaster(raster, 10, 10);
    canvas.MovePenTo(2, 6);
    canvas.LineTo(2, 3);
    EXPECT_EQ(PaintedPoints(raster), (std::vector<std::pair<int, int>>{{2, 4}, {2, 5}, {2, 6}}));
}

TEST(CanvasTest, LinesAreClipped)
{
    TBitmap raster;
    PrepareRaster(raster, 5, 5);
    TCanvas& canvas = raster.Canvas();
    canvas.MovePenTo(1, -100);
    canvas.LineTo(1, 100);
    EXPECT_EQ(PaintedPoints(raster).size(), 5u);
    canvas.MovePenTo(7, 0);
    canvas.LineTo(7, 5);
    canvas.MovePenTo(-2000000000, 3);
    canvas.LineTo(2000000000, 3);
    EXPECT_EQ(CountPixels(raster, [](TColor c) { return c == clWhite; }), 9);
}

TEST(CanvasTest, OtherLinesAlsoLeaveOutTheirEndPoint)
{
    TBitmap raster;
    PrepareRaster(raster, 10, 10);
    TCanvas& canvas = raster.Canvas();
    canvas.MovePenTo(0, 0);
    canvas.LineTo(4, 4);
    EXPECT_EQ(PaintedPoints(raster), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    PrepareRaster(raster, 10, 10);
    canvas.MovePenTo(6, 2);
    canvas.LineTo(1, 2);
    EXPECT_EQ(PaintedPoints(raster).size(), 5u);
    EXPECT_EQ(PixelAt(raster, 1, 2), clBlack);
    EXPECT_EQ(PixelAt(raster, 6, 2), clWhite);
}

TEST(CanvasTest, FillRectIsClippedAndExcludesRightAndBottom)
{
    TBitmap raster;
    PrepareRaster(raster, 6, 4);
    TCanvas& canvas = raster.Canvas();
    canvas.Brush.Color = Green;
    canvas.FillRect(-3, 1, 2, 3);
    EXPECT_EQ(CountPixels(raster, [](TColor c) { return c == Green; }), 4);
    EXPECT_EQ(PixelAt(raster, 1, 2), Green);
    EXPECT_EQ(PixelAt(raster, 2, 2), clBlack);
    EXPECT_EQ(PixelAt(raster, 1, 3), clBlack);
    canvas.FillRect(4, 4, 2, 2); // empty
    canvas.FillRect(0, 0, 100, 100);
    EXPECT_EQ(CountPixels(raster, [](TColor c) { return c == Green; }), 24);
}

TEST(BitmapTest, ResizeKeepsTheSharedAreaAndFillsTheRestWithTheBrush)
{
    TBitmap raster;
    PrepareRaster(raster, 3, 2);
    raster.Canvas().SetPixel(0, 0, Red);
    raster.Canvas().SetPixel(2, 1, Blue);
    raster.Canvas().Brush.Color = Green;
    raster.SetWidth(5);
    raster.SetHeight(4);
    EXPECT_EQ(PixelAt(raster, 0, 0), Red);
    EXPECT_EQ(PixelAt(raster, 2, 1), Blue);
    EXPECT_EQ(PixelAt(raster, 1, 1), clBlack);
    EXPECT_EQ(PixelAt(raster, 3, 0), Green);
    EXPECT_EQ(PixelAt(raster, 0, 3), Green);
    EXPECT_EQ(PixelAt(raster, 4, 3), Green);

    raster.SetSize(1, 1);
    EXPECT_EQ(PixelAt(raster, 0, 0), Red);
    raster.SetSize(0, 0);
    EXPECT_EQ(raster.Width(), 0);
    raster.Canvas().SetPixel(0, 0, Red); // nothing to paint, nothing to fail
}

TEST(BitmapTest, PalettisedFormatsKeepTheColoursShown)
{
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf32bit}) {
        TBitmap raster;
        PrepareRaster(raster, 7, 3); // odd width: packed rows end mid-byte
        raster.Canvas().SetPixel(6, 2, clWhite);
        raster.Canvas().SetPixel(3, 1, clWhite);
        raster.SetPixelFormat(format);
        EXPECT_EQ(raster.PixelFormat(), format);
        EXPECT_EQ(PixelAt(raster, 6, 2), clWhite) << BitsPerPixel(format);
        EXPECT_EQ(PixelAt(raster, 3, 1), clWhite) << BitsPerPixel(format);
        EXPECT_EQ(PixelAt(raster, 5, 2), clBlack) << BitsPerPixel(format);
        raster.SetPixelFormat(TPixelFormat::pf24bit);
        EXPECT_EQ(PixelAt(raster, 6, 2), clWhite);
        EXPECT_EQ(CountPixels(raster, [](TColor c) { return c == clWhite; }), 2);
    }
}

TEST(BitmapTest, EightBitsKeepUpTo256ColoursExactly)
{
    TBitmap raster;
    PrepareRaster(raster, 16, 16);
    for (int i = 0; i < 256; ++i) raster.Canvas().SetPixel(i % 16, i / 16, RGB(i, 255 - i, i / 2));
    raster.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(raster.Palette().size(), 256u);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(PixelAt(raster, i % 16, i / 16), RGB(i, 255 - i, i / 2)) << i;
}

TEST(BitmapTest, PalettisedResizeKeepsPackedPixels)
{
    TBitmap raster;
    PrepareRaster(raster, 5, 2);
    raster.Canvas().SetPixel(4, 1, clWhite);
    raster.Canvas().SetPixel(0, 0, clWhite);
    raster.SetPixelFormat(TPixelFormat::pf4bit);
    raster.Canvas().Brush.Color = clBlack;
    raster.SetSize(9, 3);
    EXPECT_EQ(PixelAt(raster, 4, 1), clWhite);
    EXPECT_EQ(PixelAt(raster, 0, 0), clWhite);
    EXPECT_EQ(CountPixels(raster, [](TColor c) { return c == clWhite; }), 2);
}

TEST(BitmapTest, AssignCopiesSizeFormatPaletteAndPixels)
{
    TBitmap source;
    PrepareRaster(source, 3, 3);
    source.Canvas().SetPixel(1, 1, Red);
    source.SetPixelFormat(TPixelFormat::pf8bit);
    TBitmap copy;
    copy.Canvas().Pen.Color = Blue;
    copy.Assign(source);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(copy.Palette(), source.Palette());
    EXPECT_TRUE(SamePixels(copy, source));
    EXPECT_EQ(copy.Canvas().Pen.Color, Blue);
    source.Canvas().SetPixel(0, 0, Red);
    EXPECT_EQ(PixelAt(copy, 0, 0), clBlack) << "a copy, not a share";
}
