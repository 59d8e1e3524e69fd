// Running a task by hand: the run and its bookkeeping, one run of a task at a time, and the stops.
#include <gtest/gtest.h>

#include "tests/native/service_fixture.h"

namespace corvallo::service {
namespace {

using testing::makeDaily;
using testing::makeDate;
using testing::makeRepeating;
using testing::VirtualClock;
using Strings = std::vector<std::string>;

constexpr const char* kBusyNote = "its time came while a run of it was under way; not run twice";

class ServiceRunNowTest : public ::testing::Test, protected testing::ServiceFixture {
protected:
    std::string log() const { return files.content(testing::kLogPath).value_or(""); }
};

// Every case starts at 07:59:30 on Friday 15 August 2014.
TEST_F(ServiceRunNowTest, ARunByHandKeepsTheBooksOfAScheduledRunAndChangesNoSwitch) {
    struct Case {
        const char* what;
        BackupTask task;
        bool startService;
        bool startWorker;
        Strings laterRuns;  // by 09:30
    };
    BackupTask disabled = makeDaily(8, 0);
    disabled.enabled = 0;
    const Case cases[] = {
        {"an enabled task, the service stopped", makeDaily(8, 0), false, false, {"07:59:30"}},
        {"a disabled task", disabled, false, false, {"07:59:30"}},
        {"a task whose worker waits runs at its time as well", makeDaily(8, 0), true, false, {"07:59:30", "08:00"}},
        {"a Date task stays enabled and still runs on its date", makeDate(2014, 8, 15, 9, 0), false, true,
         {"07:59:30", "09:00"}},
        {"a repeating task keeps its count", makeRepeating(1), true, false, {"07:59:30", "08:59:30"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ServiceFixture fixture;
        const auto id = fixture.add(c.task);
        if (c.startService) fixture.service().startService();
        if (c.startWorker) fixture.service().startWorker(id);
        fixture.clock.settle();
        const WorkerHandle worker = fixture.worker(id);
        const ServiceStatus status = fixture.service().status();

        EXPECT_EQ(fixture.service().runTaskNow(id), RunNowResult::Started);
        fixture.clock.settle();
        EXPECT_EQ(fixture.runTimes(id), Strings{"07:59:30"});
        EXPECT_FALSE(fixture.service().isTaskRunning(id));
        const BackupTask live = fixture.task(id);
        EXPECT_EQ(live.runCount, 1);
        EXPECT_EQ(live.runFolder, "2014-8-15 75930\\");
        EXPECT_EQ(live.backupRecords, (std::vector<BackupRecord>{{"E:\\bak\\", "2014-8-15 75930", ""}}));
        EXPECT_EQ(fixture.files.content("E:\\bak\\2014-8-15 75930\\data\\a.doc"), "a");
        const auto saved = fixture.savedTasks();
        ASSERT_TRUE(saved) << "the run writes the task file";
        EXPECT_EQ(saved->at(0).runCount, 1);
        EXPECT_EQ(saved->at(0).backupRecords, live.backupRecords);
        EXPECT_EQ(saved->at(0).enabled, c.task.enabled);
        const std::string logText = fixture.files.content(testing::kLogPath).value_or("");
        EXPECT_EQ(logText.rfind("2014-08-15 07:59:30 .. 2014-08-15 07:59:30  task 1 \"task\": 1 copied, 0 failed", 0), 0u)
            << logText;
        EXPECT_GE(fixture.observer.listChanges(), 2);
        EXPECT_EQ(live.enabled, c.task.enabled);
        EXPECT_EQ(live.worker, worker);
        if (worker != 0) {
            EXPECT_TRUE(fixture.service().workerAlive(worker));
        }
        EXPECT_EQ(fixture.service().status(), status);

        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 9, 30, 0));
        EXPECT_EQ(fixture.runTimes(id), c.laterRuns);
        EXPECT_EQ(fixture.task(id).runCount, static_cast<std::int32_t>(c.laterRuns.size()));
    }
}

TEST_F(ServiceRunNowTest, ASecondRunIsRefusedWhileAnyRunOfTheTaskIsUnderWay) {
    struct Case {
        const char* what;
        BackupTask task;
        std::function<void(testing::ServiceFixture&, std::int32_t)> startRun;
    };
    const Case cases[] = {
        {"by hand", makeDaily(8, 0),
         [](testing::ServiceFixture& f, std::int32_t id) { EXPECT_EQ(f.service().runTaskNow(id), RunNowResult::Started); }},
        {"scheduled", makeDaily(8, 0),
         [](testing::ServiceFixture& f, std::int32_t id) {
             f.service().startWorker(id);
             f.clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 0, 10));
         }},
        {"interval", makeRepeating(0),
         [](testing::ServiceFixture& f, std::int32_t id) { f.service().startWorker(id); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ServiceFixture fixture;
        const auto id = fixture.add(c.task);
        const auto other = fixture.add(makeDaily(8, 0));
        fixture.holdRuns = true;
        c.startRun(fixture, id);
        fixture.clock.settle();
        ASSERT_EQ(fixture.runs().size(), 1u);
        EXPECT_TRUE(fixture.service().isTaskRunning(id));
        EXPECT_FALSE(fixture.service().isTaskRunning(other));

        EXPECT_EQ(fixture.service().runTaskNow(id), RunNowResult::AlreadyRunning);
        EXPECT_EQ(fixture.service().runTaskNow(other), RunNowResult::Started) << "other tasks are not held back";
        fixture.clock.settle();
        EXPECT_EQ(fixture.runTimes(id).size(), 1u);
        EXPECT_EQ(fixture.runTimes(other).size(), 1u);

        fixture.releaseRuns.request_stop();
        fixture.clock.settle();
        EXPECT_FALSE(fixture.service().isTaskRunning(id));
        EXPECT_FALSE(fixture.service().isTaskRunning(other));
        EXPECT_EQ(fixture.service().runTaskNow(id), RunNowResult::Started);
        fixture.clock.settle();
        EXPECT_EQ(fixture.runTimes(id).size(), 2u);
        EXPECT_EQ(fixture.task(id).runCount, 2);
        EXPECT_EQ(fixture.task(id).backupRecords.size(), 2u);
    }
}

TEST_F(ServiceRunNowTest, TheRunIsTakenBeforeItsThreadGoesAndGivenBackWhenNoThreadComes) {
    const auto id = add(makeDaily(8, 0));
    EXPECT_EQ(service().runTaskNow(id + 7), RunNowResult::NoSuchTask);

    holdWorkerThreads = true;
    EXPECT_EQ(service().runTaskNow(id), RunNowResult::Started);
    EXPECT_TRUE(service().isTaskRunning(id)) << "running from the call on, not from when the thread gets going";
    EXPECT_EQ(service().runTaskNow(id), RunNowResult::AlreadyRunning);
    releaseWorkerThreads.request_stop();
    clock.settle();
    EXPECT_EQ(runTimes(id), Strings{"07:59:30"});
    EXPECT_FALSE(service().isTaskRunning(id));

    failWorkerThreads = true;
    EXPECT_EQ(service().runTaskNow(id), RunNowResult::ThreadFailed);
    EXPECT_FALSE(service().isTaskRunning(id)) << "a run without a thread must not keep the task busy";
    failWorkerThreads = false;
    EXPECT_EQ(service().runTaskNow(id), RunNowResult::Started);
    clock.settle();
    EXPECT_EQ(runTimes(id).size(), 2u);
    EXPECT_EQ(task(id).runCount, 2);
}

// Whatever stops the task's worker stops its run by hand too; the run then writes nothing more.
TEST_F(ServiceRunNowTest, StoppingTheTaskEndsItsRunByHandAndNothingIsWrittenAfterwards) {
    struct Case {
        const char* what;
        std::function<void(testing::ServiceFixture&, std::int32_t)> stop;
        bool taskRemains;
        bool serviceRemains;
    };
    const Case cases[] = {
        {"deleting the task", [](testing::ServiceFixture& f, std::int32_t id) { f.remove(id); }, false, true},
        {"stopWorker", [](testing::ServiceFixture& f, std::int32_t id) { f.service().stopWorker(id); }, true, true},
        {"disableTask", [](testing::ServiceFixture& f, std::int32_t id) { f.service().disableTask(id); }, true, true},
        {"disableAllTasks", [](testing::ServiceFixture& f, std::int32_t) { f.service().disableAllTasks(); }, true, true},
        {"stopService", [](testing::ServiceFixture& f, std::int32_t) { f.service().stopService(); }, true, true},
        {"the end of the service", [](testing::ServiceFixture& f, std::int32_t) { f.destroyService(); }, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ServiceFixture fixture;
        fixture.files.addFile("D:\\data\\b.doc", "b");
        BackupTask asking = makeDaily(8, 0);
        asking.notify = 1;
        asking.postAction = static_cast<std::int32_t>(PostAction::ShutDown);
        const auto id = fixture.add(asking);
        fixture.holdRuns = true;
        ASSERT_EQ(fixture.service().runTaskNow(id), RunNowResult::Started);
        fixture.clock.settle();
        ASSERT_EQ(fixture.runs().size(), 1u);
        const int changesDuringRun = fixture.observer.listChanges();

        c.stop(fixture, id);
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 7, 59, 40));
        EXPECT_FALSE(fixture.files.content("E:\\bak\\2014-8-15 75930\\data\\a.doc"));
        EXPECT_FALSE(fixture.files.content("E:\\bak\\2014-8-15 75930\\data\\b.doc"));
        EXPECT_FALSE(fixture.savedTasks());
        EXPECT_FALSE(fixture.files.content(testing::kLogPath));
        EXPECT_TRUE(fixture.observer.notices().empty());
        EXPECT_EQ(fixture.observer.listChanges(), changesDuringRun);
        if (c.taskRemains) {
            EXPECT_TRUE(fixture.task(id).backupRecords.empty());
        }
        if (c.taskRemains && c.serviceRemains) {
            EXPECT_FALSE(fixture.service().isTaskRunning(id)) << "the stopped run gave the task back";
            fixture.releaseRuns.request_stop();
            EXPECT_EQ(fixture.service().runTaskNow(id), RunNowResult::Started);
            fixture.clock.settle();
            EXPECT_EQ(fixture.task(id).backupRecords.size(), 1u);
        }
    }
}

TEST_F(ServiceRunNowTest, ADeletedTaskWhoseIdIsTakenAgainIsNotWrittenByItsStoppedRun) {
    files.addFile("D:\\data\\b.doc", "b");
    const auto id = add(makeDaily(8, 0));
    std::stop_source released;
    files.onCopy("D:\\data\\a.doc", [&] { clock.waitFor(std::chrono::hours(24), released.get_token()); });
    ASSERT_EQ(service().runTaskNow(id), RunNowResult::Started);
    clock.settle();
    remove(id);
    BackupTask newcomer = makeDaily(9, 0);
    newcomer.name = "newcomer";
    ASSERT_EQ(add(newcomer), id);
    released.request_stop();  // the copy in hand is cancelled; the run stops before the next file
    clock.settle();
    EXPECT_FALSE(files.content("E:\\bak\\2014-8-15 75930\\data\\a.doc"));
    EXPECT_FALSE(files.content("E:\\bak\\2014-8-15 75930\\data\\b.doc"));
    EXPECT_EQ(task(id).name, "newcomer");
    EXPECT_EQ(task(id).runCount, 0);
    EXPECT_TRUE(task(id).backupRecords.empty());
    EXPECT_FALSE(savedTasks());
    EXPECT_FALSE(service().isTaskRunning(id));
}

TEST_F(ServiceRunNowTest, AScheduledMinuteDuringARunByHandIsServedByItWithoutASecondRun) {
    struct Case {
        const char* what;
        BackupTask task;
        std::int32_t enabledAfter;
    };
    const Case cases[] = {
        {"a daily task", makeDaily(8, 0), 1},
        {"a Date task, whose minute has been met", makeDate(2014, 8, 15, 8, 0), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::ServiceFixture fixture;
        const auto id = fixture.add(c.task);
        fixture.service().startService();
        fixture.holdRuns = true;
        ASSERT_EQ(fixture.service().runTaskNow(id), RunNowResult::Started);
        fixture.clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 1, 0));
        EXPECT_EQ(fixture.runTimes(id), Strings{"07:59:30"});
        EXPECT_EQ(fixture.worker(id), 0u) << "the worker ended as on a day not its own";
        EXPECT_TRUE(fixture.service().isTaskRunning(id));
        EXPECT_EQ(fixture.task(id).enabled, c.enabledAfter);
        const std::string logText = fixture.files.content(testing::kLogPath).value_or("");
        EXPECT_NE(logText.find("2014-08-15 08:00:00  task 1 \"task\": " + std::string(kBusyNote)), std::string::npos)
            << logText;

        fixture.releaseRuns.request_stop();
        fixture.clock.settle();
        EXPECT_EQ(fixture.runTimes(id), Strings{"07:59:30"});
        EXPECT_EQ(fixture.task(id).runCount, 1);
        EXPECT_EQ(fixture.task(id).backupRecords.size(), 1u);
        const auto saved = fixture.savedTasks();
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->at(0).backupRecords.size(), 1u) << "the run by hand saved last";
        EXPECT_EQ(saved->at(0).enabled, c.enabledAfter);
    }

    // The next day's minute is the worker's own again.
    const auto id = add(makeDaily(8, 0));
    service().startService();
    holdRuns = true;
    ASSERT_EQ(service().runTaskNow(id), RunNowResult::Started);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 1, 0));
    releaseRuns.request_stop();
    midnight(2014, 8, 16);
    clock.runUntil(VirtualClock::at(2014, 8, 16, 8, 1, 0));
    EXPECT_EQ(runTimes(id, true), (Strings{"8-15 07:59:30", "8-16 08:00"}));
}

