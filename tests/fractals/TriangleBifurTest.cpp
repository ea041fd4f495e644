#include <gtest/gtest.h>

#include "GeneratorTesting.h"

TEST(TriangleTest, DrawsTwoForTheStartAndOnePerStep)
{
    EXPECT_EQ(DrawsOf(DrawTriangle, 320, 240), 2 + 100 * 240);
    EXPECT_EQ(DrawsOf(DrawTriangle, 1024, 1024), 2 + 100 * 1024);
}

TEST(TriangleTest, StandsInTheSmallerSquare)
{
    TBitmap raster;
    RenderWith(raster, DrawTriangle, 320, 240, 13);
    int32_t maxX = -1;
    bool apex = false, baseLeft = false, baseRight = false;
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x)
            if (PixelAt(raster, x, y) != clBlack) {
                maxX = std::max(maxX, x);
                apex |= y == 0 && x >= 115 && x <= 125;
                baseLeft |= y == 239 && x <= 2;
                baseRight |= y == 239 && x >= 236;
            }
    EXPECT_LE(maxX, 239);
    EXPECT_TRUE(apex);
    EXPECT_TRUE(baseLeft);
    EXPECT_TRUE(baseRight);
}

TEST(TriangleTest, SierpinskiHoleStaysEmpty)
{
    // The big inverted triangle (128, 256), (384, 256), (256, 512) is never
    // landed on.
    TBitmap raster;
    RenderWith(raster, DrawTriangle, 512, 512, 14);
    for (int32_t y = 300; y < 400; ++y)
        for (int32_t x = 220; x < 290; ++x) ASSERT_EQ(PixelAt(raster, x, y), clBlack) << x << "," << y;
}

TEST(BifurTest, ColumnZeroStaysBlackAndEveryOtherColumnIsPainted)
{
    for (auto [w, h] : {std::pair{320, 240}, std::pair{1024, 1024}}) {
        TBitmap raster;
        RenderWith(raster, DrawBifur, w, h);
        for (int32_t x = 0; x < w; ++x) {
            int64_t painted = 0;
            for (int32_t y = 0; y < h; ++y) painted += PixelAt(raster, x, y) != clBlack;
            if (x == 0)
                EXPECT_EQ(painted, 0);
            else
                ASSERT_GT(painted, 0) << x;
        }
    }
}

TEST(BifurTest, ASettledColumnShowsItsFixedPointInTheLastBand)
{
    // 640x480: column 427 has c = -2 + 427 * 2.25 / 640 = -0.4988..., whose
    // attracting fixed point (1 - sqrt(1 - 4c)) / 2 = -0.3653 lies 146 rows
    // above the middle row 240 at 400 rows per unit.
    TBitmap raster;
    RenderWith(raster, DrawBifur, 640, 480);
    for (int32_t y = 0; y < 480; ++y)
        EXPECT_EQ(PixelAt(raster, 427, y), y == 94 ? PaletteColor(13) : clBlack) << y;
    // Column 285, c = -0.998046875: the iterate swings between -0.00196 (row
    // 239) and -0.99804 (row -159, above the raster).
    for (int32_t y = 0; y < 480; ++y)
        EXPECT_EQ(PixelAt(raster, 285, y), y == 239 ? PaletteColor(13) : clBlack) << y;
}
