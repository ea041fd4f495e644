#include "HiveFormat.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

const std::string_view RootName = "HKEY_CURRENT_USER";

// ---- Windows-1252 ----------------------------------------------------------

// The characters of the bytes 0x80 to 0x9F. The five bytes Windows-1252 leaves
// undefined stand for the control characters of the same number, as Windows
// itself reads them, so that every byte has a character and back.
const char32_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CharOf(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : byte;
}

std::optional<unsigned char> ByteOf(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i)
        if (HighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

// The next character of UTF-8 text at pos; nothing for a malformed sequence.
std::optional<char32_t> NextChar(std::string_view s, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length;
    char32_t c, least;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (s.size() - pos < static_cast<std::size_t>(length)) return std::nullopt;
    for (int i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
        c = c << 6 | (byte(pos + i) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    pos += static_cast<std::size_t>(length);
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Upper case of the letters Windows-1252 has, byte for byte.
unsigned char UpperByte(unsigned char c)
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

// The name in Windows-1252 for a name known to be valid.
std::string FileName(std::string_view utf8)
{
    std::optional<std::string> text = ToWindows1252(utf8);
    return text ? *text : std::string(utf8);
}

bool ValidName(std::string_view utf8, std::size_t maxLength, bool key)
{
    const std::optional<std::string> text = ToWindows1252(utf8);
    if (!text || text->size() > maxLength) return false; // one byte, one character
    if (key && (text->empty() || text->find('\\') != std::string::npos)) return false;
    return text->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

// ---- Lines -------------------------------------------------------------------

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s)
{
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Without a trailing "; comment", for data that holds no quoted text.
std::string_view WithoutComment(std::string_view s)
{
    return Trim(s.substr(0, s.find(';')));
}

bool IgnoredLine(std::string_view line)
{
    line = TrimLeft(line);
    return line.empty() || line.front() == ';';
}

bool SameAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperByte(static_cast<unsigned char>(x)) == UpperByte(static_cast<unsigned char>(y));
           });
}

bool StartsWithAscii(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameAscii(s.substr(0, prefix.size()), prefix);
}

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
bool ParseQuoted(std::string_view line, std::size_t& pos, std::string& text)
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

bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& data)
{
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
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

enum class TLine { understood, skipped, damaged };

struct TValueLine {
    THiveValue value;
    bool remove = false; // "name"=-
};

// One value line, with its continuation lines for hex data; index points at
// the line and ends on the last line that belongs to it.
TLine ParseValue(const std::vector<std::string_view>& lines, std::size_t& index, TValueLine& out)
{
    const std::string_view line = TrimLeft(lines[index]);
    std::size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
        pos = 1;
    } else if (!ParseQuoted(line, pos, name)) {
        return TLine::skipped;
    }
    if (name.size() > MaxValueNameLength) return TLine::damaged;
    out.value.name = FromWindows1252(name);
    if (!ValidValueName(out.value.name)) return TLine::skipped;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size() || line[pos] != '=') return TLine::skipped;
    std::string_view data = TrimLeft(line.substr(pos + 1));

    if (!data.empty() && data.front() == '"') {
        std::size_t end = 0;
        std::string text;
        if (!ParseQuoted(data, end, text)) return TLine::skipped;
        const std::string_view rest = TrimLeft(data.substr(end));
        if (!rest.empty() && rest.front() != ';') return TLine::skipped;
        const std::string utf8 = FromWindows1252(text);
        out.value.type = rtString;
        out.value.data.assign(utf8.begin(), utf8.end());
        out.value.data.push_back(0);
        return TLine::understood;
    }
    data = WithoutComment(data);
    if (data == "-") {
        out.remove = true;
        return TLine::understood;
    }
    if (StartsWithAscii(data, "dword:")) {
        std::uint32_t n;
        if (!ParseHexNumber(TrimLeft(data.substr(6)), n)) return TLine::skipped;
        out.value.type = rtDword;
        out.value.data = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
        return TLine::understood;
    }
    const std::size_t colon = data.find(':');
    if (colon == std::string_view::npos) return TLine::skipped;
    const std::string_view kind = Trim(data.substr(0, colon));
    if (SameAscii(kind, "hex")) {
        out.value.type = rtBinary;
    } else if (kind.size() > 5 && StartsWithAscii(kind, "hex(") && kind.back() == ')') {
        if (!ParseHexNumber(kind.substr(4, kind.size() - 5), out.value.type)) return TLine::skipped;
    } else {
        return TLine::skipped;
    }
    std::string bytes(Trim(data.substr(colon + 1)));
    while (!bytes.empty() && bytes.back() == '\\') {
        bytes.pop_back();
        // Blank and comment lines may come between; a line that holds no
        // hex is not a continuation and is read for itself.
        std::size_t next = index + 1;
        while (next < lines.size() && IgnoredLine(lines[next])) ++next;
        if (next == lines.size() || HexValue(TrimLeft(lines[next]).front()) < 0) {
            index = next - 1;
            return TLine::skipped;
        }
        index = next;
        bytes += WithoutComment(lines[next]);
    }
    out.value.data.clear();
    return ParseHexBytes(bytes, out.value.data) ? TLine::understood : TLine::skipped;
}

