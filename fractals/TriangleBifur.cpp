// Triangle, the Sierpinski triangle by a whole-number chaos game, and Bifur,
// the bifurcation diagram of x := x*x + c.

#include "ChaosGame.h"
#include "Colors.h"
#include "Generators.h"
#include "Numeric.h"
#include "Random.h"

void DrawTriangle(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t m = Min(W, H);
    // The start point is not painted; there is no run-in, so the first few
    // landing places may lie off the triangle.
    int32_t x = Random(m);
    int32_t y = Random(m);
    const int64_t T = int64_t{100} * m;
    for (int64_t i = 0; i < T; ++i) {
        // Halfway towards (0, m), (m div 2, 0) or (m, m); nothing is negative,
        // so every division drops the remainder.
        switch (Random(3) + 1) {
        case 1:
            x = x / 2;
            y = (y + m) / 2;
            break;
        case 2:
            x = (x + m / 2) / 2;
            y = y / 2;
            break;
        default:
            x = (x + m) / 2;
            y = (y + m) / 2;
            break;
        }
        canvas.SetPixel(x, y, canvas.Pen.Color);
    }
}

void DrawBifur(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t ymid = H / 2;
    const double dc = 2.25L / W;
    const double ys = static_cast<long double>(int64_t{5} * W) / 8;
    double c = -2;
    // Columns 1 to W: column 0 stays black and column W falls outside.
    for (int32_t k = 1; k <= W; ++k) {
        double x = 0;
        // Accumulated, not recomputed from k.
        c = static_cast<long double>(c) + dc;
        for (int32_t i = 1; i <= 50; ++i) x = static_cast<long double>(x) * x + c;
        for (int32_t i = 51; i <= 200; ++i) {
            x = static_cast<long double>(x) * x + c;
            canvas.SetPixel(k, Coordinate(ymid + Pixel(ys, x)), PaletteColor(static_cast<uint8_t>(i / 15)));
        }
    }
}
