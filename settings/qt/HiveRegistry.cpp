#include "HiveRegistry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using TNode = THiveRegistry::TNode;
using TValue = THiveRegistry::TValue;
using TPath = THiveRegistry::TPath;

namespace {

const char* const RootName = "HKEY_CURRENT_USER";

// Registry names compare without regard to case. The hive is Windows-1252
// text, so fold its letters beyond ASCII too.
unsigned char Fold(unsigned char c)
{
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A; // š
    case 0x9C: return 0x8C; // œ
    case 0x9E: return 0x8E; // ž
    case 0xFF: return 0x9F; // ÿ
    default: return c;
    }
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// Line breaks cannot be written in the hive's line-based format.
bool WritableName(const std::string& name)
{
    return name.find_first_of("\r\n") == std::string::npos;
}

// "A\B\C" -> {A, B, C}; "" -> {}; an empty part makes the path invalid.
std::optional<TPath> SplitPath(const std::string& path)
{
    TPath parts;
    if (path.empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || !WritableName(part)) return std::nullopt;
        parts.push_back(std::move(part));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

TNode* FindKey(TNode& node, const std::string& name)
{
    for (auto& k : node.keys)
        if (SameName(k->name, name)) return k.get();
    return nullptr;
}

TNode* Resolve(TNode& root, const TPath& path)
{
    TNode* node = &root;
    for (const std::string& part : path)
        if (!(node = FindKey(*node, part))) return nullptr;
    return node;
}

TNode& FindOrCreate(TNode& node, const std::string& name, bool& created)
{
    if (TNode* k = FindKey(node, name)) return *k;
    auto k = std::make_unique<TNode>();
    k->name = name;
    node.keys.push_back(std::move(k));
    created = true;
    return *node.keys.back();
}

TValue* FindValue(TNode& node, const std::string& name)
{
    for (TValue& v : node.values)
        if (SameName(v.name, name)) return &v;
    return nullptr;
}

// ---- Writing -------------------------------------------------------------

const char HexDigits[] = "0123456789abcdef";

std::string Hex2(std::uint8_t b)
{
    return {HexDigits[b >> 4], HexDigits[b & 15]};
}

std::string Quoted(const std::string& text)
{
    std::string s = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') s += '\\';
        s += c;
    }
    return s + '"';
}

// A string value that can be written as a quoted string: one terminating
// zero, no other, and no line breaks.
bool PlainString(const std::vector<std::uint8_t>& data)
{
    if (data.empty() || data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
    return true;
}

void WriteValue(std::string& out, const TValue& v)
{
    std::string line = (v.name.empty() ? std::string("@") : Quoted(v.name)) + "=";
    if (v.type == rtString && PlainString(v.data)) {
        out += line + Quoted(std::string(v.data.begin(), v.data.end() - 1)) + "\r\n";
        return;
    }
    if (v.type == rtDword && v.data.size() == 4) {
        line += "dword:";
        for (int i = 3; i >= 0; --i) line += Hex2(v.data[i]);
        out += line + "\r\n";
        return;
    }
    if (v.type == rtBinary) {
        line += "hex:";
    } else {
        char type[16];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
        line += type;
    }
    // Wrap before 80 columns after a comma, as the registry editor does, with
    // room left for the "\" that continues the line.
    const std::size_t n = v.data.size();
    for (std::size_t i = 0; i < n; ++i) {
        const bool last = i + 1 == n;
        std::string token = Hex2(v.data[i]) + (last ? "" : ",");
        if (i > 0 && line.size() + token.size() + (last ? 0 : 1) > 79) {
            out += line + "\\\r\n";
            line = "  ";
        }
        line += token;
    }
    out += line + "\r\n";
}

void WriteKey(std::string& out, const TNode& node, const std::string& path, bool root)
{
    if (!root || !node.values.empty()) {
        out += "[" + path + "]\r\n";
        for (const TValue& v : node.values) WriteValue(out, v);
        out += "\r\n";
    }
    for (const auto& k : node.keys) WriteKey(out, *k, path + "\\" + k->name, false);
}

QByteArray FormatHive(const TNode& root)
{
    std::string out = "REGEDIT4\r\n\r\n";
    WriteKey(out, root, RootName, true);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

// ---- Reading -------------------------------------------------------------

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexNumber(std::string_view text, std::uint32_t& value)
{
    if (text.empty() || text.size() > 8) return false;
    value = 0;
    for (char c : text) {
        int d = HexValue(c);
        if (d < 0) return false;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return true;
}

// A quoted string starting at pos; pos ends after the closing quote.
bool ParseQuoted(const std::string& line, std::size_t& pos, std::string& text)
{
    if (pos >= line.size() || line[pos] != '"') return false;
    text.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos == line.size()) return false;
            c = line[pos];
        }
        text += c;
    }
    return false;
}

std::string TrimLeft(const std::string& s)
{
    std::size_t i = s.find_first_not_of(" \t");
    return i == std::string::npos ? std::string() : s.substr(i);
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& data)
{
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    };
    skipBlanks();
    while (pos < text.size()) {
        if (pos + 1 >= text.size()) return false;
        int hi = HexValue(text[pos]), lo = HexValue(text[pos + 1]);
        if (hi < 0 || lo < 0) return false;
        data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        pos += 2;
        skipBlanks();
        if (pos == text.size()) break;
        if (text[pos] != ',') return false;
        ++pos;
        skipBlanks();
    }
    return true;
}

