#include "core/text/cp936.h"
#include "core/text/utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace corvallo::text {
namespace {

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string utf8(char32_t cp)
{
    std::string out;
    appendUtf8(out, static_cast<std::uint32_t>(cp));
    return out;
}

std::string esc(unsigned char byte) { return utf8(0xDC00 + byte); }

// True when `text` is well-formed UTF-8 in which every surrogate is one of the byte escapes: the
// decoder must never hand raw bytes through (the encoder would pass them back unnoticed).
bool isCodecUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t n = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (n == 0 || i + n > text.size()) {
            return false;
        }
        char32_t cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        for (std::size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            cp = cp << 6 | (c & 0x3F);
        }
        const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF && (cp < 0xDC00 || cp > 0xDCFF))) {
            return false;
        }
        i += n;
    }
    return true;
}

void expectRoundTrip(const std::string& bytes)
{
    const std::string text = cp936ToUtf8(bytes);
    ASSERT_TRUE(isCodecUtf8(text)) << hex(bytes) << " -> " << hex(text);
    ASSERT_EQ(hex(utf8ToCp936(text)), hex(bytes)) << "via " << hex(text);
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::string text;
};

TEST(Cp936Decode, KnownSequences)
{
    const DecodeCase cases[] = {
        {"ASCII as is", "a|b\\[c]=", "a|b\\[c]="},
        {"two-byte characters", "\xC4\xE3\xBA\xC3", "你好"},
        {"0x80 is the euro sign on its own", "\x80", "€"},
        {"0x80 does not take the next byte", "\x80|", "€|"},
        {"0xFF is a private-use character", "\xFF", utf8(0xF8F5)},
        {"user-defined area, first", "\xAA\xA1", utf8(0xE000)},
        {"user-defined area, last", "\xFE\xFE", utf8(0xE4C5)},
        {"full-width digit", "\xA3\xB0", "０"},
        {"ideographic blank", "\xA1\xA1", utf8(0x3000)},
        {"trail byte '|'", "\x81\x7C", "亅"},
        {"trail byte '\\'", "\x95\x5C", "昞"},
        {"trail byte '['", "\x81\x5B", "乕"},
        {"trail byte ']'", "\x81\x5D", "乚"},
        {"A2E3 is not the euro sign here", "\xA2\xE3", utf8(0xE76C)},
        {"lead byte at the end", "ab\x81", "ab" + esc(0x81)},
        {"lead byte before a control byte", "\x81\x0A", esc(0x81) + "\n"},
        {"lead byte before 0x7F", "\x81\x7F", esc(0x81) + "\x7F"},
        {"lead byte before '=' (no trail byte)", "\x81=", esc(0x81) + "="},
        {"lead byte before 0xFF", "\x81\xFF", esc(0x81) + utf8(0xF8F5)},
        {"lead byte before a digit", "\x81\x30", esc(0x81) + "0"},
        {"cut four-byte sequence", "\x81\x30\x81", esc(0x81) + "0" + esc(0x81)},
        {"four-byte, first", "\x81\x30\x81\x30", utf8(0x80)},
        {"four-byte, best-fit '|' character", "\x81\x30\x84\x37", utf8(0xA6)},
        {"four-byte, U+1E3F", "\x81\x35\xF4\x37", utf8(0x1E3F)},
        {"four-byte, last BMP", "\x84\x31\xA4\x39", utf8(0xFFFF)},
        {"four-byte, after the BMP", "\x84\x31\xA5\x30", esc(0x84) + "1" + esc(0xA5) + "0"},
        {"four-byte, first supplementary", "\x90\x30\x81\x30", utf8(0x10000)},
        {"four-byte, emoji", "\x94\x39\xFC\x36", utf8(0x1F600)},
        {"four-byte, last code point", "\xE3\x32\x9A\x35", utf8(0x10FFFF)},
        {"four-byte, beyond the last code point", "\xE3\x32\x9A\x36", esc(0xE3) + "2" + esc(0x9A) + "6"},
        {"four-byte code of a character held as A2E3", "\x83\x36\xC7\x39", esc(0x83) + "6" + esc(0xC7) + "9"},
        {"four-byte code of a character held as 0xFF", "\x83\x39\xFE\x30", esc(0x83) + "9" + esc(0xFE) + "0"},
        {"four-byte code taken over by U+2E81 (FE50 is private use here)", "\x83\x36\xC9\x34", utf8(0x2E81)},
        {"two four-byte sequences", "\x81\x30\x81\x30\x81\x30\x81\x31", utf8(0x80) + utf8(0x81)},
        {"embedded NUL", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(hex(cp936ToUtf8(c.bytes)), hex(c.text));
        expectRoundTrip(c.bytes);
    }
}

struct EncodeCase {
    const char* what;
    std::string text;
    std::string bytes;
};

TEST(Cp936Encode, KnownCharacters)
{
    const EncodeCase cases[] = {
        {"ASCII", "C:\\a|b", "C:\\a|b"},
        {"two-byte characters", "你好", "\xC4\xE3\xBA\xC3"},
        {"euro sign", "€", "\x80"},
        {"U+F8F5", utf8(0xF8F5), "\xFF"},
        {"middle dot", utf8(0xB7), "\xA1\xA4"},
        {"private use held by cp936", utf8(0xE815), "\xFE\x50"},
        {"no best fit: broken bar is not '|'", utf8(0xA6), "\x81\x30\x84\x37"},
        {"katakana middle dot", utf8(0x30FB), "\x81\x39\xA7\x39"},
        {"U+1E3F", utf8(0x1E3F), "\x81\x35\xF4\x37"},
        {"radical held in cp936 only as private use", utf8(0x2E81), "\x83\x36\xC9\x34"},
        {"U+FFFF", utf8(0xFFFF), "\x84\x31\xA4\x39"},
        {"emoji", "😀", "\x94\x39\xFC\x36"},
        {"last code point", utf8(0x10FFFF), "\xE3\x32\x9A\x35"},
        {"escaped bytes", esc(0x80) + esc(0xFF) + esc(0x7C), "\x80\xFF|"},
        {"escaped lead byte before ASCII", esc(0x81) + "|", "\x81|"},
        {"lone continuation byte", "\x80", "\x80"},
        {"cut sequence", "\xE4\xB8", "\xE4\xB8"},
        {"cut sequence before ASCII", "\xE4\xB8" "a", "\xE4\xB8" "a"},
        {"overlong form", "\xC0\xAF", "\xC0\xAF"},
        {"overlong three-byte form", "\xE0\x80\xAF", "\xE0\x80\xAF"},
        {"surrogate that is no escape", "\xED\xA0\x80", "\xED\xA0\x80"},
        {"surrogate just after the escapes", "\xED\xB4\x80", "\xED\xB4\x80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
        {"byte that never starts UTF-8", "\xF8" "a", "\xF8" "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(hex(utf8ToCp936(c.text)), hex(c.bytes));
    }
}

TEST(Cp936RoundTrip, EveryByteAndEveryPair)
{
    for (int first = 0; first < 256; ++first) {
        expectRoundTrip(std::string(1, static_cast<char>(first)));
        for (int second = 0; second < 256; ++second) {
            expectRoundTrip(std::string{static_cast<char>(first), static_cast<char>(second)});
        }
    }
}

TEST(Cp936RoundTrip, TrailBytesNeverReadAsAscii)
{
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (char trail : {'|', '\\', '[', ']', '@', '~'}) {
            const std::string text = cp936ToUtf8(std::string{static_cast<char>(lead), trail});
            EXPECT_EQ(text.find(trail), std::string::npos) << hex(text);
        }
    }
}

TEST(Cp936RoundTrip, EveryFourByteSequence)
{
    std::string bytes(4, '\0');
    for (int b1 = 0x81; b1 <= 0xFE; ++b1) {
        for (int b2 = 0x30; b2 <= 0x39; ++b2) {
            for (int b3 = 0x81; b3 <= 0xFE; ++b3) {
                for (int b4 = 0x30; b4 <= 0x39; ++b4) {
                    bytes = {static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3), static_cast<char>(b4)};
                    const std::string text = cp936ToUtf8(bytes);
                    // Either one character or the first byte escaped; nothing else can round-trip.
                    const bool escaped = text.compare(0, 3, esc(static_cast<unsigned char>(b1))) == 0;
                    if (!escaped && text.size() > 4) {
                        ADD_FAILURE() << hex(bytes) << " -> " << hex(text);
                        return;
                    }
                    if (utf8ToCp936(text) != bytes) {
                        ADD_FAILURE() << hex(bytes) << " -> " << hex(text) << " -> " << hex(utf8ToCp936(text));
                        return;
                    }
                }
            }
        }
    }
}

TEST(Cp936RoundTrip, RandomByteStrings)
{
    // Weighted towards the bytes whose neighbours matter: lead bytes, digits and ASCII delimiters.
    std::mt19937 random(936);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> leadByte(0x81, 0xFE);
    std::uniform_int_distribution<int> digit('0', '9');
    std::uniform_int_distribution<int> length(0, 48);
    const char delimiters[] = "|\\[]=";
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        for (int n = length(random); n > 0; --n) {
            int k = kind(random);
            int b = k < 4 ? anyByte(random) : k < 7 ? leadByte(random) : k < 9 ? digit(random) : delimiters[anyByte(random) % 5];
            bytes += static_cast<char>(b);
        }
        expectRoundTrip(bytes);
        if (testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

TEST(Cp936RoundTrip, EveryCodePoint)
{
    std::size_t length = 0;
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;
        }
        const std::string text = utf8(cp);
        const std::string bytes = utf8ToCp936(text);
        const bool sizeFits = cp < 0x80 ? bytes.size() == 1
                              : cp < 0x10000 ? bytes.size() == 1 || bytes.size() == 2 || bytes.size() == 4
                                             : bytes.size() == 4;
        if (!sizeFits || cp936ToUtf8(bytes) != text ||
            cp936LengthAt(text, 0, length) != static_cast<int>(bytes.size()) || length != text.size()) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(cp) << " -> " << hex(bytes);
            return;
        }
    }
}

