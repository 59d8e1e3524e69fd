#include "core/profile/profile_document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "core/text/cp936.h"
#include "core/text/utf8.h"

namespace corvallo::profile {

namespace {

using Index32 = std::uint32_t;
constexpr Index32 kNone = 0xFFFFFFFFu;
// Offsets into the text are 32-bit; a file this large is not an INI file.
constexpr std::size_t kMaxText = 0xFFFFFF00u;

// The blanks of the profile code: TAB, LF, VT, FF, CR, ^Z (an old end-of-file mark) and space.
bool isBlank(char c)
{
    return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' ';
}

std::string_view trimLeft(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && isBlank(s[b])) {
        ++b;
    }
    return s.substr(b);
}

std::string_view trimRight(std::string_view s)
{
    std::size_t e = s.size();
    while (e > 0 && isBlank(s[e - 1])) {
        --e;
    }
    return s.substr(0, e);
}

std::string_view trim(std::string_view s) { return trimRight(trimLeft(s)); }

// The A functions take C strings.
std::string_view untilNul(std::string_view s)
{
    std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Names compare with only A-Z folded: Wine's comparison leaves every other letter alone (Greek,
// Cyrillic and full-width letters of code page 936 included). Folding the UTF-8 bytes folds exactly
// the ASCII characters, since the bytes of longer sequences are all above 0x7F.
char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool foldedEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::uint32_t foldedHash(std::string_view s, std::uint32_t seed)
{
    std::uint64_t h = 0xcbf29ce484222325ull ^ seed;
    for (char c : s) {
        h ^= static_cast<unsigned char>(fold(c));
        h *= 0x100000001b3ull;
    }
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 32;
    return static_cast<std::uint32_t>(h);
}

// ---- UTF-8 as stored here: well-formed UTF-8 plus lone surrogates (the byte escapes U+DC00+byte,
// and unpaired UTF-16 units of UTF-16 files) written as three bytes.

struct Char {
    std::uint32_t cp;   // code point; for a stray byte, U+DC00 + byte
    std::uint32_t len;  // bytes in the text
    bool stray;         // a byte that starts no character
};

Char charAt(std::string_view s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        return {b, 1, false};
    }
    const std::size_t left = s.size() - i;
    auto cont = [&](std::size_t k) { return k < left && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
    auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
    if (b >= 0xC2 && b <= 0xDF && cont(1)) {
        return {(b & 0x1Fu) << 6 | at(1), 2, false};
    }
    if (b >= 0xE0 && b <= 0xEF && cont(1) && cont(2)) {
        std::uint32_t cp = (b & 0x0Fu) << 12 | at(1) << 6 | at(2);
        if (cp >= 0x800) {
            return {cp, 3, false};
        }
    }
    if (b >= 0xF0 && b <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        std::uint32_t cp = (b & 0x07u) << 18 | at(1) << 12 | at(2) << 6 | at(3);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            return {cp, 4, false};
        }
    }
    return {0xDC00u + b, 1, true};
}

// An undecodable byte of code page 936 that can start a two-byte character (U+DC81..U+DCFE).
bool endsWithLeadByteEscape(std::string_view s)
{
    if (s.size() < 3) {
        return false;
    }
    const auto b0 = static_cast<unsigned char>(s[s.size() - 3]);
    const auto b1 = static_cast<unsigned char>(s[s.size() - 2]);
    const auto b2 = static_cast<unsigned char>(s[s.size() - 1]);
    const std::uint32_t cp = (b0 & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu);
    return b0 == 0xED && (b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && cp >= 0xDC81 && cp <= 0xDCFE;
}

bool isSurrogate(std::uint32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// Text that every encoding writes as it is and reads back the same: no stray bytes and no
// surrogates (a byte escape could join the bytes around it into another character on the next load).
bool isPlainText(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        Char c = charAt(s, i);
        if (c.stray || isSurrogate(c.cp)) {
            return false;
        }
        i += c.len;
    }
    return true;
}

// Bytes below 0x80 are the same characters in code page 936 and in UTF-8, so texts made only of
// them need no conversion either way.
bool isAscii(std::string_view s)
{
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, s.data() + i, 8);
        if ((word & 0x8080808080808080ull) != 0) {
            return false;
        }
    }
    for (; i < s.size(); ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string cp936ToText(std::string_view bytes)
{
    return isAscii(bytes) ? std::string(bytes) : text::cp936ToUtf8(bytes);
}

std::string textToCp936(std::string_view utf8)
{
    return isAscii(utf8) ? std::string(utf8) : text::utf8ToCp936(utf8);
}

// ---- The encodings a file can have. Wine tells them apart by the first bytes alone.

constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kBomUtf16Le = "\xFF\xFE";
constexpr std::string_view kBomUtf16Be = "\xFE\xFF";

FileEncoding detectEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 3) == kBomUtf8) {
        return FileEncoding::Utf8;
    }
    if (bytes.substr(0, 2) == kBomUtf16Le) {
        return FileEncoding::Utf16Le;
    }
    if (bytes.substr(0, 2) == kBomUtf16Be) {
        return FileEncoding::Utf16Be;
    }
    return FileEncoding::Cp936;
}

