#pragma once
// The registry of systems without one: HKEY_CURRENT_USER kept in a text file
// in the format of Windows registry exports ("REGEDIT4"), which a person can
// read, edit, and import into a Windows registry as it is.
//
// Several Pelorix processes may share the file. Every change takes a lock on a
// lock file beside the hive, re-reads the hive, applies the change and writes
// the whole hive to a temporary file that then replaces the old one, so a
// reader sees either the old or the new hive and no process loses another's
// change. Reads re-read the hive whenever it changed on disk. A hive that
// cannot be read or understood is set aside under a name with the time in it
// and replaced by an empty one.

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Registry.h"

class THiveRegistry : public TRegistryApi {
public:
    explicit THiveRegistry(QString path);
    ~THiveRegistry() override;

    // ${XDG_CONFIG_HOME:-$HOME/.config}/pelorix/HKEY_CURRENT_USER.reg
    static QString DefaultPath();
    const QString& Path() const { return path_; }

    // Called after a new hive has been written in full and before it replaces
    // the old one; lets tests stop a writer at its most delicate moment.
    void SetBeforeReplaceHook(std::function<void()> hook) { beforeReplace_ = std::move(hook); }

    long CreateKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long OpenKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long CloseKey(TRegKey key) override;
    long DeleteKey(TRegKey base, const std::string& subKey) override;
    long QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(TRegKey key, const std::string& name) override;

    struct TValue {
        std::string name;
        std::uint32_t type = rtBinary;
        std::vector<std::uint8_t> data;
    };
    struct TNode {
        std::string name;
        std::vector<std::unique_ptr<TNode>> keys; // in creation order
        std::vector<TValue> values;
    };
    using TPath = std::vector<std::string>;

    // Identity of the hive file on disk, to notice that it changed.
    struct TFileId {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const TFileId&) const = default;
    };

private:
    using TChange = std::function<long(TNode& root, bool& changed)>;

    const TPath* PathOf(TRegKey key) const;
    // The path of the base key and the parts of subKey below it, or the
    // result code for a bad handle or name.
    long SubKeyPath(TRegKey base, const std::string& subKey, TPath& basePath, TPath& parts) const;
    TRegKey NewHandle(TPath path);
    void Refresh();
    void Load(bool locked);
    long Change(const TChange& change);
    bool Store();
    void SetAside();

    QString path_;
    std::function<void()> beforeReplace_;
    std::mutex mutex_;
    std::unique_ptr<TNode> root_;
    bool loaded_ = false;
    TFileId fileId_;
    std::map<TRegKey, TPath> handles_;
    TRegKey nextHandle_ = 0x1000;
};