// One value line, with its continuation lines for hex data; index points at
// the line and ends on the last line used.
bool ParseValue(const std::vector<std::string>& lines, std::size_t& index, TValue& value)
{
    const std::string& line = lines[index];
    std::size_t pos = 0;
    if (line[0] == '@') {
        value.name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, pos, value.name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    std::string data = TrimRight(line.substr(pos + 1));

    if (!data.empty() && data[0] == '"') {
        std::size_t p = 0;
        std::string text;
        if (!ParseQuoted(data, p, text) || p != data.size()) return false;
        value.type = rtString;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (data.rfind("dword:", 0) == 0) {
        std::uint32_t n;
        if (!ParseHexNumber(data.substr(6), n)) return false;
        value.type = rtDword;
        value.data = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
        return true;
    }
    std::size_t colon = data.find(':');
    if (colon == std::string::npos) return false;
    std::string kind = data.substr(0, colon);
    if (kind == "hex") {
        value.type = rtBinary;
    } else if (kind.size() > 5 && kind.rfind("hex(", 0) == 0 && kind.back() == ')') {
        if (!ParseHexNumber(std::string_view(kind).substr(4, kind.size() - 5), value.type)) return false;
    } else {
        return false;
    }
    std::string bytes = data.substr(colon + 1);
    while (!bytes.empty() && bytes.back() == '\\') {
        bytes.pop_back();
        if (++index == lines.size()) return false;
        bytes += TrimRight(TrimLeft(lines[index]));
    }
    value.data.clear();
    return ParseHexBytes(bytes, value.data);
}

// The hive's text; nullptr when it is not a hive this program can read.
std::unique_ptr<TNode> ParseHive(const QByteArray& text)
{
    std::vector<std::string> lines;
    {
        std::size_t start = 0;
        const std::size_t n = static_cast<std::size_t>(text.size());
        while (start < n) {
            std::size_t end = start;
            while (end < n && text[static_cast<qsizetype>(end)] != '\n') ++end;
            std::string line(text.constData() + start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(std::move(line));
            start = end + 1;
        }
    }
    if (lines.empty() || TrimRight(lines[0]) != "REGEDIT4") return nullptr;

    auto root = std::make_unique<TNode>();
    TNode* section = nullptr;
    const std::string rootName = RootName;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (TrimLeft(line).empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.rfind(']');
            if (close == std::string::npos || !TrimLeft(line.substr(close + 1)).empty()) return nullptr;
            std::string path = line.substr(1, close - 1);
            std::string head = path.substr(0, path.find('\\'));
            if (!SameName(head, rootName)) return nullptr;
            std::optional<TPath> parts =
                SplitPath(head.size() == path.size() ? std::string() : path.substr(head.size() + 1));
            if (!parts) return nullptr;
            section = root.get();
            bool created = false;
            for (const std::string& part : *parts) section = &FindOrCreate(*section, part, created);
            continue;
        }
        if (!section) return nullptr;
        TValue value;
        if (!ParseValue(lines, i, value)) return nullptr;
        if (TValue* old = FindValue(*section, value.name))
            *old = std::move(value);
        else
            section->values.push_back(std::move(value));
    }
    return root;
}

// ---- The file ------------------------------------------------------------

THiveRegistry::TFileId IdOf(const struct stat& st)
{
    THiveRegistry::TFileId id;
    id.exists = true;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
    id.size = static_cast<unsigned long long>(st.st_size);
#ifdef __APPLE__
    id.mtimeSec = st.st_mtimespec.tv_sec;
    id.mtimeNsec = st.st_mtimespec.tv_nsec;
    id.ctimeSec = st.st_ctimespec.tv_sec;
    id.ctimeNsec = st.st_ctimespec.tv_nsec;
#else
    id.mtimeSec = st.st_mtim.tv_sec;
    id.mtimeNsec = st.st_mtim.tv_nsec;
    id.ctimeSec = st.st_ctim.tv_sec;
    id.ctimeNsec = st.st_ctim.tv_nsec;
#endif
    return id;
}

THiveRegistry::TFileId Identify(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return IdOf(st);
}

// An exclusive lock on the lock file beside the hive. The hive itself cannot
// carry the lock: it is replaced by a new file at every change. flock locks
// belong to the open file and end with the process, so a killed writer never
// leaves the hive locked.
class THiveLock {
public:
    explicit THiveLock(const QString& hivePath)
    {
        QDir().mkpath(QFileInfo(hivePath).absolutePath());
        fd_ = ::open(QFile::encodeName(hivePath + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        // Give up after a while rather than hang the program on a stuck peer.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~THiveLock()
    {
        if (fd_ >= 0) ::close(fd_); // also releases the lock
    }
    THiveLock(const THiveLock&) = delete;
    THiveLock& operator=(const THiveLock&) = delete;
    bool Locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

} // namespace

// ---- THiveRegistry -------------------------------------------------------

THiveRegistry::THiveRegistry(QString path) : path_(std::move(path)) {}

THiveRegistry::~THiveRegistry() = default;

QString THiveRegistry::DefaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/pelorix/HKEY_CURRENT_USER.reg";
}

const TPath* THiveRegistry::PathOf(TRegKey key) const
{
    static const TPath rootPath;
    if (key == hkCurrentUser) return &rootPath;
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

TRegKey THiveRegistry::NewHandle(TPath path)
{
    while (nextHandle_ == 0 || nextHandle_ == hkCurrentUser || handles_.count(nextHandle_)) ++nextHandle_;
    TRegKey key = nextHandle_++;
    handles_.emplace(key, std::move(path));
    return key;
}

void THiveRegistry::Refresh()
{
    if (loaded_ && Identify(path_) == fileId_) return;
    Load(false);
}

void THiveRegistry::Load(bool locked)
{
    QFile file(path_);
    TFileId id;
    std::unique_ptr<TNode> tree;
    if (file.open(QIODevice::ReadOnly)) {
        struct stat st;
        if (::fstat(file.handle(), &st) == 0 && S_ISREG(st.st_mode)) {
            id = IdOf(st);
            QByteArray text = file.readAll();
            if (file.error() == QFile::NoError) tree = ParseHive(text);
        }
        file.close();
    } else if (!QFileInfo::exists(path_)) {
        // No hive yet: an empty one.
        root_ = std::make_unique<TNode>();
        fileId_ = {};
        loaded_ = true;
        return;
    }
    if (tree) {
        root_ = std::move(tree);
        fileId_ = id;
        loaded_ = true;
        return;
    }

    // Damaged or unreadable. Set it aside under the lock, so that a hive a
    // peer has just written in its place is never the one moved away.
    root_ = std::make_unique<TNode>();
    if (!locked) {
        THiveLock lock(path_);
        if (lock.Locked()) {
            Load(true);
        } else {
            loaded_ = false; // try again at the next call
        }
        return;
    }
    SetAside();
    fileId_ = Identify(path_);
    loaded_ = true;
}

void THiveRegistry::SetAside()
{
    QFileInfo info(path_);
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    const QString stem = info.absolutePath() + "/" + info.completeBaseName() + "-damaged-" + stamp;
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    QString target = stem + suffix;
    for (int n = 1; QFileInfo::exists(target); ++n) target = stem + "-" + QString::number(n) + suffix;
    // A hive that cannot even be moved is replaced at the next change.
    std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target).constData());
}

long THiveRegistry::Change(const TChange& change)
{
    THiveLock lock(path_);
    if (!lock.Locked()) return regLockViolation;
    // Another process may have changed the hive since it was last read.
    if (!loaded_ || Identify(path_) != fileId_) Load(true);
    bool changed = false;
    long result = change(*root_, changed);
    if (result != regSuccess || !changed) return result;
    if (!Store()) {
        loaded_ = false; // memory is ahead of the disk now: read the disk again
        return regWriteFault;
    }
    return regSuccess;
}

bool THiveRegistry::Store()
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray text = FormatHive(*root_);
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    if (beforeReplace_) beforeReplace_();
    if (!file.commit()) return false;
    fileId_ = Identify(path_);
    return true;
}

long THiveRegistry::SubKeyPath(TRegKey base, const std::string& subKey, TPath& basePath, TPath& parts) const
{
    const TPath* path = PathOf(base);
    if (!path) return regInvalidHandle;
    std::optional<TPath> split = SplitPath(subKey);
    if (!split) return regInvalidParameter;
    basePath = *path;
    parts = std::move(*split);
    return regSuccess;
}

long THiveRegistry::CreateKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    std::lock_guard guard(mutex_);
    if (!result) return regInvalidParameter;
    TPath basePath, parts;
    if (long r = SubKeyPath(base, subKey, basePath, parts)) return r;
    TPath full = basePath;
    full.insert(full.end(), parts.begin(), parts.end());

    Refresh();
    if (!Resolve(*root_, full)) {
        long r = Change([&](TNode& root, bool& changed) {
            TNode* node = Resolve(root, basePath);
            if (!node) return long(regKeyDeleted);
            for (const std::string& part : parts) node = &FindOrCreate(*node, part, changed);
            return long(regSuccess);
        });
        if (r != regSuccess) return r;
    }
    *result = NewHandle(std::move(full));
    return regSuccess;
}

long THiveRegistry::OpenKey(TRegKey base, const std::string& subKey, TRegKey* result)
{
    std::lock_guard guard(mutex_);
    if (!result) return regInvalidParameter;
    TPath full, parts;
    if (long r = SubKeyPath(base, subKey, full, parts)) return r;
    full.insert(full.end(), parts.begin(), parts.end());
    Refresh();
    if (!Resolve(*root_, full)) return regFileNotFound;
    *result = NewHandle(std::move(full));
    return regSuccess;
}

long THiveRegistry::CloseKey(TRegKey key)
{
    std::lock_guard guard(mutex_);
    if (key == hkCurrentUser) return regSuccess;
    return handles_.erase(key) ? regSuccess : regInvalidHandle;
}

long THiveRegistry::DeleteKey(TRegKey base, const std::string& subKey)
{
    std::lock_guard guard(mutex_);
    TPath parentPath, parts;
    if (long r = SubKeyPath(base, subKey, parentPath, parts)) return r;
    if (parts.empty()) return regInvalidParameter;
    parentPath.insert(parentPath.end(), parts.begin(), parts.end() - 1);
    const std::string name = parts.back();
    return Change([&](TNode& root, bool& changed) {
        TNode* parent = Resolve(root, parentPath);
        TNode* key = parent ? FindKey(*parent, name) : nullptr;
        if (!key) return long(regFileNotFound);
        if (!key->keys.empty()) return long(regAccessDenied);
        std::erase_if(parent->keys, [key](const std::unique_ptr<TNode>& k) { return k.get() == key; });
        changed = true;
        return long(regSuccess);
    });
}

long THiveRegistry::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size)
{
    std::lock_guard guard(mutex_);
    const TPath* path = PathOf(key);
    if (!path) return regInvalidHandle;
    if (!size) return data ? regInvalidParameter : regSuccess;
    Refresh();
    TNode* node = Resolve(*root_, *path);
    if (!node) return regKeyDeleted;
    const TValue* value = FindValue(*node, name);
    if (!value) return regFileNotFound;
    if (type) *type = value->type;
    const auto n = static_cast<std::uint32_t>(value->data.size());
    if (data) {
        if (*size < n) {
            *size = n;
            return regMoreData;
        }
        std::copy(value->data.begin(), value->data.end(), data);
    }
    *size = n;
    return regSuccess;
}

