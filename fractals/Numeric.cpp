#include "Numeric.h"

#include <cmath>

#include "Exceptions.h"

namespace {
constexpr long double TwoTo63 = 9223372036854775808.0L;

// NaN fails both comparisons and so is out of range too.
bool FitsInt64(long double integral) { return integral >= -TwoTo63 && integral < TwoTo63; }
}

int64_t RoundHalfEven(long double x)
{
    // The default rounding mode is to nearest, ties to even.
    long double r = std::nearbyint(x);
    if (!FitsInt64(r)) throw EInvalidOp();
    return static_cast<int64_t>(r);
}

int64_t Truncate(long double x)
{
    long double t = std::trunc(x);
    if (!FitsInt64(t)) throw EInvalidOp();
    return static_cast<int64_t>(t);
}
