#include <gtest/gtest.h>

#include "Exceptions.h"
#include "GeneratorTesting.h"
#include "ParallelColumns.h"
#include "RenderControl.h"

namespace {

struct TMember {
    const char* Name;
    TFractalProc Proc;
    bool Fourfold;
};

const TMember Members[] = {
    {"Ameboa", DrawAmeboa, false}, {"Dendrite", DrawDendrite, false}, {"Dragon", DrawDragon, false},
    {"EKG", DrawEKG, true},        {"Flower", DrawFlower, true},      {"Rabbit", DrawRabbit, false},
    {"Siegel", DrawSiegel, false}, {"Custom", DrawCustomJulia, false}, {"Cloud", DrawCloud, false},
};

// A raster filled with a colour no generator paints, so that a pixel left
// alone shows apart from one painted black.
void RenderOnGrey(TBitmap& raster, TFractalProc proc, int32_t size)
{
    PrepareRaster(raster, size, size);
    raster.Canvas().Brush.Color = RGB(1, 2, 3);
    raster.Canvas().FillRect(0, 0, size, size);
    proc(raster);
}

// Installs a render control's custom Julia parameters for one test.
struct TRegisteredControl {
    TRenderControl Control;
    TJuliaParametersScope Installed{&Control};
};

} // namespace

TEST(QuadraticJuliaTest, CustomWithTheStartParametersIsSiegel)
{
    for (auto [w, h] : {std::pair{320, 240}, std::pair{640, 640}}) {
        TBitmap custom, siegel;
        RenderWith(custom, DrawCustomJulia, w, h);
        RenderWith(siegel, DrawSiegel, w, h);
        EXPECT_TRUE(SamePixels(custom, siegel)) << w << "x" << h;

        TRegisteredControl registered;
        registered.Control.SetFractalSize(w, h);
        registered.Control.ClearFractal();
        registered.Control.DrawFractal(DrawCustomJulia);
        EXPECT_TRUE(SamePixels(registered.Control.Raster(), siegel));
    }
}

TEST(QuadraticJuliaTest, CustomReadsTheParametersWhenItDraws)
{
    TRegisteredControl registered;
    TRenderControl& control = registered.Control;
    control.SetFractalSize(320, 320);
    control.ClearFractal();
    control.CustomJuliaX = -0.122;
    control.CustomJuliaY = 0.745;
    control.DrawFractal(DrawCustomJulia);
    TBitmap rabbit;
    RenderWith(rabbit, DrawRabbit, 320, 320);
    EXPECT_TRUE(SamePixels(control.Raster(), rabbit));

    // A size change redraws with the parameters in force then.
    control.CustomJuliaX = -0.39054;
    control.CustomJuliaY = -0.58679;
    control.SetFractalSize(320, 240);
    TBitmap siegel;
    RenderWith(siegel, DrawSiegel, 320, 240);
    EXPECT_TRUE(SamePixels(control.Raster(), siegel));
}

TEST(QuadraticJuliaTest, AnOverflowingParameterEndsTheRenderAndKeepsTheCurrentGenerator)
{
    for (int32_t threads : {1, 0}) {
        SetEscapeTimeThreads(threads);
        TRegisteredControl registered;
        TRenderControl& control = registered.Control;
        control.SetFractalSize(320, 240);
        control.ClearFractal();
        control.DrawFractal(DrawSiegel);

        // The squared modulus of 1e155 leaves the range of a double in the
        // first iteration of the first point: nothing is painted.
        control.CustomJuliaX = 1e155;
        try {
            control.DrawFractal(DrawCustomJulia);
            ADD_FAILURE() << "no exception";
        } catch (const EOverflow& e) {
            EXPECT_EQ(e.Message(), "Floating point overflow");
        }
        EXPECT_EQ(control.CurrentFractal, DrawSiegel);
        EXPECT_EQ(CountPainted(control.Raster()), 0);

        // 1e154 still squares within range: every point leaves the disc at
        // once, band 0, painted black.
        control.CustomJuliaX = 1e154;
        control.DrawFractal(DrawCustomJulia);
        EXPECT_EQ(control.CurrentFractal, DrawCustomJulia);
        EXPECT_EQ(CountPainted(control.Raster()), 0);
    }
    SetEscapeTimeThreads(0);
}