long THiveRegistry::SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                             std::uint32_t size)
{
    std::lock_guard guard(mutex_);
    const TPath* path = PathOf(key);
    if (!path) return regInvalidHandle;
    if (size > MaxValueSize || (size > 0 && !data) || !WritableName(name)) return regInvalidParameter;
    const TPath keyPath = *path;
    return Change([&](TNode& root, bool& changed) {
        TNode* node = Resolve(root, keyPath);
        if (!node) return long(regKeyDeleted);
        std::vector<std::uint8_t> bytes(data, data + size);
        TValue* value = FindValue(*node, name);
        if (!value) {
            node->values.push_back({name, type, std::move(bytes)});
            changed = true;
        } else if (value->type != type || value->data != bytes) {
            value->type = type;
            value->data = std::move(bytes);
            changed = true;
        }
        return long(regSuccess);
    });
}

long THiveRegistry::DeleteValue(TRegKey key, const std::string& name)
{
    std::lock_guard guard(mutex_);
    const TPath* path = PathOf(key);
    if (!path) return regInvalidHandle;
    const TPath keyPath = *path;
    return Change([&](TNode& root, bool& changed) {
        TNode* node = Resolve(root, keyPath);
        if (!node) return long(regKeyDeleted);
        auto it = std::find_if(node->values.begin(), node->values.end(),
                               [&](const TValue& v) { return SameName(v.name, name); });
        if (it == node->values.end()) return long(regFileNotFound);
        node->values.erase(it);
        changed = true;
        return long(regSuccess);
    });
}
