#pragma once
// Writing one code point as UTF-8. Surrogates are written like any other code point, so the
// carried bytes of the cp936 codec (U+DC00 + byte) and lone surrogates of file names survive.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvallo::text {

// Writes 1 to 4 bytes at `out` and returns how many.
inline std::size_t putUtf8(char* out, std::uint32_t cp) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

inline void appendUtf8(std::string& out, std::uint32_t cp) {
    char bytes[4];
    out.append(bytes, putUtf8(bytes, cp));
}

}  // namespace corvallo::text