TEST(QuadraticJuliaTest, PicturesAreSymmetricThroughTheCentre)
{
    for (const TMember& m : Members)
        for (int32_t S : {320, 321, 150}) {
            TBitmap raster;
            RenderWith(raster, m.Proc, S, S);
            ASSERT_GT(CountPainted(raster), 0) << m.Name;
            for (int32_t y = 1; y < S; ++y)
                for (int32_t x = 1; x < S; ++x) {
                    const TColor c = PixelAt(raster, x, y);
                    ASSERT_EQ(c, PixelAt(raster, S - x, S - y)) << m.Name << " " << S << ": " << x << "," << y;
                    if (m.Fourfold) {
                        ASSERT_EQ(c, PixelAt(raster, S - x, y)) << m.Name << " " << S << ": " << x << "," << y;
                        ASSERT_EQ(c, PixelAt(raster, x, S - y)) << m.Name << " " << S << ": " << x << "," << y;
                    }
                }
        }
}

TEST(QuadraticJuliaTest, BandZeroIsPaintedBlackOrLeftAlone)
{
    // The frame's corners leave the disc in the first or second iteration.
    for (const TMember& m : Members) {
        TBitmap raster;
        RenderOnGrey(raster, m.Proc, 320);
        const bool leftAlone = m.Proc == DrawAmeboa || m.Proc == DrawDendrite || m.Proc == DrawCloud;
        for (auto [x, y] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{319, 1}})
            EXPECT_EQ(PixelAt(raster, x, y), leftAlone ? RGB(1, 2, 3) : clBlack) << m.Name << " " << x << "," << y;
    }
}

TEST(QuadraticJuliaTest, AnOrbitNearZeroLeavesItsPixelUnpainted)
{
    // Dendrite, c = i: z = 0.70703125 (i - 1) lands at 0.00021 i, within 0.01
    // of 0, in its first iteration; its mirror likewise. The centre, 0, runs
    // into the cycle -1 + i, -i and stays: the top band, white.
    TBitmap raster;
    RenderOnGrey(raster, DrawDendrite, 1024);
    EXPECT_EQ(PixelAt(raster, 331, 331), RGB(1, 2, 3));
    EXPECT_EQ(PixelAt(raster, 1024 - 331, 1024 - 331), RGB(1, 2, 3));
    EXPECT_NE(PixelAt(raster, 300, 331), RGB(1, 2, 3));
    EXPECT_EQ(PixelAt(raster, 512, 512), clWhite);
}

TEST(QuadraticJuliaTest, ColourDepthFollowsTheFrameSide)
{
    auto bandsOf = [](TFractalProc proc, int32_t S) {
        TBitmap raster;
        RenderWith(raster, proc, S, S);
        std::set<TColor> colours = ColoursOf(raster);
        colours.erase(clBlack);
        return colours;
    };
    auto upTo = [](int last) {
        std::set<TColor> colours = PaletteEntries(1, last);
        colours.insert(clWhite);
        return colours;
    };
    // Below 100 the top band is 5 and white, below 200 it is 8, else 15.
    for (TFractalProc proc : {DrawAmeboa, DrawDragon, DrawEKG}) {
        for (auto [S, top] : {std::pair{99, 5}, std::pair{100, 8}, std::pair{199, 8}, std::pair{200, 15}}) {
            const std::set<TColor> bands = bandsOf(proc, S);
            EXPECT_TRUE(IsSubset(bands, upTo(top - 1))) << S;
            EXPECT_TRUE(bands.count(clWhite)) << S;
            EXPECT_EQ(IsSubset(bands, upTo(4)), top == 5) << S;
            EXPECT_EQ(IsSubset(bands, upTo(7)), top <= 8) << S;
        }
    }
    // Rabbit's depth is 15 at every size.
    EXPECT_FALSE(IsSubset(bandsOf(DrawRabbit, 99), upTo(4)));
}

TEST(QuadraticJuliaTest, CloudIsTwoTonesOfThePen)
{
    TBitmap white, coloured;
    RenderWith(white, DrawCloud, 320, 240);
    EXPECT_EQ(ColoursOf(white), (std::set<TColor>{clBlack, clWhite, RGB(191, 191, 191)}));
    RenderWith(coloured, DrawCloud, 320, 240, 1, RGB(50, 100, 200));
    EXPECT_EQ(ColoursOf(coloured), (std::set<TColor>{clBlack, RGB(50, 100, 200), RGB(0, 36, 136)}));
    EXPECT_EQ(CountPixels(coloured, [](TColor c) { return c == RGB(0, 36, 136); }),
              CountPixels(white, [](TColor c) { return c == RGB(191, 191, 191); }));
    EXPECT_EQ(coloured.Canvas().Pen.Color, RGB(50, 100, 200));
}
