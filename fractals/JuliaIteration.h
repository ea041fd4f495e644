#pragma once
// The iteration and tests that the quadratic and the trigonometric Julia
// generators share: iterate a map from a starting point until the orbit comes
// within 0.01 of 0, leaves the disc of radius 10, or has made L + 1 steps.

#include <cstdint>
#include <vector>

#include "Complex.h"

// The band n div 2 of the iteration that decided the orbit (n counting from 0),
// or -1 when the orbit came near 0: such a point is never painted. The map
// replaces the iterate in place.
template <class TMap>
inline int32_t JuliaBand(double zRe, double zIm, int32_t L, TMap map)
{
    for (int32_t n = 0;; ++n) {
        map(zRe, zIm);
        const double m = static_cast<long double>(zRe) * zRe + static_cast<long double>(zIm) * zIm;
        // The near-zero test comes first: such an orbit stays black even if it
        // would escape later. The bound is held in extended precision.
        if (m < 0.0001L) return -1;
        if (m >= 100 || n >= L) return n / 2;
    }
}

// The band of pixel (col, row), whose starting point is (x - R, R - y) with x
// and y the running sums of the step for its column and row.
template <class TMap>
inline int32_t JuliaPixelBand(const std::vector<double>& xs, const std::vector<double>& ys, double R, int32_t col,
                              int32_t row, int32_t L, TMap map)
{
    const double zRe = static_cast<long double>(xs[col]) - R;
    const double zIm = static_cast<long double>(R) - ys[row];
    return JuliaBand(zRe, zIm, L, map);
}

// z := z*z + c, each operation's result a store.
struct TQuadraticMap {
    double cRe, cIm;
    void operator()(double& zRe, double& zIm) const
    {
        ComplexMul(zRe, zIm, zRe, zIm, zRe, zIm);
        ComplexAdd(zRe, zIm, cRe, cIm, zRe, zIm);
    }
};

// The same with a real c, which is added to the real part only.
struct TQuadraticRealMap {
    double cRe;
    void operator()(double& zRe, double& zIm) const
    {
        ComplexMul(zRe, zIm, zRe, zIm, zRe, zIm);
        zRe = static_cast<long double>(zRe) + cRe;
    }
};

// 0, step, step + step, ...: count running sums, each rounded when stored, as
// the coordinate accumulators of the generators take them.
inline std::vector<double> RunningSums(int32_t count, double step)
{
    std::vector<double> sums(static_cast<size_t>(count));
    double sum = 0.0;
    for (double& s : sums) {
        s = sum;
        sum = static_cast<long double>(sum) + step;
    }
    return sums;
}
