// Every built generator at 1024x1024 through the render control, as the
// window runs it; and the whole catalogue in menu order.
#include <benchmark/benchmark.h>

#include "Measured.h"

#include "Catalogue.h"
#include "Random.h"
#include "RenderControl.h"

namespace {

void RenderAt1024(benchmark::State& state, TFractalProc generator)
{
    TRenderControl control;
    TJuliaParametersScope julia(&control);
    control.SetFractalSize(1024, 1024);
    control.ClearFractal();
    RandomSeed = 1;
    for (auto _ : state) {
        control.DrawFractal(generator);
        benchmark::DoNotOptimize(control.Raster().ScanLine(0));
    }
}

void WholeCatalogue(benchmark::State& state)
{
    TRenderControl control;
    TJuliaParametersScope julia(&control);
    control.SetFractalSize(1024, 1024);
    control.ClearFractal();
    RandomSeed = 1;
    for (auto _ : state)
        for (const TFractalEntry& entry : FractalCatalogue())
            control.DrawFractal(entry.Generator);
}

int Register()
{
    for (const TFractalEntry& entry : FractalCatalogue()) {
        Measured(benchmark::RegisterBenchmark(("Generator/" + CompactCaption(entry.Caption)).c_str(), RenderAt1024, entry.Generator));
    }
    Measured(benchmark::RegisterBenchmark("Catalogue/MenuOrder", WholeCatalogue));
    return 0;
}

const int registered = Register();

} // namespace
