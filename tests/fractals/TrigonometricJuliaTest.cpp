#include <gtest/gtest.h>

#include "GeneratorTesting.h"

namespace {

// The corner blocks at a square side S: T columns wide on the left, T - 1 on
// the right (column S is outside), V rows high at the top and the bottom.
struct TBlocks {
    int32_t S, T, V;
    bool Contains(int32_t x, int32_t y) const
    {
        const bool column = x < T || x > S - T;
        const bool row = y < V || y >= S - V;
        return column && row;
    }
};

const TBlocks Sides[] = {{320, 118, 64}, {640, 236, 128}, {800, 296, 160}, {1024, 378, 204}};

} // namespace

TEST(TrigonometricJuliaTest, OnlyTheCornerBlocksAreComputedAndTheRestIsWhite)
{
    for (const TBlocks& b : Sides) {
        TBitmap cos, sin;
        RenderWith(cos, DrawJuliaCos, b.S, b.S);
        RenderWith(sin, DrawJuliaSin, b.S, b.S);
        int32_t minX[2] = {b.S, b.S}, maxX[2] = {-1, -1}, minY[2] = {b.S, b.S}, maxY[2] = {-1, -1};
        for (int32_t y = 0; y < b.S; ++y)
            for (int32_t x = 0; x < b.S; ++x) {
                if (!b.Contains(x, y)) {
                    ASSERT_EQ(PixelAt(cos, x, y), clWhite) << b.S << ": " << x << "," << y;
                    ASSERT_EQ(PixelAt(sin, x, y), clWhite) << b.S << ": " << x << "," << y;
                }
                if (PixelAt(cos, x, y) == clWhite) continue;
                const int right = x > b.S / 2, bottom = y > b.S / 2;
                minX[right] = std::min(minX[right], x), maxX[right] = std::max(maxX[right], x);
                minY[bottom] = std::min(minY[bottom], y), maxY[bottom] = std::max(maxY[bottom], y);
            }
        // The cosine's blocks show computed colours out to their edges.
        EXPECT_EQ(minX[0], 0);
        EXPECT_EQ(maxX[0], b.T - 1) << b.S;
        EXPECT_EQ(minX[1], b.S - b.T + 1) << b.S;
        EXPECT_EQ(maxX[1], b.S - 1);
        EXPECT_EQ(minY[0], 0);
        EXPECT_EQ(maxY[0], b.V - 1) << b.S;
        EXPECT_EQ(minY[1], b.S - b.V) << b.S;
        EXPECT_EQ(maxY[1], b.S - 1);
        EXPECT_FALSE(SamePixels(cos, sin));
    }
}

TEST(TrigonometricJuliaTest, TheBlocksMirrorEachOther)
{
    for (TFractalProc proc : {DrawJuliaCos, DrawJuliaSin}) {
        TBitmap raster;
        RenderWith(raster, proc, 320, 320);
        for (int32_t y = 1; y < 64; ++y)
            for (int32_t x = 1; x < 118; ++x) {
                const TColor c = PixelAt(raster, x, y);
                ASSERT_EQ(PixelAt(raster, 320 - x, 320 - y), c) << x << "," << y;
                ASSERT_EQ(PixelAt(raster, 320 - x, y), c) << x << "," << y;
                ASSERT_EQ(PixelAt(raster, x, 320 - y), c) << x << "," << y;
            }
    }
}

TEST(TrigonometricJuliaTest, TheLinesAreWhiteWhateverThePenAndThePenIsPutBack)
{
    for (TFractalProc proc : {DrawJuliaCos, DrawJuliaSin}) {
        TBitmap white, coloured;
        RenderWith(white, proc, 320, 240);
        RenderWith(coloured, proc, 320, 240, 1, RGB(1, 2, 3));
        EXPECT_TRUE(SamePixels(white, coloured));
        EXPECT_EQ(coloured.Canvas().Pen.Color, RGB(1, 2, 3));
    }
}
