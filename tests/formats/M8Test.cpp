#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FormatTesting.h"
#include "Generators.h"
#include "Random.h"
#include "RasterTesting.h"
#include "RenderControl.h"
#include "M8Image.h"
#include "PpmImage.h"

namespace {

constexpr TColor Reddish = RGB(200, 40, 40), Bluish = RGB(40, 40, 200);

// ImageMagick's plasma fractal, width x height, as a 24-bit raster; empty when
// ImageMagick cannot make it.
void ReadPlasma(TBitmap& picture, int size)
{
    const std::string command = "convert -size " + std::to_string(size) + "x" + std::to_string(size) +
                                " -seed 7 plasma:fractal -depth 8 ppm:- 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return;
    TBytes bytes;
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    if (pclose(pipe) != 0 || bytes.empty()) return;
    TPPMBitmap ppm;
    ReadBytes(ppm, bytes);
    picture.Assign(ppm);
    picture.SetPixelFormat(TPixelFormat::pf24bit);
}

void ExpectSameReduction(const TBitmap& picture, const char* what)
{
    const TM8Reduction plain = ReduceM8PlainScan(picture);
    const TM8Reduction fast = ReduceM8(picture);
    EXPECT_EQ(fast.Used, plain.Used) << what;
    EXPECT_EQ(fast.Palette, plain.Palette) << what;
    EXPECT_TRUE(fast.Indices == plain.Indices) << what;
    // The writer, which makes the indices again from the finished table, row
    // by row, and from a 32-bit picture as from a 24-bit one.
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TBitmap source;
        source.Assign(picture);
        source.SetPixelFormat(format);
        TMemoryStream file;
        TM8Bitmap().WritePicture(source, file);
        const TBytes& bytes = file.Bytes();
        ASSERT_EQ(bytes.size(), 1040 + plain.Indices.size()) << what;
        EXPECT_TRUE(std::equal(plain.Indices.begin(), plain.Indices.end(), bytes.begin() + 1040)) << what;
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(RGB(bytes[260 + 3 * i], bytes[261 + 3 * i], bytes[262 + 3 * i]), plain.Palette[i].Color()) << what;
    }
}

// A 1040-byte header for a width x height picture at the given offset, palette
// entries as given (others black).
TBytes M8Header(uint32_t width, uint32_t height, uint32_t offset, const std::vector<std::pair<int, TColor>>& entries)
{
    TBytes h(1040, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 2);
    put(36, width);
    put(100, height);
    put(164, offset);
    for (auto [i, c] : entries) {
        h[260 + 3 * i] = GetRed(c);
        h[260 + 3 * i + 1] = GetGreen(c);
        h[260 + 3 * i + 2] = GetBlue(c);
    }
    return h;
}

TColor FilePalette(const TBytes& file, int i) { return RGB(file[260 + 3 * i], file[261 + 3 * i], file[262 + 3 * i]); }

} // namespace

TEST(M8WriteTest, FourByTwoTwoColourFile)
{
    TM8Bitmap image;
    PrepareRaster(image, 4, 2);
    image.Canvas().Brush.Color = Reddish;
    image.Canvas().FillRect(0, 0, 4, 2);
    image.Canvas().SetPixel(1, 0, Bluish);
    image.Canvas().SetPixel(3, 1, Bluish);
    const TBytes file = WrittenBytes(image);
    ASSERT_EQ(file.size(), 1048u);
    EXPECT_EQ(Get32At(file, 0), 2u);
    for (int level = 0; level < 16; ++level) {
        EXPECT_EQ(Get32At(file, 36 + 4 * level), 4u);
        EXPECT_EQ(Get32At(file, 100 + 4 * level), 2u);
        EXPECT_EQ(Get32At(file, 164 + 4 * level), 1040u);
    }
    for (size_t at : {4u, 228u, 1028u, 1032u, 1036u}) EXPECT_EQ(Get32At(file, at), 0u) << at;
    EXPECT_EQ(FilePalette(file, 0), clBlack);
    EXPECT_EQ(FilePalette(file, 1), RGB(1, 1, 1));
    EXPECT_EQ(FilePalette(file, 16), Reddish);
    EXPECT_EQ(FilePalette(file, 17), Bluish);
    for (int i = 18; i < 256; ++i) EXPECT_EQ(FilePalette(file, i), clBlack) << i;
    EXPECT_EQ(TBytes(file.begin() + 1040, file.end()), (TBytes{16, 17, 16, 16, 16, 16, 16, 17}));
    EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf24bit) << "writing leaves the image alone";
}

