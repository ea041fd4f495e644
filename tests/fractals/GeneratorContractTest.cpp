// What every one of the 25 generators owes the render: nothing painted and
// nothing drawn on an empty raster, the same picture from the same random
// state, the pen left as found.
#include <gtest/gtest.h>

#include <cfenv>

#include "Catalogue.h"
#include "FloatingPoint.h"
#include "GeneratorTesting.h"

namespace {

struct TGenerator {
    const char* Name;
    TFractalProc Proc;
    bool Random;
};

const TGenerator Generators[] = {
    {"Custom", DrawCustomJulia, false}, {"Ameboa", DrawAmeboa, false},     {"Dendrite", DrawDendrite, false},
    {"Dragon", DrawDragon, false},      {"EKG", DrawEKG, false},           {"Flower", DrawFlower, false},
    {"Rabbit", DrawRabbit, false},      {"Siegel", DrawSiegel, false},     {"Cloud", DrawCloud, false},
    {"JuliaCos", DrawJuliaCos, false},  {"JuliaSin", DrawJuliaSin, false}, {"Fern", DrawFern, true},
    {"Bifur", DrawBifur, false},        {"Carpet", DrawCarpet, true},      {"Castle", DrawCastle, true},
    {"Clouds", DrawClouds, true},       {"Fall", DrawFall, true},          {"SnowStar", DrawSnowStar, true},
    {"Forrest", DrawForrest, true},     {"Tree", DrawTree, true},          {"Galaxy", DrawGalaxy, true},
    {"Triangle", DrawTriangle, true},   {"Maze", DrawMaze, true},          {"MistClouds", DrawMistClouds, true},
    {"Rock", DrawRock, true},
};

} // namespace

TEST(GeneratorContractTest, TheCatalogueHasEveryGenerator)
{
    for (const TFractalEntry& entry : FractalCatalogue()) EXPECT_NE(entry.Generator, nullptr) << entry.Caption;
    for (const TGenerator& g : Generators) {
        const TFractalEntry* entry = FindFractal(g.Name);
        ASSERT_NE(entry, nullptr) << g.Name;
        EXPECT_EQ(entry->Generator, g.Proc) << g.Name;
    }
}

TEST(GeneratorContractTest, EmptyRasterPaintsNothingDrawsNothingAndFaultsNot)
{
    for (const TGenerator& g : Generators) {
        for (auto [w, h] : {std::pair{0, 240}, std::pair{320, 0}, std::pair{0, 0}}) {
            TBitmap raster;
            ClearFloatingPointFaults();
            RenderWith(raster, g.Proc, w, h, 4242, RGB(50, 100, 200));
            EXPECT_EQ(std::fetestexcept(FloatingPointFaults), 0) << g.Name << " " << w << "x" << h;
            EXPECT_EQ(raster.Canvas().Pen.Color, RGB(50, 100, 200)) << g.Name;
            // Fern alone has no such check: the run-in draws with H = 0, and
            // with W = 0 all 20 H steps are made and every point is dropped.
            const int64_t expected = g.Proc != DrawFern ? 0 : h == 0 ? 10 : 20 * h;
            EXPECT_EQ(DrawsBetween(4242, RandomSeed), expected) << g.Name << " " << w << "x" << h;
        }
    }
}

TEST(GeneratorContractTest, SameRandomStateSamePicture)
{
    for (const TGenerator& g : Generators)
        for (auto [w, h] : {std::pair{320, 240}, std::pair{97, 131}}) {
            TBitmap a, b;
            RenderWith(a, g.Proc, w, h, 777);
            const uint32_t after = RandomSeed;
            RenderWith(b, g.Proc, w, h, 777);
            EXPECT_EQ(RandomSeed, after) << g.Name;
            EXPECT_TRUE(SamePixels(a, b)) << g.Name << " " << w << "x" << h;
            EXPECT_GT(CountPainted(a), 0) << g.Name << " " << w << "x" << h;
            if (!g.Random) {
                EXPECT_EQ(after, 777u) << g.Name << " draws no random number";
            }
        }
}

