#include "FloatingPoint.h"

#include "Exceptions.h"

void RaiseFloatingPointFault(int flags)
{
    ClearFloatingPointFaults();
    if (flags & FE_INVALID) throw EInvalidOp();
    if (flags & FE_DIVBYZERO) throw EZeroDivide();
    throw EOverflow();
}