TEST(M8WriteTest, StartColoursAreNearBlackAndTheFixedPalette)
{
    const auto& start = M8StartColours();
    EXPECT_EQ(start[0].Color(), clBlack);
    EXPECT_EQ(start[1].Color(), RGB(1, 1, 1));
    for (int i = 1; i < 16; ++i) {
        const TColor c = PaletteColor(static_cast<uint8_t>(i));
        EXPECT_EQ(std::count_if(start.begin() + 2, start.end(), [&](const TPaletteEntry& e) { return e.Color() == c; }), 1)
            << i;
    }
}

TEST(M8WriteTest, FirstMatchThreshold)
{
    // After (200, 40, 40) made entry 16: (184, 40, 40) is at 256 and matches it;
    // (183, 40, 40) is at 289 and becomes entry 17.
    TBitmap picture;
    PrepareRaster(picture, 5, 1);
    for (auto [x, c] : {std::pair{0, Reddish}, {1, RGB(184, 40, 40)}, {2, RGB(183, 40, 40)}, {3, RGB(190, 40, 40)},
                        {4, RGB(168, 40, 40)}})
        picture.Canvas().SetPixel(x, 0, c);
    const TM8Reduction reduced = ReduceM8(picture);
    EXPECT_EQ(reduced.Indices, (std::vector<uint8_t>{16, 16, 17, 16, 17}))
        << "(190, 40, 40) is within reach of both and takes the earlier entry";
    EXPECT_EQ(reduced.Palette[17].Color(), RGB(183, 40, 40)) << "an entry keeps the colour that made it";
    EXPECT_EQ(reduced.Used, 18);
}

TEST(M8WriteTest, FullTableTakesTheSmallestProduct)
{
    // Entry 16 is near X in every channel (17 apart: product 4913), entry 17 far
    // away but with X's green exactly (product 0); then fillers up to 256.
    const TColor x = RGB(100, 7, 250), near = RGB(117, 24, 233), sameGreen = RGB(250, 7, 40);
    std::vector<TColor> colours = {near, sameGreen};
    std::vector<TPaletteEntry> taken(M8StartColours().begin(), M8StartColours().end());
    taken.push_back(TPaletteEntry::Of(near));
    taken.push_back(TPaletteEntry::Of(sameGreen));
    taken.push_back(TPaletteEntry::Of(x));
    auto farFromAll = [&](TColor c) {
        for (const TPaletteEntry& e : taken) {
            int dr = GetRed(c) - e.Red, dg = GetGreen(c) - e.Green, db = GetBlue(c) - e.Blue;
            if (dr * dr + dg * dg + db * db <= 256) return false;
        }
        return true;
    };
    for (int r = 30; r < 256 && colours.size() < 240; r += 20)
        for (int g = 30; g < 256 && colours.size() < 240; g += 20)
            for (int b = 30; b < 256 && colours.size() < 240; b += 20) {
                TColor c = RGB(r, g, b);
                if (farFromAll(c)) {
                    colours.push_back(c);
                    taken.push_back(TPaletteEntry::Of(c));
                }
            }
    ASSERT_EQ(colours.size(), 240u);
    colours.push_back(x);

    TBitmap picture;
    PrepareRaster(picture, static_cast<int32_t>(colours.size()), 1);
    for (size_t i = 0; i < colours.size(); ++i) picture.Canvas().SetPixel(static_cast<int32_t>(i), 0, colours[i]);
    const TM8Reduction reduced = ReduceM8(picture);
    EXPECT_EQ(reduced.Used, 256);
    EXPECT_EQ(reduced.Indices.back(), 17);
}

