#include <gtest/gtest.h>

#include <vector>

#include "Exceptions.h"
#include "RasterTesting.h"
#include "RenderControl.h"

namespace {

int calls = 0;
std::vector<std::pair<int32_t, int32_t>> sizesSeen;

void CountingGenerator(TBitmap& raster)
{
    ++calls;
    sizesSeen.emplace_back(raster.Width(), raster.Height());
    // Finds the raster black with a black brush: paint one marker pixel.
    EXPECT_EQ(raster.Canvas().Brush.Color, clBlack);
    EXPECT_EQ(CountPixels(raster, [](TColor c) { return c != clBlack; }), 0);
    raster.Canvas().SetPixel(0, 0, RGB(1, 2, 3));
}

void OtherGenerator(TBitmap& raster) { raster.Canvas().SetPixel(1, 0, RGB(9, 9, 9)); }

void ThrowingGenerator(TBitmap& raster)
{
    raster.Canvas().SetPixel(1, 1, clWhite);
    throw EOverflow();
}

struct RenderControlTest : testing::Test {
    void SetUp() override
    {
        calls = 0;
        sizesSeen.clear();
    }
    TRenderControl control;
};

} // namespace

TEST_F(RenderControlTest, StartsWithATwoByTwoBlackPictureAndNoGenerator)
{
    EXPECT_EQ(control.Raster().Width(), 2);
    EXPECT_EQ(control.Raster().Height(), 2);
    EXPECT_EQ(control.Raster().PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(control.CurrentFractal, nullptr);
    EXPECT_EQ(control.CustomJuliaX, -0.39054);
    EXPECT_EQ(control.CustomJuliaY, -0.58679);
}

TEST_F(RenderControlTest, SizeChangeWithoutAPictureKeepsTheOverlap)
{
    control.SetFractalSize(4, 3);
    control.ClearFractal();
    control.Raster().Canvas().SetPixel(3, 2, clWhite);
    control.SetFractalSize(6, 5);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(PixelAt(control.Raster(), 3, 2), clWhite);
    EXPECT_EQ(PixelAt(control.Raster(), 5, 4), clBlack);
    EXPECT_EQ(control.Raster().PixelFormat(), TPixelFormat::pf24bit);
}

TEST_F(RenderControlTest, SizeChangeAfterARenderRedrawsWithTheSameGenerator)
{
    control.SetFractalSize(4, 3);
    control.ClearFractal();
    std::vector<bool> busy;
    control.OnBusy = [&](bool b) { busy.push_back(b); };
    control.DrawFractal(CountingGenerator);
    control.Raster().Canvas().SetPixel(2, 2, clWhite); // cleared by the redraw
    control.SetFractalSize(8, 6);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(sizesSeen.back(), (std::pair<int32_t, int32_t>{8, 6}));
    EXPECT_EQ(PixelAt(control.Raster(), 2, 2), clBlack);
    EXPECT_EQ(busy, (std::vector<bool>{true, false, true, false}));
}

TEST_F(RenderControlTest, ANewGeneratorNeverDrawsOverThePreviousPicture)
{
    control.SetFractalSize(4, 3);
    control.DrawFractal(CountingGenerator);
    control.DrawFractal(OtherGenerator);
    EXPECT_EQ(PixelAt(control.Raster(), 0, 0), clBlack);
    EXPECT_EQ(PixelAt(control.Raster(), 1, 0), RGB(9, 9, 9));
    EXPECT_EQ(control.CurrentFractal, OtherGenerator);
}

TEST_F(RenderControlTest, ClearLeavesBlackAndNoGenerator)
{
    control.SetFractalSize(4, 3);
    control.DrawFractal(CountingGenerator);
    control.Raster().Canvas().Pen.Color = RGB(1, 1, 1);
    control.Clear();
    EXPECT_EQ(control.CurrentFractal, nullptr);
    EXPECT_EQ(control.Raster().Canvas().Pen.Color, clWhite);
    EXPECT_EQ(CountPixels(control.Raster(), [](TColor c) { return c != clBlack; }), 0);
    control.SetFractalSize(5, 5);
    EXPECT_EQ(calls, 1) << "a size change after Clear draws nothing";
}

TEST_F(RenderControlTest, AThrowingGeneratorKeepsTheStateAndRestoresTheCursor)
{
    control.SetFractalSize(4, 3);
    control.DrawFractal(CountingGenerator);
    std::vector<bool> busy;
    control.OnBusy = [&](bool b) { busy.push_back(b); };
    EXPECT_THROW(control.DrawFractal(ThrowingGenerator), EOverflow);
    EXPECT_EQ(control.CurrentFractal, CountingGenerator);
    EXPECT_EQ(PixelAt(control.Raster(), 1, 1), clWhite) << "the partial picture stays";
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(RenderControlTest, ARenderDoesNotTouchThePen)
{
    control.SetFractalSize(4, 3);
    control.ClearFractal();
    control.Raster().Canvas().Pen.Color = RGB(50, 100, 200);
    control.DrawFractal(nullptr);
    EXPECT_EQ(control.Raster().Canvas().Pen.Color, RGB(50, 100, 200));
    EXPECT_EQ(control.CurrentFractal, nullptr);
}

TEST_F(RenderControlTest, EmptySizesStillCallTheGenerator)
{
    control.SetFractalSize(0, 480);
    control.DrawFractal(CountingGenerator);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sizesSeen.back(), (std::pair<int32_t, int32_t>{0, 480}));
}

TEST_F(RenderControlTest, OnResizedSeesTheNewSizeBeforeTheRedraw)
{
    control.DrawFractal(CountingGenerator);
    std::vector<std::pair<int32_t, int32_t>> resized;
    control.OnResized = [&](int32_t w, int32_t h) {
        resized.emplace_back(w, h);
        EXPECT_EQ(calls, 1);
    };
    control.SetFractalSize(7, 3);
    EXPECT_EQ(resized, (std::vector<std::pair<int32_t, int32_t>>{{7, 3}}));
    EXPECT_EQ(calls, 2);
}
