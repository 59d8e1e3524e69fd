#include "core/text/text_rules.h"

#include "core/text/cp936.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace corvallo::text {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

struct SplitCase {
    const char* what;
    std::string text;
    char delimiter;
    std::vector<std::string> parts;
};

TEST(TextRulesSplit, Cases)
{
    const SplitCase cases[] = {
        {"empty text has no parts", "", '|', {}},
        {"lone delimiter ends one empty part", "|", '|', {""}},
        {"two delimiters", "||", '|', {"", ""}},
        {"empty part in the middle", "x||z", '|', {"x", "", "z"}},
        {"trailing delimiter adds no part", "x|y|", '|', {"x", "y"}},
        {"no delimiter", "abc", '|', {"abc"}},
        {"leading delimiter", "|a", '|', {"", "a"}},
        {"weekday flags", "1|0|0|0|0|0|1|", '|', {"1", "0", "0", "0", "0", "0", "1"}},
        {"short weekday value", "0", '|', {"0"}},
        {"path", "D:\\数据\\备份", '\\', {"D:", "数据", "备份"}},
        {"other delimiters are text", "a\\b|c", '|', {"a\\b", "c"}},
        {"caption", "关机|强制", '|', {"关机", "强制"}},
        {"blanks are kept", " a | b ", '|', {" a ", " b "}},
        {"invalid UTF-8 byte before the delimiter", "\x81|a", '|', {"\x81", "a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THAT(splitText(c.text, c.delimiter), ElementsAreArray(c.parts));
    }
}

TEST(TextRulesSplit, TrailBytesOfDecodedTextNeverSplit)
{
    // On the file's bytes a delimiter can be the second byte of a character; after decoding it
    // must not be one.
    for (char delimiter : {'|', '\\'}) {
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            const std::string character = cp936ToUtf8(std::string{static_cast<char>(lead), delimiter});
            const std::string text = cp936ToUtf8(std::string{'a', static_cast<char>(lead), delimiter, delimiter, 'b'});
            SCOPED_TRACE(lead);
            EXPECT_THAT(splitText(text, delimiter), ElementsAre("a" + character, "b"));
        }
    }
}

TEST(TextRulesSplit, EscapedBytesBeforeDelimiter)
{
    // 0x81 before 0x0A is no character; the escape keeps it apart from the following text.
    const std::string text = cp936ToUtf8("\x81\n|\x81");
    EXPECT_THAT(splitText(text, '|'), ElementsAre(cp936ToUtf8("\x81\n"), cp936ToUtf8("\x81")));
    EXPECT_THAT(splitText(cp936ToUtf8("|"), '|'), ElementsAre(""));
    EXPECT_THAT(splitText(cp936ToUtf8(""), '|'), IsEmpty());
}

struct IntegerCase {
    const char* what;
    std::string text;
    std::int32_t value;
};

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(TextRulesInteger, Cases)
{
    const IntegerCase cases[] = {
        {"plain", "123", 123},
        {"zero", "0", 0},
        {"leading zeros", "0042", 42},
        {"leading blanks", "  \t 42", 42},
        {"negative", "-7", -7},
        {"plus sign", "+5", 5},
        {"sign alone", "-", 0},
        {"empty", "", 0},
        {"no digits", "abc", 0},
        {"digits up to the first other character", "12abc", 12},
        {"blank ends the digits", "1 2", 1},
        {"blank after the sign", "- 5", 0},
        {"two signs", "+-5", 0},
        {"trailing blanks", "8 ", 8},
        {"newline is no blank", "\n5", 0},
        {"no hex", "0x1F", 0},
        {"decimal point", "3.9", 3},
        {"full-width digits", "２０２４", 2024},
        {"full-width minus", "－３", -3},
        {"full-width plus", "＋３", 3},
        {"ideographic blanks", "　　７", 7},
        {"mixed widths", "１2３", 123},
        {"full-width colon ends the digits", "１：３", 1},
        {"full-width solidus is not a digit", "１／", 1},
        {"U+FF20 is not a digit", "５＠", 5},
        {"U+FF1A after digits", "8：", 8},
        {"full-width letters", "ａ１", 0},
        {"cut full-width digit", "1\xEF\xBC", 1},
        {"other Chinese text", "五", 0},
        {"largest", "2147483647", kMax},
        {"one past the largest", "2147483648", kMax},
        {"smallest", "-2147483648", kMin},
        {"one past the smallest", "-2147483649", kMin},
        {"far too large", "99999999999999999999999999", kMax},
        {"far too small", "-99999999999999999999999999", kMin},
        {"far too large, full-width", "９９９９９９９９９９９９", kMax},
        {"many leading zeros", "000000000000000000000017", 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(textToInteger(c.text), c.value);
    }
}

TEST(TextRulesInteger, Cp936FullWidthFormsAfterDecoding)
{
    // The double-byte forms as they stand in the files: A3AD minus, A3AB plus, A3B0.. digits,
    // A1A1 ideographic blank.
    const IntegerCase cases[] = {
        {"minus and digits", "\xA3\xAD\xA3\xB1\xA3\xB2", -12},
        {"plus", "\xA3\xAB\xA3\xB9", 9},
        {"blank", "\xA1\xA1\xA3\xB5", 5},
        {"digit then letter", "\xA3\xB4\xA3\xC1", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(textToInteger(cp936ToUtf8(c.text)), c.value);
    }
}

}  // namespace
}  // namespace corvallo::text
