// The benchmarks' main: the program set-up, then Google Benchmark.
#include <benchmark/benchmark.h>

#include "ProgramSetup.h"

int main(int argc, char** argv)
{
    auto setup = SetUpBatchProgram();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
