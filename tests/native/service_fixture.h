#pragma once
// What the service tests share: an in-memory disk, the task list and file, a virtual clock that the
// service's threads run on, a recording observer, the log, and a run that is the real engine counted.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

#include "core/task_file.h"
#include "core/task_list.h"
#include "engine/run.h"
#include "service/backup_service.h"
#include "tests/support/memory_files.h"
#include "tests/support/recording_observer.h"
#include "tests/support/virtual_clock.h"

namespace corvallo::service::testing {

using corvallo::testing::VirtualClock;
using platform::LocalTime;

inline constexpr const char* kTaskFilePath = "C:\\Corvallo\\quorvtask.ini";
inline constexpr const char* kLogPath = "C:\\Corvallo\\corvallo.log";

// Copies D:\data\*.doc to E:\bak.
inline BackupTask makeTask(ScheduleKind kind, int hour, int minute) {
    BackupTask task;
    task.enabled = 1;
    task.name = "task";
    task.sources = {"D:\\data"};
    task.fileTypes = {"*.doc"};
    task.destinations = {"E:\\bak"};
    task.scheduleKind = static_cast<std::int32_t>(kind);
    task.hour = hour;
    task.minute = minute;
    task.postAction = static_cast<std::int32_t>(PostAction::NoAction);
    return task;
}
inline BackupTask makeDaily(int hour, int minute) { return makeTask(ScheduleKind::Daily, hour, minute); }
inline BackupTask makeWeekly(std::string weekdays, int hour, int minute) {
    BackupTask task = makeTask(ScheduleKind::Weekly, hour, minute);
    task.weekdays = std::move(weekdays);
    return task;
}
inline BackupTask makeDate(int year, int month, int day, int hour, int minute) {
    BackupTask task = makeTask(ScheduleKind::Date, hour, minute);
    task.year = year;
    task.month = month;
    task.day = day;
    return task;
}
inline BackupTask makeRepeating(int hours) {
    BackupTask task = makeTask(ScheduleKind::Daily, 0, 0);
    task.repeatEnabled = true;
    task.repeatHours = hours;
    return task;
}

class ServiceFixture {
public:
    // 15 August 2014 was a Friday.
    explicit ServiceFixture(LocalTime start = VirtualClock::at(2014, 8, 15, 7, 59, 30)) : clock(start) {
        for (const char* drive : {"C:", "D:", "E:"}) files.addDrive(drive);
        files.addFolder("C:\\Corvallo");
        files.addFile("D:\\data\\a.doc", "a");
    }
    ~ServiceFixture() { service_.reset(); }

    // Made on first use, so that a test can set things up first.
    BackupService& service() {
        if (!service_) {
            ServiceEnvironment environment{tasks, taskFile, clock, observer, log};
            environment.runner = [this](BackupTask& task, engine::RunEnvironment& run) { return countedRun(task, run); };
            environment.copyThreads = 1;
            environment.startThread = [this, start = clock.threadStarter()](std::function<void()> body) {
                if (failWorkerThreads.load()) {
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                }
                if (holdWorkerThreads.load()) {
                    body = [this, body = std::move(body)] {
                        clock.waitFor(std::chrono::hours(24 * 365), releaseWorkerThreads.get_token());
                        body();
                    };
                }
                return start(std::move(body));
            };
            environment.monotonic = clock.monotonic();
            service_ = std::make_unique<BackupService>(std::move(environment));
        }
        return *service_;
    }

    std::int32_t add(BackupTask task) {
        return tasks.locked([&](TaskListContents& contents) {
            task.id = contents.nextTaskId();
            contents.append(task);
            return task.id;
        });
    }
    // Deletes as the list view does: the worker first.
    void remove(std::int32_t id) {
        service().stopWorker(id);
        tasks.locked([id](TaskListContents& contents) { contents.remove(contents.positionOfTask(id)); });
    }
    // Ends the service as the program's exit does; service() must not be called afterwards.
    void destroyService() { service_.reset(); }

    BackupTask task(std::int32_t id) const { return tasks.taskWithId(id).value(); }
    WorkerHandle worker(std::int32_t id) const { return task(id).worker; }

