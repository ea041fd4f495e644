// The batch renderer's whole catalogue at 1024x1024 into files in a fresh
// temporary folder, as a user runs it; and the same 27 files written from one
// finished picture, without rendering. What --all takes beyond the
// generators' catalogue (pelorix-bench-generators) is getting the pictures
// into files; the second case shows what that costs on its own.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "Measured.h"

#include "Catalogue.h"
#include "Generators.h"
#include "PictureFiles.h"
#include "PictureFormats.h"
#include "RenderControl.h"
#include "RenderTool.h"

namespace fs = std::filesystem;

namespace {

// A folder of its own under the system's temporary folder, removed at the end.
struct TScratchFolder {
    fs::path Path = fs::temp_directory_path() / ("pelorix-bench-" + std::to_string(std::random_device{}()));
    ~TScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
    // Empty again, outside the timed part.
    void Empty(benchmark::State& state)
    {
        state.PauseTiming();
        fs::remove_all(Path);
        fs::create_directories(Path);
        state.ResumeTiming();
    }
};

void AllIntoFiles(benchmark::State& state, const char* format)
{
    TScratchFolder folder;
    for (auto _ : state) {
        folder.Empty(state);
        std::ostringstream out, err;
        if (RunRenderTool({"--all", folder.Path.string(), "--format", format, "--size", "1024x1024", "--seed", "1"},
                          out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
}

void FilesOnly(benchmark::State& state, const char* format)
{
    TRenderControl control;
    control.SetFractalSize(1024, 1024);
    control.ClearFractal();
    control.DrawFractal(DrawMandel);
    const TPictureFormat& pictureFormat = *FindPictureFormat(format);
    TScratchFolder folder;
    for (auto _ : state) {
        folder.Empty(state);
        for (const TFractalEntry& entry : FractalCatalogue())
            SavePicture(control.Raster(), pictureFormat,
                        (folder.Path / (CompactCaption(entry.Caption) + "." + format)).string());
    }
}

int Register()
{
    for (const char* format : {"ppm", "bmp"}) {
        Measured(benchmark::RegisterBenchmark((std::string("Batch/All/") + format).c_str(), AllIntoFiles, format));
        Measured(benchmark::RegisterBenchmark((std::string("Batch/FilesOnly/") + format).c_str(), FilesOnly, format));
    }
    return 0;
}

const int registered = Register();

} // namespace