std::string_view bomOf(FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Utf8:
        return kBomUtf8;
    case FileEncoding::Utf16Le:
        return kBomUtf16Le;
    case FileEncoding::Utf16Be:
        return kBomUtf16Be;
    case FileEncoding::Cp936:
        break;
    }
    return {};
}

// Bytes that are not UTF-8 become byte escapes, so that the file comes back as it was.
std::string decodeUtf8File(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size();) {
        Char c = charAt(bytes, i);
        if (c.stray || isSurrogate(c.cp)) {
            text::appendUtf8(out, 0xDC00u + static_cast<unsigned char>(bytes[i]));
            ++i;
            continue;
        }
        out.append(bytes.substr(i, c.len));
        i += c.len;
    }
    return out;
}

std::string encodeUtf8File(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        Char c = charAt(text, i);
        if (!c.stray && c.cp >= 0xDC00 && c.cp <= 0xDCFF) {
            out += static_cast<char>(c.cp - 0xDC00);
        } else {
            out.append(text.substr(i, c.len));
        }
        i += c.len;
    }
    return out;
}

// Unpaired surrogates are kept as three-byte sequences so that they are written back unchanged.
std::string decodeUtf16File(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        return static_cast<std::uint32_t>(hi << 8 | lo);
    };
    const std::size_t n = bytes.size() & ~static_cast<std::size_t>(1);
    for (std::size_t i = 0; i < n; i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
            std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text::appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text::appendUtf8(out, u);
    }
    return out;
}

std::string encodeUtf16File(std::string_view text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](std::uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF);
        const char hi = static_cast<char>(u >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    for (std::size_t i = 0; i < text.size();) {
        Char c = charAt(text, i);
        if (c.cp >= 0x10000) {
            put(0xD800 + ((c.cp - 0x10000) >> 10));
            put(0xDC00 + ((c.cp - 0x10000) & 0x3FF));
        } else {
            put(c.cp);
        }
        i += c.len;
    }
    return out;
}

// Bytes a read's character takes in code page 936 (the A functions' buffer), and its UTF-16 units.
std::size_t cp936Bytes(std::string_view s, std::size_t i, const Char& c)
{
    if (c.cp < 0x80 || isSurrogate(c.cp)) {
        return 1;
    }
    std::size_t length = 0;
    return static_cast<std::size_t>(text::cp936LengthAt(s, i, length));
}

std::size_t utf16Units(const Char& c) { return c.cp >= 0x10000 ? 2 : 1; }

