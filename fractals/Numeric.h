#pragma once
// Integer helpers and the two real-to-integer roundings the generators use.

#include <cstdint>

inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

// Nearest integer, ties to even. Takes the unrounded extended-precision value;
// a result outside the 64-bit range throws EInvalidOp. Callers that store the
// result in a 32-bit integer keep its low 32 bits (two's complement wrap).
int64_t RoundHalfEven(long double x);

// Toward zero; out of the 64-bit range throws EInvalidOp.
int64_t Truncate(long double x);