// The path of a "[path]" or "[-path]" line, which a "; comment" may follow;
// the first "]" that only blanks or a comment follow ends it.
std::optional<std::string_view> SectionPath(std::string_view line)
{
    for (std::size_t close = line.find(']'); close != std::string_view::npos; close = line.find(']', close + 1)) {
        const std::string_view rest = TrimLeft(line.substr(close + 1));
        if (rest.empty() || rest.front() == ';') return line.substr(1, close - 1);
    }
    return std::nullopt;
}

struct TSectionLine {
    enum { currentUser, otherRoot, skipped, damaged } kind = skipped;
    bool remove = false;
    std::vector<std::string> path; // below HKEY_CURRENT_USER, UTF-8
};

TSectionLine ParseSection(std::string_view line)
{
    TSectionLine section;
    std::optional<std::string_view> path = SectionPath(line);
    if (!path) return section;
    if (!path->empty() && path->front() == '-') {
        section.remove = true;
        path->remove_prefix(1);
    }
    // "[HKEY_CURRENT_USER\Software\]" names the same key as without the "\".
    while (!path->empty() && path->back() == '\\') path->remove_suffix(1);
    const std::string_view root = path->substr(0, path->find('\\'));
    if (!SameAscii(root, RootName)) {
        section.kind = StartsWithAscii(root, "HKEY_") ? TSectionLine::otherRoot : TSectionLine::skipped;
        return section;
    }
    std::string_view rest = path->substr(root.size());
    while (!rest.empty()) {
        rest.remove_prefix(1); // the "\"
        const std::string_view part = rest.substr(0, rest.find('\\'));
        rest.remove_prefix(part.size());
        if (part.size() > MaxKeyNameLength || section.path.size() == MaxKeyDepth) {
            section.kind = TSectionLine::damaged;
            return section;
        }
        section.path.push_back(FromWindows1252(part));
        if (!ValidKeyName(section.path.back())) return section; // also an empty name
    }
    if (section.remove && section.path.empty()) return section; // the root stays
    section.kind = TSectionLine::currentUser;
    return section;
}

// The characters of valid UTF-8 text: one byte each in Windows-1252.
std::size_t CharCount(std::string_view utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// What a key's sections take in the written text at least: "[path]" and two
// line breaks each, for the key and every key below it.
std::size_t SectionBytes(const THiveKey& key, std::size_t pathLength)
{
    std::size_t bytes = pathLength + 6;
    for (const THiveKey& child : key.Keys()) bytes += SectionBytes(child, pathLength + 1 + CharCount(child.Name()));
    return bytes;
}

// ---- Writing ---------------------------------------------------------------

class TWriter {
public:
    explicit TWriter(std::size_t maxSize) : maxSize_(maxSize) {}

    void Add(std::string_view text)
    {
        if (out_.size() + text.size() > maxSize_)
            full_ = true;
        else
            out_ += text;
    }
    bool Full() const { return full_; }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
    std::size_t maxSize_;
    bool full_ = false;
};

const char HexDigits[] = "0123456789abcdef";

std::string Hex2(std::uint8_t b)
{
    return {HexDigits[b >> 4], HexDigits[b & 15]};
}

std::string Quoted(std::string_view text)
{
    std::string s = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') s += '\\';
        s += c;
    }
    return s + '"';
}

