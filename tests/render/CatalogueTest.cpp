#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Catalogue.h"

// The menus, the batch renderer's names and the file names of --all all key
// on the catalogue: no two entries may share any of them, and each caption
// must find its own entry.
TEST(CatalogueTest, EveryGeneratorHasItsOwnItemNameAndFile)
{
    std::set<std::string> items, files;
    std::set<TFractalProc> generators;
    for (const TFractalEntry& entry : FractalCatalogue()) {
        ASSERT_NE(entry.Generator, nullptr) << entry.Caption;
        EXPECT_TRUE(items.insert(entry.MenuItem).second) << entry.MenuItem;
        EXPECT_TRUE(files.insert(CompactCaption(entry.Caption)).second) << entry.Caption;
        EXPECT_TRUE(generators.insert(entry.Generator).second) << entry.Caption;
        EXPECT_EQ(FindFractal(entry.Caption), &entry) << entry.Caption;
        EXPECT_EQ(FindFractal(CompactCaption(entry.Caption)), &entry) << entry.Caption;
    }
}

// The menu is built in table order: a submenu's items must stand together.
TEST(CatalogueTest, EachSubmenusItemsStandTogether)
{
    std::set<std::string> seen;
    const char* previous = nullptr;
    for (const TFractalEntry& entry : FractalCatalogue()) {
        if (previous && std::string(previous) == entry.Submenu) continue;
        EXPECT_TRUE(seen.insert(entry.Submenu).second) << entry.Caption << " comes after its submenu ended";
        previous = entry.Submenu;
    }
}

TEST(CatalogueTest, EachDrawingSizeIsItsCaption)
{
    std::set<std::string> captions;
    for (const TDrawingSize& size : DrawingSizes()) {
        EXPECT_EQ(std::string(size.Caption), std::to_string(size.Width) + "x" + std::to_string(size.Height));
        EXPECT_TRUE(captions.insert(size.Caption).second) << size.Caption;
    }
}

TEST(CatalogueTest, FindsCaptionsWithoutCaseBlanksAndDots)
{
    ASSERT_NE(FindFractal("simplemandel"), nullptr);
    EXPECT_STREQ(FindFractal("simplemandel")->Caption, "Simple Mandel");
    EXPECT_STREQ(FindFractal("Julia Cos")->Caption, "Julia Cos");
    EXPECT_STREQ(FindFractal("custom")->Caption, "Custom..");
    EXPECT_STREQ(FindFractal("MIST.CLOUDS")->Caption, "Mist Clouds");
    EXPECT_STREQ(FindFractal("Mandel")->Caption, "Mandel");
    EXPECT_EQ(FindFractal("mandelbrot"), nullptr);
    EXPECT_EQ(FindFractal(""), nullptr);
    EXPECT_EQ(FindFractal(" . "), nullptr);
    EXPECT_EQ(CompactCaption("Custom.."), "Custom");
    EXPECT_EQ(CompactCaption("Julia Cos"), "JuliaCos");
}
