// The scheduled worker: its target minute, the decision for the day, the run, the notice and its end.
#include <gtest/gtest.h>

#include "service/schedule.h"
#include "service/weekday.h"
#include "tests/native/service_fixture.h"

namespace corvallo::service {
namespace {

using testing::makeDaily;
using testing::makeDate;
using testing::makeTask;
using testing::makeWeekly;
using testing::VirtualClock;
using platform::LocalTime;
using Strings = std::vector<std::string>;

TEST(ServiceWeekdayTest, ADayCountsOnlyWhenItsOwnFlagIsExactlyOne) {
    struct Case {
        std::string flags;
        int day;
        bool set;
    };
    const Case cases[] = {
        {"1|0|0|0|0|0|0|", 1, true},   {"1|0|0|0|0|0|0|", 2, false}, {"0|1|0|0|0|0|0|", 2, true},
        {"0|0|0|0|0|0|1|", 7, true},   {"0|0|0|0|0|0|1", 7, true},   {"1|0|0|0|0|0|", 1, false},
        {"0000000", 1, false},         {"0", 3, false},              {"", 1, false},
        {"1 |1|1|1|1|1|1|", 1, false}, {"2|1|1|1|1|1|1|", 1, false}, {"1|1|1|1|1|1|1|", 0, false},
        {"1|1|1|1|1|1|1|", 8, false},  {"0|0|0|0|0|0|0|1|", 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags + " day " + std::to_string(c.day));
        EXPECT_EQ(weekdayFlagSet(c.day, c.flags), c.set);
    }
}

TEST(ServiceScheduleTest, TheTargetIsComparedFieldByFieldFromTheYearDown) {
    struct Case {
        const char* what;
        std::int32_t year, month, day, hour, minute;
        LocalTime now;
        Comparison expected;
    };
    const auto at = [](int h, int m, int s = 0) { return VirtualClock::at(2014, 8, 15, h, m, s); };
    const Case cases[] = {
        {"before the minute", 0, 0, 0, 8, 0, at(7, 59, 59), Comparison::Wait},
        {"in the minute", 0, 0, 0, 8, 0, at(8, 0, 59), Comparison::Due},
        {"after the minute", 0, 0, 0, 8, 0, at(8, 1), Comparison::Passed},
        {"an hour of 0 is midnight", 0, 0, 0, 0, 0, at(0, 0), Comparison::Due},
        {"a later day", 2014, 8, 16, 7, 0, at(9, 0), Comparison::Wait},
        {"a later month with an earlier day", 2014, 9, 1, 0, 0, at(23, 59), Comparison::Wait},
        {"an earlier year", 2013, 12, 31, 23, 59, at(8, 0), Comparison::Passed},
        {"a date of today", 2014, 8, 15, 8, 0, at(8, 0), Comparison::Due},
        {"an hour out of range waits", 0, 0, 0, 25, 0, at(23, 0), Comparison::Wait},
        {"a negative minute", 0, 0, 0, 8, -1, at(8, 0), Comparison::Passed},
        {"a negative month", 2014, -1, 1, 0, 0, at(8, 0), Comparison::Passed},
        {"a later year is decided before a negative month", 2015, -1, 1, 0, 0, at(8, 0), Comparison::Wait},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BackupTask task = makeDate(c.year, c.month, c.day, c.hour, c.minute);
        ScheduledTarget target(task);
        EXPECT_EQ(target.compare(c.now), c.expected);
    }
}

TEST(ServiceScheduleTest, AZeroDateFieldIsTakenFromTheFirstComparisonAndKept) {
    ScheduledTarget target(makeDaily(25, 0));  // an hour no day reaches
    EXPECT_EQ(target.compare(VirtualClock::at(2014, 8, 15, 23, 59, 59)), Comparison::Wait);
    EXPECT_EQ(target.compare(VirtualClock::at(2014, 8, 16, 0, 0, 0)), Comparison::Passed);

    ScheduledTarget midnight(makeDaily(0, 0));
    EXPECT_EQ(midnight.compare(VirtualClock::at(2014, 12, 31, 23, 59, 0)), Comparison::Passed);
    ScheduledTarget newYear(makeDaily(0, 0));
    EXPECT_EQ(newYear.compare(VirtualClock::at(2014, 12, 31, 0, 0, 0)), Comparison::Due);
    EXPECT_EQ(newYear.compare(VirtualClock::at(2015, 1, 1, 0, 0, 0)), Comparison::Passed);
}

class ServiceScheduledWorkerTest : public ::testing::Test, protected testing::ServiceFixture {};

TEST_F(ServiceScheduledWorkerTest, ADailyTaskDueIn30SecondsRunsOnceInItsMinuteAndEnds) {
    const auto id = add(makeDaily(8, 0));
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 7, 59, 59));
    EXPECT_TRUE(runs().empty());
    EXPECT_TRUE(service().workerAlive(worker(id)));
    EXPECT_FALSE(savedTasks());

    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 0, 0));
    EXPECT_EQ(runTimes(id), Strings{"08:00"});
    EXPECT_EQ(worker(id), 0u);
    EXPECT_EQ(service().workerCount(), 0u);
    const BackupTask live = task(id);
    EXPECT_EQ(live.runCount, 1);
    EXPECT_EQ(live.runFolder, "2014-8-15 800\\");
    EXPECT_EQ(live.sources, Strings{"D:\\data\\"});
    EXPECT_EQ(live.backupRecords, (std::vector<BackupRecord>{{"E:\\bak\\", "2014-8-15 800", ""}}));
    EXPECT_EQ(files.content("E:\\bak\\2014-8-15 800\\data\\a.doc"), "a");
    const auto saved = savedTasks();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->at(0).runCount, 1);
    EXPECT_EQ(saved->at(0).backupRecords, live.backupRecords);
    EXPECT_GE(observer.listChanges(), 2);  // after the run and at the end

    clock.runUntil(VirtualClock::at(2014, 8, 16, 9, 0, 0));  // nothing re-arms it
    EXPECT_EQ(runs().size(), 1u);
}

