#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <csignal>
#include <cstdio>
#include <map>
#include <unistd.h>

#include "RegistryTesting.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A reader of the hive's text written for the tests: every line ends with
// CRLF and is shorter than 80 columns; a value line ending in "\" goes on
// in the next line after two spaces.
struct TParsedHive {
    std::vector<std::string> sections;
    std::map<std::string, std::string> values; // "section|name line part" -> data text
};

TParsedHive ParseHiveText(const QByteArray& text)
{
    TParsedHive hive;
    std::string s(text.constData(), static_cast<std::size_t>(text.size()));
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < s.size();) {
        std::size_t end = s.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "line without CRLF";
        if (end == std::string::npos) break;
        lines.push_back(s.substr(start, end - start));
        EXPECT_EQ(lines.back().find('\n'), std::string::npos);
        EXPECT_LT(lines.back().size(), 80u) << lines.back();
        start = end + 2;
    }
    EXPECT_FALSE(lines.empty());
    if (lines.empty()) return hive;
    EXPECT_EQ(lines[0], "REGEDIT4");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (line.empty()) continue;
        if (line.front() == '[') {
            EXPECT_EQ(line.back(), ']');
            hive.sections.push_back(line.substr(1, line.size() - 2));
            continue;
        }
        while (line.back() == '\\') {
            EXPECT_EQ(line[line.size() - 2], ',');
            line.pop_back();
            ++i;
            EXPECT_EQ(lines[i].substr(0, 2), "  ");
            EXPECT_NE(lines[i][2], ' ');
            line += lines[i].substr(2);
        }
        std::size_t eq = line.find("\"=");
        if (line[0] == '@') eq = 0;
        hive.values[hive.sections.back() + "|" + line.substr(0, eq + 1)] = line.substr(eq + 2);
    }
    return hive;
}

std::string HexText(const TBytes& data)
{
    std::string s = "hex:";
    char b[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(b, sizeof b, i ? ",%02x" : "%02x", data[i]);
        s += b;
    }
    return s;
}

const std::string Base = "HKEY_CURRENT_USER\\Software\\Corvath\\Pelorix\\1.1";

} // namespace

using HiveRegistryTest = RegistryFixture;

TEST_F(HiveRegistryTest, WritesTheRegistryEditorsExportFormat)
{
    const TBytes placement = {0x64, 0, 0, 0, 0x32, 0, 0, 0, 0x20, 3, 0, 0, 0x58, 2, 0, 0};
    TBytes longValue(100);
    for (std::size_t i = 0; i < longValue.size(); ++i) longValue[i] = static_cast<std::uint8_t>(i * 7);
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "SizeAndPosition", placement);
    TRegKey key = 0;
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, "Software\\Corvath\\Pelorix\\1.1\\CustomJuliaSetForm", &key), 0);
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, "Software\\Corvath\\Pelorix\\1.1\\Caf\xe9", &key), 0);
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "A \"quoted\\\" name", {1, 2});
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "ALongValueThatNeedsMoreThanOneLine", longValue);
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "", {});

    const QByteArray text = ReadFile(hive.Path());
    EXPECT_TRUE(text.startsWith("REGEDIT4\r\n\r\n["));
    EXPECT_TRUE(text.endsWith("]\r\n\r\n"));
    EXPECT_TRUE(text.contains("\\Caf\xe9]\r\n")); // Windows-1252, one byte
    const TParsedHive parsed = ParseHiveText(text);
    // Every key, empty ones too, parents first, siblings in creation order.
    EXPECT_EQ(parsed.sections, (std::vector<std::string>{
                                   "HKEY_CURRENT_USER\\Software",
                                   "HKEY_CURRENT_USER\\Software\\Corvath",
                                   "HKEY_CURRENT_USER\\Software\\Corvath\\Pelorix",
                                   Base,
                                   Base + "\\Form1",
                                   Base + "\\CustomJuliaSetForm",
                                   Base + "\\Caf\xe9",
                               }));
    EXPECT_TRUE(text.contains("\r\n\"SizeAndPosition\"=hex:64,00,00,00,32,00,00,00,20,03,00,00,58,02,00,00\r\n"));
    EXPECT_EQ(parsed.values.at(Base + "\\Form1|\"A \\\"quoted\\\\\\\" name\""), "hex:01,02");
    EXPECT_EQ(parsed.values.at(Base + "\\Form1|\"ALongValueThatNeedsMoreThanOneLine\""), HexText(longValue));
    EXPECT_EQ(parsed.values.at(Base + "\\Form1|@"), "hex:");
    EXPECT_EQ(parsed.values.size(), 4u);

    // And it reads back as it was written.
    THiveRegistry again(hive.Path());
    EXPECT_EQ(ValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "A \"quoted\\\" name", again), (TBytes{1, 2}));
    EXPECT_EQ(ValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "ALongValueThatNeedsMoreThanOneLine", again),
              longValue);
}

