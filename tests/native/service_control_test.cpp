// Starting and stopping workers: for one task, for all, for the service, and at midnight.
#include <gtest/gtest.h>

#include "service/service_status.h"
#include "tests/native/service_fixture.h"

namespace corvallo::service {
namespace {

using testing::makeDaily;
using testing::makeDate;
using testing::makeRepeating;
using testing::makeWeekly;
using testing::VirtualClock;
using Strings = std::vector<std::string>;

class ServiceControlTest : public ::testing::Test, protected testing::ServiceFixture {
protected:
    // A weekly task (Fridays 08:00), a daily one at 08:00, a repeating daily one whose 08:00 means
    // nothing, and a disabled daily one; started at 07:59:30.
    void addFourTasks() {
        weekly = add(makeWeekly("0|0|0|0|0|1|0|", 8, 0));
        daily = add(makeDaily(8, 0));
        BackupTask repeatingTask = makeRepeating(1);
        repeatingTask.hour = 8;
        repeating = add(repeatingTask);
        BackupTask disabledTask = makeDaily(8, 0);
        disabledTask.enabled = 0;
        disabled = add(disabledTask);
    }
    std::vector<WorkerHandle> workers() const {
        std::vector<WorkerHandle> out;
        for (const auto& t : tasks.snapshot()) out.push_back(t.worker);
        return out;
    }
    std::vector<std::int32_t> enabledFlags() const {
        std::vector<std::int32_t> out;
        for (const auto& t : tasks.snapshot()) out.push_back(t.enabled);
        return out;
    }

    std::int32_t weekly = 0, daily = 0, repeating = 0, disabled = 0;
};

TEST_F(ServiceControlTest, StartServiceGivesEachEnabledTaskOneWorkerOfItsKind) {
    addFourTasks();
    EXPECT_EQ(service().status(), ServiceStatus::Stopped);
    service().startService();
    clock.settle();
    const auto started = workers();
    EXPECT_NE(started[0], 0u);
    EXPECT_NE(started[1], 0u);
    EXPECT_NE(started[2], 0u);
    EXPECT_EQ(started[3], 0u);
    EXPECT_EQ(service().workerCount(), 3u);
    EXPECT_EQ(service().status(), ServiceStatus::Running);

    service().startService();  // a second time: nobody gets a second worker
    clock.settle();
    EXPECT_EQ(workers(), started);
    EXPECT_EQ(service().workerCount(), 3u);

    // The scheduled workers run at 08:00 and end; the interval worker ignores 08:00 and runs an hour
    // after its start.
    clock.runUntil(VirtualClock::at(2014, 8, 15, 9, 30, 0));
    EXPECT_EQ(runTimes(weekly), Strings{"08:00"});
    EXPECT_EQ(runTimes(daily), Strings{"08:00"});
    EXPECT_EQ(runTimes(repeating), Strings{"08:59:30"});
    EXPECT_TRUE(runTimes(disabled).empty());
    EXPECT_EQ(workers()[0], 0u);
    EXPECT_EQ(workers()[1], 0u);
    EXPECT_EQ(workers()[2], started[2]);
    EXPECT_EQ(service().workerCount(), 1u);
}

TEST_F(ServiceControlTest, StatusDisplayFollowsTheService) {
    const StatusDisplay running = statusDisplay(ServiceStatus::Running);
    EXPECT_EQ(running.caption, "备份服务正在运行！");
    EXPECT_FALSE(running.startButtonEnabled);
    EXPECT_TRUE(running.stopButtonEnabled);
    const StatusDisplay stopped = statusDisplay(ServiceStatus::Stopped);
    EXPECT_EQ(stopped.caption, "备份服务已经停止！");
    EXPECT_TRUE(stopped.startButtonEnabled);
    EXPECT_FALSE(stopped.stopButtonEnabled);
}

TEST_F(ServiceControlTest, StopServiceEndsEveryWorkerAndKeepsEnabled) {
    addFourTasks();
    service().startService();
    clock.settle();
    const auto enabledBefore = enabledFlags();
    service().stopService();
    EXPECT_EQ(service().status(), ServiceStatus::Stopped);
    EXPECT_EQ(workers(), (std::vector<WorkerHandle>{0, 0, 0, 0}));
    EXPECT_EQ(enabledFlags(), enabledBefore);
    EXPECT_EQ(service().workerCount(), 0u);

    clock.runUntil(VirtualClock::at(2014, 8, 15, 12, 0, 0));
    EXPECT_TRUE(runs().empty());
    EXPECT_FALSE(files.content(testing::kTaskFilePath)) << "a stopped worker wrote the task file";

    service().startService();  // serves the same tasks again
    clock.settle();
    EXPECT_EQ(service().workerCount(), 1u);  // the scheduled ones' minute has passed: they end at once
    EXPECT_NE(worker(repeating), 0u);
}

TEST_F(ServiceControlTest, CheckingARepeatingTaskStartsItsIntervalWorkerAndUncheckingEndsIt) {
    BackupTask repeatingTask = makeRepeating(1);
    repeatingTask.enabled = 0;
    const auto id = add(repeatingTask);
    service().enableTask(id);
    clock.settle();
    EXPECT_EQ(task(id).enabled, 1);
    const WorkerHandle token = worker(id);
    EXPECT_NE(token, 0u);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 9, 0, 0));
    EXPECT_EQ(runTimes(id), Strings{"08:59:30"});
    EXPECT_EQ(worker(id), token) << "an interval worker never ends by itself";

