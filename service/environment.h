#pragma once
// What the backup service is given: the shared task list and file, the clock, the user-interface side,
// the log, and the parts tests replace (the run, thread creation, monotonic time).

#include <chrono>
#include <functional>
#include <thread>

#include "core/task_file.h"
#include "core/task_list.h"
#include "engine/run.h"
#include "platform/clock.h"
#include "service/observer.h"
#include "service/service_log.h"

namespace corvallo::service {

// One backup run of a task (engine::runBackup in the program).
using TaskRunner = std::function<engine::RunResult(BackupTask& task, engine::RunEnvironment& environment)>;
// Starts a thread running `body`; throws std::system_error when it cannot.
using ThreadStarter = std::function<std::jthread(std::function<void()> body)>;
// Milliseconds from a fixed origin that never go back, for the interval workers' steps.
using MonotonicNow = std::function<std::chrono::milliseconds()>;

std::jthread startPlainThread(std::function<void()> body);
std::chrono::milliseconds steadyNow();

struct ServiceEnvironment {
    TaskList& tasks;
    TaskFile& taskFile;  // its file system is also the one runs copy with
    platform::Clock& clock;
    ServiceObserver& observer;
    ServiceLog& log;
    TaskRunner runner = engine::runBackup;
    int copyThreads = engine::kDefaultCopyThreads;
    ThreadStarter startThread = startPlainThread;
    MonotonicNow monotonic = steadyNow;
};

}  // namespace corvallo::service
