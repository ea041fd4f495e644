#include "Numeric.h"

#include <cmath>

#include "Exceptions.h"

namespace {
constexpr long double TwoTo63 = 9223372036854775808.0L;

// NaN fails both comparisons and so is out of range too.
bool FitsInt64(long double integral) { return integral >= -TwoTo63 && integral < TwoTo63; }
}

int64_t WholeToInt64(long double integral)
{
    if (!FitsInt64(integral)) throw EInvalidOp();
    return static_cast<int64_t>(integral);
}

int64_t Truncate(long double x)
{
    long double t = std::trunc(x);
    if (!FitsInt64(t)) throw EInvalidOp();
    return static_cast<int64_t>(t);
}
