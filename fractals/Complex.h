#pragma once
// complex: the complex operations over pairs of doubles. Each reads all of its inputs before
// it writes, so an output may be one of the inputs; each part of a result is
// computed in extended precision and rounded once when it is stored.

#include <cmath>

inline void ComplexAdd(double aRe, double aIm, double bRe, double bIm, double& re, double& im)
{
    double r = static_cast<long double>(aRe) + bRe;
    double i = static_cast<long double>(aIm) + bIm;
    re = r;
    im = i;
}

inline void ComplexMul(double aRe, double aIm, double bRe, double bIm, double& re, double& im)
{
    double r = static_cast<long double>(aRe) * bRe - static_cast<long double>(aIm) * bIm;
    double i = static_cast<long double>(aIm) * bRe + static_cast<long double>(aRe) * bIm;
    re = r;
    im = i;
}

// cos(x + iy) = cos x cosh y - i sin x sinh y, with e = exp(y) and u = 1 / e.
inline void ComplexCos(double x, double y, double& re, double& im)
{
    double e = std::exp(y);
    double u = 1.0L / e;
    double r = static_cast<long double>(std::cos(x)) * (static_cast<long double>(e) + u) / 2;
    double i = -static_cast<long double>(std::sin(x)) * (static_cast<long double>(e) - u) / 2;
    re = r;
    im = i;
}

// sin(x + iy) = sin x cosh y + i cos x sinh y.
inline void ComplexSin(double x, double y, double& re, double& im)
{
    double e = std::exp(y);
    double u = 1.0L / e;
    double r = static_cast<long double>(std::sin(x)) * (static_cast<long double>(e) + u) / 2;
    double i = static_cast<long double>(std::cos(x)) * (static_cast<long double>(e) - u) / 2;
    re = r;
    im = i;
}