// Workers that end without a run: at once when their time has passed, or in their minute when the day
// is not theirs. They still write the task file and clear `worker`; `enabled` stays.
TEST_F(ServiceScheduledWorkerTest, WorkersWithoutARunEndAtTheRightMomentAndKeepTheTaskEnabled) {
    struct Case {
        const char* what;
        BackupTask task;
        bool endsAtOnce;
    };
    auto noticeWanted = [](BackupTask task) {
        task.notify = 1;
        task.postAction = static_cast<std::int32_t>(PostAction::ShutDown);
        return task;
    };
    const Case cases[] = {
        {"a daily task whose minute has passed", makeDaily(7, 58), true},
        {"a date in the past", makeDate(2014, 8, 14, 9, 0), true},
        {"a negative hour", makeDaily(-1, 0), true},
        {"a weekly task on a day not flagged (Friday)", makeWeekly("1|1|1|1|1|0|1|", 8, 0), false},
        {"a weekly task with the short text \"0\"", makeWeekly("0", 8, 0), false},
        {"no schedule kind", makeTask(static_cast<ScheduleKind>(0), 8, 0), false},
        {"an unknown schedule kind", makeTask(static_cast<ScheduleKind>(7), 8, 0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ServiceFixture fixture;
        const auto id = fixture.add(noticeWanted(c.task));
        fixture.service().startWorker(id);
        fixture.clock.settle();
        EXPECT_EQ(fixture.worker(id) == 0, c.endsAtOnce);
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 7, 59, 59));
        EXPECT_EQ(fixture.worker(id) == 0, c.endsAtOnce);
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 0, 0));
        EXPECT_EQ(fixture.worker(id), 0u);
        EXPECT_EQ(fixture.service().workerCount(), 0u);
        EXPECT_TRUE(fixture.runs().empty());
        EXPECT_TRUE(fixture.observer.notices().empty());
        const auto saved = fixture.savedTasks();
        ASSERT_TRUE(saved) << "the end writes the task file";
        EXPECT_EQ(saved->at(0).enabled, 1);
        EXPECT_EQ(saved->at(0).runCount, 0);
        EXPECT_EQ(fixture.task(id).enabled, 1);
    }
}

TEST_F(ServiceScheduledWorkerTest, ADateTaskWaitsForItsDayRunsAndDisablesItself) {
    const auto id = add(makeDate(2014, 8, 17, 0, 1));
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 16, 23, 59, 0));
    midnight(2014, 8, 17);  // it still has its worker: the re-arm leaves it alone
    clock.runUntil(VirtualClock::at(2014, 8, 17, 0, 2, 0));
    EXPECT_EQ(runTimes(id, true), Strings{"8-17 00:01"});
    EXPECT_EQ(task(id).enabled, 0);
    EXPECT_EQ(worker(id), 0u);
    ASSERT_TRUE(savedTasks());
    EXPECT_EQ(savedTasks()->at(0).enabled, 0);

    midnight(2014, 8, 18);
    EXPECT_EQ(worker(id), 0u);
    EXPECT_EQ(runs().size(), 1u);
}

