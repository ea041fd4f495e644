#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include "HiveRegistry.h"
#include "ThrowawayRegistry.h"

// The throwaway keys go to a hive of this run's own.
TRegistryApi& TestedRegistry()
{
    static QTemporaryDir dir;
    static THiveRegistry hive(dir.path() + "/pelorix/HKEY_CURRENT_USER.reg");
    return hive;
}

// The hive tests run this binary again as the other process of a test.
int RunHiveChild(int argc, char** argv);

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) return RunHiveChild(argc, argv);
    // Whatever a test does, it never touches the user's own settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
