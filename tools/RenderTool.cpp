#include "RenderTool.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>
#include <thread>
#include <utility>

#include "Catalogue.h"
#include "Exceptions.h"
#include "PictureFiles.h"
#include "Random.h"
#include "RenderControl.h"
#ifdef PELORIX_PNG
#include "PngImage.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* Usage = R"(Usage:
  pelorix-render NAME -o FILE [--size WxH] [--seed N] [--julia X,Y] [--pen RRGGBB]
  pelorix-render --all DIR [--format EXT] [--size WxH] [--seed N] [--julia X,Y] [--pen RRGGBB]
  pelorix-render --convert IN OUT
  pelorix-render --list
  pelorix-render --help

Renders Pelorix's fractal pictures without the window, through the same
render control and image classes.

  NAME            a generator's menu caption, compared without regard to case,
                  blanks and dots ("Simple Mandel", "simplemandel", "custom")
  -o, --output FILE
                  the picture file; its extension selects the format (.png,
                  .ppm, .bmp, .tga, .m8). The file is replaced atomically; no
                  backup is made.
  --all DIR       every generator, in menu order, into DIR/<caption without
                  blanks and dots>.<EXT> (DIR is created if missing); one
                  random sequence runs on from one picture to the next
  --format EXT    the format of --all's pictures: png, ppm, bmp, tga or m8
                  (default ppm)
  --size WxH      drawing-area size, each side 1 to 16384 (default 640x480)
  --seed N        random seed, 0 to 4294967295 (default: from the clock)
  --julia X,Y     the custom Julia constant, two finite decimal numbers with
                  a dot (default -0.39054,-0.58679)
  --pen RRGGBB    pen colour as red, green, blue in hex (default FFFFFF)
  --list          the generators' captions in menu order, one a line
  --convert IN OUT
                  reads the picture IN and writes it to OUT, each in the
                  format its extension selects (.png, .bmp, .ppm, .tga, .m8)
  -h, --help      this text

Options may stand before or after NAME, as "--opt value" or "--opt=value".

Exit status: 0 success; 1 bad arguments, unknown generator, or a file that
could not be read or written; 2 a file extension without a picture format
("Can not determine file type!").
)";

struct TUsageError {
    std::string Message;
};

struct TOptions {
    bool Help = false, List = false;
    std::string Name, Output, AllDir, AllFormat, ConvertIn, ConvertOut;
    int32_t Width = 640, Height = 480;
    std::optional<uint32_t> Seed;
    std::optional<std::pair<double, double>> Julia;
    std::optional<TColor> Pen;
};

template <class T>
bool ParseWhole(std::string_view text, T& value, int base = 10)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

void ParseSize(std::string_view text, TOptions& options)
{
    size_t x = text.find_first_of("xX");
    int32_t w = 0, h = 0;
    if (x == std::string_view::npos || !ParseWhole(text.substr(0, x), w) || !ParseWhole(text.substr(x + 1), h) ||
        w < 1 || h < 1 || w > 16384 || h > 16384)
        throw TUsageError{"--size wants WxH with each side from 1 to 16384, not \"" + std::string(text) + "\""};
    options.Width = w;
    options.Height = h;
}

void ParseSeed(std::string_view text, TOptions& options)
{
    uint32_t seed = 0;
    if (!ParseWhole(text, seed))
        throw TUsageError{"--seed wants a whole number from 0 to 4294967295, not \"" + std::string(text) + "\""};
    options.Seed = seed;
}

void ParseJulia(std::string_view text, TOptions& options)
{
    size_t comma = text.find(',');
    double x = 0, y = 0;
    auto number = [](std::string_view part, double& value) {
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value, std::chars_format::fixed);
        return !part.empty() && error == std::errc() && end == part.data() + part.size() && std::isfinite(value);
    };
    if (comma == std::string_view::npos || !number(text.substr(0, comma), x) || !number(text.substr(comma + 1), y))
        throw TUsageError{"--julia wants two finite decimal numbers X,Y, not \"" + std::string(text) + "\""};
    options.Julia = std::make_pair(x, y);
}

