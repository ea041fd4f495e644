#pragma once
// Floating-point faults are detected from the status flags, never by traps:
// a render clears the flags when it starts and each generator tests them once
// a point's results are stored, before it paints the point.

#include <cfenv>

constexpr int FloatingPointFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

inline void ClearFloatingPointFaults() { std::feclearexcept(FE_ALL_EXCEPT); }

// Throws EInvalidOp, EZeroDivide or EOverflow for the first fault in that order
// and clears the flags.
[[noreturn]] void RaiseFloatingPointFault(int flags);

inline void CheckFloatingPoint()
{
    if (int flags = std::fetestexcept(FloatingPointFaults)) RaiseFloatingPointFault(flags);
}
