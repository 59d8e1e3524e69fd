// What a worker does once the timer has started a thread for it, and a run started by hand. Worker
// threads only.
#include <exception>
#include <optional>

#include "core/task_file.h"
#include "service/backup_service.h"
#include "service/run_notice.h"

namespace corvallo::service {

namespace {

// The task's run, claimed in the registry; given back at the end of the scope at the latest, also when
// the run was stopped or threw.
class HeldRun {
public:
    HeldRun(WorkerRegistry& registry, std::int32_t taskId) : registry_(registry), taskId_(taskId) {}
    ~HeldRun() { release(); }
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;

    void release() {
        if (held_) registry_.releaseRun(taskId_);
        held_ = false;
    }

private:
    WorkerRegistry& registry_;
    std::int32_t taskId_;
    bool held_ = true;
};

}  // namespace

void BackupService::workerBody(const Activation& activation) {
    try {
        if (activation.manual) {
            manualRun(activation);
        } else if (activation.kind == WorkerKind::Scheduled) {
            scheduledWorker(activation);
        } else {
            intervalWorker(activation);
        }
    } catch (const std::exception& error) {
        abandon(activation, std::string("worker failed: ") + error.what());
    }
}

void BackupService::scheduledWorker(const Activation& a) {
    if (a.minuteCame) {
        std::optional<BackupTask> copy;
        std::optional<HeldRun> held;
        bool busy = false;
        {
            std::lock_guard gate(changeGate_);
            if (a.stop.stop_requested()) return;
            const bool found = env_.tasks.locked([&](TaskListContents& contents) {
                BackupTask* task = contents.find(a.taskId);
                if (task == nullptr) return false;
                switch (dueToday(*task, a.time.dayOfWeek)) {
                    case DueToday::RunAndDisable:
                        // Before the run, so that the task is not started again.
                        task->enabled = 0;
                        copy = *task;
                        break;
                    case DueToday::Run: copy = *task; break;
                    case DueToday::Skip: break;
                }
                return true;
            });
            if (!found) {
                // Its task has gone: end quietly.
                registry_->ended(a.token);
                return;
            }
            if (copy) {
                // Served either way: by this run or by the task's run under way.
                registry_->runStarts(a);
                if (registry_->claimRun(a.taskId)) {
                    held.emplace(*registry_, a.taskId);
                } else {
                    busy = true;
                }
            }
        }
        if (busy) {
            noteTurnServed(a, copy->name);
        } else if (copy) {
            if (!runTask(a, *copy)) return;
            held->release();
        }
    }

    std::lock_guard gate(changeGate_);
    if (a.stop.stop_requested()) return;
    saveTaskFile(env_.tasks, env_.taskFile);
    env_.tasks.locked([&](TaskListContents& contents) {
        BackupTask* task = contents.find(a.taskId);
        if (task != nullptr && task->worker == a.token) task->worker = 0;
    });
    registry_->ended(a.token);
    env_.observer.taskListChanged();
}

void BackupService::intervalWorker(const Activation& a) {
    std::optional<BackupTask> copy;
    std::optional<HeldRun> held;
    {
        std::lock_guard gate(changeGate_);
        if (a.stop.stop_requested()) return;
        env_.tasks.locked([&](TaskListContents& contents) {
            BackupTask* task = contents.find(a.taskId);
            if (task == nullptr) return;
            if (task->repeatEnabled) {
                copy = *task;
            } else if (task->worker == a.token) {
                // No longer a repeating task: this worker is not its worker any more, and a task left
                // holding a dead worker's token would never be started again.
                task->worker = 0;
            }
        });
        if (!copy) {
            registry_->ended(a.token);
            return;
        }
        if (registry_->claimRun(a.taskId)) held.emplace(*registry_, a.taskId);
    }
    if (!held) {
        noteTurnServed(a, copy->name);
        registry_->waitAgain(a.token);
        return;
    }
    if (!runTask(a, *copy)) return;
    {
        std::lock_guard gate(changeGate_);
        if (a.stop.stop_requested()) return;
        held->release();
        saveTaskFile(env_.tasks, env_.taskFile);
        env_.observer.taskListChanged();
    }
    registry_->waitAgain(a.token);
}

void BackupService::manualRun(const Activation& a) {
    // Claimed by runTaskNow before this thread started.
    HeldRun held(*registry_, a.taskId);
    std::optional<BackupTask> copy;
    {
        std::lock_guard gate(changeGate_);
        if (a.stop.stop_requested()) return;
        copy = env_.tasks.locked([&](TaskListContents& contents) -> std::optional<BackupTask> {
            if (const BackupTask* task = contents.find(a.taskId)) return *task;
            return std::nullopt;
        });
    }
    // A task that has gone meanwhile is not run.
    if (!copy || !runTask(a, *copy)) return;
    std::lock_guard gate(changeGate_);
    if (a.stop.stop_requested()) return;
    // Over before the list is told, so that the list shows the task as idle again.
    held.release();
    saveTaskFile(env_.tasks, env_.taskFile);
    env_.observer.taskListChanged();
}

bool BackupService::runTask(const Activation& a, BackupTask& task) {
    const platform::LocalTime started = env_.clock.now();
    engine::RunEnvironment environment{env_.taskFile.files(), env_.clock, a.stop, env_.copyThreads};
    environment.started = [this, &a](const BackupTask& ran) { publishRunStart(a, ran); };
    const engine::RunResult result = env_.runner(task, environment);
    if (a.stop.stop_requested()) return false;
    const platform::LocalTime ended = env_.clock.now();
    {
        std::lock_guard gate(changeGate_);
        if (a.stop.stop_requested()) return false;
        env_.tasks.locked([&](TaskListContents& contents) {
            if (BackupTask* live = contents.find(a.taskId)) engine::writeBackRunData(task, *live);
        });
        env_.observer.taskListChanged();
    }
    env_.log.runFinished(RunEntry{a.taskId, task.name, started, ended}, result);
    if (a.stop.stop_requested()) return false;
    showRunNotice(task, env_.observer, a.stop);
    return !a.stop.stop_requested();
}

void BackupService::publishRunStart(const Activation& a, const BackupTask& ran) {
    // The list shows the new run count while the run goes on.
    std::lock_guard gate(changeGate_);
    if (a.stop.stop_requested()) return;
    env_.tasks.locked([&](TaskListContents& contents) {
        if (BackupTask* live = contents.find(a.taskId)) {
            live->runCount = ran.runCount;
            live->runFolder = ran.runFolder;
        }
    });
    env_.observer.taskListChanged();
}

void BackupService::noteTurnServed(const Activation& a, const std::string& name) {
    if (a.stop.stop_requested()) return;
    env_.log.note(env_.clock.now(), "task " + std::to_string(a.taskId) + " \"" + name +
                                        "\": its time came while a run of it was under way; not run twice");
}

void BackupService::abandon(const Activation& a, const std::string& reason) {
    std::string name;
    {
        std::lock_guard gate(changeGate_);
        if (a.stop.stop_requested()) return;
        env_.tasks.locked([&](TaskListContents& contents) {
            BackupTask* task = contents.find(a.taskId);
            if (task == nullptr) return;
            name = task->name;
            if (task->worker == a.token) task->worker = 0;
        });
        registry_->ended(a.token);
    }
    env_.log.note(env_.clock.now(), "task " + std::to_string(a.taskId) + " \"" + name + "\": " + reason);
}

}  // namespace corvallo::service
