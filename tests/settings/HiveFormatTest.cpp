#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "HiveFormat.h"

namespace {

const std::string Root = "[HKEY_CURRENT_USER";

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The hive as the program writes it back.
std::string Rewritten(const std::string& text)
{
    TParsedHive parsed = ParseHive(text);
    if (!parsed.hive) return "(damaged)";
    return FormatHive(*parsed.hive, 1 << 24).value_or("(too large)");
}

std::vector<std::size_t> SkippedLines(const std::string& text)
{
    std::vector<std::size_t> numbers;
    for (const TSkippedLine& line : ParseHive(text).skipped) numbers.push_back(line.number);
    return numbers;
}

std::string Export(const std::string& sections)
{
    return "REGEDIT4\r\n\r\n" + sections;
}

// "[HKEY_CURRENT_USER\k\k...]" with depth keys named name.
std::string DeepSection(std::size_t depth, const std::string& name = "k")
{
    std::string line = Root;
    line.reserve(line.size() + depth * (name.size() + 1) + 3);
    for (std::size_t i = 0; i < depth; ++i) line += "\\" + name;
    return line + "]\r\n";
}

} // namespace

// Each sample is a hand edit the registry editor imports; beside it, the hive
// the program reads from it, as it writes it back.
TEST(HandEditedHiveTest, EveryFormTheRegistryEditorImportsIsRead)
{
    int samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PELORIX_SOURCE_DIR "/tests/settings/hives")) {
        if (entry.path().extension() != ".reg") continue;
        ++samples;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string text = ReadBytes(entry.path());
        std::filesystem::path expected = entry.path();
        expected.replace_extension(".expected");
        EXPECT_EQ(Rewritten(text), ReadBytes(expected));
        const std::vector<std::size_t> skipped = SkippedLines(text);
        if (entry.path().stem() == "unknown-line")
            EXPECT_EQ(skipped, std::vector<std::size_t>{5});
        else
            EXPECT_TRUE(skipped.empty()) << skipped.size() << " lines skipped, the first " << skipped[0];
    }
    EXPECT_GE(samples, 9);
}

TEST(HandEditedHiveTest, ALineThatCannotBeUnderstoodIsSkippedAndTheRestRead)
{
    const std::string text = "REGEDIT4\r\n"
                             "\"Outside\"=hex:01\r\n"           // 2: a value before any key
                             "[HKEY_CURRENT_USER\\A]\r\n"
                             "\"Bad\"=hex:0g\r\n"               // 4: not hex
                             "\"Open=hex:01\r\n"                // 5: a name without its end
                             "\"Cut\"=hex:01,\\\r\n"            // 6: a continuation that never comes
                             "[HKEY_CURRENT_USER\\B]\r\n"       //    read all the same
                             "\"Good\"=hex:02\r\n"
                             "\"Long\"=dword:123456789\r\n"     // 9: too many digits
                             "\"Text\"=\"a\" b\r\n"             // 10: more after the string
                             "\"Zero\"=hex:\r\n"
                             "[HKEY_CURRENT_USER\\C\\\\D]\r\n"  // 12: an empty key name
                             "\"Lost\"=hex:03\r\n"              // 13: in no key
                             "[NOT_A_ROOT\\E]\r\n"              // 14
                             "[-HKEY_CURRENT_USER]\r\n";        // 15: the root cannot go
    EXPECT_EQ(SkippedLines(text), (std::vector<std::size_t>{2, 4, 5, 6, 9, 10, 12, 13, 14, 15}));
    EXPECT_EQ(Rewritten(text), Export("[HKEY_CURRENT_USER\\A]\r\n\r\n"
                                      "[HKEY_CURRENT_USER\\B]\r\n\"Good\"=hex:02\r\n\"Zero\"=hex:\r\n\r\n"));
    // Without the header it is not a hive at all.
    for (const char* damaged : {"", "\r\n", "REGEDIT", "Windows Registry Editor Version 5.00\r\n", "\x7f" "ELF"})
        EXPECT_FALSE(ParseHive(damaged).hive) << damaged;
}

TEST(HostileHiveTest, KeysDeeperOrNamesLongerThanWindowsAllowsAreDamage)
{
    // 512 levels are Windows' limit: read, and written back without recursion.
    const std::string deepest = Export(DeepSection(MaxKeyDepth));
    const std::string rewritten = Rewritten(deepest);
    EXPECT_EQ(std::count(rewritten.begin(), rewritten.end(), '['), static_cast<long>(MaxKeyDepth));
    EXPECT_NE(rewritten.find(DeepSection(MaxKeyDepth)), std::string::npos);
    for (std::size_t depth : {MaxKeyDepth + 1, std::size_t(40000), std::size_t(1000000)}) {
        EXPECT_FALSE(ParseHive(Export(DeepSection(depth))).hive) << depth;
        EXPECT_FALSE(ParseHive(Export("[-" + DeepSection(depth).substr(1))).hive) << depth;
    }

    const std::string name255(MaxKeyNameLength, 'n'), name256(MaxKeyNameLength + 1, 'n');
    EXPECT_TRUE(ParseHive(Export(DeepSection(1, name255))).hive);
    EXPECT_FALSE(ParseHive(Export(DeepSection(1, name256))).hive);
    // Windows-1252 has one byte for each character: "\xe9" is one character.
    EXPECT_TRUE(ParseHive(Export(DeepSection(1, std::string(MaxKeyNameLength, '\xe9')))).hive);

    const std::string value16383(MaxValueNameLength, 'v'), value16384(MaxValueNameLength + 1, 'v');
    EXPECT_TRUE(ParseHive(Export("[HKEY_CURRENT_USER\\A]\r\n\"" + value16383 + "\"=hex:01\r\n")).hive);
    EXPECT_FALSE(ParseHive(Export("[HKEY_CURRENT_USER\\A]\r\n\"" + value16384 + "\"=hex:01\r\n")).hive);

    // 512 levels of the longest names: 128 KB to read, 32 MB to write back.
    TParsedHive huge = ParseHive(Export(DeepSection(MaxKeyDepth, name255)));
    ASSERT_TRUE(huge.hive);
    EXPECT_FALSE(FormatHive(*huge.hive, 8 << 20));
}

