#pragma once
// The registry of systems without one: HKEY_CURRENT_USER kept in a text file
// in the format of Windows registry exports ("REGEDIT4"), which a person can
// read, edit, and import into a Windows registry as it is.
//
// Several Pelorix processes may share the file. Every change takes a lock on a
// lock file beside the hive, reads the hive again, applies the change and
// writes the whole hive to a temporary file that then replaces the old one, so
// a reader sees either the old or the new hive and no process loses another's
// change. Every read reads the file again too: it is small, and times on disk
// are too coarse to tell whether a peer has just replaced it.
//
// A hive that cannot be read (damaged, not a regular file, larger than a
// settings hive ever gets) is set aside under a name with the time in it and
// Pelorix starts afresh. Lines a person wrote that cannot be understood are
// skipped and reported on standard error, and the file as the person left it
// is copied aside before it is first rewritten.

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "HiveFormat.h"
#include "Registry.h"

class THiveRegistry : public TRegistryApi {
public:
    explicit THiveRegistry(QString path);
    ~THiveRegistry() override;

    // ${XDG_CONFIG_HOME:-$HOME/.config}/pelorix/HKEY_CURRENT_USER.reg, where
    // a relative XDG_CONFIG_HOME counts as unset and the password database
    // gives the home folder when HOME is unset.
    static QString DefaultPath();
    const QString& Path() const { return path_; }

    // Larger files are set aside without reading them: a settings hive never
    // comes near this.
    static constexpr std::size_t MaxHiveSize = 8 * 1024 * 1024;

    long CreateKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long OpenKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long CloseKey(TRegKey key) override;
    long DeleteKey(TRegKey base, const std::string& subKey) override;
    long QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(TRegKey key, const std::string& name) override;

    using TPath = std::vector<std::string>;

    // Identity of the hive file on disk: when it differs, the file surely
    // changed; when it does not, the file may have changed all the same.
    struct TFileId {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const TFileId&) const = default;
    };

protected:
    // Whether the file surely changed, told by its identity alone. Where times
    // move once per kernel tick and a new file takes the number of the old
    // one, a changed file may keep its identity: the content decides then.
    virtual bool IdentityChanged(const TFileId& before, const TFileId& now) const { return before != now; }
    // The moment between writing the new hive in full and putting it in the
    // old one's place.
    virtual void BeforeReplace() {}

private:
    using TChange = std::function<long(THiveKey& root, bool& changed)>;

    const TPath* PathOf(TRegKey key) const;
    // The path of the base key and the parts of subKey below it, or the
    // result code for a bad handle or name.
    long SubKeyPath(TRegKey base, const std::string& subKey, TPath& basePath, TPath& parts) const;
    TRegKey NewHandle(TPath path);
    // Brings the tree in line with the file; false when the file is damaged
    // and could not be set aside. A text equal to foundDamaged is taken as
    // damaged without reading it again.
    bool Refresh(bool locked, const std::string* foundDamaged = nullptr);
    // Sets the file aside; text is what was read of it, if anything.
    bool Damaged(bool locked, const std::string* text);
    long Change(const TChange& change);
    bool Store();
    // Keeps the file beside it under a name with the time in it: moved when
    // it is damaged, copied when a rewrite would lose what a person wrote.
    bool SetAside(bool copy);

    QString path_;
    std::mutex mutex_;
    std::unique_ptr<THive> hive_;
    bool loaded_ = false;
    TFileId fileId_;
    std::optional<std::string> text_; // the file as last read or written; nothing: no file
    bool handEdited_ = false;         // the file is not as this program writes it
    std::map<TRegKey, TPath> handles_;
    TRegKey nextHandle_ = 0x1000;
};
