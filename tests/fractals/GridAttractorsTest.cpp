// Carpet, Maze, SnowStar and Mist Clouds.
#include <gtest/gtest.h>

#include "GeneratorTesting.h"

TEST(GridAttractorsTest, DrawsPerRun)
{
    for (auto [w, h] : {std::pair{320, 240}, std::pair{1024, 1024}, std::pair{97, 131}}) {
        const int64_t m = std::max(w, h);
        // A colour draw on every painted step besides the map draw.
        EXPECT_EQ(DrawsOf(DrawCarpet, w, h), 10 + 2 * (50 * m - 10));
        EXPECT_EQ(DrawsOf(DrawSnowStar, w, h), 10 + 2 * (50 * m - 10));
        EXPECT_EQ(DrawsOf(DrawMaze, w, h), 50 * m);
        EXPECT_EQ(DrawsOf(DrawMistClouds, w, h), 150 * int64_t{h});
    }
}

TEST(GridAttractorsTest, MazeIsSymmetricAboutTheMiddleRow)
{
    TBitmap raster;
    RenderWith(raster, DrawMaze, 320, 320, 21);
    for (int32_t y = 1; y < 320; ++y)
        for (int32_t x = 0; x < 320; ++x) ASSERT_EQ(PixelAt(raster, x, y), PixelAt(raster, x, 320 - y)) << x << "," << y;
}

TEST(GridAttractorsTest, PicturesFillTheSquareFromTheFirstGridLine)
{
    struct {
        TFractalProc Proc;
        double Reach; // of the side m
    } cases[] = {{DrawCarpet, 0.995}, {DrawMaze, 0.995}, {DrawSnowStar, 0.985}};
    for (const auto& c : cases) {
        TBitmap raster;
        RenderWith(raster, c.Proc, 640, 640, 4);
        int32_t minX = 640, maxX = -1, minY = 640, maxY = -1;
        for (int32_t y = 0; y < 640; ++y)
            for (int32_t x = 0; x < 640; ++x)
                if (PixelAt(raster, x, y) != clBlack) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        EXPECT_EQ(minX, 1);
        EXPECT_EQ(minY, 1);
        EXPECT_NEAR(maxX, c.Reach * 640, 3);
        EXPECT_NEAR(maxY, c.Reach * 640, 3);
    }
}

TEST(GridAttractorsTest, MistCloudsStartsAtOneAndATenthOfTheHeightWithoutRunIn)
{
    // From (1, 48) on 640x480, map 1 (shear, no translation) gives (48.33,
    // 15.84), pixel (32, 11), off the attractor; map 5 gives (240.33, 16.84),
    // pixel (160, 11).
    auto seedWithFirstMap = [](int32_t map) {
        for (uint32_t seed = 0;; ++seed) {
            RandomSeed = seed;
            if (Random(8) + 1 == map) return seed;
        }
    };
    int firstMapOne = 0;
    for (int32_t map = 1; map <= 8; ++map) {
        TBitmap raster;
        RenderWith(raster, DrawMistClouds, 640, 480, seedWithFirstMap(map));
        if (map == 1) {
            EXPECT_EQ(PixelAt(raster, 32, 11), RGB(192, 192, 192));
            ++firstMapOne;
        } else {
            EXPECT_EQ(PixelAt(raster, 32, 11), clBlack) << map;
        }
        if (map == 5) {
            EXPECT_EQ(PixelAt(raster, 160, 11), RGB(192, 192, 192));
        }
    }
    EXPECT_EQ(firstMapOne, 1);
}