void ParsePen(std::string_view text, TOptions& options)
{
    uint32_t rgb = 0;
    if (text.size() != 6 || !ParseWhole(text, rgb, 16))
        throw TUsageError{"--pen wants six hex digits RRGGBB, not \"" + std::string(text) + "\""};
    options.Pen = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

TOptions ParseArguments(const std::vector<std::string>& args)
{
    TOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            if (!options.Name.empty()) throw TUsageError{"more than one generator named: \"" + arg + "\""};
            options.Name = arg;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (size_t eq = arg.find('='); eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw TUsageError{arg + " wants a value"};
            return args[++i];
        };
        auto flag = [&]() {
            if (inlineValue) throw TUsageError{arg + " takes no value"};
        };
        if (arg == "--help" || arg == "-h") { flag(); options.Help = true; }
        else if (arg == "--list") { flag(); options.List = true; }
        else if (arg == "-o" || arg == "--output") options.Output = value();
        else if (arg == "--all") options.AllDir = value();
        else if (arg == "--format") options.AllFormat = value();
        else if (arg == "--convert") {
            options.ConvertIn = value();
            if (i + 1 >= args.size()) throw TUsageError{"--convert wants two files, IN and OUT"};
            options.ConvertOut = args[++i];
        }
        else if (arg == "--size") ParseSize(value(), options);
        else if (arg == "--seed") ParseSeed(value(), options);
        else if (arg == "--julia") ParseJulia(value(), options);
        else if (arg == "--pen") ParsePen(value(), options);
        else throw TUsageError{"unknown option " + arg};
    }
    if (options.Help || options.List) return options;
    if (!options.ConvertIn.empty() || !options.ConvertOut.empty()) {
        if (options.ConvertIn.empty() || options.ConvertOut.empty())
            throw TUsageError{"--convert wants two files, IN and OUT"};
        if (!options.Name.empty() || !options.Output.empty() || !options.AllDir.empty() || !options.AllFormat.empty())
            throw TUsageError{"--convert takes neither a generator name, -o, --all nor --format"};
        return options;
    }
    if (!options.AllDir.empty()) {
        if (!options.Name.empty() || !options.Output.empty())
            throw TUsageError{"--all takes neither a generator name nor -o"};
    } else {
        if (options.Name.empty()) throw TUsageError{"no generator named (see --list)"};
        if (options.Output.empty()) throw TUsageError{"no output file given (-o FILE)"};
        if (!options.AllFormat.empty()) throw TUsageError{"--format goes with --all; -o takes the file's extension"};
    }
    return options;
}

#ifdef PELORIX_PNG
// PNG, which the batch renderer writes and reads beside the registered formats.
const TPictureFormat PngFormat{"PNG", "Portable Network Graphics", CreateImage<TPNGBitmap>};
#endif

// The format for an extension (any letter case, with or without its dot), or nullptr.
const TPictureFormat* FindFormat(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
#ifdef PELORIX_PNG
    if (SameExtension(extension, PngFormat.Extension)) return &PngFormat;
#endif
    return FindPictureFormat(extension);
}

// The format for a file name's extension, or nullptr.
const TPictureFormat* FindFormatForFile(std::string_view file)
{
    return FindFormat(ExtractFileExt(file));
}

struct TUnknownFileType {};

// Saves one picture at a time on a thread of its own, so that the next
// picture renders while the disk takes the last one. The files are written in
// the order they are handed over; after a failure nothing more is written.
class TBackgroundSaver {
public:
    TBackgroundSaver() = default;
    TBackgroundSaver(const TBackgroundSaver&) = delete;
    TBackgroundSaver& operator=(const TBackgroundSaver&) = delete;
    // Leaving early (another failure is on its way): wait, report nothing.
    ~TBackgroundSaver()
    {
        if (thread_.joinable()) thread_.join();
    }

