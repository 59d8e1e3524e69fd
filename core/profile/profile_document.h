#pragma once
// An INI file in the layout of the Windows profile functions, parsed once into memory.
//
// Lookups and edits behave as GetPrivateProfileStringA and WritePrivateProfileStringA do on the same
// file (section and key names compared without regard to case, only the first section and key of a
// name count, blanks and enclosing quotes removed from values read, long values cut), and
// `serialize` gives the bytes those functions would leave in the file. Texts are UTF-8; the file's
// bytes are code page 936 (see core/text/cp936.h). Every operation is linear in the file's size or
// better.
//
// The rules are those of Wine's profile code (dlls/kernel32/profile.c), which reloads the file
// before every call and, after a write that changes something, writes the whole file again: one
// entry per line ending in CR LF, no blank lines, names and values without their outer blanks. Only
// the last write's text appears exactly as it was given (trailing blanks of a value included); every
// earlier entry appears as a reload left it.
//
// Files that start with a byte-order mark are read as UTF-8 or UTF-16 (little or big endian) and
// written back in the same encoding with the same mark, as Wine does. Bytes that do not decode are
// carried through unchanged.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvallo::profile {

// The longest value a read returns, in code page 936 bytes; longer values are cut at a character boundary.
inline constexpr std::size_t kMaxValueBytes = 10239;

enum class FileEncoding { Cp936, Utf8, Utf16Le, Utf16Be };

class ProfileDocument {
public:
    ProfileDocument();
    ~ProfileDocument();
    ProfileDocument(ProfileDocument&&) noexcept;
    ProfileDocument& operator=(ProfileDocument&&) noexcept;

    // Any bytes parse; nothing is rejected (files of 4 GiB and more throw std::length_error).
    static ProfileDocument parse(std::string_view fileBytes);
    // The file's bytes after the writes made so far. Until a write changes something these are the
    // parsed bytes themselves: the profile functions leave a file alone when a write changes nothing.
    std::string serialize() const;
    // True once a write has changed something.
    bool modified() const;
    FileEncoding encoding() const;

    // The value as a read would return it, or nothing when the section or the key does not exist
    // (a line without "=" names a key that has no value: reads give their default for it).
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The value, or `fallback` (treated as a read's default text is) when missing.
    std::string valueOr(std::string_view section, std::string_view key, std::string_view fallback) const;
    bool hasSection(std::string_view section) const;

    // Every section name in file order, duplicates included (as GetPrivateProfileSectionNames lists them).
    std::vector<std::string> sectionNames() const;
    // The names of the keys that have a value in the first section of that name, in file order,
    // comments (";...") left out, up to the first nameless one (as GetPrivateProfileString lists them
    // when asked for no key: its list of NUL-ended names ends at an empty name).
    std::vector<std::string> keyNames(std::string_view section) const;

    // Sets one key as a write would: a missing section is added at the end, a missing key at the end of its section.
    // Texts end at their first NUL, as the A functions' C strings do.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvallo::profile
