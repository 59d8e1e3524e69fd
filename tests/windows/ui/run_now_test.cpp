// "立即执行！" in the task list's menu: a run of the selected task on a worker, with its bookkeeping.
#include <gtest/gtest.h>

#include "tests/windows/ui/program_fixture.h"
#include "ui/commands.h"

namespace corvallo::testing {
namespace {

class RunNowTest : public ProgramFixture {};

TEST_F(RunNowTest, RunsTheSelectedTaskWithoutBlockingAndSavesTheFile) {
    TempFolder source;
    TempFolder destination;
    ASSERT_FALSE(files_.replaceFile(source / "报告.doc", "contents", ""));
    BackupTask task = quietTask(2, "立即", false);
    task.sources = {source.path()};
    task.fileTypes = {"*.doc"};
    task.destinations = {destination.path()};
    writeSettings("[system]\r\nautoon=0\r\n");
    writeTasks({quietTask(1, "别的", false), task});
    start();

    selectRow(list(), 1);
    postCommand(mainWindow(), ui::kRunNow);
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 2 && rows()[1][4] == "1"; }, 20s));
    ASSERT_TRUE(waitUntil([&] { return !service_->isTaskRunning(2); }, 20s));
    const auto saved = tasks_.taskWithId(2);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->runCount, 1);
    ASSERT_EQ(saved->backupRecords.size(), 1u);
    // Not a scheduled run: the task stays as the user left it.
    EXPECT_EQ(saved->enabled, 0);
    const std::string copied = destination.path() + "\\" + saved->backupRecords[0].folder + "\\" +
                               source.path().substr(3) + "\\报告.doc";
    auto bytes = files_.readFile(copied);
    ASSERT_TRUE(bytes.ok()) << copied;
    EXPECT_EQ(bytes.value, "contents");
    EXPECT_TRUE(waitUntil([&] { return fileBytes(kTaskFileName).find("times=1\r\n") != std::string::npos; }));
    EXPECT_EQ(tasks_.taskWithId(1)->runCount, 0);
}

}  // namespace
}  // namespace corvallo::testing
