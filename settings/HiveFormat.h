#pragma once
// The hive's tree of keys and values, and its text in the format of Windows
// registry exports ("REGEDIT4"), which the registry editor imports.
//
// Names and string data are UTF-8 in the tree and Windows-1252 in the text,
// as the format demands; a name Windows-1252 cannot hold is not a valid name.
// Names compare without regard to letter case.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Registry.h"

// What Windows refuses: longer names and deeper keys are damage in a hive.
inline constexpr std::size_t MaxKeyNameLength = 255;     // characters
inline constexpr std::size_t MaxValueNameLength = 16383; // characters
inline constexpr std::size_t MaxKeyDepth = 512;          // keys below HKEY_CURRENT_USER

struct THiveValue {
    std::string name;
    std::uint32_t type = rtBinary;
    std::vector<std::uint8_t> data;
};

// One key with its sub-keys and values, both in creation order and found by
// name in constant time, so that no hive, however large, takes long to read.
class THiveKey {
public:
    explicit THiveKey(std::string name = {}) : name_(std::move(name)) {}
    THiveKey(const THiveKey&) = delete;
    THiveKey& operator=(const THiveKey&) = delete;

    const std::string& Name() const { return name_; }
    const std::list<THiveKey>& Keys() const { return keys_; }
    const std::list<THiveValue>& Values() const { return values_; }

    THiveKey* FindKey(const std::string& name);
    THiveKey& FindOrCreateKey(const std::string& name, bool& created);
    // Removes the sub-key with everything below it; false when there is none.
    bool RemoveKey(const std::string& name);

    THiveValue* FindValue(const std::string& name);
    // Creates or replaces the value; false when it already held this.
    bool SetValue(THiveValue value);
    bool RemoveValue(const std::string& name);

private:
    std::string name_;
    std::list<THiveKey> keys_;
    std::unordered_map<std::string, std::list<THiveKey>::iterator> keyIndex_; // by folded name
    std::list<THiveValue> values_;
    std::unordered_map<std::string, std::list<THiveValue>::iterator> valueIndex_;
};

struct THive {
    THiveKey root; // HKEY_CURRENT_USER
    // Sections under other root keys, kept as they were written and written
    // back after the keys of HKEY_CURRENT_USER.
    std::string otherRoots;
};

// ---- Names ---------------------------------------------------------------

// The text in Windows-1252; nothing when it is not UTF-8 or holds a character
// Windows-1252 has not.
std::optional<std::string> ToWindows1252(std::string_view utf8);
std::string FromWindows1252(std::string_view text);
// The name's characters upper-cased one by one, for comparing; for valid names only.
std::string FoldedName(std::string_view utf8);
// A name this hive can hold: UTF-8 that Windows-1252 can hold, no line break
// or zero character, not longer than Windows allows; key names are not empty
// and have no backslash.
bool ValidKeyName(std::string_view utf8);
bool ValidValueName(std::string_view utf8);

// ---- Text ----------------------------------------------------------------

struct TSkippedLine {
    std::size_t number; // 1-based
    std::string text;
};

struct TParsedHive {
    std::unique_ptr<THive> hive; // nothing: the text is damaged
    std::vector<TSkippedLine> skipped;
};

// Reads what the registry editor imports. A line it cannot understand is
// skipped and listed; a text without the header, or with a key or name
// longer or deeper than Windows allows, is damaged. So is one whose keys
// alone would take more than maxSize bytes to write back (FormatHive): the
// reading stops there, so a small text of deep key chains cannot make a
// tree many times its size.
TParsedHive ParseHive(std::string_view text, std::size_t maxSize = SIZE_MAX);

// The text of the hive; nothing when it would be longer than maxSize.
std::optional<std::string> FormatHive(const THive& hive, std::size_t maxSize);
