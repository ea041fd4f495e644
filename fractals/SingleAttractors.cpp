// Fern, Tree, Castle, Clouds and Rock: one attractor each, from a fixed table.

#include "AffineMaps.h"
#include "ChaosGame.h"
#include "Generators.h"

void DrawFern(TBitmap& raster)
{
    // No check for an empty raster, as it has always been: with H = 0 the
    // run-in still draws ten numbers, and with W = 0 every point is dropped.
    const int32_t H = raster.Height();
    TCanvas& canvas = raster.Canvas();

    TChaosGame game(TMapTable{FernMaps}, TThresholdSelection{FernThresholds});
    // Scaled by the height alone, the axis near the middle column of an H-wide
    // square; y grows downward, so the stem is at the top.
    const double s = static_cast<long double>(H) / 10;
    const long double axis = static_cast<long double>(H) / 2;
    game.Play(int64_t{20} * H, [&] {
        game.Step();
        canvas.SetPixel(Coordinate(Pixel(s, game.X, axis)), Coordinate(Pixel(s, game.Y)), canvas.Pen.Color);
    });
}

void DrawTree(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Min(W, H);
    TChaosGame game(TMapTable{TreeMaps}, TThresholdSelection{TreeThresholds});
    const double S = 3.0 * m;
    game.Play(int64_t{25} * m, [&] {
        game.Step();
        int64_t px, py;
        if (GuardedPixel(S, game.X, game.Y, px, py))
            canvas.SetPixel(Coordinate(px + m / 2), Coordinate(m - py), canvas.Pen.Color);
    });
}

void DrawCastle(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(TMapTable{CastleMaps}, TUniformSelection{4});
    const double s = static_cast<long double>(m) / 2;
    game.Play(int64_t{50} * m, [&] {
        game.Step();
        // Every painted pixel its own palette entry, 1 to 15: never black.
        const TColor colour = PaletteColor(static_cast<uint8_t>(Random(15) + 1));
        canvas.SetPixel(Coordinate(Pixel(s, game.X)), Coordinate(m - Pixel(s, game.Y)), colour);
    });
}

void DrawClouds(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(TMapTable{CloudMaps}, TUniformSelection{4});
    const double s = static_cast<long double>(m) / 2;
    game.Play(int64_t{50} * m, [&] {
        game.Step();
        canvas.SetPixel(Coordinate(Pixel(s, game.X)), Coordinate(m - Pixel(s, game.Y)), canvas.Pen.Color);
    });
}

void DrawRock(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    // The clouds upside down, cut at the top: a whole-number scale, y not flipped.
    const int32_t m = Max(W, H);
    TChaosGame game(TMapTable{CloudMaps}, TUniformSelection{4});
    const double s = m / 2;
    game.Play(int64_t{250} * m, [&] {
        game.Step();
        canvas.SetPixel(Coordinate(Pixel(s, game.X)), Coordinate(Pixel(s, game.Y)), canvas.Pen.Color);
    });
}