TEST_F(HiveRegistryTest, ReadsWhatAPersonWritesInTheFormat)
{
    WriteFile(hive.Path(), "REGEDIT4\n\n; settings\n[HKEY_CURRENT_USER\\Software\\Hand]\n"
                           "\"Text\"=\"a\\\"b\"\n\"Number\"=dword:0000002A\n"
                           "\"Binary\"=hex:0A,\\\n   0b ,0c\n\"Expand\"=hex(2):41,00\n");
    EXPECT_EQ(ValueOf("Software\\Hand", "Text"), (TBytes{'a', '"', 'b', 0}));
    EXPECT_EQ(ValueOf("Software\\Hand", "Number"), (TBytes{42, 0, 0, 0}));
    EXPECT_EQ(ValueOf("Software\\Hand", "Binary"), (TBytes{10, 11, 12}));
    // A change writes the other kinds back in their own notation.
    SetValueOf("Software\\Hand", "New", {1});
    const QByteArray text = ReadFile(hive.Path());
    EXPECT_TRUE(text.contains("\r\n\"Text\"=\"a\\\"b\"\r\n\"Number\"=dword:0000002a\r\n\"Binary\"=hex:0a,0b,0c\r\n"
                              "\"Expand\"=hex(2):41,00\r\n\"New\"=hex:01\r\n"));
}

TEST_F(HiveRegistryTest, KeysAndValuesBehaveAsInTheWindowsRegistry)
{
    TRegKey key = 0, sub = 0;
    // Opening a missing key fails and writes nothing.
    EXPECT_NE(hive.OpenKey(hkCurrentUser, "Software\\Missing", &key), 0);
    EXPECT_FALSE(QFile::exists(hive.Path()));

    // Names compare without regard to case and keep the case they came with.
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, "Software\\MyKey", &key), 0);
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, "SOFTWARE\\mykey\\Sub", &sub), 0);
    EXPECT_TRUE(ReadFile(hive.Path()).contains("[HKEY_CURRENT_USER\\Software\\MyKey\\Sub]"));
    EXPECT_TRUE(KeyExists("software\\MYKEY\\sub"));
    const std::uint8_t one = 1, two = 2;
    ASSERT_EQ(hive.SetValue(key, "Width", rtBinary, &one, 1), 0);
    ASSERT_EQ(hive.SetValue(key, "WIDTH", rtBinary, &two, 1), 0);
    EXPECT_EQ(ValueOf("Software\\MyKey", "width"), TBytes{2});
    EXPECT_TRUE(ReadFile(hive.Path()).contains("\"Width\"=hex:02"));

    // The size first, then the data; a buffer too small is refused.
    std::uint32_t size = 0;
    std::uint8_t buffer[4];
    EXPECT_EQ(hive.QueryValue(key, "Width", nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 1u);
    size = 0;
    EXPECT_EQ(hive.QueryValue(key, "Width", nullptr, buffer, &size), regMoreData);
    EXPECT_NE(hive.QueryValue(key, "Height", nullptr, nullptr, &size), 0);
    EXPECT_NE(hive.DeleteValue(key, "Height"), 0);
    EXPECT_EQ(hive.DeleteValue(key, "width"), 0);
    EXPECT_EQ(ValueOf("Software\\MyKey", "Width"), TBytes({'(', 'n', 'o', 'n', 'e', ')'}));

    // A key with sub-keys cannot be deleted; a missing one neither.
    EXPECT_NE(hive.DeleteKey(hkCurrentUser, "Software\\MyKey"), 0);
    EXPECT_TRUE(KeyExists("Software\\MyKey\\Sub"));
    EXPECT_EQ(hive.DeleteKey(key, "SUB"), 0);
    EXPECT_NE(hive.DeleteKey(key, "Sub"), 0);
    EXPECT_FALSE(KeyExists("Software\\MyKey\\Sub"));
    // The handle of a deleted key is of no use any more.
    EXPECT_NE(hive.SetValue(sub, "X", rtBinary, &one, 1), 0);
    EXPECT_EQ(hive.CloseKey(sub), 0);
    EXPECT_NE(hive.CloseKey(sub), 0);

    // Values over 1 MiB are refused; 1 MiB itself is fine.
    TBytes big(MaxValueSize + 1);
    EXPECT_NE(hive.SetValue(key, "Big", rtBinary, big.data(), static_cast<std::uint32_t>(big.size())), 0);
    EXPECT_EQ(hive.SetValue(key, "Big", rtBinary, big.data(), static_cast<std::uint32_t>(MaxValueSize)), 0);
    // Paths with empty parts are refused.
    EXPECT_NE(hive.CreateKey(hkCurrentUser, "Software\\\\Gap", &sub), 0);
    EXPECT_NE(hive.CreateKey(hkCurrentUser, "\\Software", &sub), 0);
}