// What a read hands back for a stored value or a default: enclosing quotes removed as PROFILE_CopyEntry
// does into a buffer of kMaxValueBytes + 1 characters, then converted into as many whole characters
// as fit into kMaxValueBytes bytes of code page 936.
std::string readOut(std::string_view v)
{
    constexpr std::size_t kBufferUnits = kMaxValueBytes + 1;
    const bool quoted = v.size() >= 2 && (v[0] == '\'' || v[0] == '"') && v.back() == v[0];
    // No character takes more than twice its UTF-8 length in code page 936 (U+0080..U+07FF outside
    // the code page: two bytes become four), nor more UTF-16 units than bytes: short texts are never cut.
    if (v.size() <= kMaxValueBytes / 2) {
        return std::string(quoted ? v.substr(1, v.size() - 2) : v);
    }
    if (quoted) {
        v.remove_prefix(1);
    }
    std::size_t end = 0;
    std::size_t lastStart = 0;
    std::size_t units = 0;
    while (end < v.size()) {
        Char c = charAt(v, end);
        if (units + utf16Units(c) > kBufferUnits - 1) {
            break;
        }
        units += utf16Units(c);
        lastStart = end;
        end += c.len;
    }
    if (quoted) {
        // The closing quote is dropped by shortening the copy by one character, whatever it holds,
        // as long as the text was not longer than the buffer.
        std::size_t total = units;
        for (std::size_t i = end; i < v.size() && total <= kBufferUnits;) {
            Char c = charAt(v, i);
            total += utf16Units(c);
            i += c.len;
        }
        if (total <= kBufferUnits && end > 0) {
            end = lastStart;
        }
    }
    std::size_t bytes = 0;
    std::size_t cut = 0;
    while (cut < end) {
        Char c = charAt(v, cut);
        std::size_t n = cp936Bytes(v, cut, c);
        if (bytes + n > kMaxValueBytes) {
            break;
        }
        bytes += n;
        cut += c.len;
    }
    return std::string(v.substr(0, cut));
}

// Open addressing over 32-bit entry numbers (entry + 1; 0 marks a free slot), at most half full.
// Hashes are recomputed from the names when the table grows rather than stored, to halve its size.
class HashIndex {
public:
    template <class Equal>
    Index32 find(std::uint32_t hash, Equal&& equal) const
    {
        if (slots_.empty()) {
            return kNone;
        }
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const std::uint32_t slot = slots_[i];
            if (slot == 0) {
                return kNone;
            }
            if (equal(slot - 1)) {
                return slot - 1;
            }
        }
    }

    // The caller has made sure the name is not there yet; hashOf(entry) gives any entry's hash.
    template <class HashOf>
    void insert(std::uint32_t hash, Index32 entry, HashOf&& hashOf)
    {
        if ((count_ + 1) * 2 > slots_.size()) {
            resize(count_ + 1, hashOf);
        }
        place(hash, entry);
        ++count_;
    }

    // Room for `entries` without growing (growing rehashes everything).
    template <class HashOf>
    void resize(std::size_t entries, HashOf&& hashOf)
    {
        std::size_t capacity = 16;
        while (capacity < entries * 2) {
            capacity *= 2;
        }
        if (capacity <= slots_.size()) {
            return;
        }
        std::vector<std::uint32_t> old = std::move(slots_);
        slots_.assign(capacity, 0);
        mask_ = capacity - 1;
        for (std::uint32_t slot : old) {
            if (slot != 0) {
                place(hashOf(slot - 1), slot - 1);
            }
        }
    }

    void clear()
    {
        slots_.clear();
        count_ = 0;
        mask_ = 0;
    }

private:
    void place(std::uint32_t hash, Index32 entry)
    {
        std::size_t i = hash & mask_;
        while (slots_[i] != 0) {
            i = (i + 1) & mask_;
        }
        slots_[i] = entry + 1;
    }

    std::vector<std::uint32_t> slots_;
    std::size_t count_ = 0;
    std::size_t mask_ = 0;
};

