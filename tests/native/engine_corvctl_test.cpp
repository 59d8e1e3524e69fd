// corvctl run and plan, on the in-memory disk.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/corvctl.h"
#include "core/task_file.h"
#include "core/text/cp936.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::cli {
namespace {

using platform::FileErrorKind;

const std::string kTaskFile = "C:\\Corvallo\\quorvtask.ini";

class EngineCorvctlTest : public ::testing::Test, protected engine::testing::EngineFixture {
protected:
    EngineCorvctlTest() {
        files.addFile(kTaskFile, text::utf8ToCp936("[task]\r\nnumber=2\r\n"
                                                   "[1]\r\non=1\r\ntimes=4\r\nname=文档\r\nsource=1\r\nsource1=D:\\data\r\n"
                                                   "filetype=1\r\nfiletype1=*.doc\r\ndest=1\r\ndest1=E:\\bak\r\n"
                                                   "[2]\r\non=0\r\nname=other\r\n"));
        files.addFile("D:\\data\\a.doc", "alpha");
        files.addFile("D:\\data\\sub\\b.doc", "beta");
    }
    int corvctl(std::vector<std::string> arguments) {
        out.str({});
        err.str({});
        Environment environment{files, "C:\\Corvallo", out, err, &clock, stop.get_token(), 2};
        return runCorvctl(arguments, environment);
    }
    BackupTask saved(std::int32_t id) {
        TaskList list;
        TaskFile file(files, kTaskFile);
        EXPECT_FALSE(loadTaskFile(list, file));
        return list.taskWithId(id).value_or(BackupTask{});
    }
    std::ostringstream out, err;
};

TEST_F(EngineCorvctlTest, RunBacksUpNowWritesTheRunDataBackAndSavesTheTaskFile) {
    ASSERT_EQ(corvctl({"run", "1"}), kSuccess) << out.str() << err.str();
    EXPECT_EQ(out.str().substr(0, out.str().find(", seconds")),
              "task 1: run 5 in folder 2014-8-15 937\nmatched 2, copied 2, failed 0, bytes 9");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(files.content("E:\\bak\\2014-8-15 937\\data\\sub\\b.doc"), "beta");
    BackupTask task = saved(1);
    EXPECT_EQ(task.runCount, 5);
    EXPECT_EQ(task.sources, std::vector<std::string>{"D:\\data\\"});
    EXPECT_EQ(task.destinations, std::vector<std::string>{"E:\\bak\\"});
    EXPECT_EQ(task.backupRecords, (std::vector<BackupRecord>{{"E:\\bak\\", "2014-8-15 937", ""}}));
    EXPECT_EQ(saved(2).name, "other");
    EXPECT_TRUE(files.exists(kTaskFile + ".bak"));
}

TEST_F(EngineCorvctlTest, RunCopiesOnAsManyThreadsAsAskedWithTheSameResult) {
    for (int i = 0; i < 40; ++i) files.addFile("D:\\data\\more\\f" + std::to_string(i) + ".doc", std::to_string(i));
    ASSERT_EQ(corvctl({"run", "1", "--threads", "3"}), kSuccess) << out.str() << err.str();
    EXPECT_NE(out.str().find("matched 42, copied 42, failed 0"), std::string::npos) << out.str();
    EXPECT_EQ(files.content("E:\\bak\\2014-8-15 937\\data\\more\\f39.doc"), "39");
}

TEST_F(EngineCorvctlTest, RunPrintsEachFailureOnItsOwnLineAndExitsWithOne) {
    files.inject({"copy", "D:\\data\\a.doc", FileErrorKind::AccessDenied, -1});
    files.inject({"list", "D:\\data\\sub\\", FileErrorKind::AccessDenied, -1});
    ASSERT_EQ(corvctl({"run", "1"}), kSomeFailed) << err.str();
    EXPECT_NE(out.str().find("matched 1, copied 0, failed 1,"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\nfailed: copy \"D:\\data\\a.doc\": access denied\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\nfailed: list \"D:\\data\\sub\\\": access denied\n"), std::string::npos) << out.str();
    EXPECT_EQ(saved(1).runCount, 5);  // a run with failures is still a run
}

TEST_F(EngineCorvctlTest, PlanPrintsEveryTargetAndChangesNothing) {
    const auto before = files.content(kTaskFile);
    ASSERT_EQ(corvctl({"plan", "1", "--ini", kTaskFile}), kSuccess) << err.str();
    EXPECT_EQ(out.str(),
              "D:\\data\\a.doc -> E:\\bak\\2014-8-15 937\\data\\a.doc\n"
              "D:\\data\\sub\\b.doc -> E:\\bak\\2014-8-15 937\\data\\sub\\b.doc\n");
    EXPECT_EQ(files.content(kTaskFile), before);
    EXPECT_FALSE(files.exists("E:\\bak"));
    EXPECT_FALSE(files.exists(kTaskFile + ".bak"));
}

TEST_F(EngineCorvctlTest, UsageMissingTasksAndFileErrorsHaveTheirExitCodes) {
    struct Case {
        std::vector<std::string> arguments;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{"run"}, kUsage, "run takes exactly one task ID"},
        {{"plan", "1", "2"}, kUsage, "plan takes exactly one task ID"},
        {{"run", "x1"}, kUsage, "not a task ID: x1"},
        {{"run", "0"}, kUsage, "not a task ID: 0"},
        {{"run", "-1"}, kUsage, "not a task ID: -1"},
        {{"run", "1", "--json"}, kUsage, "exactly one task ID"},
        {{"run", "9"}, kFileError, "no task with ID 9 in C:\\Corvallo\\quorvtask.ini"},
        {{"plan", "9"}, kFileError, "no task with ID 9"},
        {{"run", "1", "--ini", "C:\\missing.ini"}, kFileError, "C:\\missing.ini"},
        {{"run", "1", "--threads"}, kUsage, "--threads needs a number from 1 to 16"},
        {{"run", "1", "--threads", "0"}, kUsage, "--threads needs a number from 1 to 16"},
        {{"run", "1", "--threads", "17"}, kUsage, "--threads needs a number from 1 to 16"},
        {{"plan", "1", "--threads", "2"}, kUsage, "--threads is for run only"},
        {{"tasks", "--threads", "2"}, kUsage, "--threads is for run only"},
    };
    const auto before = files.content(kTaskFile);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        EXPECT_EQ(corvctl(c.arguments), c.code);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(files.content(kTaskFile), before);
    EXPECT_FALSE(files.exists("E:\\bak"));
}

TEST_F(EngineCorvctlTest, ATaskFileThatCannotBeSavedAfterTheRunIsAFileError) {
    files.inject({"replace", kTaskFile, FileErrorKind::AccessDenied, -1});
    EXPECT_EQ(corvctl({"run", "1"}), kFileError);
    EXPECT_NE(out.str().find("copied 2"), std::string::npos);
    EXPECT_NE(err.str().find("access denied"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace corvallo::cli
