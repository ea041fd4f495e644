// Forrest, Galaxy and Fall: twenty small copies of one attractor at random
// places and sizes. The point carries over from one copy to the next.

#include "AffineMaps.h"
#include "ChaosGame.h"
#include "Generators.h"

namespace {

constexpr int32_t Copies = 20;

} // namespace

void DrawForrest(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(TMapTable{TreeMaps}, TThresholdSelection{TreeThresholds});
    // m / 20 first, in extended precision: for some sides one below 2.5 m.
    const int64_t N = Truncate(static_cast<long double>(m) / 20 * 50);
    for (int32_t copy = 0; copy < Copies; ++copy) {
        const int32_t tx = Random(m);
        const int32_t ty = Random(m);
        const int32_t k = Random(3) + 1;
        const double S = static_cast<long double>(m) / k;
        const int32_t r = Random(10) + 1;
        // Green eight times in ten, yellow or olive otherwise.
        const TColor colour = PaletteColor(r <= 8 ? 2 : r == 9 ? 14 : 6);
        game.Play(N, [&] {
            game.Step();
            int64_t px, py;
            if (GuardedPixel(S, game.X, game.Y, px, py)) canvas.SetPixel(Coordinate(px + tx), Coordinate(ty - py), colour);
        });
    }
}

void DrawGalaxy(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Min(W, H);
    TChaosGame game(GridTable(CrossGrid, m), TUniformSelection{5});
    const int64_t N = int64_t{5} * m;
    for (int32_t copy = 0; copy < Copies; ++copy) {
        const int32_t cx = Random(m);
        const int32_t cy = Random(m);
        const int32_t k = Random(5) + 1;
        const double s = static_cast<long double>(k) / 100;
        game.Play(N, [&] {
            game.Step();
            int64_t px, py;
            if (GuardedPixel(s, game.X, game.Y, px, py))
                canvas.SetPixel(Coordinate(px + cx), Coordinate(py + cy), canvas.Pen.Color);
        });
    }
}

void DrawFall(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Max(W, H);
    TChaosGame game(GridTable(CrossGrid, m), TUniformSelection{5});
    const int64_t N = int64_t{10} * m;
    for (int32_t copy = 0; copy < Copies; ++copy) {
        const int32_t cx = Random(m);
        const int32_t cy = Random(m);
        const int32_t k = Random(5) + 1;
        const double s = static_cast<long double>(k) / 50;
        game.Play(N, [&] {
            // Red, magenta, yellow or white, drawn before the map.
            const TColor colour = PaletteColor(static_cast<uint8_t>(Random(4) + 12));
            game.Step();
            // The position is added before rounding; no guard.
            canvas.SetPixel(Coordinate(Pixel(s, game.X, cx)), Coordinate(Pixel(s, game.Y, cy)), colour);
        });
    }
}
