#include "Random.h"

#include <chrono>

uint32_t RandomSeed = 0;

void SeedRandom()
{
    using namespace std::chrono;
    auto now = system_clock::now().time_since_epoch();
    auto sinceMidnight = duration_cast<milliseconds>(now) % duration_cast<milliseconds>(days(1));
    RandomSeed = static_cast<uint32_t>(sinceMidnight.count());
}