TEST_F(ServiceScheduledWorkerTest, AnHourOutOfRangeKeepsTheWorkerWaitingUntilTheDayChanges) {
    const auto id = add(makeDaily(25, 0));
    service().startWorker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 23, 59, 59));
    EXPECT_NE(worker(id), 0u);
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 0, 0));
    EXPECT_EQ(worker(id), 0u);
    EXPECT_TRUE(runs().empty());
}

TEST_F(ServiceScheduledWorkerTest, AMidnightTaskRunsOnceInItsMinuteHoweverOftenItGetsAWorker) {
    const auto id = add(makeDaily(0, 0));
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 0, 0));
    service().rearmWorkers();
    clock.settle();
    EXPECT_EQ(runTimes(id, true), Strings{"8-16 00:00"});
    EXPECT_EQ(worker(id), 0u);
    const int savesAfterRun = files.count("replace");

    // The following ticks of the minute leave the task alone: its worker for tonight has been.
    for (int second = 1; second < 30; ++second) {
        clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 0, second));
        service().rearmWorkers();
        clock.settle();
        EXPECT_EQ(worker(id), 0u);
    }
    EXPECT_EQ(files.count("replace"), savesAfterRun);

    // Switched off and on within the minute: a new worker comes, its minute has come, but the run has
    // been; it ends without another.
    service().disableTask(id);
    service().enableTask(id);
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 1, 0));
    EXPECT_EQ(runTimes(id, true), Strings{"8-16 00:00"});
    EXPECT_EQ(task(id).runCount, 1);
    EXPECT_EQ(task(id).backupRecords.size(), 1u);
    EXPECT_EQ(worker(id), 0u);

    midnight(2014, 8, 17);  // and the next night it runs again
    EXPECT_EQ(runTimes(id, true), (Strings{"8-16 00:00", "8-17 00:00"}));
}

TEST_F(ServiceScheduledWorkerTest, AWeeklyTaskRunsOnItsFlaggedDayOnlyAndNoticesOnlyThen) {
    BackupTask mondays = makeWeekly("0|1|0|0|0|0|0|", 0, 1);
    mondays.notify = 1;
    mondays.postAction = static_cast<std::int32_t>(PostAction::ShutDown);
    const auto id = add(mondays);
    service().startService();
    for (int day = 16; day <= 22; ++day) {
        midnight(2014, 8, day);
        clock.runUntil(VirtualClock::at(2014, 8, day, 0, 2, 0));
        EXPECT_EQ(worker(id), 0u) << "day " << day;
    }
    EXPECT_EQ(runTimes(id, true), Strings{"8-18 00:01"});  // 18 August 2014 was a Monday
    EXPECT_EQ(observer.notices(), Strings{"关机|强制"});
    EXPECT_EQ(task(id).runCount, 1);
}

TEST_F(ServiceScheduledWorkerTest, TheNoticeFollowsTheRunAndTheTaskFileWaitsForIt) {
    struct Case {
        std::int32_t notify;
        std::int32_t postAction;
        Strings notices;
    };
    const Case cases[] = {
        {1, 5, {"关机|强制"}}, {1, 0, {"无操作|强制"}}, {1, 1, {"关闭屏幕|强制"}}, {1, 2, {"待机|强制"}},
        {1, 3, {"注销|强制"}}, {1, 4, {"重启|强制"}},   {0, 5, {}},               {2, 5, {}},
        {1, 6, {}},           {1, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("notify " + std::to_string(c.notify) + " postAction " + std::to_string(c.postAction));
        testing::ServiceFixture fixture;
        BackupTask task = makeDaily(8, 0);
        task.notify = c.notify;
        task.postAction = c.postAction;
        const auto id = fixture.add(task);
        std::optional<int> runCountWhenShown;
        bool fileWrittenWhenShown = true;
        fixture.observer.onNotice = [&](const std::string&, std::stop_token) {
            runCountWhenShown = fixture.task(id).runCount;
            fileWrittenWhenShown = fixture.files.content(testing::kTaskFilePath).has_value();
        };
        fixture.service().startWorker(id);
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 1, 0));
        EXPECT_EQ(fixture.observer.notices(), c.notices);
        if (!c.notices.empty()) {
            EXPECT_EQ(runCountWhenShown, 1) << "the run comes first";
            EXPECT_FALSE(fileWrittenWhenShown) << "the task file is written after the notice has closed";
        }
        EXPECT_TRUE(fixture.savedTasks());
    }
}

