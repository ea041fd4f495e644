// Julia Cos and Julia Sin: the Julia sets of z := cos z and z := sin z, one
// procedure with the map as the only difference. Only the top-left corner
// block of the square frame is iterated; its three mirrors show -z and the
// conjugates, which share its fate, and everything else is painted white.
//
// Every named real is a stored double; each right-hand side is evaluated in
// long double and rounded once when stored.

#include "FloatingPoint.h"
#include "Generators.h"
#include "JuliaIteration.h"
#include "Numeric.h"

namespace {

struct TCosMap {
    void operator()(double& zRe, double& zIm) const { ComplexCos(zRe, zIm, zRe, zIm); }
};
struct TSinMap {
    void operator()(double& zRe, double& zIm) const { ComplexSin(zRe, zIm, zRe, zIm); }
};

template <class TMap>
void DrawTrigonometricJulia(TBitmap& raster, TMap map)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t S = Max(W, H);
    const int32_t half = S / 2;
    constexpr double R = 2.0;
    const double step = 2 * static_cast<long double>(R) / S;
    constexpr int32_t L = 30;

    // The lines are white; the pen goes back to what it was, also when a fault
    // ends the render.
    struct TPenKeeper {
        TCanvas& canvas;
        const TColor found = canvas.Pen.Color;
        ~TPenKeeper() { canvas.Pen.Color = found; }
    } keeper{canvas};
    canvas.Pen.Color = PaletteColor(15);

    // S / 100 first, then times 37, in extended precision.
    const int32_t T = static_cast<int32_t>(Truncate(static_cast<long double>(S) / 100 * 37));
    const int32_t V = S / 5;

    double x = 0.0;
    for (int32_t col = 0; col <= T; ++col) {
        double y = 0.0;
        for (int32_t row = 0; row <= V; ++row) {
            const double zRe = static_cast<long double>(x) - R;
            const double zIm = static_cast<long double>(R) - y;
            const int32_t k = JuliaBand(zRe, zIm, L, map);
            CheckFloatingPoint();
            if (k >= 0) {
                const TColor colour = PaletteColor(static_cast<uint8_t>(k));
                canvas.SetPixel(col, row, colour);
                canvas.SetPixel(S - col, S - row, colour);
                canvas.SetPixel(S - col, row, colour);
                canvas.SetPixel(col, S - row, colour);
            }
            y = static_cast<long double>(y) + step;
        }
        canvas.MovePenTo(col, V);
        canvas.LineTo(col, S - V);
        canvas.MovePenTo(S - col, V);
        canvas.LineTo(S - col, S - V);
        x = static_cast<long double>(x) + step;
    }

    for (int32_t col = T; col <= half; ++col) {
        canvas.MovePenTo(col, 0);
        canvas.LineTo(col, S);
        canvas.MovePenTo(S - col, 0);
        canvas.LineTo(S - col, S);
    }
}

} // namespace

void DrawJuliaCos(TBitmap& raster) { DrawTrigonometricJulia(raster, TCosMap{}); }
void DrawJuliaSin(TBitmap& raster) { DrawTrigonometricJulia(raster, TSinMap{}); }