    struct Run {
        std::int32_t taskId;
        LocalTime at;
    };
    std::vector<Run> runs() const {
        std::lock_guard lock(mutex_);
        return runs_;
    }
    // Blocks until `count` runs have started (for a thread that is not one of the service's).
    void waitForRuns(std::size_t count) const {
        std::unique_lock lock(mutex_);
        runStarted_.wait(lock, [&] { return runs_.size() >= count; });
    }
    // The most runs of one task that were ever under way at the same moment.
    int mostRunsOfATaskAtOnce() const {
        std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }
    // "hh:mm" of each run of the task; with the date when `withDate`.
    std::vector<std::string> runTimes(std::int32_t id, bool withDate = false) const {
        std::vector<std::string> out;
        for (const Run& run : runs()) {
            if (run.taskId != id) continue;
            std::string text = withDate ? std::to_string(run.at.month) + "-" + std::to_string(run.at.day) + " " : "";
            out.push_back(text + twoDigits(run.at.hour) + ":" + twoDigits(run.at.minute) +
                          (run.at.second != 0 ? ":" + twoDigits(run.at.second) : ""));
        }
        return out;
    }

    // The tasks as the task file holds them now; none when it has not been written.
    std::optional<std::vector<BackupTask>> savedTasks() {
        if (!files.content(kTaskFilePath)) return std::nullopt;
        TaskList loaded;
        TaskFile file(files, kTaskFilePath);
        if (loadTaskFile(loaded, file)) return std::nullopt;
        return loaded.snapshot();
    }

    // Every midnight re-arm tick of the minute 00:00 on the given day (as the window's 1 s timer would).
    void midnight(int year, int month, int day) {
        clock.runUntil(VirtualClock::at(year, month, day, 0, 0, 0));
        for (int second = 0; second < 60; ++second) {
            clock.runUntil(VirtualClock::at(year, month, day, 0, 0, second));
            service().rearmWorkers();
            clock.settle();
        }
    }

    corvallo::testing::MemoryFiles files;
    TaskList tasks;
    TaskFile taskFile{files, kTaskFilePath};
    VirtualClock clock;
    corvallo::testing::RecordingObserver observer;
    ServiceLog log{files, kLogPath};
    // Each run takes this much virtual time after its copying.
    std::chrono::milliseconds runDuration{0};
    // Set after the service exists: worker threads (not the timer) cannot be created.
    std::atomic<bool> failWorkerThreads{false};
    // Set after the service exists: worker threads wait at their start until released.
    std::atomic<bool> holdWorkerThreads{false};
    std::stop_source releaseWorkerThreads;
    // Set while no run goes on: each run, once its run count and folder show, waits (before copying
    // anything) until `releaseRuns` is requested or the run is stopped.
    std::atomic<bool> holdRuns{false};
    std::stop_source releaseRuns;

private:
    static std::string twoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

    engine::RunResult countedRun(BackupTask& task, engine::RunEnvironment& environment) {
        {
            std::lock_guard lock(mutex_);
            runs_.push_back(Run{task.id, clock.now()});
            mostAtOnce_ = std::max(mostAtOnce_, ++underWay_[task.id]);
        }
        runStarted_.notify_all();
        struct Over {
            ServiceFixture& fixture;
            std::int32_t id;
            ~Over() {
                std::lock_guard lock(fixture.mutex_);
                --fixture.underWay_[id];
            }
        } over{*this, task.id};
        if (holdRuns.load()) {
            environment.started = [this, published = environment.started, stop = environment.stop](const BackupTask& ran) {
                if (published) published(ran);
                std::stop_source either;
                std::stop_callback onRelease(releaseRuns.get_token(), [&either] { either.request_stop(); });
                std::stop_callback onStop(stop, [&either] { either.request_stop(); });
                clock.waitFor(std::chrono::hours(24 * 365), either.get_token());
            };
        }
        engine::RunResult result = engine::runBackup(task, environment);
        if (runDuration.count() > 0) clock.waitFor(runDuration, environment.stop);
        return result;
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable runStarted_;
    std::vector<Run> runs_;
    std::map<std::int32_t, int> underWay_;  // per task id, its runs going on now
    int mostAtOnce_ = 0;
    std::unique_ptr<BackupService> service_;
};

}  // namespace corvallo::service::testing