    // Waits for the save in progress and rethrows its failure; then starts
    // saving a copy of the picture with SavePicture.
    void Save(const TBitmap& picture, const TPictureFormat& format, std::string fileName)
    {
        Finish();
        // One copy for all pictures: at the same size it needs no new memory.
        copy_.Assign(picture);
        try {
            thread_ = std::thread([this, &format, fileName] {
                try {
                    SavePicture(copy_, format, fileName);
                } catch (...) {
                    failure_ = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            SavePicture(copy_, format, fileName); // no thread to be had: save here
        }
    }

    // Waits for the save in progress; rethrows its failure.
    void Finish()
    {
        if (thread_.joinable()) thread_.join();
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    std::thread thread_;
    // The thread reads copy_ and writes failure_ only while it runs.
    TBitmap copy_;
    std::exception_ptr failure_;
};

int Run(const TOptions& options, std::ostream& out)
{
    if (options.Help) {
        out << Usage;
        return rtsSuccess;
    }
    if (options.List) {
        for (const TFractalEntry& entry : FractalCatalogue()) out << entry.Caption << '\n';
        return rtsSuccess;
    }

    if (!options.ConvertIn.empty()) {
        const TPictureFormat* from = FindFormatForFile(options.ConvertIn);
        const TPictureFormat* to = FindFormatForFile(options.ConvertOut);
        if (!from || !to) throw TUnknownFileType{};
        std::unique_ptr<TBitmap> picture = from->Create();
        picture->LoadFromFile(options.ConvertIn);
        SavePicture(*picture, *to, options.ConvertOut);
        return rtsSuccess;
    }

    const TFractalEntry* single = nullptr;
    const TPictureFormat* format = nullptr;
    if (options.AllDir.empty()) {
        single = FindFractal(options.Name);
        if (!single) throw TUsageError{"unknown generator \"" + options.Name + "\" (see --list)"};
        format = FindFormatForFile(options.Output);
    } else {
        format = FindFormat(options.AllFormat.empty() ? "PPM" : options.AllFormat);
    }
    if (!format) throw TUnknownFileType{};

    // The raster is prepared as the window prepares it.
    TRenderControl control;
    TJuliaParametersScope julia(&control);
    if (options.Julia) std::tie(control.CustomJuliaX, control.CustomJuliaY) = *options.Julia;
    if (options.Seed)
        RandomSeed = *options.Seed;
    else
        SeedRandom();
    control.SetFractalSize(options.Width, options.Height);
    control.ClearFractal();
    if (options.Pen) control.Raster().Canvas().Pen.Color = *options.Pen;

    if (single) {
        control.DrawFractal(single->Generator);
        SavePicture(control.Raster(), *format, options.Output);
        return rtsSuccess;
    }
    std::string extension = "." + format->Extension;
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fs::create_directories(options.AllDir);
    TBackgroundSaver saver;
    for (const TFractalEntry& entry : FractalCatalogue()) {
        try {
            control.DrawFractal(entry.Generator);
        } catch (...) {
            // A save that failed before came first.
            saver.Finish();
            throw;
        }
        const fs::path file = fs::path(options.AllDir) / (CompactCaption(entry.Caption) + extension);
        saver.Save(control.Raster(), *format, file.string());
    }
    saver.Finish();
    return rtsSuccess;
}

} // namespace

int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        return Run(ParseArguments(args), out);
    } catch (const TUsageError& e) {
        err << "pelorix-render: " << e.Message << '\n';
        return rtsFailure;
    } catch (const TUnknownFileType&) {
        err << "pelorix-render: Can not determine file type!\n";
        return rtsUnknownFileType;
    } catch (const fs::filesystem_error& e) {
        err << "pelorix-render: " << e.code().message() << ": " << e.path1().string() << '\n';
        return rtsFailure;
    } catch (const std::exception& e) {
        err << "pelorix-render: " << e.what() << '\n';
        return rtsFailure;
    }
}
