#include "HandleException.h"

#include <QtGlobal>

namespace {
std::function<void(const std::exception&)> handler;
}

void HandleException(const std::exception& e)
{
    if (handler)
        handler(e);
    else
        qWarning("%s", e.what());
}

void SetExceptionHandler(std::function<void(const std::exception&)> h)
{
    handler = std::move(h);
}
