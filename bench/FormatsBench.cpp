// Writing and reading a 1024x1024 picture in each format.
#include <benchmark/benchmark.h>

#include "Formats.h"
#include "Generators.h"
#include "PictureFormats.h"
#include "RenderControl.h"
#include "Streams.h"

namespace {

const TImageFormats formats;

// A Mandel picture: many runs of equal colour and sixteen colours, like the program's output.
const TBitmap& Picture()
{
    static TRenderControl control;
    static bool drawn = false;
    if (!drawn) {
        control.SetFractalSize(1024, 1024);
        control.ClearFractal();
        control.DrawFractal(DrawMandel);
        drawn = true;
    }
    return control.Raster();
}

void Write(benchmark::State& state, const char* extension)
{
    std::unique_ptr<TBitmap> image = FindPictureFormat(extension)->Create();
    image->Assign(Picture());
    for (auto _ : state) {
        TMemoryStream stream;
        image->WriteToStream(stream);
        benchmark::DoNotOptimize(stream.Bytes().data());
    }
}

void Read(benchmark::State& state, const char* extension)
{
    std::unique_ptr<TBitmap> image = FindPictureFormat(extension)->Create();
    image->Assign(Picture());
    TMemoryStream stream;
    image->WriteToStream(stream);
    for (auto _ : state) {
        stream.SetPosition(0);
        image->ReadFromStream(stream);
    }
}

int Register()
{
    for (const char* extension : {"PPM"}) {
        benchmark::RegisterBenchmark((std::string("Write/") + extension).c_str(), Write, extension)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(10)->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("Read/") + extension).c_str(), Read, extension)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(10)->ReportAggregatesOnly(true);
    }
    return 0;
}

const int registered = Register();

} // namespace

BENCHMARK_MAIN();
