#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "Profiles.h"

#include "RegistryTesting.h"

namespace {

// A hive as some file systems and crashes leave it: its check of the file's
// inode, size and times may say "unchanged" whatever happened, as where times
// move once per kernel tick; its writer may stop for good between writing the
// new hive and putting it in the old one's place.
class TTestHive : public THiveRegistry {
public:
    using THiveRegistry::THiveRegistry;
    bool IdentityAlwaysSame = false;
    bool StopBeforeReplace = false;

protected:
    bool IdentityChanged(const TFileId& before, const TFileId& now) const override
    {
        return !IdentityAlwaysSame && THiveRegistry::IdentityChanged(before, now);
    }
    void BeforeReplace() override
    {
        if (!StopBeforeReplace) return;
        std::puts("paused");
        std::fflush(stdout);
        for (;;) ::pause();
    }
};

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
struct TExportText {
    std::vector<std::string> sections;
    std::map<std::string, std::string> values; // "section|name line part" -> data text
};

TExportText ParseExport(const QByteArray& text)
{
    TExportText hive;
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
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, "Software\\Corvath\\Pelorix\\1.1\\Caf\xc3\xa9", &key), 0);
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "A \"quoted\\\" name", {1, 2});
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "ALongValueThatNeedsMoreThanOneLine", longValue);
    SetValueOf("Software\\Corvath\\Pelorix\\1.1\\Form1", "", {});

    const QByteArray text = ReadFile(hive.Path());
    EXPECT_TRUE(text.startsWith("REGEDIT4\r\n\r\n["));
    EXPECT_TRUE(text.endsWith("]\r\n\r\n"));
    EXPECT_TRUE(text.contains("\\Caf\xe9]\r\n")); // Windows-1252, one byte
    const TExportText parsed = ParseExport(text);
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

namespace {

// The files set aside beside the hive: "damaged" or "edited".
QStringList SetAside(const QString& hivePath, const QString& kind)
{
    return QDir(QFileInfo(hivePath).absolutePath())
        .entryList({"HKEY_CURRENT_USER-" + kind + "-*"}, QDir::AllEntries | QDir::System | QDir::Hidden);
}

std::string Repeat(const std::string& text, std::size_t times)
{
    std::string all;
    all.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) all += text;
    return all;
}

// Standard error, caught while it lives.
class TStderrCapture {
public:
    TStderrCapture() : file_(std::tmpfile())
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        ::dup2(::fileno(file_), 2);
    }
    ~TStderrCapture()
    {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        std::fclose(file_);
    }
    std::string Text()
    {
        std::fflush(stderr);
        std::string text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
        return text;
    }

private:
    std::FILE* file_;
    int saved_;
};

int Occurrences(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
    return n;
}

} // namespace