// The text of a string value that can be written as a quoted string: one
// terminating zero, no other, no line breaks, and characters Windows-1252 has.
std::optional<std::string> PlainString(const std::vector<std::uint8_t>& data)
{
    if (data.empty() || data.back() != 0) return std::nullopt;
    const std::string_view utf8(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    if (utf8.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return std::nullopt;
    return ToWindows1252(utf8);
}

void WriteValue(TWriter& out, const THiveValue& v)
{
    std::string line = (v.name.empty() ? std::string("@") : Quoted(FileName(v.name))) + "=";
    if (v.type == rtString) {
        if (std::optional<std::string> text = PlainString(v.data)) {
            out.Add(line + Quoted(*text) + "\r\n");
            return;
        }
    }
    if (v.type == rtDword && v.data.size() == 4) {
        line += "dword:";
        for (int i = 3; i >= 0; --i) line += Hex2(v.data[i]);
        out.Add(line + "\r\n");
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
    for (std::size_t i = 0; i < n && !out.Full(); ++i) {
        const bool last = i + 1 == n;
        std::string token = Hex2(v.data[i]) + (last ? "" : ",");
        if (i > 0 && line.size() + token.size() + (last ? 0 : 1) > 79) {
            out.Add(line + "\\\r\n");
            line = "  ";
        }
        line += token;
    }
    out.Add(line + "\r\n");
}

void WriteSection(TWriter& out, const THiveKey& key, const std::string& path)
{
    out.Add("[" + path + "]\r\n");
    for (const THiveValue& v : key.Values()) WriteValue(out, v);
    out.Add("\r\n");
}

} // namespace

// ---- Names -------------------------------------------------------------------

std::optional<std::string> ToWindows1252(std::string_view utf8)
{
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::optional<char32_t> c = NextChar(utf8, pos);
        if (!c) return std::nullopt;
        const std::optional<unsigned char> byte = ByteOf(*c);
        if (!byte) return std::nullopt;
        text += static_cast<char>(*byte);
    }
    return text;
}

std::string FromWindows1252(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (char c : text) AppendUtf8(utf8, CharOf(static_cast<unsigned char>(c)));
    return utf8;
}

std::string FoldedName(std::string_view utf8)
{
    std::string text = FileName(utf8);
    for (char& c : text) c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
    return text;
}

bool ValidKeyName(std::string_view utf8)
{
    return ValidName(utf8, MaxKeyNameLength, true);
}

bool ValidValueName(std::string_view utf8)
{
    return ValidName(utf8, MaxValueNameLength, false);
}

// ---- THiveKey ----------------------------------------------------------------

THiveKey* THiveKey::FindKey(const std::string& name)
{
    auto it = keyIndex_.find(FoldedName(name));
    return it == keyIndex_.end() ? nullptr : &*it->second;
}

THiveKey& THiveKey::FindOrCreateKey(const std::string& name, bool& created)
{
    // One look-up for both: a large hive is mostly new names.
    auto [it, inserted] = keyIndex_.try_emplace(FoldedName(name));
    if (!inserted) return *it->second;
    keys_.emplace_back(name);
    it->second = std::prev(keys_.end());
    created = true;
    return keys_.back();
}

bool THiveKey::RemoveKey(const std::string& name)
{
    auto it = keyIndex_.find(FoldedName(name));
    if (it == keyIndex_.end()) return false;
    keys_.erase(it->second);
    keyIndex_.erase(it);
    return true;
}

THiveValue* THiveKey::FindValue(const std::string& name)
{
    auto it = valueIndex_.find(FoldedName(name));
    return it == valueIndex_.end() ? nullptr : &*it->second;
}

bool THiveKey::SetValue(THiveValue value)
{
    auto [it, inserted] = valueIndex_.try_emplace(FoldedName(value.name));
    if (!inserted) {
        // The name keeps the case it was created with.
        THiveValue& old = *it->second;
        if (old.type == value.type && old.data == value.data) return false;
        old.type = value.type;
        old.data = std::move(value.data);
        return true;
    }
    values_.push_back(std::move(value));
    it->second = std::prev(values_.end());
    return true;
}

bool THiveKey::RemoveValue(const std::string& name)
{
    auto it = valueIndex_.find(FoldedName(name));
    if (it == valueIndex_.end()) return false;
    values_.erase(it->second);
    valueIndex_.erase(it);
    return true;
}

// ---- Text --------------------------------------------------------------------

TParsedHive ParseHive(std::string_view text, std::size_t maxSize)
{
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    TParsedHive parsed;
    if (lines.empty() || Trim(lines[0]) != "REGEDIT4") return parsed;

    auto hive = std::make_unique<THive>();
    std::size_t keyBytes = 0; // the least the keys take written back
    enum { none, currentUser, otherRoot } section = none;
    THiveKey* key = nullptr;
    auto skip = [&](std::size_t index) { parsed.skipped.push_back({index + 1, std::string(lines[index])}); };
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = TrimLeft(lines[i]);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (section == otherRoot) hive->otherRoots += "\r\n";
            section = none;
            TSectionLine header = ParseSection(line);
            switch (header.kind) {
            case TSectionLine::damaged: return parsed;
            case TSectionLine::skipped: skip(i); continue;
            case TSectionLine::otherRoot:
                section = otherRoot;
                hive->otherRoots.append(lines[i]).append("\r\n");
                continue;
            case TSectionLine::currentUser: break;
            }
            THiveKey* parent = &hive->root;
            const std::size_t walk = header.path.size() - (header.remove ? 1 : 0);
            std::size_t pathLength = RootName.size();
            for (std::size_t p = 0; p < walk && parent; ++p) {
                pathLength += 1 + CharCount(header.path[p]);
                bool created = false;
                parent = header.remove ? parent->FindKey(header.path[p])
                                       : &parent->FindOrCreateKey(header.path[p], created);
                if (created && (keyBytes += pathLength + 6) > maxSize) return parsed;
            }
            if (header.remove) {
                // Values after a deletion belong to no key.
                THiveKey* removed = parent ? parent->FindKey(header.path.back()) : nullptr;
                if (removed) {
                    keyBytes -= SectionBytes(*removed, pathLength + 1 + CharCount(removed->Name()));
                    parent->RemoveKey(header.path.back());
                }
            } else {
                section = currentUser;
                key = parent;
            }
            continue;
        }
        if (section == otherRoot) {
            hive->otherRoots.append(lines[i]).append("\r\n");
            continue;
        }
        if (line.front() == ';') continue;
        const std::size_t first = i;
        TValueLine value;
        const TLine result = ParseValue(lines, i, value);
        if (result == TLine::damaged) return parsed;
        if (result == TLine::skipped || section == none) {
            skip(first);
        } else if (value.remove) {
            key->RemoveValue(value.value.name);
        } else {
            key->SetValue(std::move(value.value));
        }
    }
    if (section == otherRoot) hive->otherRoots += "\r\n";
    parsed.hive = std::move(hive);
    return parsed;
}

std::optional<std::string> FormatHive(const THive& hive, std::size_t maxSize)
{
    TWriter out(maxSize);
    out.Add("REGEDIT4\r\n\r\n");
    std::string path(RootName);
    if (!hive.root.Values().empty()) WriteSection(out, hive.root, path);
    // Parents first, siblings in creation order; a walk of its own rather than
    // recursion, whatever the depth.
    struct TLevel {
        std::list<THiveKey>::const_iterator next, end;
        std::size_t pathLength;
    };
    std::vector<TLevel> levels{{hive.root.Keys().begin(), hive.root.Keys().end(), path.size()}};
    while (!levels.empty() && !out.Full()) {
        TLevel& level = levels.back();
        if (level.next == level.end) {
            levels.pop_back();
            continue;
        }
        const THiveKey& key = *level.next++;
        path.resize(level.pathLength);
        path += '\\';
        path += FileName(key.Name());
        WriteSection(out, key, path);
        levels.push_back({key.Keys().begin(), key.Keys().end(), path.size()});
    }
    out.Add(hive.otherRoots);
    if (out.Full()) return std::nullopt;
    return out.Take();
}
