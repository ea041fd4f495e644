#pragma once
// Integer helpers and the two real-to-integer roundings the generators use.

#include <cmath>
#include <cstdint>
#include <vector>

inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

// A whole number held as a real, as a 64-bit integer; outside that range (or
// NaN) throws EInvalidOp.
int64_t WholeToInt64(long double integral);

// Nearest integer, ties to even. Takes the unrounded extended-precision value;
// a result outside the 64-bit range throws EInvalidOp. Callers that store the
// result in a 32-bit integer keep its low 32 bits (two's complement wrap).
// Inline since the generators round once per painted point; the whole numbers
// a double holds exactly are converted through it, without a mode switch.
inline int64_t RoundHalfEven(long double x)
{
    // rint rounds in the default mode, to nearest with ties to even.
    const long double r = std::rint(x);
    if (r > -9007199254740992.0L && r < 9007199254740992.0L) return static_cast<int64_t>(static_cast<double>(r));
    return WholeToInt64(r);
}

// Toward zero; out of the 64-bit range throws EInvalidOp.
int64_t Truncate(long double x);

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