TEST(Cp936RoundTrip, EscapesEncodeToTheirByte)
{
    for (int b = 0; b < 256; ++b) {
        const std::string text = esc(static_cast<unsigned char>(b));
        EXPECT_EQ(utf8ToCp936(text), std::string(1, static_cast<char>(b)));
        std::size_t length = 0;
        EXPECT_EQ(cp936LengthAt(text, 0, length), 1);
        EXPECT_EQ(length, 3u);
    }
}

struct LengthCase {
    const char* what;
    std::string text;
    std::size_t pos;
    int cp936Length;
    std::size_t utf8Length;
};

TEST(Cp936LengthAt, OneCharacterAtAGivenPlace)
{
    const LengthCase cases[] = {
        {"ASCII", "ab", 1, 1, 1},
        {"two-byte character", "a你", 1, 2, 3},
        {"euro sign", "€", 0, 1, 3},
        {"Latin-1 outside cp936", utf8(0xA6), 0, 4, 2},
        {"supplementary", "😀", 0, 4, 4},
        {"escape", esc(0x81), 0, 1, 3},
        {"invalid byte", "\xFF" "a", 0, 1, 1},
        {"cut sequence", "\xE4\xB8", 0, 1, 1},
        {"second byte of a character", "你", 1, 1, 1},
        {"at the end", "ab", 2, 0, 0},
        {"past the end", "ab", 5, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::size_t length = 99;
        EXPECT_EQ(cp936LengthAt(c.text, c.pos, length), c.cp936Length);
        EXPECT_EQ(length, c.utf8Length);
    }
}

TEST(Cp936LengthAt, WalkingATextAddsUpToItsEncoding)
{
    const std::string text = "备份" + utf8(0xA6) + esc(0x81) + "x\xE4\xB8" + "😀€" + utf8(0x2E81);
    std::size_t total = 0;
    for (std::size_t pos = 0, length = 0; pos < text.size(); pos += length) {
        total += static_cast<std::size_t>(cp936LengthAt(text, pos, length));
        ASSERT_GT(length, 0u);
    }
    EXPECT_EQ(total, utf8ToCp936(text).size());
}

TEST(Cp936Decode, LargeMixedText)
{
    std::string bytes;
    const std::string piece = "[task1]\r\nsource=D:\\\xCA\xFD\xBE\xDD\\\x81\x30\x84\x37|\x80\xFF\x81\r\n";
    while (bytes.size() < (1u << 20)) {
        bytes += piece;
    }
    const std::string text = cp936ToUtf8(bytes);
    EXPECT_EQ(utf8ToCp936(text), bytes);
    EXPECT_EQ(cp936ToUtf8(piece).size() * (bytes.size() / piece.size()), text.size());
}

}  // namespace
}  // namespace corvallo::text
