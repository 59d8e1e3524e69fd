#pragma once
// The backup service: starting and stopping the workers of the tasks, for one task, for all, for the
// service as a whole and at midnight, and what a worker does when its time has come.
//
// Threads. The public operations run on the user-interface thread only (checked in debug builds); they
// never wait for a run, a notice or the log, at most for a worker finishing a change of the task list
// or a write of the task file. They leave refreshing the list view to their caller, which is on the
// user-interface thread already. Workers tell the user interface through the ServiceObserver.
//
// Rules the workers keep:
// - A task's `worker` holds its worker's token from before the worker can do anything, and is set to 0
//   by stopWorker or by the scheduled worker's own end; a worker finds its task by id every time.
// - Every change a worker makes to shared state (task list, task file, observer) happens while it holds
//   the change gate, after checking its stop under it; stopWorker requests the stop holding the gate.
//   So a stop never cuts such a change, and once stopWorker has returned the worker changes nothing
//   more, writes no log entry and starts no notice. A stopped run ends at its next file.
// - A run by hand (runTaskNow) keeps the same rules; stopWorker and every operation that stops a
//   task's worker stop the task's run by hand as well.
// - A task has at most one run under way (by hand, scheduled or interval). A worker whose time comes
//   while one is under way counts its turn as served and does not run: a scheduled worker ends as on a
//   day that is not its own, except that a Date task still disables itself (its minute was met by the
//   run under way); an interval worker counts its period from 0 again. Either leaves a line in the log.
// - Lock order: change gate, then the task list, then the worker registry.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "service/environment.h"
#include "service/service_status.h"
#include "service/worker_registry.h"

namespace corvallo::service {

// What runTaskNow did.
enum class RunNowResult {
    Started,         // the run is under way on a thread of its own
    AlreadyRunning,  // a run of the task (by hand, scheduled or interval) is under way; nothing started
    NoSuchTask,      // no task has this id
    ThreadFailed,    // no thread could be started for the run; nothing changed
};

class BackupService {
public:
    // The task list, task file, clock, observer and log must outlive the service. Starts the timer
    // thread (throws std::system_error when it cannot). The status starts as stopped.
    explicit BackupService(ServiceEnvironment environment);
    // Stops every worker (as stopService does) and waits for their threads.
    ~BackupService();
    BackupService(const BackupService&) = delete;
    BackupService& operator=(const BackupService&) = delete;

    // Gives the task a worker of its kind unless it has one (also while the service is stopped).
    void startWorker(std::int32_t taskId);
    // Ends the task's worker, if any; `enabled` stays.
    void stopWorker(std::int32_t taskId);

    // Every enabled task gets a worker; the status becomes running.
    void startService();
    // Every worker ends; `enabled` stays; the status becomes stopped.
    void stopService();

    void enableAllTasks();
    void disableAllTasks();
    // A list row's menu entries and its check box (ticked: enable) act through these, by the row's id.
    void enableTask(std::int32_t taskId);
    void disableTask(std::int32_t taskId);

    // Every second: during the minute 00:00, and only while the service runs, every enabled task
    // without a worker gets one, once a night: a worker that ends within the minute is not replaced on
    // the next tick (its successor would only end again and write the task file once more).
    void rearmWorkers();

    // Runs the task's backup now, on a thread of its own, with what a scheduled run does once its minute
    // has come: run count and run folder, records written back to the task, the run log entry, the
    // notice when the task asks for it, the task file saved and the list changed. Whether the service
    // runs, whether the task is enabled and whether it has a worker make no difference, and none of them
    // changes: a run by hand is not the task's scheduled run, so a Date task stays enabled and a waiting
    // worker still runs at its time. Does not wait for the run. stopWorker, disableTask,
    // disableAllTasks, stopService and the destructor stop it as they stop a worker's run.
    RunNowResult runTaskNow(std::int32_t taskId);

    // Whether a run of the task is under way (by hand, scheduled or interval), from its start until its
    // notice has closed; a stopped run counts until it has left the file in hand. Any thread.
    bool isTaskRunning(std::int32_t taskId) const { return registry_->running(taskId); }

    ServiceStatus status() const { return status_; }

    // Whether a worker with this token is alive, and how many are: for checks and tests. Any thread.
    bool workerAlive(WorkerHandle token) const { return registry_->alive(token); }
    std::size_t workerCount() const { return registry_->size(); }

private:
    // Under the list lock.
    void startLocked(BackupTask& task);
    // Under the change gate and the list lock.
    void stopLocked(BackupTask& task);

    // Worker threads (worker_bodies.cpp).
    void workerBody(const Activation& activation);
    void scheduledWorker(const Activation& activation);
    void intervalWorker(const Activation& activation);
    void manualRun(const Activation& activation);
    // A worker's turn came while a run of its task was under way.
    void noteTurnServed(const Activation& activation, const std::string& name);
    // One run, its write-back, its log entry and its notice; false when stopped on the way.
    bool runTask(const Activation& activation, BackupTask& task);
    void publishRunStart(const Activation& activation, const BackupTask& ran);
    // Ends a worker that cannot go on, clearing its task's `worker` so that it can be started again.
    void abandon(const Activation& activation, const std::string& reason);

    ServiceEnvironment env_;
    std::mutex changeGate_;
    // User-interface thread only.
    ServiceStatus status_ = ServiceStatus::Stopped;
    std::map<std::int32_t, std::array<int, 3>> rearmedOn_;  // task id -> the date of its last re-arm
    std::unique_ptr<WorkerRegistry> registry_;       // last: its threads use everything above
};

}  // namespace corvallo::service
