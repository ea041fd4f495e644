#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <locale>
#include <sstream>

#include "Catalogue.h"
#include "Generators.h"
#include "PictureFormats.h"
#include "RasterTesting.h"
#include "Random.h"
#include "RenderControl.h"
#include "RenderTool.h"
#include "Streams.h"
#ifdef PELORIX_PNG
#include "PngImage.h"
#endif
#include "PpmImage.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result RunTool(std::vector<std::string> args)
{
    std::ostringstream out, err;
    int status = RunRenderTool(args, out, err);
    return {status, out.str(), err.str()};
}

struct RenderToolTest : testing::Test {
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("pelorix-render-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string File(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

// What the window would show for the generator after start-up with this seed.
void RenderDirectly(TRenderControl& control, TFractalProc generator, int32_t w, int32_t h, uint32_t seed, TColor pen)
{
    RandomSeed = seed;
    control.SetFractalSize(w, h);
    control.ClearFractal();
    control.Raster().Canvas().Pen.Color = pen;
    control.DrawFractal(generator);
}

} // namespace

TEST_F(RenderToolTest, ListsTheCaptionsInMenuOrder)
{
    Result r = RunTool({"--list"});
    EXPECT_EQ(r.status, 0);
    std::string expected;
    for (const TFractalEntry& entry : FractalCatalogue()) expected += std::string(entry.Caption) + "\n";
    EXPECT_EQ(r.out, expected);
}

TEST_F(RenderToolTest, HelpDocumentsTheOptionsAndStatuses)
{
    Result r = RunTool({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--list", "--all", "--format", "--size", "--seed", "--julia", "--pen", "-o", ".png", "Exit status"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(RenderToolTest, RendersWhatTheWindowWouldShow)
{
    Result r = RunTool({"--seed=42", "--size", "320x240", "simplemandel", "-o", File("a.ppm"), "--pen=3264C8"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    TPPMBitmap file;
    file.LoadFromFile(File("a.ppm"));
    TRenderControl control;
    RenderDirectly(control, DrawSimpleMandel, 320, 240, 42, RGB(50, 100, 200));
    EXPECT_TRUE(SamePixels(file, control.Raster()));
    EXPECT_GT(CountPixels(file, [](TColor c) { return c == RGB(50, 100, 200); }), 0);
    for (const auto& entry : fs::directory_iterator(dir)) EXPECT_EQ(entry.path().filename(), "a.ppm") << "no leftovers";
}

TEST_F(RenderToolTest, ReplacesAnExistingFileWithoutABackup)
{
    ASSERT_EQ(RunTool({"Mandel", "-o", File("m.ppm"), "--size", "10x10"}).status, 0);
    ASSERT_EQ(RunTool({"Mandel", "--output=" + File("m.ppm"), "--size", "20x10"}).status, 0);
    TPPMBitmap file;
    file.LoadFromFile(File("m.ppm"));
    EXPECT_EQ(file.Width(), 20);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(RenderToolTest, AllRendersEveryBuiltGeneratorWithOneContinuingSeed)
{
    Result r = RunTool({"--all", File("out/sub"), "--size", "64x48", "--seed", "7"});
    ASSERT_EQ(r.status, 0) << r.err;
    TRenderControl control;
    RandomSeed = 7;
    control.SetFractalSize(64, 48);
    control.ClearFractal();
    for (const TFractalEntry& entry : FractalCatalogue()) {
        fs::path file = dir / "out/sub" / (CompactCaption(entry.Caption) + ".ppm");
        control.DrawFractal(entry.Generator);
        TPPMBitmap picture;
        picture.LoadFromFile(file.string());
        EXPECT_TRUE(SamePixels(picture, control.Raster())) << entry.Caption;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out/sub"), fs::directory_iterator()), 27);
}

// --all saves while the next picture renders, yet fails as one picture after
// the other would: at the first failure in menu order, naming that file, with
// every picture before it written and none after it.
TEST_F(RenderToolTest, AllStopsAtTheFirstFailureInMenuOrder)
{
    // Custom's constant makes its first step overflow.
    const std::string overflowing = "1" + std::string(160, '0') + ",0";
    struct TCase {
        std::string Blocked; // a folder where this picture's file would go
        bool Overflow;
        std::string FirstFailure; // the picture whose failure is reported
        bool SaveFails;           // that failure is its save, else its render
    };
    const TCase cases[] = {
        {"Ameboa", false, "Ameboa", true},
        {"Rock", false, "Rock", true},     // the last picture
        {"", true, "Custom", false},       // a render fails
        {"Mandel", true, "Mandel", true},  // a save fails before a later render does
        {"Custom", true, "Custom", false}, // the render fails first: its file is never tried
    };
    for (const TCase& c : cases) {
        const fs::path out = dir / ("out-" + c.Blocked + (c.Overflow ? "-overflow" : ""));
        if (!c.Blocked.empty()) fs::create_directories(out / (c.Blocked + ".ppm"));
        std::vector<std::string> args = {"--all", out.string(), "--size", "24x16", "--seed", "3"};
        if (c.Overflow) args.insert(args.end(), {"--julia", overflowing});
        const Result r = RunTool(args);
        EXPECT_EQ(r.status, 1) << c.FirstFailure;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        if (c.SaveFails)
            EXPECT_NE(r.err.find(c.Blocked + ".ppm"), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err, "pelorix-render: Floating point overflow\n");
        bool before = true;
        for (const TFractalEntry& entry : FractalCatalogue()) {
            const std::string name = CompactCaption(entry.Caption);
            if (name == c.FirstFailure) before = false;
            if (name == c.Blocked) continue;
            EXPECT_EQ(fs::is_regular_file(out / (name + ".ppm")), before) << c.FirstFailure << ": " << name;
        }
    }
}

TEST_F(RenderToolTest, CloudTakesItsTwoTonesFromThePen)
{
    Result r = RunTool({"Cloud", "--pen", "3264C8", "-o", File("cloud.ppm"), "--size", "320x240"});
    ASSERT_EQ(r.status, 0) << r.err;
    TPPMBitmap file;
    file.LoadFromFile(File("cloud.ppm"));
    EXPECT_GT(CountPixels(file, [](TColor c) { return c == RGB(0, 36, 136); }), 0);
    EXPECT_GT(CountPixels(file, [](TColor c) { return c == RGB(50, 100, 200); }), 0);
    EXPECT_EQ(CountPixels(file, [](TColor c) { return c != clBlack && c != RGB(0, 36, 136) && c != RGB(50, 100, 200); }), 0);
}

TEST_F(RenderToolTest, BadArgumentsFailWithOneLine)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"Mandel"},
        {"-o", "x.ppm"},
        {"Nonesuch", "-o", "x.ppm"},
        {"Mandel", "Simple Mandel", "-o", "x.ppm"},
        {"Mandel", "-o"},
        {"Mandel", "-o", "x.ppm", "--size", "0x10"},
        {"Mandel", "-o", "x.ppm", "--size", "16385x10"},
        {"Mandel", "-o", "x.ppm", "--size", "10"},
        {"Mandel", "-o", "x.ppm", "--seed", "4294967296"},
        {"Mandel", "-o", "x.ppm", "--seed", "-1"},
        {"Mandel", "-o", "x.ppm", "--julia", "1,2,3"},
        {"Mandel", "-o", "x.ppm", "--julia", "nan,0"},
        {"Mandel", "-o", "x.ppm", "--julia", "inf,0"},
        {"Mandel", "-o", "x.ppm", "--julia", "0;5,1"},
        {"Mandel", "-o", "x.ppm", "--pen", "12345"},
        {"Mandel", "-o", "x.ppm", "--pen", "GG0000"},
        {"Mandel", "-o", "x.ppm", "--frobnicate"},
        {"--list=yes"},
        {"--all", "d", "Mandel"},
        {"Mandel", "-o", "x.png", "--format", "png"},
        {"--convert", "a.png", "b.ppm", "--format", "png"},
        {"--all", "d", "--format"},
    };
    for (const auto& args : cases) {
        Result r = RunTool(args);
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        EXPECT_EQ(r.status, 1) << shown;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << ": " << r.err;
        EXPECT_EQ(r.err.rfind("pelorix-render: ", 0), 0u) << r.err;
    }
}

TEST_F(RenderToolTest, UnknownExtensionIsStatusTwo)
{
    for (const char* name : {"x.xyz", "noextension", "x.ppm.txt"}) {
        Result r = RunTool({"Mandel", "-o", File(name)});
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_EQ(r.err, "pelorix-render: Can not determine file type!\n");
        EXPECT_FALSE(fs::exists(File(name)));
    }
    EXPECT_EQ(RunTool({"Mandel", "-o", File("UPPER.PPM"), "--size", "8x8"}).status, 0);
}

TEST_F(RenderToolTest, UnwritableFileIsStatusOne)
{
    Result r = RunTool({"Mandel", "-o", File("no/such/dir/x.ppm"), "--size", "8x8"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

namespace {
struct TCommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};
} // namespace

// --julia reads "-0.5" as minus one half also where the decimal mark is a
// comma: in the C++ locale always, in the C library's where one is installed.
TEST_F(RenderToolTest, JuliaNumbersIgnoreTheLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new TCommaDecimal));
    const std::string previousC = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_NUMERIC, name)) break;
    Result r = RunTool({"Custom", "-o", File("j.ppm"), "--julia=-0.5,0.25", "--size=64x48", "--seed=1"});
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previous);
    ASSERT_EQ(r.status, 0) << r.err;

    TRenderControl control;
    control.CustomJuliaX = -0.5;
    control.CustomJuliaY = 0.25;
    TJuliaParametersScope julia(&control);
    RenderDirectly(control, DrawCustomJulia, 64, 48, 1, clWhite);
    TPPMBitmap file;
    file.LoadFromFile(File("j.ppm"));
    EXPECT_TRUE(SamePixels(file, control.Raster()));
}

TEST_F(RenderToolTest, WritesEveryFormatByExtension)
{
    TRenderControl control;
    RenderDirectly(control, DrawMandel, 40, 30, 7, clWhite);
    for (const char* name : {"a.bmp", "b.TGA", "c.Ppm", "d.m8"}) {
        Result r = RunTool({"Mandel", "--size", "40x30", "-o", File(name)});
        ASSERT_EQ(r.status, 0) << name << r.err;
        std::unique_ptr<TBitmap> back = LoadPicture(File(name));
        EXPECT_EQ(back->Width(), 40) << name;
        // M8 shows black as its near-black entry; the rest are exact.
        int32_t differences = 0;
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                TColor expected = PixelAt(control.Raster(), x, y);
                if (std::string(name) == "d.m8" && expected == clBlack) expected = RGB(1, 1, 1);
                differences += PixelAt(*back, x, y) != expected;
            }
        EXPECT_EQ(differences, 0) << name;
    }
}

TEST_F(RenderToolTest, ConvertGoesThroughTheRegistry)
{
    ASSERT_EQ(RunTool({"Mandel", "--size", "33x9", "-o", File("in.ppm")}).status, 0);
    Result r = RunTool({"--convert", File("in.ppm"), File("out.TGA")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunTool({"--convert=" + File("out.TGA"), File("again.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    TPPMBitmap original;
    original.LoadFromFile(File("in.ppm"));
    EXPECT_TRUE(SamePixels(*LoadPicture(File("again.bmp")), original));

    // Unknown extensions on either side, a read failure, missing arguments.
    EXPECT_EQ(RunTool({"--convert", File("in.ppm"), File("out.gif")}).status, 2);
    EXPECT_EQ(RunTool({"--convert", File("in.gif"), File("out.bmp")}).status, 2);
    fs::copy_file(File("in.ppm"), File("wrong.tga"));
    r = RunTool({"--convert", File("wrong.tga"), File("out.bmp")});
    EXPECT_EQ(r.status, 1);
    // "P6\n" reads as colour-map type '6' and image type 10.
    EXPECT_EQ(r.err, "pelorix-render: Couldn't load TGA Image. Colormapped TGA images not supported.\n");
    EXPECT_FALSE(fs::exists(File("out.bmp")));
    EXPECT_EQ(RunTool({"--convert", File("in.ppm")}).status, 1);
    EXPECT_EQ(RunTool({"--convert", File("in.ppm"), File("x.bmp"), "Mandel"}).status, 1);
}

// PNG where the renderer has it (not in the Windows cross build).
#ifdef PELORIX_PNG
TEST_F(RenderToolTest, WritesPngAsWellAsPpm)
{
    ASSERT_EQ(RunTool({"Fern", "--seed", "3", "--size", "120x90", "-o", File("fern.png")}).status, 0);
    ASSERT_EQ(RunTool({"Fern", "--seed", "3", "--size", "120x90", "-o", File("FERN.PNG")}).status, 0);
    TPNGBitmap png;
    png.LoadFromFile(File("fern.png"));
    TRenderControl control;
    RenderDirectly(control, DrawFern, 120, 90, 3, clWhite);
    EXPECT_TRUE(SamePixels(png, control.Raster()));
    EXPECT_GT(CountPixels(png, [](TColor c) { return c == clWhite; }), 100);
}

TEST_F(RenderToolTest, AllTakesAFormat)
{
    ASSERT_EQ(RunTool({"--all", File("png"), "--format", "png", "--size", "48x32", "--seed", "5"}).status, 0);
    ASSERT_EQ(RunTool({"--all", File("ppm"), "--size", "48x32", "--seed", "5"}).status, 0);
    ASSERT_EQ(RunTool({"--all", File("tga"), "--format=.TGA", "--size", "48x32", "--seed", "5"}).status, 0);
    size_t compared = 0;
    for (const TFractalEntry& entry : FractalCatalogue()) {
        if (!entry.Generator) continue;
        const std::string name = CompactCaption(entry.Caption);
        TPPMBitmap ppm;
        ppm.LoadFromFile(File("ppm/" + name + ".ppm"));
        TPNGBitmap png;
        png.LoadFromFile(File("png/" + name + ".png"));
        EXPECT_TRUE(SamePixels(png, ppm)) << name;
        EXPECT_TRUE(SamePixels(*LoadPicture(File("tga/" + name + ".tga")), ppm)) << name;
        ++compared;
    }
    EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(dir / "png"), fs::directory_iterator())), compared);
    Result r = RunTool({"--all", File("gif"), "--format", "gif"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "pelorix-render: Can not determine file type!\n");
}

TEST_F(RenderToolTest, ConvertToAndFromPngIsLossless)
{
    // Every pixel its own colour: nothing may be reduced on the way.
    TPPMBitmap original;
    PrepareRaster(original, 300, 200);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x) original.Canvas().SetPixel(x, y, RGB(x, y + x / 256 * 64, (x * 31 + y * 17) & 255));
    original.SaveToFile(File("original.ppm"));
    std::string from = File("original.ppm");
    for (const char* to : {"a.png", "b.bmp", "c.png", "d.tga", "e.png", "f.ppm"}) {
        Result r = RunTool({"--convert", from, File(to)});
        ASSERT_EQ(r.status, 0) << to << ": " << r.err;
        from = File(to);
    }
    TPPMBitmap back;
    back.LoadFromFile(File("f.ppm"));
    EXPECT_TRUE(SamePixels(back, original));
    TPNGBitmap png;
    png.LoadFromFile(File("e.png"));
    EXPECT_TRUE(SamePixels(png, original));

    // A file that is not PNG, and a PNG that is cut short.
    fs::copy_file(File("original.ppm"), File("wrong.png"));
    Result r = RunTool({"--convert", File("wrong.png"), File("out.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pelorix-render: Error reading PNG file: Invalid signature.\n");
    fs::resize_file(File("a.png"), fs::file_size(File("a.png")) / 2);
    r = RunTool({"--convert", File("a.png"), File("out.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pelorix-render: Error reading PNG file: Unexpected end of file.\n");
    EXPECT_FALSE(fs::exists(File("out.bmp")));

    // A PNG that cannot be written leaves the file it would replace as it was.
    {
        TFileStream empty(File("empty.ppm"), TFileMode::fmCreate);
        empty.WriteBuffer("P6\n0 0\n255\n", 11);
        empty.Close();
    }
    const auto before = fs::file_size(File("e.png"));
    r = RunTool({"--convert", File("empty.ppm"), File("e.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pelorix-render: Error writing PNG file: Empty picture.\n");
    EXPECT_EQ(fs::file_size(File("e.png")), before);
    png.LoadFromFile(File("e.png"));
    EXPECT_TRUE(SamePixels(png, original));
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << entry.path();
}
#endif
