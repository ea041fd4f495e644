// Writing and reading a 1024x1024 picture in each format, and the M8 writer's
// reduction of pictures with far more than 256 colours.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "Measured.h"

#include "Generators.h"
#include "PictureFormats.h"
#include "RenderControl.h"
#include "Streams.h"
#include "M8Image.h"
#include "PpmImage.h"

namespace {

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
    // One stream for all runs, so that the kernel's page faults of a growing
    // buffer do not swamp the writer's own time.
    TMemoryStream stream;
    for (auto _ : state) {
        stream.SetPosition(0);
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

// 1024x1024 with 65536 colours in short runs, as a smooth picture would have.
const TBitmap& ManyColours()
{
    static TBitmap picture;
    if (picture.Width() == 0) {
        picture.SetPixelFormat(TPixelFormat::pf24bit);
        picture.SetSize(1024, 1024);
        for (int32_t y = 0; y < 1024; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                picture.Canvas().SetPixel(x, y, RGB(x / 4, y / 4, static_cast<uint8_t>((x + y) / 8)));
    }
    return picture;
}

void Reduce(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ReduceM8(ManyColours()).Indices.data());
}

// ImageMagick's 1024x1024 plasma fractal: some 800000 colours, hardly two
// neighbours alike; nearly every pixel is a colour not seen before.
const TBitmap* Plasma()
{
    static TBitmap picture;
    static bool tried = false;
    if (!tried) {
        tried = true;
        FILE* pipe = popen("convert -size 1024x1024 -seed 1 plasma:fractal -depth 8 ppm:- 2>/dev/null", "r");
        if (!pipe) return nullptr;
        std::vector<uint8_t> bytes;
        uint8_t buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
        if (pclose(pipe) != 0 || bytes.empty()) return nullptr;
        TPPMBitmap ppm;
        TMemoryStream stream(std::move(bytes));
        ppm.ReadFromStream(stream);
        picture.Assign(ppm);
        picture.SetPixelFormat(TPixelFormat::pf24bit);
    }
    return picture.Width() ? &picture : nullptr;
}

void ReducePlasma(benchmark::State& state, TM8Reduction (*reduce)(const TBitmap&))
{
    const TBitmap* plasma = Plasma();
    if (!plasma) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(reduce(*plasma).Indices.data());
}

void WriteManyColours(benchmark::State& state, const char* extension)
{
    std::unique_ptr<TBitmap> image = FindPictureFormat(extension)->Create();
    image->Assign(ManyColours());
    // One stream for all runs, so that the kernel's page faults of a growing
    // buffer do not swamp the writer's own time.
    TMemoryStream stream;
    for (auto _ : state) {
        stream.SetPosition(0);
        image->WriteToStream(stream);
        benchmark::DoNotOptimize(stream.Bytes().data());
    }
}

int Register()
{
    Measured(benchmark::RegisterBenchmark("Reduce/M8-65536-colours", Reduce));
    Measured(benchmark::RegisterBenchmark("Reduce/M8-plasma", ReducePlasma, ReduceM8));
    Measured(benchmark::RegisterBenchmark("Reduce/M8-plasma-plain-scan", ReducePlasma, ReduceM8PlainScan));
    Measured(benchmark::RegisterBenchmark("Write/M8-65536-colours", WriteManyColours, "M8"));
    for (const char* extension : {"BMP", "PPM", "TGA", "M8"}) {
        Measured(benchmark::RegisterBenchmark((std::string("Write/") + extension).c_str(), Write, extension));
        Measured(benchmark::RegisterBenchmark((std::string("Read/") + extension).c_str(), Read, extension));
    }
    return 0;
}

const int registered = Register();

} // namespace