TEST(HostileHiveTest, ReadingStopsWhereTheKeysCouldNotBeWrittenBack)
{
    // Each 1 KB line of a 512-deep chain makes 512 keys, 260 KB to write back.
    std::string chains;
    for (int i = 0; i < 64; ++i) chains += "[HKEY_CURRENT_USER\\c" + std::to_string(i) + DeepSection(MaxKeyDepth - 1).substr(Root.size()) + "\r\n";
    // Chains made and deleted again: only what stays counts.
    std::string deleted;
    for (int i = 0; i < 64; ++i) deleted += DeepSection(MaxKeyDepth) + "\r\n[-HKEY_CURRENT_USER\\k]\r\n";
    const std::string flat = "[HKEY_CURRENT_USER\\A\\\xe9]\r\n[HKEY_CURRENT_USER\\B]\r\n\"v\"=dword:00000001\r\n";
    // The keys' sections alone: "[path]", then two line breaks.
    const std::size_t flatKeys = std::string("[HKEY_CURRENT_USER\\A]\r\n\r\n[HKEY_CURRENT_USER\\A\\\xe9]\r\n\r\n"
                                             "[HKEY_CURRENT_USER\\B]\r\n\r\n").size();
    const struct {
        const std::string& sections;
        std::size_t maxSize;
        bool read;
    } cases[] = {
        {chains, 8 << 20, false},
        {chains, 1 << 30, true},
        {deleted, 1 << 20, true},
        {flat, flatKeys, true},
        {flat, flatKeys - 1, false},
    };
    for (const auto& c : cases) {
        const TParsedHive parsed = ParseHive(Export(c.sections), c.maxSize);
        EXPECT_EQ(bool(parsed.hive), c.read) << c.sections.size() << " bytes, " << c.maxSize;
    }
}

TEST(HostileHiveTest, NoiseAfterTheHeaderIsSkippedLineByLine)
{
    std::mt19937 random(7);
    std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n";
    for (int i = 0; i < 200000; ++i) text += static_cast<char>(random());
    TParsedHive parsed = ParseHive(text);
    ASSERT_TRUE(parsed.hive);
    EXPECT_FALSE(parsed.skipped.empty());
    EXPECT_TRUE(FormatHive(*parsed.hive, 8 << 20));
}

TEST(HiveNameTest, NamesAreWindows1252InTheFileAndUtf8Inside)
{
    // Every byte is a character and back.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_EQ(FromWindows1252("Caf\xe9 \x80 \x9f"), "Caf\xc3\xa9 \xe2\x82\xac \xc5\xb8");

    // What Windows-1252 cannot hold is no name, and so never mangled.
    EXPECT_FALSE(ToWindows1252("\xd0\x9a"));                  // Cyrillic Ka
    EXPECT_FALSE(ValidValueName("\xd0\x9a"));
    EXPECT_FALSE(ValidKeyName("\xd0\x8a"));                   // Cyrillic Nje
    EXPECT_FALSE(ValidValueName("caf\xe9"));                  // not UTF-8
    EXPECT_FALSE(ValidValueName("\xc0\xaf"));                 // an overlong "/"
    EXPECT_FALSE(ValidValueName("\xed\xa0\x80"));             // a surrogate
    EXPECT_FALSE(ValidValueName(std::string("a\0b", 3)));
    EXPECT_FALSE(ValidValueName("a\nb"));
    EXPECT_TRUE(ValidValueName(""));
    EXPECT_TRUE(ValidValueName("a\\b"));
    EXPECT_FALSE(ValidKeyName(""));
    EXPECT_FALSE(ValidKeyName("a\\b"));
    EXPECT_TRUE(ValidKeyName("\xc5\x92uvre \xe2\x82\xac"));   // Œuvre €
    // Lengths count characters.
    std::string e16383;
    for (std::size_t i = 0; i < MaxValueNameLength; ++i) e16383 += "\xc3\xa9";
    EXPECT_TRUE(ValidValueName(e16383));
    EXPECT_FALSE(ValidValueName(e16383 + "e"));

    // Letter case is compared on the characters, not on their bytes.
    EXPECT_EQ(FoldedName("caf\xc3\xa9"), FoldedName("CAF\xc3\x89"));   // é, É
    EXPECT_EQ(FoldedName("\xc3\xbf"), FoldedName("\xc5\xb8"));         // ÿ, Ÿ
    EXPECT_EQ(FoldedName("\xc5\xa1"), FoldedName("\xc5\xa0"));         // š, Š
    EXPECT_NE(FoldedName("\xc3\x9f"), FoldedName("SS"));               // ß
    EXPECT_NE(FoldedName("\xc3\xb7"), FoldedName("\xc3\x97"));         // ÷, ×
}
