#pragma once
// An INI file in the layout of the Windows profile functions, parsed once into memory.
//
// Lookups and edits behave as GetPrivateProfileStringA and WritePrivateProfileStringA do on the same
// file (section and key names compared without regard to case, only the first section and key of a
// name count, blanks and enclosing quotes removed from values read, long values cut), and
// `serialize` gives the bytes those functions would leave in the file. Texts are UTF-8; the file's
// bytes are code page 936 (see core/text/cp936.h). Every operation is linear in the file's size or
// better.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvallo::profile {

// The longest value a read returns, in code page 936 bytes; longer values are cut at a character boundary.
inline constexpr std::size_t kMaxValueBytes = 10239;

class ProfileDocument {
public:
    ProfileDocument();
    ~ProfileDocument();
    ProfileDocument(ProfileDocument&&) noexcept;
    ProfileDocument& operator=(ProfileDocument&&) noexcept;

    // Any bytes parse; nothing is rejected.
    static ProfileDocument parse(std::string_view fileBytes);
    std::string serialize() const;

    // The value as a read would return it, or nothing when the section or the key does not exist.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The value, or `fallback` (treated as a read's default text is) when missing.
    std::string valueOr(std::string_view section, std::string_view key, std::string_view fallback) const;
    bool hasSection(std::string_view section) const;

    // Sets one key as a write would: a missing section is added at the end, a missing key at the end of its section.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvallo::profile
