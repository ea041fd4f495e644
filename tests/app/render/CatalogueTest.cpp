#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Catalogue.h"

TEST(CatalogueTest, TwentySevenGeneratorsInMenuOrder)
{
    auto catalogue = FractalCatalogue();
    ASSERT_EQ(catalogue.size(), 27u);
    EXPECT_STREQ(catalogue.front().Caption, "Simple Mandel");
    EXPECT_STREQ(catalogue[2].Caption, "Custom..");
    EXPECT_TRUE(catalogue[2].SeparatorAfter);
    EXPECT_STREQ(catalogue[11].Caption, "Julia Sin");
    EXPECT_STREQ(catalogue[12].Caption, "Fern");
    EXPECT_STREQ(catalogue.back().Caption, "Rock");
    std::set<std::string> items, compact;
    for (const TFractalEntry& entry : catalogue) {
        items.insert(entry.MenuItem);
        compact.insert(CompactCaption(entry.Caption));
        EXPECT_EQ(std::string(entry.MenuItem).back(), '1') << entry.MenuItem;
    }
    EXPECT_EQ(items.size(), 27u);
    EXPECT_EQ(compact.size(), 27u) << "file names of --all must not collide";
    EXPECT_EQ(std::string(catalogue[4].Hint), "Draw dentrite");
}

TEST(CatalogueTest, EightDrawingSizes)
{
    auto sizes = DrawingSizes();
    ASSERT_EQ(sizes.size(), 8u);
    EXPECT_EQ(sizes[0].Width, 320);
    EXPECT_EQ(sizes[0].Height, 240);
    EXPECT_TRUE(sizes[4].SeparatorBefore);
    EXPECT_STREQ(sizes[5].Hint, "640x640");
    EXPECT_EQ(sizes[7].Width, 1024);
    EXPECT_EQ(sizes[7].Height, 1024);
    for (const TDrawingSize& size : sizes)
        EXPECT_EQ(std::string(size.Caption), std::to_string(size.Width) + "x" + std::to_string(size.Height));
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