TEST(M8WriteTest, ReductionEqualsThePlainScan)
{
    // Pictures with thousands of colours, in runs and scattered; the table fills
    // and the fallback search runs.
    TBitmap gradient, noise, edges;
    PrepareRaster(gradient, 256, 64);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 256; ++x) gradient.Canvas().SetPixel(x, y, RGB(x, y * 4, (x * y) & 255));
    ExpectSameReduction(gradient, "gradient");
    PrepareRaster(noise, 200, 100);
    RandomSeed = 12345;
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 200; x += 4) {
            TColor c = RGB(Random(256), Random(256), Random(256));
            for (int k = 0; k < 4; ++k) noise.Canvas().SetPixel(x + k, y, c);
        }
    ExpectSameReduction(noise, "noise");
    // Channels near 0 and 255, where the reach of an entry is cut off.
    PrepareRaster(edges, 300, 100);
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 300; ++x) {
            auto channel = [](int v) { return v % 2 ? 255 - v % 24 : v % 24; };
            edges.Canvas().SetPixel(x, y, RGB(channel(Random(64)), channel(Random(64)), channel(Random(64))));
        }
    ExpectSameReduction(edges, "edges");
    TRenderControl control;
    control.SetFractalSize(160, 120);
    control.ClearFractal();
    control.DrawFractal(DrawMandel);
    ExpectSameReduction(control.Raster(), "Mandel");
}

