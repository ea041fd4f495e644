// The Windows backend against the real registry (Wine's, in the cross-built
// test run): what the components store is read back with the wide API, and
// names travel as UTF-8 in the program and in the ANSI code page below.
#include <windows.h>

#include <optional>

#include "Profiles.h"
#include "ThrowawayRegistry.h"
#include "WinRegistry.h"

TRegistryApi& TestedRegistry()
{
    static TWinRegistry registry;
    return registry;
}

namespace {

using TBytes = std::vector<std::uint8_t>;

std::wstring Wide(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// A key below the real HKEY_CURRENT_USER, opened with the wide API.
struct TWideKey {
    explicit TWideKey(const std::wstring& path)
    {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            key = nullptr;
    }
    ~TWideKey()
    {
        if (key) RegCloseKey(key);
    }
    std::vector<std::wstring> SubKeys() const
    {
        std::vector<std::wstring> names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, length);
        }
        return names;
    }
    // Type and data of a value; nullopt when there is none.
    std::optional<std::pair<DWORD, TBytes>> Value(const std::wstring& name) const
    {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        TBytes data(size);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        return std::pair{type, data};
    }
    HKEY key = nullptr;
};

class WinRegistryTest : public ProgramKeysFixture {
protected:
    WinRegistryTest()
    {
        width = new TVariantProfile(&form);
        width->SetName("FractalWidth");
        width->SetKey(form1);
    }
    // path below the throwaway root, for the wide API.
    std::wstring Below(const std::string& path) const { return Wide(root.RootPath() + "\\" + path); }

    TVariantProfile* width;
};

} // namespace

TEST(WinRegistryDefaultTest, ComponentsUseTheWindowsRegistryUnlessToldOtherwise)
{
    EXPECT_NE(dynamic_cast<TWinRegistry*>(&Registry()), nullptr);
}

TEST_F(WinRegistryTest, ValuesAreBinaryValuesOfTheRealRegistryByteForByte)
{
    width->WriteValue(TVariant(640));
    TWideKey key(Below("Software\\Corvath\\Pelorix\\1.1\\Form1"));
    ASSERT_NE(key.key, nullptr);
    const auto stored = key.Value(L"FractalWidth");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->first, DWORD{REG_BINARY});
    EXPECT_EQ(stored->second, (TBytes{0x03, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x02, 0, 0, 0, 0, 0, 0}));

    // Written by someone else with the wide API, read by the component.
    const TBytes smallint = {0x02, 0, 0, 0, 0, 0, 0, 0, 0xFE, 0xFF, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(RegSetValueExW(key.key, L"FractalWidth", 0, REG_BINARY, smallint.data(), 16), ERROR_SUCCESS);
    TVariant read;
    width->ReadValue(read);
    EXPECT_EQ(read.AsSmallint(), std::int16_t{-2});

    // A missing value, a deleted one and a too-small buffer, as Windows reports them.
    width->Delete();
    EXPECT_FALSE(key.Value(L"FractalWidth"));
    EXPECT_FALSE(width->Exists());
    TRegKey handle = form1->Handle();
    std::uint32_t size = 0;
    EXPECT_EQ(Registry().QueryValue(handle, "FractalWidth", nullptr, nullptr, &size), regFileNotFound);
    ASSERT_EQ(RegSetValueExW(key.key, L"FractalWidth", 0, REG_BINARY, smallint.data(), 16), ERROR_SUCCESS);
    std::uint8_t small[4];
    size = sizeof small;
    EXPECT_EQ(Registry().QueryValue(handle, "FractalWidth", nullptr, small, &size), regMoreData);
    EXPECT_EQ(size, 16u);
}

