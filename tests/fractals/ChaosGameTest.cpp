// The chaos-game engine and the single-attractor generators: Fern, Tree,
// Castle, Clouds and Rock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "AffineMaps.h"
#include "ChaosGame.h"
#include "GeneratorTesting.h"

namespace {

// A seed from which the next Random(100) + 1 is r.
uint32_t SeedGiving(int32_t r)
{
    for (uint32_t seed = 0;; ++seed) {
        RandomSeed = seed;
        if (Random(100) + 1 == r) return seed;
    }
}

} // namespace

TEST(ChaosGameTest, TheYLineTakesTheNewX)
{
    // x := 5, then y := 1 * x + 0.5 * y + 0 with the new x: 5.5, not 1.5.
    const TAffineMap map{0, 0, 1, 0.5, 5, 0};
    TChaosGame game(TMapTable(std::span(&map, 1)), TUniformSelection{1}, 1.0, 1.0);
    game.Step();
    EXPECT_EQ(game.X, 5.0);
    EXPECT_EQ(game.Y, 5.5);
}

TEST(ChaosGameTest, ThresholdsAreTriedInTheirOrder)
{
    struct {
        std::span<const TThreshold> Thresholds;
        std::vector<std::pair<int32_t, int32_t>> RToMap;
        std::array<int, 4> Shares;
    } cases[] = {
        {FernThresholds, {{1, 2}, {85, 2}, {86, 1}, {87, 3}, {93, 3}, {94, 4}, {100, 4}}, {1, 85, 7, 7}},
        {TreeThresholds, {{1, 2}, {40, 2}, {41, 3}, {80, 3}, {81, 4}, {94, 4}, {95, 1}, {100, 1}}, {6, 40, 40, 14}},
    };
    for (const auto& c : cases) {
        const TThresholdSelection select(c.Thresholds);
        for (auto [r, map] : c.RToMap) {
            RandomSeed = SeedGiving(r);
            EXPECT_EQ(select() + 1, map) << "r = " << r;
        }
        std::array<int, 4> shares{};
        for (int32_t r = 1; r <= 100; ++r) {
            RandomSeed = SeedGiving(r);
            ++shares[select()];
        }
        EXPECT_EQ(shares, c.Shares);
    }
}

TEST(ChaosGameTest, PixelsRoundTheExtendedValueHalvesToEven)
{
    EXPECT_EQ(Pixel(0.5, 5.0), 2);
    EXPECT_EQ(Pixel(0.5, 7.0), 4);
    EXPECT_EQ(Pixel(0.5, -5.0), -2);
    EXPECT_EQ(Pixel(1.0, 2.0, 0.5L), 2);
    // 3 times the double nearest 5/6 is 2.5 + 1.1e-16: 2.5 as a double, but
    // above the half in extended precision.
    EXPECT_EQ(Pixel(3.0, 5.0 / 6.0), 3);
    EXPECT_EQ(Pixel(1.0, 1.0 / 3.0, 240.5L), 241);
}

TEST(ChaosGameTest, TheGuardComparesOnlyTheUpperBound)
{
    int64_t X = 0, Y = 0;
    EXPECT_TRUE(GuardedPixel(2.0, 3.25, -1.75, X, Y));
    EXPECT_EQ(X, 6);
    EXPECT_EQ(Y, -4);
    EXPECT_FALSE(GuardedPixel(1.0, 2147483647.0, 0.0, X, Y));
    EXPECT_FALSE(GuardedPixel(1.0, 0.0, 2147483647.0, X, Y));
    EXPECT_TRUE(GuardedPixel(1.0, 2147483646.0, -1e18, X, Y));
    EXPECT_EQ(X, 2147483646);
    EXPECT_EQ(Y, -1000000000000000000);
    EXPECT_FALSE(GuardedPixel(1.0, std::numeric_limits<double>::quiet_NaN(), 0.0, X, Y));
    EXPECT_EQ(Coordinate(int64_t{1} << 32 | 7), 7) << "the low 32 bits";
}

TEST(ChaosGameTest, TheRunInIsMadeInFullAndNotPainted)
{
    for (int64_t T : {int64_t{0}, int64_t{5}, int64_t{10}, int64_t{11}, int64_t{30}}) {
        RandomSeed = 3;
        TChaosGame game(TMapTable(CastleMaps), TUniformSelection{4});
        int64_t painted = 0;
        game.Play(T, [&] {
            game.Step();
            ++painted;
        });
        EXPECT_EQ(painted, T > 10 ? T - 10 : 0) << T;
        EXPECT_EQ(DrawsBetween(3, RandomSeed), 10 + painted) << T;
    }
}

TEST(SingleAttractorsTest, DrawsPerRun)
{
    for (auto [w, h] : {std::pair{320, 240}, std::pair{640, 480}, std::pair{800, 600}, std::pair{1024, 768}}) {
        const int64_t m = w; // Max for these sizes
        EXPECT_EQ(DrawsOf(DrawFern, w, h), 20 * h);
        EXPECT_EQ(DrawsOf(DrawTree, w, h), 25 * h) << "Min";
        EXPECT_EQ(DrawsOf(DrawClouds, w, h), 50 * m);
        // The colour of every painted step is a second draw.
        EXPECT_EQ(DrawsOf(DrawCastle, w, h), 10 + 2 * (50 * m - 10));
        // Rock paints 79,990 points at 320, 159,990 at 640, 199,990 at 800 and
        // 255,990 at 1024: the steps after the ten of the run-in.
        const int64_t rockPainted = m == 320 ? 79990 : m == 640 ? 159990 : m == 800 ? 199990 : 255990;
        EXPECT_EQ(DrawsOf(DrawRock, w, h), rockPainted + 10);
        EXPECT_EQ(rockPainted, 5 * (50 * m - 10) + 40);
    }
}

TEST(SingleAttractorsTest, RockIsTheCloudsUpsideDownWithMoreSteps)
{
    // The same seed makes the same first 50 m steps; Rock paints them unflipped
    // with the same scale (m even), and goes on.
    TBitmap clouds, rock;
    RenderWith(clouds, DrawClouds, 640, 640, 11);
    RenderWith(rock, DrawRock, 640, 640, 11);
    int64_t shared = 0;
    for (int32_t y = 1; y < 640; ++y)
        for (int32_t x = 0; x < 640; ++x)
            if (PixelAt(clouds, x, y) != clBlack) {
                ASSERT_EQ(PixelAt(rock, x, 640 - y), clWhite) << x << "," << y;
                ++shared;
            }
    EXPECT_GT(shared, 10000);
    EXPECT_GT(CountPainted(rock), CountPainted(clouds));
}

TEST(SingleAttractorsTest, FernStandsByTheHeight)
{
    // On 1024x768 the fern fills roughly columns 219 to 588 and every row.
    TBitmap raster;
    RenderWith(raster, DrawFern, 1024, 768, 5);
    int32_t minX = 1024, maxX = -1, minY = 768, maxY = -1;
    for (int32_t y = 0; y < 768; ++y)
        for (int32_t x = 0; x < 1024; ++x)
            if (PixelAt(raster, x, y) != clBlack) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    EXPECT_NEAR(minX, 219, 12);
    EXPECT_NEAR(maxX, 588, 12);
    EXPECT_LT(minY, 40) << "the stem is at the top";
    EXPECT_GE(maxY, 740);
}

