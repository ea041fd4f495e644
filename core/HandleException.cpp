#include "HandleException.h"

#include <cstdio>

void HandleException(const std::exception& e)
{
    // A copy: the handler may replace itself while it runs.
    if (TExceptionHandler handler = TExceptionHandlerHook::Installed())
        handler(e);
    else
        std::fprintf(stderr, "%s\n", e.what());
}
