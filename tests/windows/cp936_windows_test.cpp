// The codec against Windows' own code page 936 conversions, byte sequence by byte sequence and
// character by character.

#include "core/text/cp936.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace corvallo::text {
namespace {

std::string hex(std::string_view bytes)
{
    std::string out;
    char buffer[4];
    for (unsigned char b : bytes) {
        std::snprintf(buffer, sizeof buffer, out.empty() ? "%02X" : " %02X", b);
        out += buffer;
    }
    return out;
}

std::string utf8(const wchar_t* wide, int count)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, count, out.data(), n, nullptr, nullptr);
    return out;
}

std::string escape(unsigned char byte)
{
    const wchar_t surrogate = static_cast<wchar_t>(0xDC00 + byte);
    // CP_UTF8 refuses lone surrogates; write the three bytes directly.
    return {static_cast<char>(0xE0 | (surrogate >> 12)), static_cast<char>(0x80 | ((surrogate >> 6) & 0x3F)),
            static_cast<char>(0x80 | (surrogate & 0x3F))};
}

// Windows' reading of `bytes` as exactly one character, or an empty string.
std::string windowsStrict(const std::string& bytes)
{
    wchar_t wide[4];
    int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide, 4);
    return n == 1 ? utf8(wide, 1) : std::string();
}

// The one character that Windows reads without MB_ERR_INVALID_CHARS and writes back as the same
// bytes, or an empty string.
std::string windowsRoundTrip(const std::string& bytes)
{
    wchar_t wide[4];
    int n = MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), wide, 4);
    if (n != 1) {
        return {};
    }
    char back[8];
    BOOL usedDefault = FALSE;
    int m = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, 1, back, sizeof back, nullptr, &usedDefault);
    if (usedDefault || std::string(back, static_cast<std::size_t>(m)) != bytes) {
        return {};
    }
    return utf8(wide, 1);
}

struct Tally {
    int windowsCharacters = 0;
    int roundTripOnly = 0;
    int escaped = 0;
    std::string roundTripOnlyList;
};

// Where Windows reads one character, ours is the same; where Windows refuses the bytes, ours
// escapes the first byte, unless Windows itself reads and writes them back unchanged (without the
// strict flag), in which case ours is that character. Always ours round-trips.
void compareWithWindows(const std::string& bytes, Tally& tally)
{
    const std::string ours = cp936ToUtf8(bytes);
    ASSERT_EQ(hex(utf8ToCp936(ours)), hex(bytes)) << "via " << hex(ours);
    if (std::string windows = windowsStrict(bytes); !windows.empty()) {
        ASSERT_EQ(hex(ours), hex(windows)) << hex(bytes);
        ++tally.windowsCharacters;
    } else if (std::string lax = windowsRoundTrip(bytes); !lax.empty()) {
        ASSERT_EQ(hex(ours), hex(lax)) << hex(bytes);
        ++tally.roundTripOnly;
        tally.roundTripOnlyList += " [" + hex(bytes) + "]";
    } else {
        ASSERT_EQ(hex(ours.substr(0, 3)), hex(escape(static_cast<unsigned char>(bytes[0])))) << hex(bytes);
        ++tally.escaped;
    }
}

TEST(Cp936Windows, AnsiCodePageIs936)
{
    // The other tests name code page 936 themselves, but the program's INI handling assumes the
    // ANSI code page is 936; a prefix without the Chinese locale tests something else.
    ASSERT_EQ(GetACP(), 936u) << "run under LC_ALL=zh_CN.UTF-8 (the build's wine-run wrapper sets it)";
}

TEST(Cp936Windows, EverySingleByte)
{
    Tally tally;
    for (int b = 0; b < 256; ++b) {
        compareWithWindows(std::string(1, static_cast<char>(b)), tally);
        if (HasFatalFailure()) {
            return;
        }
    }
    std::printf("single bytes: %d characters, %d read only without the strict flag:%s, %d escaped\n",
                tally.windowsCharacters, tally.roundTripOnly, tally.roundTripOnlyList.c_str(), tally.escaped);
    EXPECT_GT(tally.windowsCharacters, 128);
}

TEST(Cp936Windows, EveryTwoByteSequence)
{
    Tally tally;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0; trail <= 0xFF; ++trail) {
            compareWithWindows(std::string{static_cast<char>(lead), static_cast<char>(trail)}, tally);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
    std::printf("pairs: %d characters, %d read only without the strict flag:%s, %d escaped\n",
                tally.windowsCharacters, tally.roundTripOnly, tally.roundTripOnlyList.c_str(), tally.escaped);
    EXPECT_GT(tally.windowsCharacters, 20000);
}

TEST(Cp936Windows, EveryBmpCharacterWindowsEncodes)
{
    int encoded = 0;
    for (unsigned cp = 0; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;  // lone surrogates: Windows writes the default character
        }
        const wchar_t wide = static_cast<wchar_t>(cp);
        char bytes[8];
        BOOL usedDefault = FALSE;
        int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr, &usedDefault);
        ASSERT_GT(n, 0) << cp;
        const std::string ours = utf8ToCp936(utf8(&wide, 1));
        if (usedDefault) {
            // Not in code page 936: ours must not claim a one- or two-byte code for it.
            ASSERT_EQ(ours.size(), 4u) << "U+" << std::hex << cp << " -> " << hex(ours);
        } else {
            ASSERT_EQ(hex(ours), hex(std::string(bytes, static_cast<std::size_t>(n)))) << "U+" << std::hex << cp;
            ++encoded;
        }
    }
    std::printf("code points held by code page 936: %d\n", encoded);
    EXPECT_GT(encoded, 20000);
}

}  // namespace
}  // namespace corvallo::text
