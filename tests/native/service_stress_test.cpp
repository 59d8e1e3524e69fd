// Many workers ending at once while the user-interface thread edits the list: run under
// ThreadSanitizer (preset native-tsan) as well as natively.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

#include "tests/native/service_fixture.h"

namespace corvallo::service {
namespace {

using testing::makeDaily;
using testing::makeRepeating;
using testing::VirtualClock;

constexpr int kEdits = 400;

class ServiceStressTest : public ::testing::Test, protected testing::ServiceFixture {
protected:
    ServiceStressTest() : ServiceFixture(VirtualClock::at(2014, 8, 15, 23, 59, 50)) {
        for (int i = 0; i < 20; ++i) files.addFile("D:\\data\\f" + std::to_string(i) + ".doc", std::string(100, 'x'));
    }

    std::vector<std::int32_t> ids() const {
        std::vector<std::int32_t> out;
        for (const auto& task : tasks.snapshot()) out.push_back(task.id);
        return out;
    }

    // The task file as it is on disk right now must load, whoever wrote it last.
    void expectTaskFileLoads() {
        if (!files.content(testing::kTaskFilePath)) return;
        TaskList loaded;
        TaskFile file(files, testing::kTaskFilePath);
        const auto error = loadTaskFile(loaded, file);
        EXPECT_FALSE(error) << error.describe();
    }

    // What the user interface does, picked at random: the editor's add and edit, delete, the check
    // boxes and menus, saving, service start and stop, and the midnight timer's ticks.
    void edit(std::mt19937& random) {
        const auto present = ids();
        const std::int32_t someId = present.empty() ? 1 : present[random() % present.size()];
        switch (random() % 12) {
            case 0: {
                const auto id = add(makeDaily(0, 0));
                service().startWorker(id);
                saveTaskFile(tasks, taskFile);
                break;
            }
            case 1: {
                service().stopWorker(someId);
                tasks.locked([&](TaskListContents& contents) {
                    if (auto position = contents.positionOfTask(someId)) {
                        BackupTask edited = contents.at(position);
                        edited.name += "+";
                        edited.runCount = 0;
                        edited.enabled = 1;
                        contents.replace(position, edited);
                    }
                });
                service().startWorker(someId);
                saveTaskFile(tasks, taskFile);
                break;
            }
            case 2: {
                service().stopWorker(someId);
                tasks.locked([&](TaskListContents& contents) {
                    if (auto position = contents.positionOfTask(someId)) contents.remove(position);
                });
                break;
            }
            case 3: service().enableTask(someId); break;
            case 4: service().disableTask(someId); break;
            case 5: saveTaskFile(tasks, taskFile); break;
            case 6: expectTaskFileLoads(); break;
            // Each of these ends or restarts every worker, and each end writes the task file: rarer.
            case 7:
                if (random() % 16 == 0) service().disableAllTasks();
                break;
            case 8:
                if (random() % 16 == 0) service().enableAllTasks();
                break;
            case 9:
                if (random() % 32 == 0) {
                    service().stopService();
                    service().startService();
                }
                break;
            default: service().rearmWorkers(); break;
        }
    }
};

TEST_F(ServiceStressTest, FiftyWorkersEndingAtMidnightWhileTheListIsEditedLeaveNoStaleWorker) {
    for (int i = 0; i < 50; ++i) add(makeDaily(0, 0));
    for (int i = 0; i < 5; ++i) add(makeRepeating(0));
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 23, 59, 59));