struct Span {
    std::uint32_t off = 0;
    std::uint32_t len = 0;
};

struct Key {
    Span name;
    Span value;  // value.len == kNone: the line had no "="
    Index32 next = kNone;
    Index32 section = kNone;
};

struct Section {
    Span name;
    Index32 firstKey = kNone;
    Index32 lastKey = kNone;
    bool first = false;  // the first section of its name, the only one lookups see
};

}  // namespace

struct ProfileDocument::Impl {
    // Names and values point into the decoded file (offsets below its size) or into the texts that
    // writes added after it, kept apart so that the file's text is never copied to make room.
    std::string text;
    std::string added;
    std::size_t unused = 0;  // bytes of either that nothing points to any more

    std::vector<Section> sections;  // sections[0] holds the keys before any header; its name is empty
    std::vector<Key> keys;
    HashIndex sectionIndex;  // folded name -> first section of that name
    HashIndex keyIndex;      // (first section, folded name) -> first key of that name in it

    FileEncoding encoding = FileEncoding::Cp936;
    bool emptyFile = true;
    int oddByte = -1;  // a UTF-16 file of odd length keeps its last byte at the end
    bool modified = false;
    // Saving and reloading the tree would not give the tree back (NULs in the file, a nameless section
    // after the first, a byte-order mark at the start of what a save writes): the file is then reloaded
    // after the next change, as the profile functions would.
    bool unstable = false;
    // The file after the last change, when a reload of it gave a tree that saves differently.
    std::optional<std::string> frozen;

    // The last change as it was written: a reload trims what lies beyond the stored lengths.
    Index32 rawSection = kNone;
    std::uint32_t rawSectionLen = 0;
    Index32 rawKey = kNone;
    std::uint32_t rawKeyNameLen = 0;
    std::uint32_t rawValueLen = 0;

    std::string_view view(Span s) const
    {
        if (s.off < text.size()) {
            return std::string_view(text).substr(s.off, s.len);
        }
        return std::string_view(added).substr(s.off - text.size(), s.len);
    }

    std::uint32_t keyHash(Index32 section, std::string_view name) const { return foldedHash(name, section + 1); }
    std::uint32_t sectionHash(std::string_view name) const { return foldedHash(name, 0); }

    auto keyHashOf() const
    {
        return [this](Index32 k) { return keyHash(keys[k].section, view(keys[k].name)); };
    }

    Index32 findSection(std::string_view name) const
    {
        return sectionIndex.find(sectionHash(name),
                                 [&](Index32 s) { return foldedEqual(view(sections[s].name), name); });
    }

    Index32 findKey(Index32 section, std::string_view name) const
    {
        return keyIndex.find(keyHash(section, name), [&](Index32 k) {
            return keys[k].section == section && foldedEqual(view(keys[k].name), name);
        });
    }

    Span append(std::string_view s)
    {
        if (text.size() + added.size() + s.size() > kMaxText) {
            throw std::length_error("profile document too large");
        }
        Span span{static_cast<std::uint32_t>(text.size() + added.size()), static_cast<std::uint32_t>(s.size())};
        added.append(s);
        return span;
    }

    Index32 addSection(Span name)
    {
        const auto s = static_cast<Index32>(sections.size());
        Section section;
        section.name = name;
        const std::string_view n = view(name);
        if (findSection(n) == kNone) {
            section.first = true;
            sectionIndex.insert(sectionHash(n), s, [&](Index32 e) { return sectionHash(view(sections[e].name)); });
        }
        sections.push_back(section);
        return s;
    }

    Index32 addKey(Index32 s, Span name, Span value)
    {
        const auto k = static_cast<Index32>(keys.size());
        Key key;
        key.name = name;
        key.value = value;
        key.section = s;
        Section& section = sections[s];
        if (section.lastKey == kNone) {
            section.firstKey = k;
        } else {
            keys[section.lastKey].next = k;
        }
        section.lastKey = k;
        if (section.first) {
            const std::string_view n = view(name);
            if (findKey(s, n) == kNone) {
                keyIndex.insert(keyHash(s, n), k, keyHashOf());
            }
        }
        keys.push_back(key);
        return k;
    }