TEST_F(ServiceRunNowTest, AnIntervalTurnDuringARunByHandIsServedByItAndTheCountStartsAgain) {
    const auto id = add(makeRepeating(1));  // from 07:59:30: turns at 08:59:30, 09:59:30, ...
    service().startService();
    const WorkerHandle worker = this->worker(id);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 8, 50, 0));
    holdRuns = true;
    ASSERT_EQ(service().runTaskNow(id), RunNowResult::Started);
    clock.runUntil(VirtualClock::at(2014, 8, 15, 9, 10, 0));
    EXPECT_EQ(runTimes(id), Strings{"08:50"});
    EXPECT_NE(log().find("2014-08-15 08:59:30  task 1 \"task\": " + std::string(kBusyNote)), std::string::npos) << log();
    releaseRuns.request_stop();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 10, 0, 0));
    EXPECT_EQ(runTimes(id), (Strings{"08:50", "09:59:30"}));
    EXPECT_EQ(this->worker(id), worker);
    EXPECT_TRUE(service().workerAlive(worker));
    EXPECT_EQ(task(id).runCount, 2);
}

TEST_F(ServiceRunNowTest, TheNoticeFollowsARunByHandWhenTheTaskAsksForIt) {
    struct Case {
        std::int32_t notify;
        PostAction postAction;
        Strings notices;
    };
    const Case cases[] = {
        {1, PostAction::ShutDown, {"关机|强制"}},
        {1, PostAction::Standby, {"待机|强制"}},
        {0, PostAction::ShutDown, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("notify " + std::to_string(c.notify));
        testing::ServiceFixture fixture;
        BackupTask task = makeDaily(8, 0);
        task.notify = c.notify;
        task.postAction = static_cast<std::int32_t>(c.postAction);
        const auto id = fixture.add(task);
        std::optional<int> runCountWhenShown;
        bool fileWrittenWhenShown = true;
        bool runningWhenShown = false;
        fixture.observer.onNotice = [&](const std::string&, std::stop_token) {
            runCountWhenShown = fixture.task(id).runCount;
            fileWrittenWhenShown = fixture.files.content(testing::kTaskFilePath).has_value();
            runningWhenShown = fixture.service().isTaskRunning(id);
        };
        ASSERT_EQ(fixture.service().runTaskNow(id), RunNowResult::Started);
        fixture.clock.settle();
        EXPECT_EQ(fixture.observer.notices(), c.notices);
        if (!c.notices.empty()) {
            EXPECT_EQ(runCountWhenShown, 1) << "the run comes first";
            EXPECT_FALSE(fileWrittenWhenShown) << "the task file is written after the notice has closed";
            EXPECT_TRUE(runningWhenShown) << "the task counts as running until its notice has closed";
        }
        EXPECT_TRUE(fixture.savedTasks());
        EXPECT_FALSE(fixture.service().isTaskRunning(id));
    }
}

}  // namespace
}  // namespace corvallo::service