    // From here on this thread is the user-interface thread; the test thread only moves the clock. It
    // gives the midnight tick that starts the fifty workers, then edits while they run and end.
    std::mutex mutex;
    std::condition_variable changed;
    bool midnight = false, rearmed = false;
    std::atomic<bool> finish{false};
    std::jthread userInterface([&] {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return midnight; });
        }
        service().rearmWorkers();
        {
            std::lock_guard lock(mutex);
            rearmed = true;
        }
        changed.notify_all();
        waitForRuns(5 + 50);  // every midnight run has started: edit while they go on and end
        std::mt19937 random(20140816);
        for (int done = 0; done < kEdits; ++done) edit(random);
        finish = true;
    });
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 0, 0));
    {
        std::unique_lock lock(mutex);
        midnight = true;
        changed.notify_all();
        changed.wait(lock, [&] { return rearmed; });
    }
    while (!finish) clock.runFor(std::chrono::seconds(1));
    userInterface.join();
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 30, 0));

    std::size_t midnightRuns = 0;
    for (const auto& run : runs()) midnightRuns += run.at.day == 16 && run.at.hour == 0 && run.at.minute == 0;
    EXPECT_GE(midnightRuns, 50u);
    expectTaskFileLoads();
    std::size_t withWorker = 0;
    for (const auto& task : tasks.snapshot()) {
        SCOPED_TRACE("task " + std::to_string(task.id));
        if (task.worker == 0) continue;
        ++withWorker;
        EXPECT_TRUE(service().workerAlive(task.worker)) << "a task holds the token of a worker that has gone";
    }
    EXPECT_EQ(service().workerCount(), withWorker) << "a worker lives on that no task knows";

    service().stopService();
    clock.settle();
    for (const auto& task : tasks.snapshot()) EXPECT_EQ(task.worker, 0u);
    EXPECT_EQ(service().workerCount(), 0u);
}

// Runs by hand among midnight and interval runs, while the list is edited and tasks are stopped,
// deleted and restarted: a task never has two runs at once, and nothing is left running or busy.
TEST_F(ServiceStressTest, RunsByHandAmongWorkersAndEditsNeverRunATaskTwiceAtOnce) {
    for (int i = 0; i < 20; ++i) add(makeDaily(0, 0));
    for (int i = 0; i < 5; ++i) add(makeRepeating(0));
    runDuration = std::chrono::seconds(20);
    service().startService();
    clock.runUntil(VirtualClock::at(2014, 8, 15, 23, 59, 59));

    std::mutex mutex;
    std::condition_variable changed;
    bool midnight = false, rearmed = false;
    std::atomic<bool> finish{false};
    int started = 0, refused = 0, failed = 0;
    std::jthread userInterface([&] {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return midnight; });
        }
        service().rearmWorkers();
        {
            std::lock_guard lock(mutex);
            rearmed = true;
        }
        changed.notify_all();
        std::mt19937 random(20140815);
        for (int done = 0; done < kEdits; ++done) {
            if (random() % 3 != 0) {
                edit(random);
                continue;
            }
            const auto present = ids();
            if (present.empty()) continue;
            switch (service().runTaskNow(present[random() % present.size()])) {
                case RunNowResult::Started: ++started; break;
                case RunNowResult::AlreadyRunning: ++refused; break;
                case RunNowResult::NoSuchTask:
                case RunNowResult::ThreadFailed: ++failed; break;
            }
        }
        finish = true;
    });
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 0, 0));
    {
        std::unique_lock lock(mutex);
        midnight = true;
        changed.notify_all();
        changed.wait(lock, [&] { return rearmed; });
    }
    while (!finish) clock.runFor(std::chrono::seconds(1));
    userInterface.join();
    clock.runUntil(VirtualClock::at(2014, 8, 16, 0, 30, 0));

    EXPECT_GT(started, 0);
    EXPECT_EQ(failed, 0) << "an existing task was not found, or a thread could not be started";
    EXPECT_EQ(mostRunsOfATaskAtOnce(), 1) << started << " started, " << refused << " refused";
    expectTaskFileLoads();

    service().stopService();
    clock.settle();
    for (const auto& task : tasks.snapshot()) {
        SCOPED_TRACE("task " + std::to_string(task.id));
        EXPECT_EQ(task.worker, 0u);
        EXPECT_FALSE(service().isTaskRunning(task.id));
    }
    EXPECT_EQ(service().workerCount(), 0u);
}

}  // namespace
}  // namespace corvallo::service
