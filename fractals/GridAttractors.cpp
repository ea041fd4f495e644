// Carpet, Maze, SnowStar and Mist Clouds: maps that shrink by 0.33 onto the
// cells of a three-by-three grid over the drawing square.

#include "AffineMaps.h"
#include "ChaosGame.h"
#include "Generators.h"

namespace {

// The double nearest two thirds.
constexpr double TwoThirds = 2.0 / 3.0;

} // namespace

void DrawCarpet(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(GridTable(CarpetGrid, m), TUniformSelection{8});
    const double s = TwoThirds;
    game.Play(int64_t{50} * m, [&] {
        game.Step();
        const TColor colour = PaletteColor(static_cast<uint8_t>(Random(15) + 1));
        const int32_t X = Coordinate(Pixel(s, game.X));
        const int32_t Yr = Coordinate(Pixel(s, game.Y));
        canvas.SetPixel(X, Yr, colour);
        canvas.SetPixel(X, m - Yr, colour);
    });
}

void DrawMaze(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(GridTable(MazeGrid, m), TUniformSelection{6});
    const double s = TwoThirds;
    game.Play(int64_t{50} * m, [&] {
        game.Step();
        const int32_t X = Coordinate(Pixel(s, game.X));
        const int32_t Yr = Coordinate(Pixel(s, game.Y));
        canvas.SetPixel(X, Yr, canvas.Pen.Color);
        canvas.SetPixel(X, m - Yr, canvas.Pen.Color);
    });
}

void DrawSnowStar(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(GridTable(CrossGrid, m), TUniformSelection{5});
    const double s = 0.66;
    game.Play(int64_t{50} * m, [&] {
        // The colour is drawn before the map.
        const TColor colour = PaletteColor(static_cast<uint8_t>(Random(4) + 11));
        game.Step();
        canvas.SetPixel(Coordinate(Pixel(s, game.X)), Coordinate(Pixel(s, game.Y)), colour);
    });
}

void DrawMistClouds(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    // The grid follows the height whatever the width; the start point is off
    // the attractor and nothing runs in, so the first pixels may stray.
    TChaosGame game(GridTable(MistGrid, H), TUniformSelection{8}, 1.0, H / 10);
    const double s = TwoThirds;
    const TColor colour = PaletteColor(7);
    game.Play(
        int64_t{150} * H,
        [&] {
            game.Step();
            canvas.SetPixel(Coordinate(Pixel(s, game.X)), Coordinate(Pixel(s, game.Y)), colour);
        },
        0);
}