TEST_F(HiveRegistryTest, AHostileHiveIsSetAsideAsItIsAndSettingsStartAfresh)
{
    std::mt19937 random(1);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const std::string deep = "REGEDIT4\r\n[HKEY_CURRENT_USER" + Repeat("\\k", 40000) + "]\r\n";
    const std::string longKey = "REGEDIT4\r\n[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\r\n";
    const std::string longValue = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"" + std::string(16384, 'v') + "\"=hex:01\r\n";
    const auto file = [](const std::string& text) {
        return [text](const QString& path) { WriteFile(path, QByteArray(text.data(), qsizetype(text.size()))); };
    };
    struct TCase {
        const char* what;
        std::function<void(const QString&)> make;
        std::function<bool(const QString&)> kept; // the one set aside is the original
    };
    const auto same = [](const std::string& text) {
        return [text](const QString& kept) { return ReadFile(kept).toStdString() == text; };
    };
    const std::vector<TCase> cases = {
        {"not a hive", file("not a hive"), same("not a hive")},
        {"empty", file(""), same("")},
        {"cut in its header", file("REGED"), same("REGED")},
        {"binary noise", file(noise), same(noise)},
        {"40,000 keys deep", file(deep), same(deep)},
        {"a key name of 256 characters", file(longKey), same(longKey)},
        {"a value name of 16,384 characters", file(longValue), same(longValue)},
        {"a FIFO", [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); },
         [](const QString& kept) {
             struct stat st;
             return ::lstat(QFile::encodeName(kept).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
         }},
        {"a folder", [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p + "/inside")); },
         [](const QString& kept) { return QFileInfo::exists(kept + "/inside"); }},
        {"a device", [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/zero", p)); },
         [](const QString& kept) { return QFileInfo(kept).symLinkTarget() == "/dev/zero"; }},
        {"8 GB", [](const QString& p) { ASSERT_EQ(::truncate(QFile::encodeName(p).constData(), 8ll << 30), 0); },
         [](const QString& kept) { return QFileInfo(kept).size() == 8ll << 30; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        const QString path = folder.path() + "/HKEY_CURRENT_USER.reg";
        if (std::string(c.what) == "8 GB") WriteFile(path, ""); // sparse: nothing but its length
        c.make(path);
        THiveRegistry registry(path);
        TRegKey key = 0;
        {
            TStderrCapture err;
            EXPECT_EQ(registry.OpenKey(hkCurrentUser, "A", &key), regFileNotFound);
            EXPECT_EQ(Occurrences(err.Text(), "cannot be read; set aside as"), 1) << err.Text();
        }
        const QStringList aside = SetAside(path, "damaged");
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(c.kept(folder.path() + "/" + aside[0]));
        EXPECT_FALSE(QFileInfo::exists(path) || QFileInfo(path).isSymLink());
        // Fresh settings in a fresh hive.
        SetValueOf("A", "V", {7}, registry);
        EXPECT_EQ(ReadFile(path), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:07\r\n\r\n");
        EXPECT_EQ(SetAside(path, "damaged").size(), 1);
    }
}

TEST_F(HiveRegistryTest, AHiveCutShortKeepsWhatIsWhole)
{
    for (const char* cut : {"\"W\"=hex:02,0", "\"W\"=hex:02,\\", "\"W\"=hex:02,\\\r\n", "\"W\"=hex:02", "\"W"}) {
        SCOPED_TRACE(cut);
        QTemporaryDir folder;
        const QString path = folder.path() + "/HKEY_CURRENT_USER.reg";
        WriteFile(path, QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:01\r\n") + cut);
        THiveRegistry registry(path);
        TStderrCapture err;
        EXPECT_EQ(ValueOf("A", "V", registry), TBytes{1});
        const bool whole = std::string(cut) == "\"W\"=hex:02";
        EXPECT_EQ(ValueOf("A", "W", registry), whole ? TBytes{2} : TBytes({'(', 'n', 'o', 'n', 'e', ')'}));
        EXPECT_EQ(Occurrences(err.Text(), "line 5: not understood"), whole ? 0 : 1) << err.Text();
        EXPECT_TRUE(SetAside(path, "damaged").isEmpty());
    }
}

TEST_F(HiveRegistryTest, AHandEditedHiveIsCopiedAsideBeforeItsFirstRewrite)
{
    QFile sample(PELORIX_SOURCE_DIR "/tests/settings/hives/unknown-line.reg");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray edited = sample.readAll();
    WriteFile(hive.Path(), edited);
    const std::string form1 = "Software\\Corvath\\Pelorix\\1.1\\Form1";
    const TBytes height = {3, 0, 0, 0, 0, 0, 0, 0, 0xe0, 1, 0, 0, 0, 0, 0, 0};
    TStderrCapture err;
    EXPECT_EQ(ValueOf(form1, "FractalHeight"), height);
    EXPECT_EQ(ValueOf(form1, "FractalHeight"), height);
    // Reported once, not at every read.
    EXPECT_EQ(Occurrences(err.Text(), "not understood"), 1) << err.Text();
    EXPECT_EQ(Occurrences(err.Text(), "HKEY_CURRENT_USER.reg, line 5: not understood, skipped: FractalHeight=480"),
              1) << err.Text();
    // Reading leaves the file alone.
    EXPECT_EQ(ReadFile(hive.Path()), edited);
    EXPECT_TRUE(SetAside(hive.Path(), "edited").isEmpty());

    SetValueOf(form1, "FractalWidth", {1});
    QStringList copies = SetAside(hive.Path(), "edited");
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(ReadFile(QFileInfo(hive.Path()).absolutePath() + "/" + copies[0]), edited);
    EXPECT_FALSE(ReadFile(hive.Path()).contains("FractalHeight=480"));
    EXPECT_EQ(ParseExport(ReadFile(hive.Path())).values.at(Base + "\\Form1|\"FractalHeight\""),
              "hex:03,00,00,00,00,00,00,00,e0,01,00,00,00,00,00,00");
    // The program's own hive is rewritten without a copy.
    SetValueOf(form1, "FractalWidth", {2});
    EXPECT_EQ(SetAside(hive.Path(), "edited").size(), 1);
    EXPECT_EQ(Occurrences(err.Text(), "not understood"), 1) << err.Text();
    EXPECT_TRUE(SetAside(hive.Path(), "damaged").isEmpty());
}

TEST_F(HiveRegistryTest, NoChangeOfAPeerGoesUnseenWhateverTheTimesOnDisk)
{
    // Two instances on one file, each told by its check of the file's inode,
    // size and times that the file never changed, as happens where times move
    // once per kernel tick and a new file takes the number of the old one.
    TTestHive a(hive.Path()), b(hive.Path());
    a.IdentityAlwaysSame = true;
    b.IdentityAlwaysSame = true;
    const std::string key = "Software\\Count";
    SetValueOf(key, "A", {0}, a);
    SetValueOf(key, "B", {0}, a);
    for (std::uint8_t i = 1; i <= 40; ++i) {
        // Each counts its own value up, with values of the same size all the
        // while; a stale copy of the other's would put it back.
        SetValueOf(key, "A", {i}, a);
        ASSERT_EQ(ValueOf(key, "A", b), TBytes{i});
        SetValueOf(key, "B", {i}, b);
        ASSERT_EQ(ValueOf(key, "B", a), TBytes{i});
    }
    THiveRegistry fresh(hive.Path());
    EXPECT_EQ(ValueOf(key, "A", fresh), TBytes{40});
    EXPECT_EQ(ValueOf(key, "B", fresh), TBytes{40});
}

TEST_F(HiveRegistryTest, NamesTheFileCannotHoldAreRefusedAndCaseIsComparedOnCharacters)
{
    TRegKey key = 0, other = 0;
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, "Software\\Caf\xc3\xa9", &key), 0);
    const std::uint8_t one = 1;
    EXPECT_EQ(hive.SetValue(key, "\xd0\x9a", rtBinary, &one, 1), regInvalidParameter); // Cyrillic Ka
    EXPECT_EQ(hive.SetValue(key, "\xd0\x8a", rtBinary, &one, 1), regInvalidParameter); // Cyrillic Nje
    EXPECT_EQ(hive.CreateKey(hkCurrentUser, "Software\\\xd0\x9a", &other), regInvalidParameter);
    EXPECT_EQ(hive.CreateKey(hkCurrentUser, "Software\\Caf\xe9", &other), regInvalidParameter); // not UTF-8
    std::uint32_t size = 0;
    EXPECT_EQ(hive.QueryValue(key, "\xd0\x9a", nullptr, nullptr, &size), regInvalidParameter);
    EXPECT_EQ(hive.DeleteValue(key, "\xd0\x9a"), regInvalidParameter);

    ASSERT_EQ(hive.SetValue(key, "\xc5\x92uvre \xe2\x82\xac", rtBinary, &one, 1), 0); // Œuvre €
    EXPECT_EQ(ValueOf("SOFTWARE\\CAF\xc3\x89", "\xc5\x93UVRE \xe2\x82\xac"), TBytes{1}); // œUVRE €
    const QByteArray text = ReadFile(hive.Path());
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Caf\xe9]\r\n\"\x8cuvre \x80\"=hex:01\r\n")) << text.data();

    // The components say what went wrong.
    TComponent form;
    auto* app = new TAppConfigKey(&form);
    app->SetCompanyName("\xd0\x9a\xd0\xbe\xd1\x80\xd0\xb2\xd0\xb0\xd1\x82"); // Корват
    EXPECT_EQ(ErrorOf([&] { app->Open(); }),
              "Cannot open key Software\\\xd0\x9a\xd0\xbe\xd1\x80\xd0\xb2\xd0\xb0\xd1\x82\\"
              "Someone forgot to specify application name\\Someone forgot to specify application version");
    app->SetCompanyName("Corvath");
    auto* width = new TVariantProfile(&form);
    width->SetName("\xd0\xa8\xd0\xb8\xd1\x80\xd0\xb8\xd0\xbd\xd0\xb0"); // Ширина
    width->SetKey(app);
    EXPECT_EQ(ErrorOf([&] { width->WriteValue(TVariant(std::int32_t(640))); }), "Error writing value");
}

