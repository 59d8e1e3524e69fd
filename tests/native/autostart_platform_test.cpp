#include <gtest/gtest.h>

#include <string>

#include "platform/shell.h"
#include "platform/system_info.h"

namespace corvallo::platform {
namespace {

TEST(WindowsVersionCodeTest, KnowsExactlyTheSixVersions) {
    struct Case {
        WindowsVersion version;
        int code;
    };
    const Case cases[] = {
        {{5, 0}, 1}, {{5, 1}, 2}, {{5, 2}, 3}, {{6, 0}, 4}, {{6, 1}, 5}, {{6, 2}, 6},
        {{4, 0}, -1}, {{4, 10}, -1}, {{5, 3}, -1}, {{6, 3}, -1}, {{10, 0}, -1}, {{0, 0}, -1},
        // major + minor / 10 would make these 6.0 and 6.2.
        {{5, 10}, -1}, {{5, 12}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.version.major) + "." + std::to_string(c.version.minor));
        EXPECT_EQ(windowsVersionCodeFor(c.version), c.code);
    }
}

TEST(WindowsVersionCodeTest, LaterWindowsCountAsSixPointTwo) {
    struct Case {
        WindowsVersion actual;
        int code;
    };
    const Case cases[] = {
        {{5, 1}, 2}, {{6, 0}, 4}, {{6, 1}, 5}, {{6, 2}, 6},
        {{6, 3}, 6}, {{10, 0}, 6}, {{11, 0}, 6},
        {{4, 0}, -1}, {{0, 0}, -1},  // older than the table, or not known at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.actual.major) + "." + std::to_string(c.actual.minor));
        EXPECT_EQ(windowsVersionCodeFor(asSeenByUndeclaredPrograms(c.actual)), c.code);
    }
}

TEST(QuoteArgumentTest, WritesOneArgumentByTheWindowsRules) {
    struct Case {
        std::string argument;
        std::string quoted;
    };
    const Case cases[] = {
        {"bootwire", "bootwire"},
        {"delautostart", "delautostart"},
        {"", "\"\""},
        {"C:\\dir\\", "C:\\dir\\"},                      // backslashes alone mean nothing
        {"a b", "\"a b\""},
        {"a\tb", "\"a\tb\""},
        {"C:\\my dir\\", "\"C:\\my dir\\\\\""},           // doubled before the closing quote
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},                     // a backslash before a quote: both escaped
        {"a\\\\b c", "\"a\\\\b c\""},                     // backslashes inside stay as they are
        {"中文 参数", "\"中文 参数\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(quoteArgument(c.argument), c.quoted);
    }
}

}  // namespace
}  // namespace corvallo::platform