    Span cutAtNul(std::size_t begin, std::size_t end) const
    {
        const void* nul = std::memchr(text.data() + begin, 0, end - begin);
        if (nul != nullptr) {
            end = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
        }
        return {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end - begin)};
    }

    // PROFILE_Load over the decoded text.
    void load()
    {
        sections.clear();
        keys.clear();
        sectionIndex.clear();
        keyIndex.clear();
        Section global;
        global.first = true;
        sections.push_back(global);
        sectionIndex.insert(sectionHash({}), 0, [](Index32) { return 0u; });
        unstable = std::memchr(text.data(), 0, text.size()) != nullptr;

        // Every key and header takes a line: sizing for the line count up front spares the copying
        // and page faults of repeated growth.
        const std::size_t lines = std::max(countByte('\n'), countByte('\r')) + 1;
        keys.reserve(lines);
        keyIndex.resize(lines, keyHashOf());

        const char* const data = text.data();
        const std::size_t size = text.size();
        Index32 current = 0;
        Index32 previous = kNone;  // the section's last key, for the rule on nameless lines
        std::size_t pos = 0;
        while (pos < size) {
            std::size_t begin = pos;
            while (pos < size && data[pos] != '\n' && data[pos] != '\r') {
                ++pos;
            }
            std::size_t end = pos;
            while (pos < size && (data[pos] == '\n' || data[pos] == '\r')) {
                ++pos;
            }
            while (begin < end && isBlank(data[begin])) {
                ++begin;
            }
            while (end > begin && isBlank(data[end - 1])) {
                --end;
            }
            if (begin == end) {
                continue;
            }
            if (data[begin] == '[') {
                // A section line is one whose last ']' closes it; anything after that is dropped.
                std::size_t close = end;
                while (close > begin && data[close - 1] != ']') {
                    --close;
                }
                if (close > begin) {
                    std::size_t nameBegin = begin + 1;
                    std::size_t nameEnd = close - 1;
                    while (nameBegin < nameEnd && isBlank(data[nameBegin])) {
                        ++nameBegin;
                    }
                    while (nameEnd > nameBegin && isBlank(data[nameEnd - 1])) {
                        --nameEnd;
                    }
                    Span name = cutAtNul(nameBegin, nameEnd);
                    // A save writes no header for a nameless section, so its keys join the section
                    // before; and the ']' a save puts after an undecodable lead byte pairs up with it.
                    if (name.len == 0 || (encoding == FileEncoding::Cp936 && endsWithLeadByteEscape(view(name)))) {
                        unstable = true;
                    }
                    current = addSection(name);
                    previous = kNone;
                    continue;
                }
            }
            std::size_t nameEnd = end;
            std::size_t valueBegin = end;
            bool hasValue = false;
            if (const void* eq = std::memchr(data + begin, '=', end - begin)) {
                hasValue = true;
                nameEnd = static_cast<std::size_t>(static_cast<const char*>(eq) - data);
                valueBegin = nameEnd + 1;
                while (nameEnd > begin && isBlank(data[nameEnd - 1])) {
                    --nameEnd;
                }
                while (valueBegin < end && isBlank(data[valueBegin])) {
                    ++valueBegin;
                }
            }
            // A line with an empty name is dropped when the key before it in the section had an empty name too.
            if (nameEnd > begin || previous == kNone || keys[previous].name.len != 0) {
                Span value{0, kNone};
                if (hasValue) {
                    value = cutAtNul(valueBegin, end);
                }
                previous = addKey(current, cutAtNul(begin, nameEnd), value);
            }
        }
        if (keys.capacity() > keys.size() + keys.size() / 4 + 64) {
            keys.shrink_to_fit();  // mostly blank lines
        }
    }

    std::size_t countByte(char c) const
    {
        std::size_t n = 0;
        for (const char* p = text.data(), *end = p + text.size();
             (p = static_cast<const char*>(std::memchr(p, c, static_cast<std::size_t>(end - p)))) != nullptr; ++p) {
            ++n;
        }
        return n;
    }

    std::string encode(std::string_view body) const
    {
        std::string out(bomOf(encoding));
        switch (encoding) {
        case FileEncoding::Cp936:
            out += textToCp936(body);
            break;
        case FileEncoding::Utf8:
            out += encodeUtf8File(body);
            break;
        case FileEncoding::Utf16Le:
        case FileEncoding::Utf16Be:
            out += encodeUtf16File(body, encoding == FileEncoding::Utf16Be);
            break;
        }
        if (oddByte >= 0) {
            out += static_cast<char>(oddByte);
        }
        return out;
    }

    // PROFILE_Save, in UTF-8.
    std::string saveText() const
    {
        std::string out;
        out.reserve(text.size() + added.size() - unused + keys.size() * 3 + sections.size() * 4);
        for (std::size_t s = 0; s < sections.size(); ++s) {
            const Section& section = sections[s];
            Span name = section.name;
            if (s == rawSection) {
                name.len = rawSectionLen;
            }
            if (name.len != 0) {
                out += '[';
                out += view(name);
                out += "]\r\n";
            }
            for (Index32 k = section.firstKey; k != kNone; k = keys[k].next) {
                const Key& key = keys[k];
                Span keyName = key.name;
                Span value = key.value;
                if (k == rawKey) {
                    keyName.len = rawKeyNameLen;
                    value.len = rawValueLen;
                }
                out += view(keyName);
                if (value.len != kNone) {
                    out += '=';
                    out += view(value);
                }
                out += "\r\n";
            }
        }
        return out;
    }

    // The first bytes a save writes, to see whether a reload would take them for a byte-order mark.
    bool saveStartsWithMark() const
    {
        if (encoding != FileEncoding::Cp936) {
            return false;
        }
        std::string start;
        for (std::size_t s = 0; s < sections.size() && start.size() < 8; ++s) {
            Span name = sections[s].name;
            if (s == rawSection) {
                name.len = rawSectionLen;
            }
            if (name.len != 0) {
                start += '[';
            }
            for (Index32 k = sections[s].firstKey; k != kNone && start.size() < 8; k = keys[k].next) {
                Span keyName = keys[k].name;
                if (k == rawKey) {
                    keyName.len = rawKeyNameLen;
                }
                start += view(keyName).substr(0, 8);
                start += keys[k].value.len != kNone ? "=" : "\r\n";
            }
        }
        return detectEncoding(text::utf8ToCp936(start)) != FileEncoding::Cp936;
    }

    void clearRaw()
    {
        rawSection = kNone;
        rawKey = kNone;
    }

    // Rebuilds the text from what is still pointed to, once it holds more dead bytes than live ones.
    void compactIfWasteful()
    {
        const std::size_t total = text.size() + added.size();
        if (unused < 4096 || unused * 2 < total) {
            return;
        }
        std::string live;
        live.reserve(total - unused);
        auto move = [&](Span& span, std::uint32_t length) {
            const std::uint32_t off = static_cast<std::uint32_t>(live.size());
            live.append(view(Span{span.off, length}));
            span.off = off;
        };
        for (std::size_t s = 0; s < sections.size(); ++s) {
            move(sections[s].name, s == rawSection ? rawSectionLen : sections[s].name.len);
        }
        for (std::size_t k = 0; k < keys.size(); ++k) {
            Key& key = keys[k];
            move(key.name, k == rawKey ? rawKeyNameLen : key.name.len);
            if (key.value.len != kNone) {
                move(key.value, k == rawKey ? rawValueLen : key.value.len);
            }
        }
        // Everything now lives in `text`; it is no longer the file as parsed, which only matters before a change.
        text = std::move(live);
        added.clear();
        added.shrink_to_fit();
        unused = 0;
    }

    void decode(std::string_view bytes);
    void reloadFrom(std::string bytes);
};