TEST(M8WriteTest, FullColourPictureEqualsThePlainScan)
{
    // Hundreds of thousands of colours, nearly every pixel a new one.
    TBitmap plasma;
    ReadPlasma(plasma, 1024);
    if (plasma.Width() == 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    ExpectSameReduction(plasma, "plasma");
    // The same picture with each channel's bits mixed, so colours scatter.
    for (int32_t y = 0; y < plasma.Height(); ++y) {
        uint8_t* p = plasma.ScanLine(y);
        for (int32_t i = 0; i < 3 * plasma.Width(); ++i) p[i] = static_cast<uint8_t>(p[i] * 37 + y);
    }
    ExpectSameReduction(plasma, "scattered plasma");
}

TEST(M8WriteTest, PalettisedImagesKeepTheirIndices)
{
    TM8Bitmap image;
    image.SetPixelFormat(TPixelFormat::pf8bit);
    image.SetPalette({TPaletteEntry::Of(clWhite), TPaletteEntry::Of(Reddish), TPaletteEntry::Of(Reddish)});
    image.SetSize(3, 1);
    image.ScanLine(0)[0] = 2;
    image.ScanLine(0)[1] = 0;
    image.ScanLine(0)[2] = 1;
    TBytes file = WrittenBytes(image);
    EXPECT_EQ(TBytes(file.begin() + 1040, file.end()), (TBytes{2, 0, 1}));
    EXPECT_EQ(FilePalette(file, 0), clWhite);
    EXPECT_EQ(FilePalette(file, 2), Reddish);
    EXPECT_EQ(FilePalette(file, 3), clBlack);

    // 4 bits widen with their own palette.
    TM8Bitmap four;
    PrepareRaster(four, 2, 1);
    four.Canvas().SetPixel(1, 0, Reddish);
    four.SetPixelFormat(TPixelFormat::pf4bit);
    file = WrittenBytes(four);
    EXPECT_EQ(FilePalette(file, file[1041]), Reddish);
    EXPECT_EQ(FilePalette(file, file[1040]), clBlack);
}

TEST(M8ReadTest, PaletteAndDarkestEntry)
{
    // Entry 0 white in the file: black all the same, index 0 shown darkest.
    std::vector<std::pair<int, TColor>> entries = {{0, clWhite}, {1, clWhite}, {200, RGB(1, 1, 1)}};
    for (int i = 2; i < 256; ++i)
        if (i != 40 && i != 200) entries.push_back({i, RGB(2, 1, 1)});
    TBytes file = M8Header(3, 1, 1040, entries);
    AddBytes(file, {0, 40, 7});
    TM8Bitmap image;
    ReadBytes(image, file);
    EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(image.Palette()[0].Color(), clBlack);
    EXPECT_EQ(image.Palette()[40].Color(), RGB(1, 1, 1)) << "black entries copy the darkest";
    EXPECT_EQ(image.ScanLine(0)[0], 200);
    EXPECT_EQ(image.ScanLine(0)[1], 40);
    EXPECT_EQ(image.ScanLine(0)[2], 7);

    // Among equal sums the highest index wins, unless entry 1 has that sum.
    file = M8Header(1, 1, 1040, {{1, clWhite}, {5, RGB(0, 0, 9)}, {9, RGB(9, 0, 0)}});
    AddBytes(file, {0});
    ReadBytes(image, file);
    EXPECT_EQ(image.ScanLine(0)[0], 9);
    file = M8Header(1, 1, 1040, {{1, RGB(0, 9, 0)}, {9, RGB(9, 0, 0)}});
    AddBytes(file, {0});
    ReadBytes(image, file);
    EXPECT_EQ(image.ScanLine(0)[0], 1);
}

TEST(M8ReadTest, GeneratorPicturesComeBackWithNearBlack)
{
    TRenderControl control;
    control.SetFractalSize(120, 90);
    control.ClearFractal();
    control.DrawFractal(DrawMandel);
    TM8Bitmap image;
    image.Assign(control.Raster());
    TM8Bitmap back;
    ReadBytes(back, WrittenBytes(image));
    ASSERT_EQ(back.Width(), 120);
    int64_t black = 0;
    for (int32_t y = 0; y < 90; ++y)
        for (int32_t x = 0; x < 120; ++x) {
            TColor was = PixelAt(control.Raster(), x, y), is = PixelAt(back, x, y);
            if (was == clBlack) {
                ++black;
                EXPECT_EQ(is, RGB(1, 1, 1));
            } else {
                EXPECT_EQ(is, was);
            }
        }
    EXPECT_GT(black, 0);
}

TEST(M8ReadTest, ErrorsAndShortData)
{
    EXPECT_EQ(ReadError<TM8Bitmap>(TBytes(1039, 0)), "Error reading M8 file: Header too short.");
    EXPECT_EQ(ReadError<TM8Bitmap>(M8Header(16385, 16384, 1040, {})), "Error reading M8 file: Image too large.");
    EXPECT_EQ(ReadError<TM8Bitmap>(M8Header(0xFFFFFFFF, 0xFFFFFFFF, 1040, {})), "Error reading M8 file: Image too large.");
    EXPECT_EQ(ReadError<TM8Bitmap>(M8Header(1, 1, 1041, {})), "Error reading M8 file: Invalid pixel data offset.");
    EXPECT_EQ(ReadError<TM8Bitmap>(M8Header(1, 1, 0xFFFFFFFF, {})), "Error reading M8 file: Invalid pixel data offset.");
    EXPECT_EQ(ReadError<TM8Bitmap>(M8Header(1, 1, 1040, {})), "Error reading M8 file: Pixel data missing.");
    TBytes file = M8Header(16384, 16384, 1040, {});
    file.resize(file.size() + 100);
    EXPECT_EQ(ReadError<TM8Bitmap>(file), "Error reading M8 file: Pixel data missing.");

    // One row and a bit; the rest is the darkest entry. The offset may point
    // anywhere in the file, the header included.
    file = M8Header(2, 3, 1040, {{1, clWhite}, {3, RGB(5, 5, 5)}, {4, RGB(9, 9, 9)}});
    AddBytes(file, {4, 4, 1});
    TM8Bitmap image;
    ReadBytes(image, file);
    EXPECT_EQ(image.ScanLine(0)[0], 4);
    EXPECT_EQ(image.ScanLine(1)[0], 1);
    EXPECT_EQ(image.ScanLine(1)[1], 3);
    EXPECT_EQ(image.ScanLine(2)[1], 3);
    file = M8Header(4, 1, 0, {});
    ReadBytes(image, file);
    EXPECT_EQ(image.ScanLine(0)[0], 2) << "the version's byte";

    // A failed read leaves the image as it was.
    EXPECT_THROW(ReadBytes(image, M8Header(5, 5, 2000, {})), Exception);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.ScanLine(0)[0], 2);
}
