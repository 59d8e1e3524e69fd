#include "core/profile/profile_document.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/text/cp936.h"

namespace corvallo::profile {
namespace {

using text::cp936ToUtf8;
using text::utf8ToCp936;

// Files are written here in UTF-8 for legibility and stored in code page 936, as on disk.
ProfileDocument doc(std::string_view utf8File) { return ProfileDocument::parse(utf8ToCp936(utf8File)); }

std::string bytesOf(std::string_view s) { return std::string(s); }

std::string utf16(std::u16string_view units, bool bigEndian)
{
    std::string out;
    for (char16_t u : units) {
        const char lo = static_cast<char>(u & 0xFF);
        const char hi = static_cast<char>(u >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

std::string repeat(std::string_view s, std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// ---- Reads

struct ReadCase {
    const char* name;
    std::string file;  // UTF-8
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

std::ostream& operator<<(std::ostream& os, const ReadCase& c) { return os << c.name; }

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, GivesWhatTheProfileFunctionsRead)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(doc(c.file).value(c.section, c.key), c.expected);
}

const ReadCase kReadCases[] = {
    {"Plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
    {"BlanksAroundNameAndValue", "[s]\r\n \t k \t= \t v w \t \r\n", "s", "k", "v w"},
    {"BlanksAroundSectionName", "[ \tmy section\t ]\r\nk=v\r\n", "my section", "k", "v"},
    {"RequestIsTrimmed", "[s]\r\nk=v\r\n", " \ts\t ", "\t k ", "v"},
    {"CaseOfAsciiIgnored", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
    {"GreekCaseKept", "[Α]\r\nk=v\r\n", "α", "k", std::nullopt},
    {"CyrillicCaseKept", "[s]\r\nЖ=v\r\n", "s", "ж", std::nullopt},
    {"FullWidthCaseKept", "[Ａ]\r\nk=v\r\n", "ａ", "k", std::nullopt},
    {"ChineseNames", "[备份]\r\n名称=每日 任务\r\n", "备份", "名称", "每日 任务"},
    {"LfOnly", "[s]\na=1\nk=v\n", "s", "k", "v"},
    {"CrOnly", "[s]\ra=1\rk=v\r", "s", "k", "v"},
    {"BlankLinesBetween", "\r\n\r\n[s]\r\n\r\n  \r\nk=v\r\n\r\n", "s", "k", "v"},
    {"NoLineEndAtEnd", "[s]\r\nk=v", "s", "k", "v"},
    {"EqualsInValue", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
    {"LineWithoutEqualsHasNoValue", "[s]\r\nk\r\n", "s", "k", std::nullopt},
    {"CommentIsAKeyToo", "[s]\r\n;c=x\r\n", "s", ";c", "x"},
    {"MissingKey", "[s]\r\nk=v\r\n", "s", "other", std::nullopt},
    {"MissingSection", "[s]\r\nk=v\r\n", "t", "k", std::nullopt},
    {"EmptyValue", "[s]\r\nk=\r\n", "s", "k", ""},
    {"BlankValue", "[s]\r\nk=   \r\n", "s", "k", ""},
    {"SingleQuotes", "[s]\r\nk='x y'\r\n", "s", "k", "x y"},
    {"DoubleQuotes", "[s]\r\nk=\" x \"\r\n", "s", "k", " x "},
    {"UnbalancedQuotes", "[s]\r\nk='x\"\r\n", "s", "k", "'x\""},
    {"LoneQuote", "[s]\r\nk='\r\n", "s", "k", "'"},
    {"EmptyQuotes", "[s]\r\nk=''\r\n", "s", "k", ""},
    {"QuoteOnlyAtEnd", "[s]\r\nk=x'\r\n", "s", "k", "x'"},
    {"InnerQuotesKept", "[s]\r\nk='a'b'\r\n", "s", "k", "a'b"},
    {"FirstOfDuplicateKeys", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
    {"OnlyFirstOfDuplicateSections", "[s]\r\na=1\r\n[S]\r\nk=2\r\n", "s", "k", std::nullopt},
    {"FirstOfDuplicateSections", "[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "1"},
    {"KeysBeforeAnySection", "k=v\r\n[s]\r\nk=w\r\n", "", "k", "v"},
    {"UnclosedHeaderIsAKey", "[s]\r\n[ab\r\nk=v\r\n", "s", "[ab", std::nullopt},
    {"UnclosedHeaderKeepsSection", "[s]\r\n[ab\r\nk=v\r\n", "s", "k", "v"},
    {"LastBracketClosesHeader", "[x]y]z\r\nk=v\r\n", "x]y", "k", "v"},
    {"TextAfterHeaderIgnored", "[s] ; note\r\nk=v\r\n", "s", "k", "v"},
    {"HeaderWithEqualsIsAHeader", "[a=b]\r\nk=v\r\n", "a=b", "k", "v"},
    {"NamelessHeaderHidesItsKeys", "k0=0\r\n[]\r\nk1=1\r\n", "", "k1", std::nullopt},
    {"NamelessKey", "[s]\r\n=v\r\n", "s", "", "v"},
    {"SecondNamelessLineDropped", "[s]\r\n=1\r\n=2\r\n", "s", "", "1"},
    {"ControlZIsBlank", "[s]\r\nk=\x1a v \x1a\r\n", "s", "k", "v"},
    {"BlanksInsideValueKept", "[s]\r\nk=a \t b\r\n", "s", "k", "a \t b"},
    {"EmptyFile", "", "s", "k", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileRead, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileNul, EndsNamesAndValuesAsTheCStringsDo)
{
    auto d = ProfileDocument::parse(bytesOf(std::string_view("[s\0x]\r\nk=ab\0cd\r\nk2\0x=1\r\n", 25)));
    EXPECT_EQ(d.value("s", "k"), "ab");
    EXPECT_EQ(d.value("s", "k2"), "1");
    EXPECT_EQ(d.value("s", std::string_view("k\0zz", 4)), "ab");
}

// ---- Long values and defaults

struct CutCase {
    const char* name;
    std::string value;  // UTF-8
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const CutCase& c) { return os << c.name; }

class ProfileCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(ProfileCut, LongValuesEndAtACharacterWithinTheLimit)
{
    const CutCase& c = GetParam();
    auto d = doc("[s]\r\nk=" + c.value + "\r\n");
    auto read = d.value("s", "k");
    ASSERT_TRUE(read.has_value());
    EXPECT_LE(utf8ToCp936(*read).size(), kMaxValueBytes);
    EXPECT_EQ(*read, c.expected);
}

const CutCase kCutCases[] = {
    {"AsciiAtTheLimit", repeat("a", 10239), repeat("a", 10239)},
    {"AsciiOverTheLimit", repeat("a", 10300), repeat("a", 10239)},
    {"ChineseNeverHalved", repeat("中", 6000), repeat("中", 5119)},
    {"ChineseAfterOneAscii", "a" + repeat("中", 6000), "a" + repeat("中", 5119)},
    {"FourByteCharacterNeverSplit", repeat("a", 10236) + "\xF0\x9F\x98\x80" + "b", repeat("a", 10236)},
    {"QuotedShortEnough", "'" + repeat("b", 10237) + "'", repeat("b", 10237)},
    // When the text after the opening quote just fills the buffer, the quote is never copied and the
    // character that would have come before it goes instead.
    {"QuotedFillingTheBuffer", "'" + repeat("b", 10239) + "'", repeat("b", 10238)},
    {"QuotedLongerThanTheBuffer", "'" + repeat("b", 10240) + "'", repeat("b", 10239)},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileCut, ::testing::ValuesIn(kCutCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct DefaultCase {
    const char* name;
    std::string fallback;
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const DefaultCase& c) { return os << c.name; }

class ProfileDefault : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(ProfileDefault, IsTreatedAsAReadTreatsIt)
{
    const DefaultCase& c = GetParam();
    auto d = doc("[s]\r\nk=v\r\nnovalue\r\n");
    EXPECT_EQ(d.valueOr("s", "missing", c.fallback), c.expected);
    EXPECT_EQ(d.valueOr("missing", "k", c.fallback), c.expected);
    EXPECT_EQ(d.valueOr("s", "novalue", c.fallback), c.expected);
    EXPECT_EQ(d.valueOr("s", "k", c.fallback), "v");
}

const DefaultCase kDefaultCases[] = {
    {"Plain", "d", "d"},
    {"TrailingSpacesGo", "d  ", "d"},
    {"LeadingSpacesStay", "  d", "  d"},
    {"TrailingTabStays", "d\t", "d\t"},
    {"OnlySpacesLeaveOne", "   ", " "},
    {"Empty", "", ""},
    {"QuotesGo", "'d'", "d"},
    {"QuotesBeforeSpacesGo", "\"d\"  ", "d"},
    {"CutLikeAValue", repeat("中", 6000), repeat("中", 5119)},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileDefault, ::testing::ValuesIn(kDefaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Writes

struct Write {
    std::string section, key, value;
};

struct WriteCase {
    const char* name;
    std::string file;  // UTF-8
    std::vector<Write> writes;
    std::string expected;  // UTF-8
};

std::ostream& operator<<(std::ostream& os, const WriteCase& c) { return os << c.name; }

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, LeavesTheBytesTheProfileFunctionsWrite)
{
    const WriteCase& c = GetParam();
    auto d = doc(c.file);
    for (const Write& w : c.writes) {
        d.setValue(w.section, w.key, w.value);
    }
    EXPECT_EQ(cp936ToUtf8(d.serialize()), c.expected);
}

const WriteCase kWriteCases[] = {
    {"NewSectionAtTheEnd", "[a]\r\nk=1\r\n", {{"b", "k", "2"}}, "[a]\r\nk=1\r\n[b]\r\nk=2\r\n"},
    {"NewKeyAtTheEndOfItsSection", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n", {{"a", "n", "3"}}, "[a]\r\nk=1\r\nn=3\r\n[b]\r\nk=2\r\n"},
    {"ChangedKeyInTheFirstOfDuplicateSections", "[d]\r\na=1\r\n[D]\r\nb=2\r\n", {{"d", "b", "3"}},
     "[d]\r\na=1\r\nb=3\r\n[D]\r\nb=2\r\n"},
    {"ChangedFirstOfDuplicateKeys", "[s]\r\nk=1\r\nk=2\r\n", {{"s", "K", "3"}}, "[s]\r\nk=3\r\nk=2\r\n"},
    {"ExistingNameKeepsItsCase", "[Sec]\r\nKey=1\r\n", {{"SEC", "key", "2"}}, "[Sec]\r\nKey=2\r\n"},
    {"LayoutRewrittenOnChange", "\r\n ; note \r\n[ s ]\r\n\r\n  k  =  1  \r\nbare\r\n[t]x\r\n", {{"s", "k", "2"}},
     "; note\r\n[s]\r\nk=2\r\nbare\r\n[t]\r\n"},
    {"LineEndsBecomeCrLf", "[s]\rk=1\n\nj=2", {{"s", "j", "3"}}, "[s]\r\nk=1\r\nj=3\r\n"},
    {"LeadingBlanksOfValueGo", "[s]\r\n", {{"s", "k", " \t v"}}, "[s]\r\nk=v\r\n"},
    {"LastWriteKeepsTrailingBlanks", "[s]\r\n", {{" t ", " k ", " v "}}, "[s]\r\n[t ]\r\nk =v \r\n"},
    {"EarlierWritesAreTrimmedByTheReload", "[s]\r\n", {{" t ", " k ", " v "}, {"s", "x", "1"}},
     "[s]\r\nx=1\r\n[t]\r\nk=v\r\n"},
    {"ReloadSeesTrimmedNames", "", {{"t ", "k ", "1"}, {"t", "k", "2"}}, "[t]\r\nk=2\r\n"},
    {"UnchangedWriteAfterAChangeKeepsItsBytes", "[s]\r\n", {{"s", "k", "v  "}, {"s", "k", "v"}}, "[s]\r\nk=v  \r\n"},
    {"TrailingBlanksAreAChange", "[s]\r\nk=v\r\n", {{"s", "k", "v "}}, "[s]\r\nk=v \r\n"},
    {"EmptyValue", "[s]\r\nk=1\r\n", {{"s", "k", ""}, {"s", "n", ""}}, "[s]\r\nk=\r\nn=\r\n"},
    {"KeyWithoutValueGetsOne", "[s]\r\nk\r\n", {{"s", "k", "1"}}, "[s]\r\nk=1\r\n"},
    {"IntoAnEmptyFile", "", {{"s", "k", "v"}, {"s", "j", "w"}}, "[s]\r\nk=v\r\nj=w\r\n"},
    {"KeysBeforeAnySection", "[s]\r\nk=1\r\n", {{"", "g", "1"}}, "g=1\r\n[s]\r\nk=1\r\n"},
    {"NamelessKey", "[s]\r\nk=1\r\n", {{"s", "", "e"}, {"s", " ", "f"}}, "[s]\r\nk=1\r\n=f\r\n"},
    {"ChineseTexts", "[任务]\r\n名称=旧\r\n", {{"任务", "名称", "新的 名称"}, {"其他", "键", "值"}},
     "[任务]\r\n名称=新的 名称\r\n[其他]\r\n键=值\r\n"},
    {"NamelessHeaderJoinsTheSectionBefore", "[a]\r\nk=1\r\n[]\r\nz=3\r\n", {{"a", "y", "5"}, {"a", "z", "6"}},
     "[a]\r\nk=1\r\ny=5\r\nz=6\r\n"},
    {"LineBreakInValueMakesLines", "[s]\r\nk=1\r\n", {{"s", "k", "a\r\nb=c"}, {"s", "b", "d"}}, "[s]\r\nk=a\r\nb=d\r\n"},
    {"EqualsInKeyNameSplitsOnReload", "[s]\r\n", {{"s", "a=b", "c"}, {"s", "a", "d"}}, "[s]\r\na=d\r\n"},
    {"KeyReadBackAsHeader", "[s]\r\n", {{"s", "[x", "y]"}, {"x=y", "k", "1"}}, "[s]\r\n[x=y]\r\nk=1\r\n"},
    {"LineBreakInSectionName", "", {{"a\nb", "k", "1"}, {"z", "k", "2"}}, "[a\r\nb]\r\nk=1\r\n[z]\r\nk=2\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileWrite, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileUnchanged, FileComesBackByteForByte)
{
    const std::string file = utf8ToCp936("\r\n  [ s ] x\r\n k = 1 \n\n;c\r\n[s]\rk=2") + "\x81\x20\xFF";
    auto d = ProfileDocument::parse(file);
    d.setValue("s", "k", "1");
    d.setValue(" S ", " K ", "  1");
    EXPECT_FALSE(d.modified());
    EXPECT_EQ(d.serialize(), file);
    d.setValue("s", "k", "2");
    EXPECT_TRUE(d.modified());
    EXPECT_NE(d.serialize(), file);
}

TEST(ProfileUnchanged, UndecodableBytesSurviveAChangeElsewhere)
{
    const std::string line = "k=\x81\x20\xFF\x80\xA1";
    auto d = ProfileDocument::parse("[s]\r\n" + line + "\r\n");
    d.setValue("s", "n", "1");
    EXPECT_EQ(d.serialize(), "[s]\r\n" + line + "\r\nn=1\r\n");
}

TEST(ProfileReadAfterWrite, SeesWhatAReloadSees)
{
    auto d = doc("[s]\r\nk=1\r\n");
    d.setValue("s", "k", "  'q'  ");
    d.setValue("s  ", "new  ", "x");
    EXPECT_EQ(d.value("s", "k"), "q");
    EXPECT_EQ(d.value("s", "new"), "x");
    d.setValue("s", "k", "a\nb=c");
    EXPECT_EQ(d.value("s", "k"), "a");
    EXPECT_EQ(d.value("s", "b"), "c");
}

// ---- Byte-order marks: read and written back in the encoding they announce.

struct EncodingCase {
    const char* name;
    std::string file;
    FileEncoding encoding;
    std::string expectedAfterWrite;
};

std::ostream& operator<<(std::ostream& os, const EncodingCase& c) { return os << c.name; }

class ProfileEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ProfileEncoding, IsKeptAcrossAWrite)
{
    const EncodingCase& c = GetParam();
    auto d = ProfileDocument::parse(c.file);
    EXPECT_EQ(d.encoding(), c.encoding);
    EXPECT_EQ(d.value("s", "k"), "中");
    EXPECT_EQ(d.serialize(), c.file);
    d.setValue("s", "z", "文");
    EXPECT_EQ(d.serialize(), c.expectedAfterWrite);
    EXPECT_EQ(ProfileDocument::parse(d.serialize()).value("s", "z"), "文");
}

const EncodingCase kEncodingCases[] = {
    {"Utf8", "\xEF\xBB\xBF[s]\r\nk=\xE4\xB8\xAD\r\n", FileEncoding::Utf8,
     "\xEF\xBB\xBF[s]\r\nk=\xE4\xB8\xAD\r\nz=\xE6\x96\x87\r\n"},
    {"Utf8WithStrayByte", "\xEF\xBB\xBF[s]\r\nk=\xE4\xB8\xAD\r\nq=\xFF\r\n", FileEncoding::Utf8,
     "\xEF\xBB\xBF[s]\r\nk=\xE4\xB8\xAD\r\nq=\xFF\r\nz=\xE6\x96\x87\r\n"},
    {"Utf16Le", utf16(u"\uFEFF[s]\r\nk=\u4E2D", false), FileEncoding::Utf16Le,
     utf16(u"\uFEFF[s]\r\nk=\u4E2D\r\nz=\u6587\r\n", false)},
    {"Utf16Be", utf16(u"\uFEFF[s]\r\nk=\u4E2D", true), FileEncoding::Utf16Be,
     utf16(u"\uFEFF[s]\r\nk=\u4E2D\r\nz=\u6587\r\n", true)},
    {"Utf16LeOddLength", utf16(u"\uFEFF[s]\r\nk=\u4E2D", false) + "\x01", FileEncoding::Utf16Le,
     utf16(u"\uFEFF[s]\r\nk=\u4E2D\r\nz=\u6587\r\n", false) + "\x01"},
    {"Utf16LeUnpairedSurrogate", utf16(u"\uFEFF[s]\r\nk=\u4E2D\r\nq=\xD800", false), FileEncoding::Utf16Le,
     utf16(u"\uFEFF[s]\r\nk=\u4E2D\r\nq=\xD800\r\nz=\u6587\r\n", false)},
    {"Cp936", "[s]\r\nk=\xD6\xD0\r\n", FileEncoding::Cp936, "[s]\r\nk=\xD6\xD0\r\nz=\xCE\xC4\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileEncoding, ::testing::ValuesIn(kEncodingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileEncoding, SaveThatStartsWithAMarkIsReadInThatEncoding)
{
    // A blank line hides the mark (two characters of code page 936 here) until a save drops it; the
    // reload then reads the file as UTF-8.
    auto d = ProfileDocument::parse("\r\n\xEF\xBB\xBFk=1\r\n");
    EXPECT_EQ(d.encoding(), FileEncoding::Cp936);
    d.setValue("s", "x", "1");
    EXPECT_EQ(d.encoding(), FileEncoding::Utf8);
    EXPECT_EQ(d.value("", "k"), "1");
    EXPECT_EQ(d.serialize(), "\xEF\xBB\xBFk=1\r\n[s]\r\nx=1\r\n");
}

// ---- Listings

TEST(ProfileListing, SectionNamesInFileOrderWithDuplicates)
{
    auto d = doc("g=1\r\n[a]\r\n[ b ]\r\n[A]\r\n[]\r\n[c\r\n");
    EXPECT_EQ(d.sectionNames(), (std::vector<std::string>{"a", "b", "A"}));
}

TEST(ProfileListing, KeyNamesWithValuesOfTheFirstSection)
{
    auto d = doc("[s]\r\nk=1\r\n;c=2\r\nbare\r\nK=4\r\n=3\r\nz=5\r\n[s]\r\ny=6\r\n");
    EXPECT_EQ(d.keyNames("S"), (std::vector<std::string>{"k", "K"}));
    EXPECT_TRUE(d.keyNames(" s").empty());
    EXPECT_TRUE(d.keyNames("t").empty());
}

TEST(ProfileListing, HasSection)
{
    auto d = doc("g=1\r\n[a b]\r\n");
    EXPECT_TRUE(d.hasSection(" A B "));
    EXPECT_TRUE(d.hasSection(""));
    EXPECT_FALSE(d.hasSection("a"));
    ProfileDocument empty;
    EXPECT_FALSE(empty.hasSection(""));
    empty.setValue("x", "k", "v");
    EXPECT_TRUE(empty.hasSection("x"));
    EXPECT_TRUE(empty.hasSection(""));
}

// ---- Many writes on one document against one reload per write, which is what the profile
// functions do: the bytes and every read must agree after each step.

std::string randomText(std::mt19937& rng, std::size_t maxLength)
{
    static const char* const kPieces[] = {"a", "B", "k", " ", "\t", "=", "[", "]", ";", "'", "\"", "中", "文",
                                          "\r\n", "\n", "\r", "\x1a", "Α", "α", "\xED\xB2\x81"};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::string out;
    for (std::size_t n = length(rng); n > 0; --n) {
        out += kPieces[piece(rng)];
    }
    return out;
}

TEST(ProfileRandom, IncrementalWritesMatchAReloadBeforeEachWrite)
{
    const std::uint32_t firstSeed = 20240611;
    for (std::uint32_t seed = firstSeed; seed < firstSeed + 300; ++seed) {
        std::mt19937 rng(seed);
        std::string file = utf8ToCp936(randomText(rng, 40));
        if (seed % 7 == 0) {
            file += std::string("\0k=1", 4);
        }
        ProfileDocument incremental = ProfileDocument::parse(file);
        std::string bytes = file;
        std::vector<Write> names;
        for (int w = 0; w < 12; ++w) {
            Write write{randomText(rng, 3), randomText(rng, 3), randomText(rng, 6)};
            incremental.setValue(write.section, write.key, write.value);
            ProfileDocument reloaded = ProfileDocument::parse(bytes);
            reloaded.setValue(write.section, write.key, write.value);
            bytes = reloaded.serialize();
            ASSERT_EQ(incremental.serialize(), bytes) << "seed " << seed << " write " << w;
            names.push_back(write);
            ProfileDocument fresh = ProfileDocument::parse(bytes);
            for (const Write& n : names) {
                ASSERT_EQ(incremental.value(n.section, n.key), fresh.value(n.section, n.key)) << "seed " << seed;
                ASSERT_EQ(incremental.hasSection(n.section), fresh.hasSection(n.section)) << "seed " << seed;
            }
            ASSERT_EQ(incremental.sectionNames(), fresh.sectionNames()) << "seed " << seed;
        }
    }
}

// Rewriting the same keys many times leaves most of the stored text dead; what is live must survive
// its rebuilding, the untrimmed text of the last write included.
TEST(ProfileLarge, ManyRewritesKeepEveryValue)
{
    std::string file;
    for (int s = 0; s < 10; ++s) {
        file += "[section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 100; ++k) {
            file += "key" + std::to_string(k) + "=value " + std::to_string(s * 100 + k) + "\r\n";
        }
    }
    auto d = ProfileDocument::parse(file);
    EXPECT_EQ(d.value("SECTION4", "KEY7"), "value 407");
    for (int round = 0; round < 20; ++round) {
        for (int k = 0; k < 100; ++k) {
            const std::string value = "round " + std::to_string(round) + " of many writes  ";
            d.setValue("section7", "key" + std::to_string(k), value);
            ASSERT_NE(d.serialize().find("\r\nkey" + std::to_string(k) + "=" + value + "\r\n"), std::string::npos)
                << "round " << round << " key " << k;
        }
        d.setValue("new" + std::to_string(round % 3), "k", std::to_string(round));
    }
    const std::string bytes = d.serialize();
    EXPECT_NE(bytes.find("[new1]\r\nk=19\r\n[new2]\r\nk=17\r\n"), std::string::npos);
    auto again = ProfileDocument::parse(bytes);
    for (int k = 0; k < 100; ++k) {
        EXPECT_EQ(again.value("section7", "key" + std::to_string(k)), "round 19 of many writes");
        EXPECT_EQ(again.value("section3", "key" + std::to_string(k)), "value " + std::to_string(300 + k));
    }
    EXPECT_EQ(again.keyNames("section7").size(), 100u);
    d.setValue("section7", "key99", "last  ");
    EXPECT_NE(d.serialize().find("key98=round 19 of many writes\r\nkey99=last  \r\n"), std::string::npos);
}

}  // namespace
}  // namespace corvallo::profile