TEST_F(HiveRegistryTest, EachInstanceSeesTheOthersChanges)
{
    THiveRegistry other(hive.Path());
    SetValueOf("Software\\Shared", "A", {1}, hive);
    SetValueOf("Software\\Shared", "B", {2}, other);
    // hive read the file before other changed it; its next change keeps B.
    SetValueOf("Software\\Shared", "C", {3}, hive);
    for (TRegistryApi* registry : {static_cast<TRegistryApi*>(&hive), static_cast<TRegistryApi*>(&other)}) {
        EXPECT_EQ(ValueOf("Software\\Shared", "A", *registry), TBytes{1});
        EXPECT_EQ(ValueOf("Software\\Shared", "B", *registry), TBytes{2});
        EXPECT_EQ(ValueOf("Software\\Shared", "C", *registry), TBytes{3});
    }
}

TEST_F(HiveRegistryTest, ADamagedOrUnreadableHiveIsSetAsideAndReplaced)
{
    const std::vector<QByteArray> damaged = {
        "not a hive",
        "",
        "REGEDIT4\r\n\"Value\"=hex:01\r\n",                          // a value outside any key
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n",              // another root
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\\\\B]\r\n",                 // an empty key name
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:0g\r\n",      // a bad byte
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:01,\\\r\n",   // a continuation that never comes
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"V=hex:01\r\n",        // an unterminated name
        "REGEDIT4\r\n[-HKEY_CURRENT_USER\\A]\r\n",                     // an import's deletion
    };
    for (const QByteArray& text : damaged) {
        SCOPED_TRACE(text.toStdString());
        QTemporaryDir folder;
        const QString path = folder.path() + "/HKEY_CURRENT_USER.reg";
        WriteFile(path, text);
        THiveRegistry registry(path);
        TRegKey key = 0;
        EXPECT_NE(registry.OpenKey(hkCurrentUser, "A", &key), 0);
        const QStringList aside = QDir(folder.path()).entryList({"HKEY_CURRENT_USER-damaged-*.reg"});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(ReadFile(folder.path() + "/" + aside[0]), text);
        EXPECT_FALSE(QFile::exists(path));
        ASSERT_EQ(registry.CreateKey(hkCurrentUser, "A", &key), 0);
        EXPECT_TRUE(ParseHiveText(ReadFile(path)).sections == std::vector<std::string>{"HKEY_CURRENT_USER\\A"});
    }

    // A folder where the hive should be cannot be read either.
    QDir().mkpath(hive.Path());
    SetValueOf("Software\\Fresh", "V", {9});
    EXPECT_EQ(ValueOf("Software\\Fresh", "V"), TBytes{9});
    EXPECT_EQ(QDir(QFileInfo(hive.Path()).absolutePath()).entryList({"HKEY_CURRENT_USER-damaged-*"}).size(), 1);
}

// ---- Other processes -------------------------------------------------------

