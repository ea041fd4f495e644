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
#include "ParallelColumns.h"

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

    const std::vector<double> xs = RunningSums(T + 1, step);
    const std::vector<double> ys = RunningSums(V + 1, step);

    const TJuliaBands<TMap> band{xs, ys, R, {L, map}};
    // Every band is painted, band 0 black and band 15 white.
    auto paint = [&](int32_t col, int32_t row, int32_t k) {
        if (k < 0) return; // the orbit came near 0
        const TColor colour = PaletteColor(static_cast<uint8_t>(k));
        canvas.SetPixel(col, row, colour);
        canvas.SetPixel(S - col, S - row, colour);
        canvas.SetPixel(S - col, row, colour);
        canvas.SetPixel(col, S - row, colour);
    };
    // White from row V of the column and of its mirror down to row S - V.
    auto endColumn = [&](int32_t col) {
        canvas.MovePenTo(col, V);
        canvas.LineTo(col, S - V);
        canvas.MovePenTo(S - col, V);
        canvas.LineTo(S - col, S - V);
    };
    ParallelColumns(T + 1, V + 1, band, paint, endColumn);

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
