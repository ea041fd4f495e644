#include "ParallelColumns.h"

namespace {
std::atomic<int32_t> configured{0};
}

void SetEscapeTimeThreads(int32_t threads) { configured.store(threads < 0 ? 0 : threads); }

int32_t EscapeTimeThreads()
{
    const int32_t threads = configured.load();
    if (threads > 0) return threads;
    const unsigned machine = std::thread::hardware_concurrency();
    return machine == 0 ? 1 : machine > 16 ? 16 : static_cast<int32_t>(machine);
}
