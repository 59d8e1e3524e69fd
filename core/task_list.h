#pragma once
// The one ordered list of backup tasks, shared by the user interface and the workers.
//
// Every access goes through one mutex, which also guards writes of the task file. Positions are
// 1-based. Readers that need several fields take a snapshot; nothing is copied, waited for or shown
// while the lock is held, except the task file write that the lock exists to serialise.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/task.h"

namespace corvallo {

// The list's contents, reachable only while the list is locked.
class TaskListContents {
public:
    std::size_t size() const { return tasks_.size(); }
    // Position 1..size().
    BackupTask& at(std::size_t position) { return tasks_.at(position - 1); }
    const BackupTask& at(std::size_t position) const { return tasks_.at(position - 1); }
    void append(BackupTask task) { tasks_.push_back(std::move(task)); }
    void replace(std::size_t position, BackupTask task) { tasks_.at(position - 1) = std::move(task); }
    void remove(std::size_t position) { tasks_.erase(tasks_.begin() + static_cast<std::ptrdiff_t>(position - 1)); }
    void clear() { tasks_.clear(); }

    // The smallest positive id that no task has.
    std::int32_t nextTaskId() const;
    // Position of the first task with this id, 0 when none has it.
    std::size_t positionOfTask(std::int32_t id) const;
    // "定时备份任务(N)" for the smallest N that no task is named exactly.
    std::string defaultTaskName() const;
    // The task with this id, or nullptr.
    BackupTask* find(std::int32_t id);
    const BackupTask* find(std::int32_t id) const;

    const std::vector<BackupTask>& tasks() const { return tasks_; }

private:
    std::vector<BackupTask> tasks_;
};

class TaskList {
public:
    TaskList() = default;
    TaskList(const TaskList&) = delete;
    TaskList& operator=(const TaskList&) = delete;

    // Runs `action(TaskListContents&)` under the lock and returns its result.
    template <class Action>
    decltype(auto) locked(Action&& action) {
        std::lock_guard lock(mutex_);
        return std::forward<Action>(action)(contents_);
    }
    template <class Action>
    decltype(auto) locked(Action&& action) const {
        std::lock_guard lock(mutex_);
        return std::forward<Action>(action)(std::as_const(contents_));
    }

    // Convenience operations, each one locked step.
    std::size_t size() const;
    std::vector<BackupTask> snapshot() const;
    std::optional<BackupTask> taskWithId(std::int32_t id) const;
    void append(BackupTask task);
    std::int32_t nextTaskId() const;
    std::size_t positionOfTask(std::int32_t id) const;
    std::string defaultTaskName() const;

private:
    mutable std::mutex mutex_;
    TaskListContents contents_;
};

}  // namespace corvallo
