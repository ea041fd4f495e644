#include "HandleException.h"

#include <cstdio>
#include <utility>

namespace {
TExceptionHandler& CurrentHandler()
{
    static TExceptionHandler handler;
    return handler;
}
} // namespace

void HandleException(const std::exception& e)
{
    // A copy: the handler may replace itself while it runs.
    if (TExceptionHandler handler = CurrentHandler())
        handler(e);
    else
        std::fprintf(stderr, "%s\n", e.what());
}

TExceptionHandler SetExceptionHandler(TExceptionHandler handler)
{
    return std::exchange(CurrentHandler(), std::move(handler));
}
