#pragma once
// How every case is measured: wall-clock time, ten repetitions, medians and
// the other aggregates reported. The ctest smoke run sets PELORIX_BENCH_SMOKE
// and then runs each case once, only to see that it still works.

#include <benchmark/benchmark.h>

#include <cstdlib>

inline benchmark::internal::Benchmark* Measured(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
    if (std::getenv("PELORIX_BENCH_SMOKE")) return bench->Iterations(1)->Repetitions(1);
    return bench->Repetitions(10)->ReportAggregatesOnly(true);
}