    service().disableTask(id);
    EXPECT_EQ(task(id).enabled, 0);
    EXPECT_EQ(worker(id), 0u);
    EXPECT_FALSE(service().workerAlive(token));
    clock.runUntil(VirtualClock::at(2014, 8, 15, 23, 0, 0));
    EXPECT_EQ(runTimes(id).size(), 1u);
}

TEST_F(ServiceControlTest, AnIdWithoutATaskChangesNothing) {
    const auto id = add(makeDaily(8, 0));
    service().enableTask(id + 7);
    service().disableTask(id + 7);
    service().startWorker(id + 7);
    service().stopWorker(id + 7);
    clock.settle();
    EXPECT_EQ(worker(id), 0u);
    EXPECT_EQ(service().workerCount(), 0u);
}

TEST_F(ServiceControlTest, EnableAllKeepsALiveWorkerAndStartsTheOthers) {
    addFourTasks();
    service().startWorker(repeating);
    clock.settle();
    const WorkerHandle kept = worker(repeating);
    service().enableAllTasks();
    clock.settle();
    EXPECT_EQ(enabledFlags(), (std::vector<std::int32_t>{1, 1, 1, 1}));
    EXPECT_EQ(worker(repeating), kept);
    EXPECT_EQ(service().workerCount(), 4u);
    for (auto token : workers()) EXPECT_TRUE(service().workerAlive(token));

    service().disableAllTasks();
    EXPECT_EQ(enabledFlags(), (std::vector<std::int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(workers(), (std::vector<WorkerHandle>{0, 0, 0, 0}));
    EXPECT_EQ(service().workerCount(), 0u);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 12, 0, 0));
    EXPECT_TRUE(runs().empty());
}