void ProfileDocument::Impl::decode(std::string_view bytes)
{
    if (bytes.size() > kMaxText / 2) {
        throw std::length_error("profile file too large");
    }
    emptyFile = bytes.empty();
    encoding = detectEncoding(bytes);
    oddByte = -1;
    std::string_view body = bytes.substr(bomOf(encoding).size());
    switch (encoding) {
    case FileEncoding::Cp936:
        text = cp936ToText(body);
        break;
    case FileEncoding::Utf8:
        text = decodeUtf8File(body);
        break;
    case FileEncoding::Utf16Le:
    case FileEncoding::Utf16Be:
        text = decodeUtf16File(body, encoding == FileEncoding::Utf16Be);
        if (body.size() % 2 != 0) {
            oddByte = static_cast<unsigned char>(body.back());
        }
        break;
    }
    if (text.size() > kMaxText) {
        throw std::length_error("profile file too large");
    }
    if (text.capacity() > 2 * text.size() + 4096) {
        text.shrink_to_fit();
    }
    added.clear();
    added.shrink_to_fit();
    unused = 0;
    clearRaw();
    load();
}

// What the next call of the profile functions does first: read the file that the last write left.
void ProfileDocument::Impl::reloadFrom(std::string bytes)
{
    decode(bytes);
    modified = true;
    frozen = std::move(bytes);
}