TEST(GeneratorContractTest, RandomGeneratorsPaintAnotherPictureFromAnotherSeed)
{
    int random = 0;
    for (const TGenerator& g : Generators) {
        if (!g.Random) continue;
        ++random;
        for (const TDrawingSize& size : DrawingSizes()) {
            TBitmap a, b;
            RenderWith(a, g.Proc, size.Width, size.Height, 1);
            RenderWith(b, g.Proc, size.Width, size.Height, 2);
            EXPECT_FALSE(SamePixels(a, b)) << g.Name << " " << size.Caption;
        }
    }
    EXPECT_EQ(random, 13);
}

TEST(GeneratorContractTest, LandscapeRastersShowTheTopOfTheSquareFrame)
{
    // Most lay their picture into the Max(W, H) square at the top-left corner
    // and lose what lies below the raster; Triangle, Galaxy and Tree use the
    // Min square, Fern and Mist Clouds the height, whatever lies right of it.
    for (const TGenerator& g : Generators) {
        if (g.Proc == DrawBifur) continue;
        const bool min = g.Proc == DrawTriangle || g.Proc == DrawGalaxy || g.Proc == DrawTree || g.Proc == DrawFern ||
                         g.Proc == DrawMistClouds;
        TBitmap landscape, square;
        RenderWith(landscape, g.Proc, 320, 240, 9);
        RenderWith(square, g.Proc, min ? 240 : 320, min ? 240 : 320, 9);
        if (min)
            EXPECT_TRUE(IsTopLeftOf(square, landscape)) << g.Name;
        else
            EXPECT_TRUE(IsTopLeftOf(landscape, square)) << g.Name;
    }
}

TEST(GeneratorContractTest, ThePenIsLeftAsFound)
{
    for (const TGenerator& g : Generators) {
        TBitmap raster;
        RenderWith(raster, g.Proc, 320, 240, 5, RGB(50, 100, 200));
        EXPECT_EQ(raster.Canvas().Pen.Color, RGB(50, 100, 200)) << g.Name;
    }
}

TEST(GeneratorContractTest, PenColouredGeneratorsReadThePen)
{
    for (TFractalProc proc : {DrawFern, DrawTree, DrawClouds, DrawRock, DrawMaze, DrawGalaxy, DrawTriangle}) {
        TBitmap white, coloured;
        RenderWith(white, proc, 320, 240, 8);
        RenderWith(coloured, proc, 320, 240, 8, RGB(50, 100, 200));
        EXPECT_EQ(ColoursOf(coloured), (std::set<TColor>{clBlack, RGB(50, 100, 200)}));
        EXPECT_EQ(CountPixels(coloured, [](TColor c) { return c == RGB(50, 100, 200); }), CountPainted(white));
    }
}

TEST(GeneratorContractTest, PaletteColouredGeneratorsUseTheirEntries)
{
    auto with = [](std::set<TColor> colours) {
        colours.insert(clBlack);
        return colours;
    };
    struct {
        TFractalProc Proc;
        std::set<TColor> Allowed;
    } cases[] = {
        {DrawCastle, with(PaletteEntries(1, 15))},
        {DrawCarpet, with(PaletteEntries(1, 15))},
        {DrawSnowStar, with(PaletteEntries(11, 14))},
        {DrawFall, with(PaletteEntries(12, 15))},
        {DrawForrest, with({PaletteColor(2), PaletteColor(14), PaletteColor(6)})},
        {DrawMistClouds, with({RGB(192, 192, 192)})},
        {DrawBifur, with(PaletteEntries(3, 13))},
    };
    for (const auto& c : cases) {
        TBitmap raster;
        RenderWith(raster, c.Proc, 640, 480, 3, RGB(50, 100, 200));
        const std::set<TColor> colours = ColoursOf(raster);
        EXPECT_TRUE(IsSubset(colours, c.Allowed));
        EXPECT_GE(colours.size(), c.Allowed.size() > 2 ? 3u : 2u) << "more than one colour shows";
    }
}