int RunHiveChild(int argc, char** argv)
{
    if (argc < 4) return 2;
    const std::string mode = argv[2];
    THiveRegistry registry(QString::fromLocal8Bit(argv[3]));
    TRegKey key = 0;
    if (registry.CreateKey(hkCurrentUser, "Software\\Test", &key) != regSuccess) return 3;
    if (mode == "write" && argc == 5) {
        // Start together with the other writer: wait for the word.
        std::puts("ready");
        std::fflush(stdout);
        char go[8];
        if (!std::fgets(go, sizeof go, stdin)) return 4;
        for (int i = 0; i < 30; ++i) {
            const std::uint8_t v = static_cast<std::uint8_t>(i);
            if (registry.SetValue(key, argv[4] + std::to_string(i), rtBinary, &v, 1) != regSuccess) return 5;
        }
        return 0;
    }
    if (mode == "pause") {
        registry.SetBeforeReplaceHook([] {
            std::puts("paused");
            std::fflush(stdout);
            for (;;) ::pause();
        });
        const std::uint8_t v = 2;
        registry.SetValue(key, "X", rtBinary, &v, 1);
        return 6;
    }
    return 2;
}

namespace {

void StartChild(QProcess& child, const QStringList& arguments)
{
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + arguments);
    ASSERT_TRUE(child.waitForStarted());
}

void WaitForLine(QProcess& child, const QByteArray& line)
{
    while (!child.canReadLine()) ASSERT_TRUE(child.waitForReadyRead(10000)) << "child gave no " << line.data();
    EXPECT_EQ(child.readLine().trimmed(), line);
}

} // namespace

TEST_F(HiveRegistryTest, TwoProcessesWritingAtOnceBothKeepTheirValues)
{
    SetValueOf("Software\\Test", "Before", {1});
    QProcess a, b;
    StartChild(a, {"write", hive.Path(), "A"});
    StartChild(b, {"write", hive.Path(), "B"});
    WaitForLine(a, "ready");
    WaitForLine(b, "ready");
    a.write("go\n");
    b.write("go\n");
    ASSERT_TRUE(a.waitForBytesWritten(10000));
    ASSERT_TRUE(b.waitForBytesWritten(10000));
    for (QProcess* p : {&a, &b}) {
        ASSERT_TRUE(p->waitForFinished(30000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().data();
    }
    THiveRegistry fresh(hive.Path());
    EXPECT_EQ(ValueOf("Software\\Test", "Before", fresh), TBytes{1});
    for (int i = 0; i < 30; ++i) {
        const TBytes v = {static_cast<std::uint8_t>(i)};
        EXPECT_EQ(ValueOf("Software\\Test", "A" + std::to_string(i), fresh), v) << i;
        EXPECT_EQ(ValueOf("Software\\Test", "B" + std::to_string(i), fresh), v) << i;
    }
}

TEST_F(HiveRegistryTest, AWriterKilledBeforeTheReplaceLeavesThePreviousHive)
{
    SetValueOf("Software\\Test", "X", {1});
    const QByteArray before = ReadFile(hive.Path());
    QProcess child;
    StartChild(child, {"pause", hive.Path()});
    WaitForLine(child, "paused"); // the new hive is written, the old one not yet replaced
    child.kill();
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    EXPECT_EQ(ReadFile(hive.Path()), before);
    // The dead writer's lock went with it.
    SetValueOf("Software\\Test", "Y", {3});
    EXPECT_EQ(ValueOf("Software\\Test", "X"), TBytes{1});
    EXPECT_EQ(ValueOf("Software\\Test", "Y"), TBytes{3});
}

TEST(HiveRegistryPathTest, LiesInTheUsersConfigFolder)
{
    const QByteArray config = qgetenv("XDG_CONFIG_HOME"), home = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/config");
    EXPECT_EQ(THiveRegistry::DefaultPath(), "/tmp/config/pelorix/HKEY_CURRENT_USER.reg");
    qputenv("XDG_CONFIG_HOME", "");
    qputenv("HOME", "/tmp/home");
    EXPECT_EQ(THiveRegistry::DefaultPath(), "/tmp/home/.config/pelorix/HKEY_CURRENT_USER.reg");
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("HOME", home);
}