TEST_F(ServiceControlTest, MidnightGivesEnabledTasksWithoutWorkerOneAndOnlyDuringTheFirstMinute) {
    const auto ended = add(makeDaily(8, 0));       // its worker will have ended by midnight
    BackupTask off = makeDaily(8, 0);
    off.enabled = 0;
    const auto disabledId = add(off);
    const auto alive = add(makeRepeating(4));      // its interval worker lives on
    const auto lateStart = add(makeDaily(9, 0));
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 23, 59, 59));
    service().stopWorker(lateStart);  // as after "停用" then re-enabling without a worker
    const WorkerHandle aliveToken = worker(alive);
    ASSERT_EQ(worker(ended), 0u);

    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 1, 0));
    service().rearmWorkers();  // 00:01:00: too late
    clock.settle();
    EXPECT_EQ(worker(ended), 0u);
    EXPECT_EQ(worker(lateStart), 0u);

    // The same at 00:00:00 on the next day.
    clock.runUntil(VirtualClock::at(2014, 8, 17, 0, 0, 0));
    service().rearmWorkers();
    clock.settle();
    EXPECT_NE(worker(ended), 0u);
    EXPECT_NE(worker(lateStart), 0u);
    EXPECT_EQ(worker(disabledId), 0u);
    EXPECT_EQ(worker(alive), aliveToken);
    clock.runUntil(VirtualClock::at(2014, 8, 17, 9, 30, 0));
    EXPECT_EQ(runTimes(ended, true), (Strings{"8-15 08:00", "8-17 08:00"}));
    EXPECT_EQ(runTimes(lateStart, true), (Strings{"8-15 09:00", "8-17 09:00"}));
}

TEST_F(ServiceControlTest, AStoppedServiceHoldsMidnightBackButEnablingStillStartsAWorker) {
    const auto id = add(makeDaily(8, 0));
    const auto other = add(makeDaily(8, 30));
    service().stopService();
    midnight(2014, 8, 16);
    EXPECT_EQ(worker(id), 0u);
    EXPECT_EQ(worker(other), 0u);
    service().enableTask(other);
    clock.runUntil(VirtualClock::at(2014, 8, 16, 9, 0, 0));
    EXPECT_TRUE(runTimes(id).empty());
    EXPECT_EQ(runTimes(other), Strings{"08:30"});
}

TEST_F(ServiceControlTest, AWorkerKeepsItsTaskWhileTasksBeforeItAreDeleted) {
    const auto first = add(makeDaily(8, 0));
    const auto second = add(makeDaily(8, 0));
    const auto kept = add(makeDate(2014, 8, 15, 8, 0));
    const auto later = add(makeDaily(9, 0));
    service().startWorker(kept);
    service().startWorker(later);
    clock.settle();
    remove(first);
    remove(second);
    // A worker started now, for a task whose position (1) differs from its id (4).
    service().startWorker(later);
    const auto newcomer = add(makeDaily(8, 0));  // takes the freed id 1, at position 3
    ASSERT_EQ(newcomer, first);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 9, 30, 0));

    EXPECT_EQ(runTimes(kept), Strings{"08:00"});
    EXPECT_EQ(runTimes(later), Strings{"09:00"});
    EXPECT_TRUE(runTimes(newcomer).empty());
    EXPECT_EQ(task(kept).runCount, 1);
    EXPECT_EQ(task(kept).enabled, 0);  // the Date task disabled itself, not another one
    EXPECT_EQ(task(newcomer).enabled, 1);
    EXPECT_EQ(task(newcomer).runCount, 0);
    EXPECT_EQ(task(later).backupRecords.size(), 1u);
}

TEST_F(ServiceControlTest, AWorkerWhoseThreadCannotBeCreatedLeavesZeroAndALogLine) {
    const auto id = add(makeDaily(8, 0));
    service().startWorker(id);
    clock.settle();
    failWorkerThreads = true;
    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 1, 0));
    EXPECT_EQ(worker(id), 0u);
    EXPECT_EQ(service().workerCount(), 0u);
    EXPECT_TRUE(runs().empty());
    const auto log = files.content(testing::kLogPath).value_or("");
    EXPECT_NE(log.find("2014-08-15 08:00:00  task 1 \"task\": no worker thread: "), std::string::npos) << log;

    // Tried again at the next midnight.
    failWorkerThreads = false;
    service().startService();
    midnight(2014, 8, 16);
    clock.runUntil(VirtualClock::at(2014, 8, 16, 8, 1, 0));
    EXPECT_EQ(runTimes(id, true), Strings{"8-16 08:00"});
}

}  // namespace
}  // namespace corvallo::service
