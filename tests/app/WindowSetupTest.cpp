#include <gtest/gtest.h>

#include <vector>

#include "Exceptions.h"
#include "HiveRegistry.h"
#include "PictureFormats.h"
#include "QtIdleTimer.h"
#include "WindowSetup.h"

// What the window program's set-up installs: the tests' main holds one, as
// the program's does.
TEST(WindowSetupTest, InstallsTheWindowsHooks)
{
    EXPECT_NE(FindPictureFormat("tga"), nullptr);
    EXPECT_EQ(&IdleTimers(), &QtIdleTimers());
    auto* hive = dynamic_cast<THiveRegistry*>(&Registry());
    ASSERT_NE(hive, nullptr);
    EXPECT_EQ(hive->Path(), THiveRegistry::DefaultPath());

    // A failure nobody caught reaches the error box through the presenter.
    std::vector<TMessageBoxRequest> shown;
    TMessageBoxPresenterScope record([&](const TMessageBoxRequest& r) {
        shown.push_back(r);
        return mrOK;
    });
    HandleException(Exception("Cannot open key Form1"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Cannot open key Form1");
    EXPECT_EQ(shown[0].Caption, "Pelorix");
    EXPECT_EQ(shown[0].Flags, mb::OK | mb::ICONHAND);
}
