#pragma once
// The iteration and tests that the quadratic and the trigonometric Julia
// generators share: iterate a map from a starting point until the orbit comes
// within 0.01 of 0, leaves the disc of radius 10, or has made L + 1 steps.

#include <cstdint>
#include <vector>

#include "Complex.h"
#include "OrbitLanes.h"

// One orbit of the map from a starting point until it comes within 0.01 of 0,
// leaves the disc of radius 10, or has made L + 1 steps. Its band is n div 2
// of the step that decided it (n counting from 0), or -1 when the orbit came
// near 0: such a point is never painted. The map replaces the iterate in place.
template <class TMap>
struct TJuliaIteration {
    struct TOrbit {
        double Re, Im;
        int32_t N;
    };
    int32_t L;
    TMap Map;

    static TOrbit Start(double zRe, double zIm) { return {zRe, zIm, 0}; }
    void Iterate(TOrbit& z) const { Map(z.Re, z.Im); }
    bool Decided(TOrbit& z, int8_t& band) const
    {
        const double m = static_cast<long double>(z.Re) * z.Re + static_cast<long double>(z.Im) * z.Im;
        // The near-zero test comes first: such an orbit stays black even if it
        // would escape later. The bound is held in extended precision.
        if (m < 0.0001L) {
            band = -1;
            return true;
        }
        if (m >= 100 || z.N >= L) {
            band = static_cast<int8_t>(z.N / 2);
            return true;
        }
        ++z.N;
        return false;
    }
};

// The bands of the pixels of a frame whose pixel (col, row) starts at
// (x - R, R - y), x and y being the running sums of the step for its column
// and row: one point at a time, or a whole column with several orbits
// interleaved (ParallelColumns takes either).
template <class TMap>
struct TJuliaBands {
    const std::vector<double>& Xs;
    const std::vector<double>& Ys;
    double R;
    TJuliaIteration<TMap> Iteration;

    typename TJuliaIteration<TMap>::TOrbit StartOf(int32_t col, int32_t row) const
    {
        const double zRe = static_cast<long double>(Xs[col]) - R;
        const double zIm = static_cast<long double>(R) - Ys[row];
        return Iteration.Start(zRe, zIm);
    }
    int32_t operator()(int32_t col, int32_t row) const { return OrbitBand(Iteration, StartOf(col, row)); }
    void Column(int32_t col, int32_t rows, int8_t* bands) const
    {
        OrbitBands<6>(Iteration, rows, [&](int32_t row) { return StartOf(col, row); }, bands);
    }
};

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