ProfileDocument::ProfileDocument() : impl_(std::make_unique<Impl>())
{
    impl_->load();
}

ProfileDocument::~ProfileDocument() = default;
ProfileDocument::ProfileDocument(ProfileDocument&&) noexcept = default;
ProfileDocument& ProfileDocument::operator=(ProfileDocument&&) noexcept = default;

ProfileDocument ProfileDocument::parse(std::string_view fileBytes)
{
    ProfileDocument document;
    document.impl_->decode(fileBytes);
    return document;
}

std::string ProfileDocument::serialize() const
{
    const Impl& d = *impl_;
    if (!d.modified) {
        return d.encode(d.text);
    }
    if (d.frozen) {
        return *d.frozen;
    }
    return d.encode(d.saveText());
}

bool ProfileDocument::modified() const { return impl_->modified; }

FileEncoding ProfileDocument::encoding() const { return impl_->encoding; }

std::optional<std::string> ProfileDocument::value(std::string_view section, std::string_view key) const
{
    const Impl& d = *impl_;
    const Index32 s = d.findSection(trim(untilNul(section)));
    if (s == kNone) {
        return std::nullopt;
    }
    const Index32 k = d.findKey(s, trim(untilNul(key)));
    if (k == kNone || d.keys[k].value.len == kNone) {
        return std::nullopt;
    }
    return readOut(d.view(d.keys[k].value));
}

std::string ProfileDocument::valueOr(std::string_view section, std::string_view key, std::string_view fallback) const
{
    if (auto found = value(section, key)) {
        return std::move(*found);
    }
    // Trailing spaces (spaces only) leave the default, but never its first character.
    fallback = untilNul(fallback);
    std::size_t end = fallback.size();
    while (end > 1 && fallback[end - 1] == ' ') {
        --end;
    }
    return readOut(fallback.substr(0, end));
}

bool ProfileDocument::hasSection(std::string_view section) const
{
    const Impl& d = *impl_;
    const std::string_view name = trim(untilNul(section));
    if (name.empty()) {
        // The part before any header exists in every file that has any bytes.
        return !d.emptyFile || d.modified;
    }
    return d.findSection(name) != kNone;
}

