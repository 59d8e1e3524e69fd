#include "core/text/text_rules.h"

#include <limits>

namespace corvallo::text {

std::vector<std::string> splitText(std::string_view text, char delimiter)
{
    // In UTF-8 an ASCII byte is always a character of its own (the codec escapes cp936 trail bytes
    // that would look like one), so a byte scan is enough.
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == delimiter) {
            parts.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) {
        parts.emplace_back(text.substr(start));
    }
    return parts;
}

namespace {

// The ASCII form of the character at text[pos] (full-width digits, signs and the ideographic blank
// count as ASCII), or 0 for any other non-ASCII character; `length` is its length in bytes.
char asciiForm(std::string_view text, std::size_t pos, std::size_t& length)
{
    const auto byte = [&](std::size_t i) {
        return pos + i < text.size() ? static_cast<unsigned char>(text[pos + i]) : 0u;
    };
    const unsigned char b = byte(0);
    length = 1;
    if (b < 0x80) {
        return static_cast<char>(b);
    }
    if (b == 0xEF && byte(1) == 0xBC) {  // U+FF00..U+FF3F
        const unsigned char c = byte(2);
        length = 3;
        if (c >= 0x90 && c <= 0x99) {
            return static_cast<char>('0' + (c - 0x90));
        }
        if (c == 0x8B) {
            return '+';
        }
        if (c == 0x8D) {
            return '-';
        }
    } else if (b == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) {  // U+3000
        length = 3;
        return ' ';
    }
    return 0;
}

}  // namespace

std::int32_t textToInteger(std::string_view text)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();

    std::size_t pos = 0;
    std::size_t length = 0;
    char c = 0;
    auto next = [&] {
        c = pos < text.size() ? asciiForm(text, pos, length) : 0;
    };
    auto advance = [&] {
        pos += length;
        next();
    };

    next();
    while (c == ' ' || c == '\t') {
        advance();
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        advance();
    }
    // Gathered as a magnitude that stops growing past the 32-bit range, so it cannot overflow.
    std::int64_t magnitude = 0;
    while (c >= '0' && c <= '9') {
        if (magnitude <= kMax + 1) {
            magnitude = magnitude * 10 + (c - '0');
        }
        advance();
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude < kMin ? kMin : -magnitude);
    }
    return static_cast<std::int32_t>(magnitude > kMax ? kMax : magnitude);
}

}  // namespace corvallo::text
