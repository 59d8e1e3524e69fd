// What a worker does once the timer has started a thread for it. Worker threads only.
#include <exception>
#include <optional>

#include "core/task_file.h"
#include "service/backup_service.h"
#include "service/run_notice.h"

namespace corvallo::service {

void BackupService::workerBody(const Activation& activation) {
    try {
        if (activation.kind == WorkerKind::Scheduled) {
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
            if (copy) registry_->runStarts(a);
        }
        if (copy && !runTask(a, *copy)) return;
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
    }
    if (!runTask(a, *copy)) return;
    {
        std::lock_guard gate(changeGate_);
        if (a.stop.stop_requested()) return;
        saveTaskFile(env_.tasks, env_.taskFile);
        env_.observer.taskListChanged();
    }
    registry_->waitAgain(a.token);
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