TEST_F(WinRegistryTest, NamesAreUtf8HereAndTheAnsiCodePageThere)
{
    if (GetACP() != 1252) GTEST_SKIP() << "the cases are for code page 1252; this system's is " << GetACP();
    const std::string cafe = "Caf\xc3\xa9";                   // Café
    const std::string greeting = "Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac"; // Grüße € (0x80 in 1252)
    TRegKey key = 0;
    ASSERT_EQ(Registry().CreateKey(hkCurrentUser, "Software\\" + cafe, &key), regSuccess);
    const TBytes data = {1, 2};
    ASSERT_EQ(Registry().SetValue(key, greeting, rtBinary, data.data(), 2), regSuccess);
    Registry().CloseKey(key);

    TWideKey software(Below("Software"));
    EXPECT_EQ(software.SubKeys(), std::vector<std::wstring>{L"Caf\u00e9"});
    TWideKey wideCafe(Below("Software\\" + cafe));
    ASSERT_NE(wideCafe.key, nullptr);
    EXPECT_EQ(wideCafe.Value(L"Gr\u00fc\u00dfe \u20ac"), (std::pair<DWORD, TBytes>{REG_BINARY, data}));
    EXPECT_EQ(ValueOf("Software\\" + cafe, greeting), data);

    // What code page 1252 cannot hold, is not UTF-8, or holds a NUL is
    // refused by every call, and nothing is made.
    const std::string refused[] = {"\xce\xa9mega", "Caf\xe9", std::string("A\0B", 3)};
    ASSERT_EQ(Registry().OpenKey(hkCurrentUser, "Software\\" + cafe, &key), regSuccess);
    for (const std::string& name : refused) {
        SCOPED_TRACE(name);
        TRegKey other = 0;
        EXPECT_EQ(Registry().CreateKey(hkCurrentUser, "Software\\" + name, &other), regInvalidParameter);
        EXPECT_EQ(Registry().OpenKey(hkCurrentUser, "Software\\" + name, &other), regInvalidParameter);
        EXPECT_EQ(Registry().DeleteKey(hkCurrentUser, "Software\\" + name), regInvalidParameter);
        EXPECT_EQ(Registry().SetValue(key, name, rtBinary, data.data(), 2), regInvalidParameter);
        std::uint32_t size = 0;
        EXPECT_EQ(Registry().QueryValue(key, name, nullptr, nullptr, &size), regInvalidParameter);
        EXPECT_EQ(Registry().DeleteValue(key, name), regInvalidParameter);
    }
    Registry().CloseKey(key);
    EXPECT_EQ(software.SubKeys(), std::vector<std::wstring>{L"Caf\u00e9"});

    // The components report it as a registry error.
    TCustomKey omega;
    omega.SetName("\xce\xa9");
    EXPECT_EQ(ErrorOf([&] { omega.Open(); }), "Cannot open key Software\\!!!KeyHarbor-LostKey!!!\\\xce\xa9");

    // Deleting by the UTF-8 name removes the key the wide API sees.
    EXPECT_EQ(Registry().DeleteKey(hkCurrentUser, "Software\\" + cafe), regSuccess);
    EXPECT_TRUE(software.SubKeys().empty());
}

// The machine-wide root the about box reads: Windows' own, for reading only.
TEST(WinMachineRegistryTest, ReadsTheMachineHiveAndWritesNothing)
{
    TRegistryApi& machine = MachineRegistry();
    TRegKey key = 0;
    ASSERT_EQ(machine.OpenKey(hkLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", &key), regSuccess);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(machine.QueryValue(key, "ProductName", &type, nullptr, &size), regSuccess);
    EXPECT_EQ(type, rtString);
    std::vector<std::uint8_t> name(size);
    ASSERT_EQ(machine.QueryValue(key, "ProductName", &type, name.data(), &size), regSuccess);
    EXPECT_GT(size, 1u);

    const std::uint8_t data[] = {1};
    EXPECT_NE(machine.SetValue(key, "Pelorix", rtBinary, data, 1), regSuccess);
    EXPECT_NE(machine.DeleteValue(key, "ProductName"), regSuccess);
    TRegKey created = 0;
    EXPECT_NE(machine.CreateKey(key, "Pelorix", &created), regSuccess);
    EXPECT_EQ(machine.OpenKey(key, "Pelorix", &created), regFileNotFound);
    EXPECT_EQ(machine.OpenKey(key, "Caf\xe9", &created), regInvalidParameter); // not UTF-8
    EXPECT_EQ(machine.CloseKey(key), regSuccess);
}
