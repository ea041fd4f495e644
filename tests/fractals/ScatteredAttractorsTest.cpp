// Forrest, Galaxy and Fall: twenty copies of one attractor.
#include <gtest/gtest.h>

#include "GeneratorTesting.h"

TEST(ScatteredAttractorsTest, DrawsPerRun)
{
    for (auto [w, h] : {std::pair{320, 240}, std::pair{640, 480}, std::pair{800, 600}, std::pair{1024, 1024}}) {
        const int64_t m = std::max(w, h), small = std::min(w, h);
        // Forrest: position, size and colour, then one draw per step; N is
        // 2.5 m at the drawing sizes' sides.
        EXPECT_EQ(DrawsOf(DrawForrest, w, h), 20 * (4 + m * 5 / 2));
        EXPECT_EQ(DrawsOf(DrawGalaxy, w, h), 20 * (3 + 5 * small));
        // Fall: position and size, the run-in's map draws, then colour and map.
        EXPECT_EQ(DrawsOf(DrawFall, w, h), 20 * (3 + 10 + 2 * (10 * m - 10)));
    }
    // (42 / 20) * 50 comes out just below 105 in extended precision.
    EXPECT_EQ(DrawsOf(DrawForrest, 42, 42), 20 * (4 + 104));
    EXPECT_EQ(DrawsOf(DrawForrest, 40, 10), 20 * (4 + 100));
}

TEST(ScatteredAttractorsTest, GalaxyStaysNearTheSmallerSquare)
{
    // m = Min: every copy's corner lies in the 240-pixel square, and a copy
    // spans at most about 0.075 m.
    for (uint32_t seed : {1u, 2u, 3u}) {
        TBitmap raster;
        RenderWith(raster, DrawGalaxy, 320, 240, seed);
        for (int32_t y = 0; y < 240; ++y)
            for (int32_t x = 240 + 20; x < 320; ++x) ASSERT_EQ(PixelAt(raster, x, y), clBlack) << x << "," << y;
    }
}

