// The machine-wide registry the about box reads: read only, apart from the
// user's hive, and on this system a view of the system's own facts.
#include <gtest/gtest.h>

#include <QString>
#include <QSysInfo>

#include "AboutDialog.h"
#include "FixedRegistry.h"
#include "RegistryKeys.h"
#include "SystemFacts.h"

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

TEST(FixedRegistry, OpensKeysWhateverTheirCaseAndRefusesEveryWrite)
{
    TFixedRegistry registry;
    registry.AddText("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", "Windows 10 Pro");

    TRegKey key = 0, parent = 0, below = 0;
    ASSERT_EQ(registry.OpenKey(hkLocalMachine, "software\\MICROSOFT\\windows nt\\currentversion", &key), regSuccess);
    EXPECT_EQ(ReadText(registry, key, "productname"), "Windows 10 Pro");
    // Keys above a value's key exist, and keys open below open keys.
    ASSERT_EQ(registry.OpenKey(hkLocalMachine, "SOFTWARE\\Microsoft", &parent), regSuccess);
    ASSERT_EQ(registry.OpenKey(parent, "Windows NT\\CurrentVersion", &below), regSuccess);
    EXPECT_EQ(ReadText(registry, below, "ProductName"), "Windows 10 Pro");
    TRegKey missing = 0;
    EXPECT_EQ(registry.OpenKey(hkLocalMachine, "SOFTWARE\\Microsoft\\Windows", &missing), regFileNotFound);
    EXPECT_EQ(registry.OpenKey(hkCurrentUser, "SOFTWARE", &missing), regInvalidHandle);

    const std::uint8_t byte = 1;
    TRegKey created = 0;
    EXPECT_EQ(registry.SetValue(key, "ProductName", rtString, &byte, 1), regAccessDenied);
    EXPECT_EQ(registry.DeleteValue(key, "ProductName"), regAccessDenied);
    EXPECT_EQ(registry.CreateKey(hkLocalMachine, "SOFTWARE\\New", &created), regAccessDenied);
    EXPECT_EQ(registry.DeleteKey(hkLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), regAccessDenied);
    EXPECT_EQ(ReadText(registry, key, "ProductName"), "Windows 10 Pro");

    for (TRegKey k : {key, parent, below}) EXPECT_EQ(registry.CloseKey(k), regSuccess);
    for (TRegKey k : {key, parent, below}) EXPECT_EQ(registry.CloseKey(k), regInvalidHandle);
}

TEST(FixedRegistry, QueryValueReportsSizesAndShortBuffers)
{
    TFixedRegistry registry;
    registry.Add("K", "V", rtBinary, Bytes("abcdef"));
    TRegKey key = 0;
    ASSERT_EQ(registry.OpenKey(hkLocalMachine, "K", &key), regSuccess);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(registry.QueryValue(key, "V", &type, nullptr, &size), regSuccess);
    EXPECT_EQ(type, rtBinary);
    EXPECT_EQ(size, 6u);
    std::uint8_t buffer[4] = {};
    size = sizeof buffer;
    EXPECT_EQ(registry.QueryValue(key, "V", &type, buffer, &size), regMoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(registry.QueryValue(key, "W", &type, nullptr, &size), regFileNotFound);
}

TEST(ReadText, ReadsBothTextTypesUpToTheirZeroAndRefusesOthers)
{
    TFixedRegistry registry;
    registry.Add("K", "Plain", rtString, Bytes(std::string("one\0two", 7)));
    registry.Add("K", "Expand", rtExpandString, Bytes("%SystemRoot%"));
    registry.Add("K", "Number", rtDword, {1, 0, 0, 0});
    registry.Add("K", "Blob", rtBinary, Bytes("text"));
    registry.Add("K", "Empty", rtString, {});
    TRegKey key = 0;
    ASSERT_EQ(registry.OpenKey(hkLocalMachine, "K", &key), regSuccess);

    EXPECT_EQ(ReadText(registry, key, "Plain"), "one");
    EXPECT_EQ(ReadText(registry, key, "Expand"), "%SystemRoot%");
    EXPECT_EQ(ReadText(registry, key, "Empty"), "");
    EXPECT_EQ(ReadText(registry, key, "Absent"), "");
    for (const char* name : {"Number", "Blob"}) {
        try {
            ReadText(registry, key, name);
            ADD_FAILURE() << name << " read as text";
        } catch (const ERegistryError& e) {
            EXPECT_EQ(e.Message(), std::string("Invalid data type for '") + name + "'");
        }
    }
}

TEST(SystemFacts, FullNameIsTheCommentUpToItsFirstCommaElseTheLogin)
{
    EXPECT_EQ(FullName("Ada Lovelace,Room 12,555-0100,", "ada"), "Ada Lovelace");
    EXPECT_EQ(FullName("Ada Lovelace", "ada"), "Ada Lovelace");
    EXPECT_EQ(FullName("", "ada"), "ada");
    EXPECT_EQ(FullName(",,,", "ada"), "ada");
}

TEST(MachineRegistry, TheSystemsFactsAreAReadOnlyViewOfThisSystem)
{
    TFixedRegistry facts;
    AddSystemFacts(facts);
    TRegKey key = 0;
    ASSERT_EQ(facts.OpenKey(hkLocalMachine, CurrentVersionKey, &key), regSuccess);
    EXPECT_EQ(ReadText(facts, key, "ProductName"), QSysInfo::prettyProductName().toStdString());
    EXPECT_EQ(ReadText(facts, key, "CurrentVersion"), QSysInfo::productVersion().toStdString());
    EXPECT_EQ(ReadText(facts, key, "CurrentBuildNumber"), QSysInfo::kernelVersion().toStdString());
    EXPECT_FALSE(ReadText(facts, key, "RegisteredOwner").empty());
    EXPECT_EQ(ReadText(facts, key, "RegisteredOrganization"), "");
    const std::uint8_t byte = 0;
    EXPECT_EQ(facts.SetValue(key, "ProductName", rtString, &byte, 1), regAccessDenied);
    EXPECT_EQ(facts.CloseKey(key), regSuccess);
    TRegKey older = 0;
    EXPECT_EQ(facts.OpenKey(hkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", &older), regFileNotFound);
}

TEST(MachineRegistry, IsApartFromTheUsersHiveAndEmptyUntilInstalled)
{
    EXPECT_NE(&MachineRegistry(), &Registry());
    TRegKey key = 0;
    EXPECT_NE(MachineRegistry().OpenKey(hkLocalMachine, CurrentVersionKey, &key), regSuccess);

    TFixedRegistry facts;
    {
        TMachineRegistryScope installed(&facts);
        EXPECT_EQ(&MachineRegistry(), &facts);
    }
    EXPECT_NE(&MachineRegistry(), &facts);
}

} // namespace
