#include "ui/model/editor_commit.h"

#include <exception>
#include <utility>

namespace corvallo::ui::model {

std::optional<Refusal> firstRefusal(const EditorState& state) {
    auto refuse = [](const char* text, EditorPage page, EditorControl control) {
        return Refusal{errorMessage(text), page, control};
    };
    if (state.name.empty()) {
        return refuse("请给这个备份任务指定一个名称！", EditorPage::Name, EditorControl::TaskNameBox);
    }
    if (hasIllegalNameChar(state.name)) {
        return refuse(kIllegalNameMessage, EditorPage::Name, EditorControl::TaskNameBox);
    }
    if (state.sources.empty()) {
        return refuse("您必须为这个备份任务添加至少一个需要备份的源文件目录！", EditorPage::Sources,
                      EditorControl::SourceList);
    }
    if (state.destinations.empty()) {
        return refuse("您必须为备份的文件至少指定一个存放的目录！", EditorPage::Destinations,
                      EditorControl::DestinationList);
    }
    if (state.schedule == ScheduleChoice::Date && !state.date) {
        return refuse("您必须指定一个有效的任务执行日期才能让这个任务生效！", EditorPage::Schedule,
                      EditorControl::DateLink);
    }
    if (state.schedule == ScheduleChoice::Weekly && state.weekdaySummary.empty()) {
        return refuse("您必须指定任务执行的周星期才能让这个任务生效！", EditorPage::Schedule,
                      EditorControl::WeekdayLink);
    }
    return std::nullopt;
}

BackupTask buildTask(const EditorState& state, std::int32_t id, const BackupTask* edited) {
    BackupTask task;
    task.id = id;
    task.enabled = 1;
    task.name = state.name;
    task.sources = state.sources;
    task.fileTypes = state.fileTypes.empty() ? std::vector<std::string>{"*.*"} : state.fileTypes;
    task.destinations = state.destinations;
    if (edited != nullptr) task.backupRecords = edited->backupRecords;

    task.scheduleKind = static_cast<std::int32_t>(state.schedule);
    // A date or summary left from another choice is ignored.
    if (state.schedule == ScheduleChoice::Date && state.date) {
        task.year = state.date->year;
        task.month = state.date->month;
        task.day = state.date->day;
    }
    task.weekdays.clear();
    if (state.schedule == ScheduleChoice::Weekly) {
        // "未知！" stands for stored flags the summary cannot express: unless the picker was confirmed
        // since, they are stored again as they were.
        task.weekdays = state.weekdaySummary == kUnknownWeekdays ? state.keptWeekdays
                                                                : weekdayFlagsFromSummary(state.weekdaySummary);
    }

    task.hour = state.hour;
    task.minute = state.minute;
    task.repeatEnabled = state.repeatChecked;
    task.repeatHours = state.repeatHours;
    task.compress = state.compress ? 1 : 0;
    task.notify = state.notify ? 1 : 0;
    task.keepDays = state.keepDaysChecked ? state.keepDays : 0;
    task.postAction = state.postAction;
    task.runCount = 0;
    task.worker = 0;
    task.runFolder.clear();
    return task;
}

Placement placeNewTask(TaskListContents& tasks, const EditorState& state) {
    const std::int32_t id = tasks.nextTaskId();
    tasks.append(buildTask(state, id, nullptr));
    return {id, tasks.size(), false};
}

Placement placeEditedTask(TaskListContents& tasks, const EditorState& state) {
    // Ids start at 1: 0 means the editor opened without a task.
    const std::size_t position = state.editedTaskId > 0 ? tasks.positionOfTask(state.editedTaskId) : 0;
    if (position == 0) return placeNewTask(tasks, state);
    tasks.replace(position, buildTask(state, state.editedTaskId, &tasks.at(position)));
    return {state.editedTaskId, position, true};
}

namespace {

CommitResult commit(const EditorState& state, TaskList& tasks, CommitHost& host, bool edit) {
    if (auto refusal = firstRefusal(state)) return {std::move(refusal), std::nullopt};

    // The old worker must be gone before its record is: it finds its task by id. Only this thread
    // starts workers, so none comes back before the record is replaced.
    if (edit && state.editedTaskId > 0) host.stopWorker(state.editedTaskId);

    const Placement placement = tasks.locked([&](TaskListContents& contents) {
        return edit ? placeEditedTask(contents, state) : placeNewTask(contents, state);
    });

    try {
        host.startWorker(placement.id);
    } catch (const std::exception& error) {
        host.logNote("task " + std::to_string(placement.id) + " \"" + state.name +
                     "\": worker could not be started: " + error.what());
    }
    host.refreshTaskList();
    host.saveTaskFile();
    return {std::nullopt, placement};
}

}  // namespace

CommitResult commitNewTask(const EditorState& state, TaskList& tasks, CommitHost& host) {
    return commit(state, tasks, host, false);
}

CommitResult commitEditedTask(const EditorState& state, TaskList& tasks, CommitHost& host) {
    return commit(state, tasks, host, true);
}

CommitResult commitEditor(const EditorState& state, TaskList& tasks, CommitHost& host) {
    return commit(state, tasks, host, state.mode == EditorMode::Edit);
}

}  // namespace corvallo::ui::model
