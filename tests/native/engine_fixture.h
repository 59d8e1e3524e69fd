#pragma once
// What the engine's native tests share: an in-memory disk with drives C: to F: and a share, a clock
// that never sleeps, and a task builder.

#include <chrono>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "core/task.h"
#include "engine/run.h"
#include "platform/clock.h"
#include "tests/support/memory_files.h"

namespace corvallo::engine::testing {

// Stands at one instant; waits return at once (false after a stop) and are recorded.
class ManualClock : public platform::Clock {
public:
    platform::LocalTime time{2014, 8, 15, 9, 3, 7, 6};

    platform::LocalTime now() override { return time; }
    bool waitFor(std::chrono::milliseconds duration, std::stop_token stop) override {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            waits_.push_back(duration);
            hook = onWait;
        }
        if (hook) hook();
        return !stop.stop_requested();
    }
    std::vector<std::chrono::milliseconds> waits() const {
        std::lock_guard lock(mutex_);
        return waits_;
    }
    std::function<void()> onWait;

private:
    mutable std::mutex mutex_;
    std::vector<std::chrono::milliseconds> waits_;
};

inline BackupTask makeTask(std::vector<std::string> sources, std::vector<std::string> fileTypes,
                           std::vector<std::string> destinations) {
    BackupTask task;
    task.id = 1;
    task.enabled = 1;
    task.name = "task";
    task.sources = std::move(sources);
    task.fileTypes = std::move(fileTypes);
    task.destinations = std::move(destinations);
    return task;
}

class EngineFixture {
public:
    EngineFixture() {
        for (const char* drive : {"C:", "D:", "E:", "F:"}) files.addDrive(drive);
        files.addShare("\\\\nas\\share");
    }

    RunResult run(BackupTask& task, int threads = 1) {
        RunEnvironment environment{files, clock, stop.get_token(), threads};
        environment.pack = pack;
        return runBackup(task, environment);
    }

    // Every failure's describe(), for messages and searches.
    static std::string describe(const RunResult& result) {
        std::string text;
        for (const auto& failure : result.failures) text += failure.describe() + "\n";
        return text;
    }

    corvallo::testing::MemoryFiles files;
    ManualClock clock;
    std::stop_source stop;
    FolderPacker pack;
};

inline constexpr const char* kRun = "2014-8-15 937";  // the run folder of ManualClock's default time

}  // namespace corvallo::engine::testing
