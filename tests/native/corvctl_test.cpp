#include "cli/corvctl.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/text/cp936.h"
#include "tests/support/memory_files.h"

namespace corvallo::cli {
namespace {

using corvallo::testing::MemoryFiles;

const std::string kTwoTasks = text::utf8ToCp936(
    "[task]\r\nnumber=2\r\n"
    "[1]\r\non=1\r\ntimes=4\r\nname=文档 \"A\"\r\nsource=2\r\nsource1=D:\\a\r\nsource2=D:\\b\r\ntype=3\r\nhours=8\r\nminutes=5\r\n"
    "[2]\r\non=0\r\nname=周报\r\ntype=2\r\nweek=0|1|0|0|0|1|0|\r\n");

class CorvctlTest : public ::testing::Test {
protected:
    CorvctlTest() {
        files.addDrive("C:");
        files.addFolder("C:\\Corvallo");
    }
    int run(std::vector<std::string> arguments) {
        out.str({});
        err.str({});
        Environment environment{files, "C:\\Corvallo", out, err};
        return runCorvctl(arguments, environment);
    }
    MemoryFiles files;
    std::ostringstream out, err;
};

TEST_F(CorvctlTest, ListsTheTasksBesideTheProgram) {
    files.addFile("C:\\Corvallo\\quorvtask.ini", kTwoTasks);
    ASSERT_EQ(run({"tasks"}), kSuccess) << err.str();
    EXPECT_EQ(out.str(),
              "id\tenabled\tname\tsources\tschedule\truns\n"
              "1\tyes\t文档 \"A\"\t2\t每日8:5执行\t4\n"
              "2\tno\t周报\t0\t每逢： 星期一 星期五执行\t0\n");
}

TEST_F(CorvctlTest, ListsTasksAsJson) {
    files.addFile("C:\\Corvallo\\other.ini", kTwoTasks);
    ASSERT_EQ(run({"tasks", "--json", "--ini", "C:\\Corvallo\\other.ini"}), kSuccess) << err.str();
    EXPECT_EQ(out.str(),
              "[\n"
              "  {\"id\": 1, \"enabled\": true, \"name\": \"文档 \\\"A\\\"\", \"sources\": 2, \"schedule\": \"每日8:5执行\", \"runCount\": 4},\n"
              "  {\"id\": 2, \"enabled\": false, \"name\": \"周报\", \"sources\": 0, \"schedule\": \"每逢： 星期一 星期五执行\", \"runCount\": 0}\n"
              "]\n");
}

TEST_F(CorvctlTest, NoTaskFileBesideTheProgramListsNothing) {
    EXPECT_EQ(run({"tasks", "--json"}), kSuccess);
    EXPECT_EQ(out.str(), "[]\n");
}

TEST_F(CorvctlTest, RoundTripWritesWhatTheProgramWould) {
    files.addFile("C:\\in.ini", kTwoTasks);
    ASSERT_EQ(run({"roundtrip", "C:\\in.ini", "C:\\out.ini"}), kSuccess) << err.str();
    auto first = files.content("C:\\out.ini");
    ASSERT_TRUE(first.has_value());
    EXPECT_NE(first->find(text::utf8ToCp936("name=周报\r\n")), std::string::npos);
    ASSERT_EQ(run({"roundtrip", "C:\\out.ini", "C:\\again.ini"}), kSuccess);
    EXPECT_EQ(files.content("C:\\again.ini"), first);
}

TEST_F(CorvctlTest, ReportsUsageAndFileErrorsWithTheirCodes) {
    files.addFile("C:\\in.ini", kTwoTasks);
    files.inject({"replace", "C:\\Corvallo\\locked.ini", platform::FileErrorKind::AccessDenied, -1});
    struct Case {
        std::vector<std::string> arguments;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{}, kUsage, "no command"},
        {{"bogus"}, kUsage, "unknown command bogus"},
        {{"tasks", "--ini"}, kUsage, "--ini needs a path"},
        {{"tasks", "--color"}, kUsage, "unknown option --color"},
        {{"roundtrip", "C:\\in.ini"}, kUsage, "exactly IN and OUT"},
        {{"tasks", "--ini", "C:\\missing.ini"}, kFileError, "C:\\missing.ini"},
        {{"roundtrip", "C:\\missing.ini", "C:\\out.ini"}, kFileError, "C:\\missing.ini"},
        {{"roundtrip", "C:\\in.ini", "C:\\Corvallo\\locked.ini"}, kFileError, "access denied"},
        {{"roundtrip", "C:\\in.ini", "Q:\\nowhere\\out.ini"}, kFileError, "Q:\\nowhere\\out.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        EXPECT_EQ(run(c.arguments), c.code);
        const std::string message = err.str();
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    }
    EXPECT_FALSE(files.exists("C:\\out.ini"));
}

}  // namespace
}  // namespace corvallo::cli
