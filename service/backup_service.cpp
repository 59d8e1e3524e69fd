#include "service/backup_service.h"

#include <cassert>
#include <system_error>

namespace corvallo::service {

BackupService::BackupService(ServiceEnvironment environment) : env_(std::move(environment)) {
    registry_ = std::make_unique<WorkerRegistry>(
        env_.clock, env_.monotonic, env_.startThread, [this](const Activation& a) { workerBody(a); },
        [this](const Activation& a, const std::string& reason) { abandon(a, "no worker thread: " + reason); });
}

BackupService::~BackupService() {
    {
        std::lock_guard gate(changeGate_);
        env_.tasks.locked([this](TaskListContents& contents) {
            for (std::size_t p = 1; p <= contents.size(); ++p) stopLocked(contents.at(p));
        });
        // Also a run by hand of a task that left the list without stopWorker.
        registry_->stopAll();
    }
    registry_.reset();
}

void BackupService::startLocked(BackupTask& task) {
    if (task.worker != 0) return;
    const WorkerHandle token = registry_->newToken();
    task.worker = token;
    if (workerKindFor(task) == WorkerKind::Interval) {
        registry_->addInterval(token, task.id, intervalPeriodMinutes(task));
    } else {
        registry_->addScheduled(token, task.id, ScheduledTarget(task));
    }
}

void BackupService::stopLocked(BackupTask& task) {
    registry_->stopManual(task.id);
    if (task.worker == 0) return;
    registry_->stop(task.worker);
    task.worker = 0;
}

void BackupService::startWorker(std::int32_t taskId) {
    assert(!onServiceThread());
    env_.tasks.locked([&](TaskListContents& contents) {
        if (BackupTask* task = contents.find(taskId)) startLocked(*task);
    });
}

void BackupService::stopWorker(std::int32_t taskId) {
    assert(!onServiceThread());
    std::lock_guard gate(changeGate_);
    env_.tasks.locked([&](TaskListContents& contents) {
        if (BackupTask* task = contents.find(taskId)) stopLocked(*task);
    });
}

RunNowResult BackupService::runTaskNow(std::int32_t taskId) {
    assert(!onServiceThread());
    // Only this thread removes tasks, so the task is still there when the run's thread looks for it.
    if (env_.tasks.positionOfTask(taskId) == 0) return RunNowResult::NoSuchTask;
    try {
        return registry_->startManual(taskId, env_.clock.now()) ? RunNowResult::Started
                                                                : RunNowResult::AlreadyRunning;
    } catch (const std::system_error&) {
        return RunNowResult::ThreadFailed;
    }
}

void BackupService::startService() {
    assert(!onServiceThread());
    env_.tasks.locked([this](TaskListContents& contents) {
        for (std::size_t p = 1; p <= contents.size(); ++p) {
            if (contents.at(p).isEnabled()) startLocked(contents.at(p));
        }
    });
    status_ = ServiceStatus::Running;
}

void BackupService::stopService() {
    assert(!onServiceThread());
    {
        std::lock_guard gate(changeGate_);
        env_.tasks.locked([this](TaskListContents& contents) {
            for (std::size_t p = 1; p <= contents.size(); ++p) stopLocked(contents.at(p));
        });
    }
    status_ = ServiceStatus::Stopped;
}

void BackupService::enableAllTasks() {
    assert(!onServiceThread());
    env_.tasks.locked([this](TaskListContents& contents) {
        for (std::size_t p = 1; p <= contents.size(); ++p) {
            contents.at(p).enabled = 1;
            startLocked(contents.at(p));
        }
    });
}

void BackupService::disableAllTasks() {
    assert(!onServiceThread());
    std::lock_guard gate(changeGate_);
    env_.tasks.locked([this](TaskListContents& contents) {
        for (std::size_t p = 1; p <= contents.size(); ++p) {
            contents.at(p).enabled = 0;
            stopLocked(contents.at(p));
        }
    });
}

void BackupService::enableTask(std::int32_t taskId) {
    assert(!onServiceThread());
    env_.tasks.locked([&](TaskListContents& contents) {
        if (BackupTask* task = contents.find(taskId)) {
            task->enabled = 1;
            startLocked(*task);
        }
    });
}

void BackupService::disableTask(std::int32_t taskId) {
    assert(!onServiceThread());
    std::lock_guard gate(changeGate_);
    env_.tasks.locked([&](TaskListContents& contents) {
        if (BackupTask* task = contents.find(taskId)) {
            task->enabled = 0;
            stopLocked(*task);
        }
    });
}

void BackupService::rearmWorkers() {
    assert(!onServiceThread());
    // A stopped service stays stopped through the night.
    if (status_ != ServiceStatus::Running) return;
    const platform::LocalTime now = env_.clock.now();
    if (now.hour != 0 || now.minute != 0) return;
    const std::array<int, 3> today{now.year, now.month, now.day};
    env_.tasks.locked([&](TaskListContents& contents) {
        for (std::size_t p = 1; p <= contents.size(); ++p) {
            BackupTask& task = contents.at(p);
            if (task.worker != 0 || !task.isEnabled()) continue;
            auto [rearmed, first] = rearmedOn_.try_emplace(task.id, today);
            if (!first && rearmed->second == today) continue;
            rearmed->second = today;
            startLocked(task);
        }
    });
}

}  // namespace corvallo::service
