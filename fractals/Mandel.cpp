// The two Mandelbrot generators. Both compute the upper half of the picture and
// paint each point again at its mirror row, which shows the conjugate point.
//
// Every named real is a stored double; each right-hand side is evaluated in
// long double and rounded once when stored.

#include <vector>

#include "FloatingPoint.h"
#include "Colors.h"
#include "Generators.h"
#include "Numeric.h"
#include "OrbitLanes.h"
#include "ParallelColumns.h"
#include "Complex.h"

namespace {

// z := z*z + c from 0 at most 30 times while |z|^2 < 4; the band is 1 when
// the point stayed inside, else 0.
struct TSimpleMandelIteration {
    struct TOrbit {
        double cRe, cIm, zRe, zIm, m;
        int32_t n;
    };
    // The point (x, y) of the accumulated coordinates.
    static TOrbit Start(double x, double y)
    {
        constexpr double R = 2.0;
        const double cRe = static_cast<long double>(x) - R;
        const double cIm = static_cast<long double>(R) - y;
        return {cRe, cIm, 0.0, 0.0, 0.0, 0};
    }
    void Iterate(TOrbit& z) const
    {
        ComplexMul(z.zRe, z.zIm, z.zRe, z.zIm, z.zRe, z.zIm);
        ComplexAdd(z.zRe, z.zIm, z.cRe, z.cIm, z.zRe, z.zIm);
        z.m = static_cast<long double>(z.zRe) * z.zRe + static_cast<long double>(z.zIm) * z.zIm;
        ++z.n;
    }
    bool Decided(const TOrbit& z, int8_t& band) const
    {
        if (z.n < 30 && z.m < 4) return false;
        band = z.m < 4;
        return true;
    }
};

constexpr double MandelRe0 = -1.85, MandelIm0 = 1.25;

// z := z*z + c from 0, the squares of the parts kept for the next step, until
// |z|^2 > 2.82 or the 15th step; the band is the palette entry n - 1.
struct TMandelIteration {
    struct TOrbit {
        double cRe, cIm, zRe, zIm, re2, im2;
        int32_t n;
    };
    void Iterate(TOrbit& z) const
    {
        const double t = static_cast<long double>(z.re2) - z.im2 + z.cRe;
        z.zIm = 2 * static_cast<long double>(z.zRe) * z.zIm + z.cIm;
        z.zRe = t;
        z.re2 = static_cast<long double>(z.zRe) * z.zRe;
        z.im2 = static_cast<long double>(z.zIm) * z.zIm;
        ++z.n;
    }
    bool Decided(const TOrbit& z, int8_t& band) const
    {
        // The bound is held in extended precision.
        if (!(static_cast<long double>(z.re2) + z.im2 > 2.82L) && z.n != 15) return false;
        band = static_cast<int8_t>(z.n - 1);
        return true;
    }
};

// The entries of the points of picture row rowIndex + 1, columns
// columnIndex + 1; one at a time or a whole row with interleaved orbits.
struct TMandelBands {
    double dx, dy;

    TMandelIteration::TOrbit StartOf(int32_t rowIndex, int32_t columnIndex) const
    {
        const int32_t row = rowIndex + 1, col = columnIndex + 1;
        const double cIm = row * static_cast<long double>(dy) + MandelIm0;
        const double cRe = col * static_cast<long double>(dx) + MandelRe0;
        return {cRe, cIm, 0.0, 0.0, 0.0, 0.0, 0};
    }
    int32_t operator()(int32_t rowIndex, int32_t columnIndex) const
    {
        return OrbitBand(TMandelIteration{}, StartOf(rowIndex, columnIndex));
    }
    void Column(int32_t rowIndex, int32_t columns, int8_t* bands) const
    {
        OrbitBands<6>(TMandelIteration{}, columns, [&](int32_t columnIndex) { return StartOf(rowIndex, columnIndex); },
                      bands);
    }
};

} // namespace

void DrawSimpleMandel(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const double dx = 4.0L / W;
    const double dy = 4.0L / H;
    const int32_t half = H / 2;
    const int32_t c1 = W / 10, c2 = (11 * W) / 20, c3 = (13 * W) / 20;
    const int32_t T = H / 20 + 1;

    auto paint = [&](int32_t col, int32_t row) {
        canvas.SetPixel(col, row, canvas.Pen.Color);
        canvas.SetPixel(col, H - row, canvas.Pen.Color);
    };

    // The points of a column are tested a batch of rows at a time, with
    // interleaved orbits; a batch may test rows beyond the one where band 1
    // fills the column, whose results are then not used. c stays within
    // radius 3 and z within radius 7, so no point can raise a fault: one test
    // of the flags for a batch finds what one per point would.
    const std::vector<double> ys = RunningSums(half + 1, dy);
    const TSimpleMandelIteration iteration;
    auto inside = [&](double x, int32_t first, int32_t count, int8_t* result) {
        OrbitBands<6>(iteration, count, [&](int32_t i) { return iteration.Start(x, ys[first + i]); }, result);
        CheckFloatingPoint();
    };

    // Band 1: a column is filled with one line once it has shown T inside points.
    constexpr int32_t Batch = 32;
    int8_t batch[Batch];
    double x = static_cast<long double>(c1) * dx;
    for (int32_t col = c1; col <= c2; ++col) {
        int32_t count = 0;
        for (int32_t first = 0; first <= half && count < T; first += Batch) {
            const int32_t rows = Min(Batch, half + 1 - first);
            inside(x, first, rows, batch);
            for (int32_t i = 0; i < rows; ++i) {
                const int32_t row = first + i;
                if (batch[i]) {
                    ++count;
                    paint(col, row);
                }
                if (count == T) {
                    canvas.MovePenTo(col, row);
                    canvas.LineTo(col, H - row);
                    break;
                }
            }
        }
        x = static_cast<long double>(x) + dx;
    }

    // Band 2, the tip of the set: starts again at column c2 with x already one
    // step further, and ends at the first column without an inside point.
    std::vector<int8_t> column(static_cast<size_t>(half) + 1);
    for (int32_t col = c2; col <= c3; ++col) {
        inside(x, 0, half + 1, column.data());
        bool any = false;
        for (int32_t row = 0; row <= half; ++row) {
            if (column[row]) {
                any = true;
                paint(col, row);
            }
        }
        if (!any) return;
        x = static_cast<long double>(x) + dx;
    }
}

void DrawMandel(TBitmap& raster)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const double dx = 2.5L / W;
    const double dy = -2.5L / H;
    const int32_t half = H / 2;

    // Rows 1 .. half (row 1 alone when half <= 1), each row's columns 1 .. W - 1
    // in ascending order: the rows are the outer lines of the threaded walk.
    const int32_t rows = Max(half, 1);
    const TMandelBands escape{dx, dy};
    auto paint = [&](int32_t rowIndex, int32_t columnIndex, int32_t entry) {
        const int32_t row = rowIndex + 1, col = columnIndex + 1;
        const TColor colour = PaletteColor(static_cast<uint8_t>(entry));
        canvas.SetPixel(col, row, colour);
        canvas.SetPixel(col, H - row, colour);
    };
    ParallelColumns(rows, W - 1, escape, paint, [](int32_t) {});
}
