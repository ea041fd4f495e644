#pragma once
// How every case is measured: wall-clock time, ten repetitions, medians and
// the other aggregates reported. The CPU column counts every thread of the
// process, so work moved onto helper threads still shows there. The ctest smoke run sets PELORIX_BENCH_SMOKE
// and then runs each case once, only to see that it still works.

#include <benchmark/benchmark.h>

#include <cstdlib>

inline benchmark::internal::Benchmark* Measured(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
    if (std::getenv("PELORIX_BENCH_SMOKE")) return bench->Iterations(1)->Repetitions(1);
    return bench->Repetitions(10)->ReportAggregatesOnly(true);
}
