#pragma once
// The hive tests' fixture: a fresh hive in a temporary folder. The helpers
// every registry test shares are in ThrowawayRegistry.h.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "HiveRegistry.h"
#include "ThrowawayRegistry.h"

// A fresh hive in a temporary folder, used by the components for the
// fixture's lifetime, with the fake clock for their idle timers.
class RegistryFixture : public testing::Test {
protected:
    RegistryFixture() : hive(dir.path() + "/pelorix/HKEY_CURRENT_USER.reg"), faulty(hive) {}

    QTemporaryDir dir;
    THiveRegistry hive;
    TFaultyRegistry faulty;
    TFakeClock clock;

private:
    TRegistryScope useFaulty_{&faulty};
    TIdleTimersScope useClock_{&clock};
};
