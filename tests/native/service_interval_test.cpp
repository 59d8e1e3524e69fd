// The interval worker: 10-minute steps counted from its start or from the end of its last run.
#include <gtest/gtest.h>

#include "tests/native/service_fixture.h"

namespace corvallo::service {
namespace {

using testing::makeRepeating;
using testing::VirtualClock;
using Strings = std::vector<std::string>;

class ServiceIntervalWorkerTest : public ::testing::Test, protected testing::ServiceFixture {
protected:
    ServiceIntervalWorkerTest() : ServiceFixture(VirtualClock::at(2014, 8, 15, 10, 0, 0)) {}
};

TEST_F(ServiceIntervalWorkerTest, ThePeriodDecidesTheFirstRunAndTheSteps) {
    struct Case {
        int repeatHours;
        Strings runs;  // from 10:00 to 13:00
    };
    const Case cases[] = {
        {1, {"11:00", "12:00", "13:00"}},
        {2, {"12:00"}},
        {4, {}},
        {0, {"10:00", "10:10", "10:20", "10:30", "10:40", "10:50", "11:00", "11:10", "11:20", "11:30", "11:40",
             "11:50", "12:00", "12:10", "12:20", "12:30", "12:40", "12:50", "13:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("repeatHours " + std::to_string(c.repeatHours));
        testing::ServiceFixture fixture(VirtualClock::at(2014, 8, 15, 10, 0, 0));
        const auto id = fixture.add(makeRepeating(c.repeatHours));
        fixture.service().startWorker(id);
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 13, 0, 0));
        EXPECT_EQ(fixture.runTimes(id), c.runs);
        EXPECT_NE(fixture.worker(id), 0u);
    }
    testing::ServiceFixture negative(VirtualClock::at(2014, 8, 15, 10, 0, 0));
    const auto id = negative.add(makeRepeating(-2));
    negative.service().startWorker(id);
    negative.clock.runUntil(VirtualClock::at(2014, 8, 15, 10, 25, 0));
    EXPECT_EQ(negative.runTimes(id), (Strings{"10:00", "10:10", "10:20"}));
}

TEST_F(ServiceIntervalWorkerTest, TheNextRunFollowsAFullPeriodAfterTheEndOfTheLast) {
    BackupTask task = makeRepeating(1);
    task.hour = 10;  // hour and minute mean nothing to an interval worker
    task.minute = 30;
    const auto id = add(task);
    runDuration = std::chrono::minutes(20);
    service().startWorker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 14, 0, 0));
    EXPECT_EQ(runTimes(id), (Strings{"11:00", "12:20", "13:40"}));
    const auto saved = savedTasks();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->at(0).runCount, 3) << "the task file is written after each run";
    EXPECT_EQ(saved->at(0).backupRecords.size(), 3u);
}

TEST_F(ServiceIntervalWorkerTest, ThreeDaysOfRunsEveryFourHours) {
    BackupTask repeating = makeRepeating(4);
    repeating.notify = 1;
    repeating.postAction = static_cast<std::int32_t>(PostAction::Standby);
    const auto id = add(repeating);
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 18, 10, 0, 0));
    const auto times = runTimes(id, true);
    ASSERT_EQ(times.size(), 18u);
    EXPECT_EQ(times.front(), "8-15 14:00");
    EXPECT_EQ(times.back(), "8-18 10:00");
    EXPECT_EQ(observer.notices(), Strings(18, "待机|强制"));
    EXPECT_EQ(task(id).runCount, 18);
}

TEST_F(ServiceIntervalWorkerTest, RestartingTheWorkerCountsFromZeroAgain) {
    const auto id = add(makeRepeating(1));
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 10, 50, 0));
    service().stopService();
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 12, 0, 0));
    EXPECT_EQ(runTimes(id), Strings{"11:50"});
}

TEST_F(ServiceIntervalWorkerTest, AWorkerWhoseTaskNoLongerRepeatsEndsWithoutARunAndClearsTheTask) {
    const auto id = add(makeRepeating(1));
    service().startWorker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 10, 30, 0));
    tasks.locked([id](TaskListContents& contents) { contents.find(id)->repeatEnabled = false; });
    clock.runUntil(VirtualClock::at(2014, 8, 15, 12, 0, 0));
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(worker(id), 0u);
    EXPECT_EQ(service().workerCount(), 0u);
    EXPECT_FALSE(savedTasks());
}

}  // namespace
}  // namespace corvallo::service