TEST_F(HiveRegistryTest, KeysAndNamesBeyondWindowsLimitsAreRefused)
{
    std::string path = "k";
    for (std::size_t i = 1; i < MaxKeyDepth; ++i) path += "\\k";
    TRegKey key = 0, deeper = 0;
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, path, &key), 0);
    EXPECT_EQ(hive.CreateKey(hkCurrentUser, path + "\\k", &deeper), regInvalidParameter);
    EXPECT_EQ(hive.CreateKey(key, "k", &deeper), regInvalidParameter);
    EXPECT_EQ(hive.OpenKey(key, "k", &deeper), regInvalidParameter);

    EXPECT_EQ(hive.CreateKey(hkCurrentUser, std::string(MaxKeyNameLength, 'n'), &deeper), 0);
    EXPECT_EQ(hive.CreateKey(hkCurrentUser, std::string(MaxKeyNameLength + 1, 'n'), &deeper), regInvalidParameter);
    const std::uint8_t one = 1;
    EXPECT_EQ(hive.SetValue(key, std::string(MaxValueNameLength, 'v'), rtBinary, &one, 1), 0);
    EXPECT_EQ(hive.SetValue(key, std::string(MaxValueNameLength + 1, 'v'), rtBinary, &one, 1), regInvalidParameter);

    // What was accepted reads back as it was.
    THiveRegistry fresh(hive.Path());
    EXPECT_EQ(ValueOf(path, std::string(MaxValueNameLength, 'v'), fresh), TBytes{1});
    EXPECT_TRUE(KeyExists(std::string(MaxKeyNameLength, 'N'), fresh));
    EXPECT_TRUE(SetAside(hive.Path(), "damaged").isEmpty());
}