std::vector<std::string> ProfileDocument::sectionNames() const
{
    const Impl& d = *impl_;
    std::vector<std::string> names;
    for (const Section& section : d.sections) {
        if (section.name.len != 0) {
            names.emplace_back(d.view(section.name));
        }
    }
    return names;
}

std::vector<std::string> ProfileDocument::keyNames(std::string_view section) const
{
    const Impl& d = *impl_;
    std::vector<std::string> names;
    // Listing compares the section name as given, blanks and all.
    const Index32 s = d.findSection(untilNul(section));
    if (s == kNone) {
        return names;
    }
    for (Index32 k = d.sections[s].firstKey; k != kNone; k = d.keys[k].next) {
        const Key& key = d.keys[k];
        std::string_view name = d.view(key.name);
        if (key.value.len == kNone || (!name.empty() && name[0] == ';')) {
            continue;
        }
        if (name.empty()) {
            break;  // in the list of NUL-ended names the function returns, an empty one ends the list
        }
        names.emplace_back(name);
    }
    return names;
}

void ProfileDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    Impl& d = *impl_;
    // Created names keep their trailing blanks until the next reload; lookups ignore blanks at both ends.
    const std::string_view sectionRaw = trimLeft(untilNul(section));
    const std::string_view keyRaw = trimLeft(untilNul(key));
    const std::string_view valueRaw = trimLeft(untilNul(value));
    const std::string_view sectionName = trimRight(sectionRaw);
    const std::string_view keyName = trimRight(keyRaw);

    Index32 s = d.findSection(sectionName);
    Index32 k = s == kNone ? kNone : d.findKey(s, keyName);
    if (k != kNone && d.keys[k].value.len != kNone && d.view(d.keys[k].value) == valueRaw) {
        return;  // no change: the file is not written
    }

    d.modified = true;
    d.frozen.reset();
    d.clearRaw();
    // Whether a reload of what this write leaves would read as anything other than a trim of it.
    bool reloadDiffers = d.unstable || !isPlainText(valueRaw) || hasLineBreak(trimRight(valueRaw));

    if (s == kNone) {
        reloadDiffers = reloadDiffers || hasLineBreak(sectionRaw) || !isPlainText(sectionRaw);
        Span name = d.append(sectionRaw);
        name.len = static_cast<std::uint32_t>(sectionName.size());
        s = d.addSection(name);
        d.rawSection = s;
        d.rawSectionLen = static_cast<std::uint32_t>(sectionRaw.size());
    }
    if (k == kNone) {
        reloadDiffers = reloadDiffers || keyRaw.find_first_of("\r\n=") != std::string_view::npos || !isPlainText(keyRaw);
        Span name = d.append(keyRaw);
        name.len = static_cast<std::uint32_t>(keyName.size());
        k = d.addKey(s, name, Span{0, kNone});
        d.rawKey = k;
        d.rawKeyNameLen = static_cast<std::uint32_t>(keyRaw.size());
    } else {
        d.rawKey = k;
        d.rawKeyNameLen = d.keys[k].name.len;
        if (d.keys[k].value.len != kNone) {
            d.unused += d.keys[k].value.len;
        }
    }
    Span stored = d.append(valueRaw);
    stored.len = static_cast<std::uint32_t>(trimRight(valueRaw).size());
    d.keys[k].value = stored;
    d.rawValueLen = static_cast<std::uint32_t>(valueRaw.size());

    // A line that starts with '[' and holds a ']' reads back as a section header.
    const std::string_view lineName = d.view(Span{d.keys[k].name.off, d.rawKeyNameLen});
    if (!lineName.empty() && lineName[0] == '[' &&
        (lineName.find(']') != std::string_view::npos || valueRaw.find(']') != std::string_view::npos)) {
        reloadDiffers = true;
    }
    if (reloadDiffers || d.saveStartsWithMark()) {
        d.reloadFrom(serialize());
        return;
    }
    d.compactIfWasteful();
}

}  // namespace corvallo::profile
