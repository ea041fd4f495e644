// The fixture's own promise: the components' keys land below a throwaway key,
// never at the user's own settings, and nothing is left behind.
#include "Profiles.h"
#include "ThrowawayRegistry.h"

TEST(ThrowawayRootTest, LeavesTheUsersKeysAloneAndNothingBehind)
{
    TRegistryApi& real = TestedRegistry();
    const bool hadProgramKey = KeyExists("Software\\Corvath\\Pelorix\\1.1", real);
    std::string rootPath;
    {
        TThrowawayRoot root(real);
        rootPath = root.RootPath();
        EXPECT_EQ(rootPath.rfind(std::string(TThrowawayRoot::Parent) + "\\", 0), 0u);
        TRegistryScope use(&root);
        TComponent form;
        auto* app = new TAppConfigKey(&form);
        app->SetCompanyName("Corvath");
        app->SetApplicationName("Pelorix");
        app->SetApplicationVersion("1.1");
        auto* form1 = new TCustomKey(&form);
        form1->SetName("Form1");
        form1->SetParentKey(app);
        auto* width = new TVariantProfile(&form);
        width->SetName("FractalWidth");
        width->SetKey(form1);
        width->WriteValue(TVariant(640));
        // A parentless key, opened on its own.
        TCustomKey lost;
        lost.SetName("Settings");
        lost.Open();

        EXPECT_TRUE(KeyExists(rootPath + "\\Software\\Corvath\\Pelorix\\1.1\\Form1", real));
        EXPECT_TRUE(KeyExists(rootPath + "\\Software\\!!!KeyHarbor-LostKey!!!\\Settings", real));
        EXPECT_EQ(ValueOf(rootPath + "\\Software\\Corvath\\Pelorix\\1.1\\Form1", "FractalWidth", real).size(), 16u);
        EXPECT_EQ(KeyExists("Software\\Corvath\\Pelorix\\1.1", real), hadProgramKey);
    }
    EXPECT_FALSE(KeyExists(rootPath, real));
    EXPECT_EQ(KeyExists("Software\\Corvath\\Pelorix\\1.1", real), hadProgramKey);
}

TEST(ThrowawayRootTest, EachFixtureHasAFreshRoot)
{
    TThrowawayRoot first(TestedRegistry()), second(TestedRegistry());
    EXPECT_NE(first.RootPath(), second.RootPath());
    SetValueOf("Software\\Corvath", "V", {1}, first);
    EXPECT_EQ(ValueOf("Software\\Corvath", "V", first), std::vector<std::uint8_t>{1});
    EXPECT_FALSE(KeyExists("Software\\Corvath", second));
}