TEST_F(ServiceScheduledWorkerTest, AStopDuringTheRunEndsItAtTheNextFileAndNothingMoreIsWritten) {
    files.addFile("D:\\data\\b.doc", "b");
    const auto id = add(makeDaily(8, 0));
    std::stop_source released;
    files.onCopy("D:\\data\\a.doc", [&] { clock.waitFor(std::chrono::hours(24), released.get_token()); });
    service().startWorker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 0, 30));
    ASSERT_EQ(runs().size(), 1u);
    const int changesDuringRun = observer.listChanges();
    EXPECT_EQ(task(id).runCount, 1) << "the run count shows while the run goes on";

    service().stopWorker(id);
    EXPECT_EQ(worker(id), 0u);
    released.request_stop();  // the copy in hand goes on; the engine stops before the next file
    clock.settle();
    EXPECT_EQ(service().workerCount(), 0u);
    EXPECT_FALSE(files.content("E:\\bak\\2014-8-15 800\\data\\b.doc"));
    EXPECT_TRUE(task(id).backupRecords.empty());
    EXPECT_FALSE(savedTasks());
    EXPECT_FALSE(files.content(testing::kLogPath));
    EXPECT_EQ(observer.listChanges(), changesDuringRun);
    EXPECT_EQ(task(id).enabled, 1);
}

TEST_F(ServiceScheduledWorkerTest, AWorkerStoppedBeforeItsThreadGetsGoingChangesNothing) {
    struct Case {
        const char* what;
        BackupTask task;
    };
    const Case cases[] = {
        {"its minute has come", makeDaily(7, 59)},
        {"its time has passed", makeDaily(7, 0)},
        {"a date task's minute has come", makeDate(2014, 8, 15, 7, 59)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ServiceFixture fixture;
        const auto id = fixture.add(c.task);
        fixture.service();
        fixture.holdWorkerThreads = true;
        fixture.service().startWorker(id);
        fixture.clock.settle();  // the thread is there, held at its start
        fixture.service().stopWorker(id);
        fixture.releaseWorkerThreads.request_stop();
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 30, 0));
        EXPECT_EQ(fixture.service().workerCount(), 0u);
        EXPECT_TRUE(fixture.runs().empty());
        EXPECT_FALSE(fixture.savedTasks());
        EXPECT_EQ(fixture.task(id).enabled, 1);
        EXPECT_EQ(fixture.observer.listChanges(), 0);
    }
}

TEST_F(ServiceScheduledWorkerTest, AStopWhileTheNoticeIsOpenEndsTheWaitAndNothingMoreIsWritten) {
    BackupTask task = makeDaily(8, 0);
    task.notify = 1;
    task.postAction = static_cast<std::int32_t>(PostAction::Restart);
    const auto id = add(task);
    bool stoppedInNotice = false;
    observer.onNotice = [&](const std::string&, std::stop_token stop) {
        stoppedInNotice = !clock.waitFor(std::chrono::hours(24), stop);
    };
    service().startWorker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 5, 0));
    ASSERT_EQ(observer.notices(), Strings{"重启|强制"});
    EXPECT_NE(worker(id), 0u) << "the worker waits for the notice";
    service().stopWorker(id);
    clock.settle();
    EXPECT_TRUE(stoppedInNotice);
    EXPECT_EQ(service().workerCount(), 0u);
    EXPECT_FALSE(savedTasks()) << "a stopped worker does not write the task file";
    EXPECT_EQ(this->task(id).backupRecords.size(), 1u) << "the run before the notice was complete";
}

TEST_F(ServiceScheduledWorkerTest, EachRunLeavesAnEntryWithItsFiguresAndFailures) {
    files.addFile("D:\\data\\b.doc", "bb");
    files.addFile("D:\\data\\c.doc", "ccc");
    files.inject({"copy", "D:\\data\\b.doc", platform::FileErrorKind::AccessDenied});
    BackupTask named = makeDaily(8, 0);
    named.name = "文档";
    const auto id = add(named);
    runDuration = std::chrono::seconds(3);
    service().startWorker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 1, 0));
    const std::string log = files.content(testing::kLogPath).value_or("");
    const std::string head = "2014-08-15 08:00:00 .. 2014-08-15 08:00:03  task " + std::to_string(id) +
                             " \"文档\": 2 copied, 1 failed, 4 bytes, ";
    EXPECT_EQ(log.rfind(head, 0), 0u) << log;
    EXPECT_NE(log.find(" s\r\n    copy \"D:\\data\\b.doc\": "), std::string::npos) << log;
    EXPECT_EQ(log.find("D:\\data\\a.doc"), std::string::npos) << log;
}

}  // namespace
}  // namespace corvallo::service