// ---- Other processes -------------------------------------------------------

int RunHiveChild(int argc, char** argv)
{
    if (argc < 4) return 2;
    const std::string mode = argv[2];
    TTestHive registry(QString::fromLocal8Bit(argv[3]));
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
    if (mode == "count" && argc == 7) {
        // Counts its own value up from 0, checking that it reads back what it wrote.
        registry.IdentityAlwaysSame = std::strcmp(argv[6], "unchanged") == 0;
        const int times = std::atoi(argv[5]);
        std::puts("ready");
        std::fflush(stdout);
        char go[8];
        if (!std::fgets(go, sizeof go, stdin)) return 4;
        for (int i = 1; i <= times; ++i) {
            std::uint8_t v[4] = {};
            std::uint32_t size = sizeof v;
            if (i > 1 && (registry.QueryValue(key, argv[4], nullptr, v, &size) != regSuccess || v[0] != i - 1))
                return 7;
            v[0] = static_cast<std::uint8_t>(i);
            if (registry.SetValue(key, argv[4], rtBinary, v, sizeof v) != regSuccess) return 5;
        }
        return 0;
    }
    if (mode == "pause") {
        registry.StopBeforeReplace = true;
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

TEST_F(HiveRegistryTest, TwoProcessesCountingUpTheirOwnValuesLoseNoStep)
{
    // Each step writes a value of the same size: only the content tells that
    // the file changed. Once as it is, once with the check of inode, size and
    // times saying "unchanged" in both processes, as on coarse file systems.
    const int steps = 100;
    for (const char* check : {"real", "unchanged"}) {
        SCOPED_TRACE(check);
        QProcess a, b;
        StartChild(a, {"count", hive.Path(), QString("A") + check, QString::number(steps), check});
        StartChild(b, {"count", hive.Path(), QString("B") + check, QString::number(steps), check});
        WaitForLine(a, "ready");
        WaitForLine(b, "ready");
        a.write("go\n");
        b.write("go\n");
        for (QProcess* p : {&a, &b}) {
            ASSERT_TRUE(p->waitForFinished(60000));
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().data();
        }
        THiveRegistry fresh(hive.Path());
        EXPECT_EQ(ValueOf("Software\\Test", std::string("A") + check, fresh), (TBytes{steps, 0, 0, 0}));
        EXPECT_EQ(ValueOf("Software\\Test", std::string("B") + check, fresh), (TBytes{steps, 0, 0, 0}));
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
    const struct passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    const QString own = QString::fromLocal8Bit(user->pw_dir) + "/.config/pelorix/HKEY_CURRENT_USER.reg";
    // XDG_CONFIG_HOME, HOME (nullptr: unset), the hive's path.
    const struct {
        const char* config;
        const char* home;
        QString path;
    } cases[] = {
        {"/tmp/config", "/tmp/home", "/tmp/config/pelorix/HKEY_CURRENT_USER.reg"},
        {"", "/tmp/home", "/tmp/home/.config/pelorix/HKEY_CURRENT_USER.reg"},
        {"relative/config", "/tmp/home", "/tmp/home/.config/pelorix/HKEY_CURRENT_USER.reg"},
        {"", nullptr, own},
        {"relative", "", own},
    };
    for (const auto& c : cases) {
        qputenv("XDG_CONFIG_HOME", c.config);
        if (c.home)
            qputenv("HOME", c.home);
        else
            qunsetenv("HOME");
        EXPECT_EQ(THiveRegistry::DefaultPath(), c.path) << c.config << " " << (c.home ? c.home : "(unset)");
    }
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("HOME", home);
}

TEST(HiveRegistryPathTest, TheLockFileIsNeverALink)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/pelorix/HKEY_CURRENT_USER.reg";
    QDir().mkpath(dir.path() + "/pelorix");
    ASSERT_TRUE(QFile::link(dir.path() + "/elsewhere", path + ".lock"));
    THiveRegistry hive(path);
    TRegKey key = 0;
    EXPECT_NE(hive.CreateKey(hkCurrentUser, "Software", &key), regSuccess);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/elsewhere"));
    EXPECT_FALSE(QFileInfo::exists(path));
}
