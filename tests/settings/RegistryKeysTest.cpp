#include "HandleException.h"
#include "ThrowawayRegistry.h"

using RegistryKeysTest = ProgramKeysFixture;

TEST_F(RegistryKeysTest, OpeningAKeyCreatesItsWholeChain)
{
    EXPECT_EQ(app->KeyName(), "Software\\Corvath\\Pelorix\\1.1");
    EXPECT_EQ(form1->KeyName(), "Form1");
    EXPECT_EQ(form1->FullPath(), "Software\\Corvath\\Pelorix\\1.1\\Form1");

    // Exists asks and creates nothing.
    EXPECT_FALSE(form1->Exists());
    EXPECT_FALSE(app->Exists());
    EXPECT_FALSE(KeyExists("Software"));
    EXPECT_FALSE(form1->IsOpen());

    const TRegKey handle = form1->Handle();
    EXPECT_NE(handle, 0u);
    EXPECT_TRUE(form1->IsOpen());
    EXPECT_TRUE(app->IsOpen());
    EXPECT_TRUE(KeyExists("Software\\Corvath\\Pelorix\\1.1\\Form1"));
    EXPECT_TRUE(form1->Exists());
    EXPECT_EQ(form1->Handle(), handle); // stays open

    // A parentless plain key lands among the lost keys.
    TCustomKey settings;
    settings.SetName("Settings");
    EXPECT_EQ(settings.FullPath(), "Software\\!!!KeyHarbor-LostKey!!!\\Settings");
    settings.Open();
    EXPECT_TRUE(KeyExists("Software\\!!!KeyHarbor-LostKey!!!\\Settings"));

    // An application key below another key keeps its relative path.
    TAppConfigKey nested;
    nested.SetParentKey(&settings);
    EXPECT_EQ(nested.FullPath(), "Software\\!!!KeyHarbor-LostKey!!!\\Settings\\Software\\"
                                 "Someone forgot to specify company name\\Someone forgot to specify application "
                                 "name\\Someone forgot to specify application version");
}

TEST_F(RegistryKeysTest, AParentlessKeyClosesFiveSecondsAfterItsLastUse)
{
    form1->Open();
    EXPECT_EQ(clock.Timers(), 1u); // only the parentless key has one
    clock.Advance(3000);
    app->Handle(); // starts the countdown over
    clock.Advance(4999);
    EXPECT_TRUE(app->IsOpen());
    clock.Advance(1);
    EXPECT_FALSE(app->IsOpen());
    EXPECT_EQ(clock.Timers(), 0u); // disposed of from within its own expiry

    // Keys below stay open with valid handles, and the parent reopens on demand.
    EXPECT_TRUE(form1->IsOpen());
    const std::uint8_t b = 7;
    EXPECT_EQ(Registry().SetValue(form1->Handle(), "V", rtBinary, &b, 1), 0);
    EXPECT_FALSE(app->IsOpen());
    TCustomKey sibling(&form);
    sibling.SetName("Sibling");
    sibling.SetParentKey(app);
    sibling.Open();
    EXPECT_TRUE(app->IsOpen());
    EXPECT_EQ(clock.Timers(), 1u);
    clock.Advance(5000);
    EXPECT_FALSE(app->IsOpen());
}

TEST_F(RegistryKeysTest, AChangeOfPathClosesTheKey)
{
    form1->Open();
    app->SetApplicationVersion("1.2");
    EXPECT_FALSE(app->IsOpen());
    EXPECT_EQ(clock.Timers(), 0u);
    // The keys below follow to the new version at their next use.
    const std::uint8_t b = 1;
    EXPECT_EQ(Registry().SetValue(form1->Handle(), "V", rtBinary, &b, 1), 0);
    EXPECT_EQ(ValueOf("Software\\Corvath\\Pelorix\\1.2\\Form1", "V"), std::vector<std::uint8_t>{1});
    EXPECT_EQ(ValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "V"), ValueOf("Nowhere", "V"));

    // So does a renamed key.
    form1->SetName("Renamed");
    form1->Handle();
    EXPECT_TRUE(KeyExists("Software\\Corvath\\Pelorix\\1.2\\Renamed"));

    // A new parent closes the key; the next use opens it at its new place.
    form1->SetParentKey(nullptr);
    EXPECT_FALSE(form1->IsOpen());
    form1->Open();
    EXPECT_TRUE(KeyExists("Software\\!!!KeyHarbor-LostKey!!!\\Renamed"));

    // Losing the parent component clears the link.
    form1->SetParentKey(app);
    form1->Open();
    delete app;
    EXPECT_EQ(form1->ParentKey(), nullptr);
    EXPECT_EQ(form1->FullPath(), "Software\\!!!KeyHarbor-LostKey!!!\\Renamed");
}

