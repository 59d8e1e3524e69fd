#include "core/task_list.h"

#include <algorithm>
#include <unordered_set>

namespace corvallo {

std::int32_t TaskListContents::nextTaskId() const {
    // A set keeps this linear; ids are dense, so the first gap is at most size() + 1.
    std::unordered_set<std::int32_t> used;
    used.reserve(tasks_.size());
    for (const auto& task : tasks_) used.insert(task.id);
    std::int32_t candidate = 1;
    while (used.count(candidate) != 0) ++candidate;
    return candidate;
}

std::size_t TaskListContents::positionOfTask(std::int32_t id) const {
    for (std::size_t i = 0; i < tasks_.size(); ++i) {
        if (tasks_[i].id == id) return i + 1;
    }
    return 0;
}

std::string TaskListContents::defaultTaskName() const {
    std::unordered_set<std::string> names;
    names.reserve(tasks_.size());
    for (const auto& task : tasks_) names.insert(task.name);
    for (std::int64_t n = 1;; ++n) {
        std::string candidate = "定时备份任务(" + std::to_string(n) + ")";
        if (names.count(candidate) == 0) return candidate;
    }
}

BackupTask* TaskListContents::find(std::int32_t id) {
    auto position = positionOfTask(id);
    return position == 0 ? nullptr : &tasks_[position - 1];
}

const BackupTask* TaskListContents::find(std::int32_t id) const {
    auto position = positionOfTask(id);
    return position == 0 ? nullptr : &tasks_[position - 1];
}

std::size_t TaskList::size() const {
    return locked([](const TaskListContents& c) { return c.size(); });
}

std::vector<BackupTask> TaskList::snapshot() const {
    return locked([](const TaskListContents& c) { return c.tasks(); });
}

std::optional<BackupTask> TaskList::taskWithId(std::int32_t id) const {
    return locked([id](const TaskListContents& c) -> std::optional<BackupTask> {
        if (const auto* task = c.find(id)) return *task;
        return std::nullopt;
    });
}

void TaskList::append(BackupTask task) {
    locked([&task](TaskListContents& c) { c.append(std::move(task)); });
}

std::int32_t TaskList::nextTaskId() const {
    return locked([](const TaskListContents& c) { return c.nextTaskId(); });
}

std::size_t TaskList::positionOfTask(std::int32_t id) const {
    return locked([id](const TaskListContents& c) { return c.positionOfTask(id); });
}

std::string TaskList::defaultTaskName() const {
    return locked([](const TaskListContents& c) { return c.defaultTaskName(); });
}

}  // namespace corvallo
