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
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using TPath = THiveRegistry::TPath;

namespace {

// "A\B\C" -> {A, B, C}; "" -> {}; nothing when a part is not a valid key name.
std::optional<TPath> SplitPath(const std::string& path)
{
    TPath parts;
    if (path.empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!ValidKeyName(part) || parts.size() == MaxKeyDepth) return std::nullopt;
        parts.push_back(std::move(part));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

THiveKey* Resolve(THiveKey& root, const TPath& path)
{
    THiveKey* node = &root;
    for (const std::string& part : path)
        if (!(node = node->FindKey(part))) return nullptr;
    return node;
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

// The content of the regular file open as fd, at most limit bytes; nothing
// when it cannot be read or holds more.
std::optional<std::string> ReadAll(int fd, std::size_t limit)
{
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return text;
        if (text.size() + static_cast<std::size_t>(n) > limit) return std::nullopt;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// A line of the hive as it can be shown in a terminal.
std::string Printable(const std::string& line)
{
    const std::size_t shown = 100;
    std::string text = FromWindows1252(line.substr(0, shown));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return line.size() > shown ? text + "..." : text;
}

void ReportSkipped(const QString& path, const std::vector<TSkippedLine>& skipped)
{
    const std::size_t shown = 10; // binary noise must not flood the terminal
    const QByteArray name = QFile::encodeName(path);
    for (std::size_t i = 0; i < skipped.size() && i < shown; ++i)
        std::fprintf(stderr, "Pelorix: %s, line %zu: not understood, skipped: %s\n", name.constData(),
                     skipped[i].number, Printable(skipped[i].text).c_str());
    if (skipped.size() > shown)
        std::fprintf(stderr, "Pelorix: %s: %zu more lines not understood, skipped\n", name.constData(),
                     skipped.size() - shown);
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
        // Like the hive, never through a symbolic link and never anything but
        // a regular file.
        fd_ = ::open(QFile::encodeName(hivePath + ".lock").constData(),
                     O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        struct stat st;
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return;
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
    // A relative XDG_CONFIG_HOME is to be ignored; without HOME, the home
    // folder is the password database's.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base)) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) {
            const struct passwd* entry = ::getpwuid(::geteuid());
            home = entry && entry->pw_dir ? QFile::decodeName(entry->pw_dir) : QStringLiteral("/");
        }
        base = home + "/.config";
    }
    return QDir::cleanPath(base + "/pelorix/HKEY_CURRENT_USER.reg");
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

bool THiveRegistry::Refresh(bool locked, const std::string* foundDamaged)
{
    const QByteArray name = QFile::encodeName(path_);
    struct stat st;
    if (::stat(name.constData(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return Damaged(locked, nullptr);
        // No hive yet: an empty one.
        hive_ = std::make_unique<THive>();
        text_.reset();
        fileId_ = {};
        handEdited_ = false;
        loaded_ = true;
        return true;
    }
    // Anything but a regular file of a sensible size is never opened, let
    // alone read: a FIFO would block, a device could do anything.
    if (!S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > MaxHiveSize)
        return Damaged(locked, nullptr);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Refresh(locked) : Damaged(locked, nullptr); // set aside by a peer meanwhile
    std::optional<std::string> text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) text = ReadAll(fd, MaxHiveSize);
    ::close(fd);
    if (!text) return Damaged(locked, nullptr);

    // Times on disk may move only once per kernel tick and a new file may get
    // the number of an old one: when the identity looks the same, the content
    // decides.
    const TFileId id = IdOf(st);
    const bool surelyChanged = !loaded_ || IdentityChanged(fileId_, id);
    if (!surelyChanged && text_ == text) return true;
    if (foundDamaged && *foundDamaged == *text) return Damaged(locked, nullptr);

    {
        // One tree at a time: the old one goes before the new one is made.
        hive_ = std::make_unique<THive>();
        loaded_ = false;
        TParsedHive parsed = ParseHive(*text, MaxHiveSize);
        // A hive too large to be written back would be set aside at the next start.
        const std::optional<std::string> rewritten =
            parsed.hive ? FormatHive(*parsed.hive, MaxHiveSize) : std::nullopt;
        if (rewritten) {
            ReportSkipped(path_, parsed.skipped);
            hive_ = std::move(parsed.hive);
            handEdited_ = *rewritten != *text;
            text_ = std::move(text);
            fileId_ = id;
            loaded_ = true;
            return true;
        }
    }
    return Damaged(locked, &*text);
}

bool THiveRegistry::Damaged(bool locked, const std::string* text)
{
    hive_ = std::make_unique<THive>();
    text_.reset();
    handEdited_ = false;
    loaded_ = false; // until it has been set aside
    // Set it aside under the lock, so that a hive a peer has just written in
    // its place is never the one moved away. The same text is not read twice.
    if (!locked) {
        THiveLock lock(path_);
        return lock.Locked() && Refresh(true, text);
    }
    if (!SetAside(false)) return false;
    fileId_ = {};
    loaded_ = true;
    return true;
}

bool THiveRegistry::SetAside(bool copy)
{
    QFileInfo info(path_);
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    const QString stem =
        info.absolutePath() + "/" + info.completeBaseName() + (copy ? "-edited-" : "-damaged-") + stamp;
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    QString target = stem + suffix;
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = stem + "-" + QString::number(n) + suffix;
    const bool kept = copy ? QFile::copy(path_, target)
                           : std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target).constData()) == 0;
    if (kept)
        std::fprintf(stderr, copy ? "Pelorix: %s was edited by hand; kept as it was in %s\n"
                                  : "Pelorix: %s cannot be read; set aside as %s, settings start afresh\n",
                     QFile::encodeName(path_).constData(), QFile::encodeName(target).constData());
    return kept;
}

long THiveRegistry::Change(const TChange& change)
{
    THiveLock lock(path_);
    if (!lock.Locked()) return regLockViolation;
    // Made on what the file holds now: a peer may have changed it a moment ago.
    // A damaged hive that could not be set aside is not written over.
    if (!Refresh(true)) return regWriteFault;
    bool changed = false;
    long result = change(hive_->root, changed);
    if (result != regSuccess || !changed) return result;
    if (!Store()) {
        loaded_ = false; // memory is ahead of the disk now: read the disk again
        return regWriteFault;
    }
    return regSuccess;
}

bool THiveRegistry::Store()
{
    std::optional<std::string> text = FormatHive(*hive_, MaxHiveSize);
    if (!text) return false;
    // Before its first rewrite, what a person wrote in the file is kept.
    if (handEdited_ && !SetAside(true)) return false;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text->data(), static_cast<qint64>(text->size())) != static_cast<qint64>(text->size())) {
        file.cancelWriting();
        return false;
    }
    BeforeReplace();
    if (!file.commit()) return false;
    text_ = std::move(text);
    handEdited_ = false;
    fileId_ = Identify(path_);
    return true;
}

long THiveRegistry::SubKeyPath(TRegKey base, const std::string& subKey, TPath& basePath, TPath& parts) const
{
    const TPath* path = PathOf(base);
    if (!path) return regInvalidHandle;
    std::optional<TPath> split = SplitPath(subKey);
    if (!split || path->size() + split->size() > MaxKeyDepth) return regInvalidParameter;
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

    Refresh(false);
    if (!Resolve(hive_->root, full)) {
        long r = Change([&](THiveKey& root, bool& changed) {
            THiveKey* node = Resolve(root, basePath);
            if (!node) return long(regKeyDeleted);
            for (const std::string& part : parts) node = &node->FindOrCreateKey(part, changed);
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
    Refresh(false);
    if (!Resolve(hive_->root, full)) return regFileNotFound;
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
    return Change([&](THiveKey& root, bool& changed) {
        THiveKey* parent = Resolve(root, parentPath);
        THiveKey* key = parent ? parent->FindKey(name) : nullptr;
        if (!key) return long(regFileNotFound);
        if (!key->Keys().empty()) return long(regAccessDenied);
        changed = parent->RemoveKey(name);
        return long(regSuccess);
    });
}

long THiveRegistry::QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size)
{
    std::lock_guard guard(mutex_);
    const TPath* path = PathOf(key);
    if (!path) return regInvalidHandle;
    if (!ValidValueName(name)) return regInvalidParameter;
    if (!size) return data ? regInvalidParameter : regSuccess;
    Refresh(false);
    THiveKey* node = Resolve(hive_->root, *path);
    if (!node) return regKeyDeleted;
    const THiveValue* value = node->FindValue(name);
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
    // A name the hive's Windows-1252 cannot hold is refused, never mangled.
    if (size > MaxValueSize || (size > 0 && !data) || !ValidValueName(name)) return regInvalidParameter;
    const TPath keyPath = *path;
    return Change([&](THiveKey& root, bool& changed) {
        THiveKey* node = Resolve(root, keyPath);
        if (!node) return long(regKeyDeleted);
        changed = node->SetValue({name, type, std::vector<std::uint8_t>(data, data + size)});
        return long(regSuccess);
    });
}

long THiveRegistry::DeleteValue(TRegKey key, const std::string& name)
{
    std::lock_guard guard(mutex_);
    const TPath* path = PathOf(key);
    if (!path) return regInvalidHandle;
    if (!ValidValueName(name)) return regInvalidParameter;
    const TPath keyPath = *path;
    return Change([&](THiveKey& root, bool& changed) {
        THiveKey* node = Resolve(root, keyPath);
        if (!node) return long(regKeyDeleted);
        if (!node->RemoveValue(name)) return long(regFileNotFound);
        changed = true;
        return long(regSuccess);
    });
}