TEST_F(RegistryKeysTest, EveryFailureHasItsMessage)
{
    EXPECT_EQ(ErrorOf([&] { app->SetCompanyName(""); }), "Invalid value");
    EXPECT_EQ(ErrorOf([&] { app->SetApplicationName(""); }), "Invalid value");
    EXPECT_EQ(ErrorOf([&] { app->SetApplicationVersion(""); }), "Invalid value");
    EXPECT_EQ(app->KeyName(), "Software\\Corvath\\Pelorix\\1.1");

    EXPECT_EQ(ErrorOf([&] { app->SetParentKey(form1); }), "Cross-references are not popular anymore");
    EXPECT_EQ(ErrorOf([&] { app->SetParentKey(app); }), "Cross-references are not popular anymore");
    EXPECT_EQ(app->ParentKey(), nullptr);

    faulty.Failing = {"CreateKey"};
    EXPECT_EQ(ErrorOf([&] { form1->Open(); }), "Cannot open key Software\\Corvath\\Pelorix\\1.1");
    faulty.Failing = {};
    app->Open();
    faulty.Failing = {"CreateKey"};
    EXPECT_EQ(ErrorOf([&] { form1->Open(); }), "Cannot open key Form1");
    faulty.Failing = {};
    form1->Open();

    faulty.Failing = {"CloseKey"};
    EXPECT_EQ(ErrorOf([&] { form1->Close(); }), "Cannot close key Form1");
    EXPECT_TRUE(form1->IsOpen());
    // The idle timer reports its failure and tries again later.
    std::string reported;
    TExceptionHandlerScope report([&](const std::exception& e) { reported = e.what(); });
    clock.Advance(5000);
    EXPECT_EQ(reported, "Cannot close key Software\\Corvath\\Pelorix\\1.1");
    faulty.Failing = {};
    clock.Advance(5000);
    EXPECT_FALSE(app->IsOpen());

    // Deleting a key that has sub-keys, or that is not there, fails.
    TCustomKey below(&form);
    below.SetName("Below");
    below.SetParentKey(form1);
    below.Open();
    EXPECT_EQ(ErrorOf([&] { form1->Delete(); }), "Cannot delete key Software\\Corvath\\Pelorix\\1.1\\Form1");
    below.Delete();
    form1->Delete();
    EXPECT_FALSE(form1->IsOpen());
    EXPECT_FALSE(form1->Exists());
    EXPECT_EQ(ErrorOf([&] { form1->Delete(); }), "Cannot delete key Software\\Corvath\\Pelorix\\1.1\\Form1");
}

TEST_F(RegistryKeysTest, ParentsSetWhileLoadingAreTakenAsTheyCome)
{
    TComponent owner;
    auto* a = new TCustomKey(&owner);
    auto* b = new TCustomKey(&owner);
    a->SetName("A");
    b->SetName("B");
    owner.BeginLoading();
    a->SetParentKey(b);
    b->SetParentKey(a); // no check while loading
    owner.EndLoading();
    // A circle found later is an error, never an endless walk.
    EXPECT_EQ(ErrorOf([&] { a->FullPath(); }), "Cross-references are not popular anymore");
    EXPECT_EQ(ErrorOf([&] { a->Open(); }), "Cross-references are not popular anymore");
    b->SetParentKey(nullptr);
    EXPECT_EQ(ErrorOf([&] { a->Open(); }), "(no error)");
}
