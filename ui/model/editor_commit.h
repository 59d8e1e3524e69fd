#pragma once
// The editor's commit: the checks with their refusals, the task built from the controls, and its
// place in the task list; then the worker, the list view and the task file, through the window.
//
// Both modes work alike. An edit works on the task found when the editor opened (EditorState::
// editedTaskId), so a list-view rebuild by a worker while the editor is open loses nothing. When that
// task is no longer in the list (or none was found at opening), the edit is added as a new task at the
// end: the user's input is never dropped.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/task.h"
#include "core/task_list.h"
#include "ui/model/editor_state.h"
#include "ui/model/message.h"

namespace corvallo::ui::model {

// The control a refusal puts the focus on.
enum class EditorControl { TaskNameBox, SourceList, DestinationList, DateLink, WeekdayLink };

struct Refusal {
    Message message;  // error icon, title "错误"
    EditorPage page;  // the page that holds `control`
    EditorControl control;

    bool operator==(const Refusal&) const = default;
};

// The first of the six checks that fails, in order: name empty, name with an illegal character, no
// source, no destination, DateRadio without a date, WeekdayRadio without a summary.
std::optional<Refusal> firstRefusal(const EditorState& state);

// The complete record from the controls. `edited`: the task being replaced (its backup records are
// kept), nullptr for a new task. The record is enabled, has run 0 times and has no worker.
BackupTask buildTask(const EditorState& state, std::int32_t id, const BackupTask* edited);

struct Placement {
    std::int32_t id = 0;
    std::size_t position = 0;  // 1-based
    bool replaced = false;     // false: appended at the end

    bool operator==(const Placement&) const = default;
};

// Appends the task built from the state with id nextTaskId.
Placement placeNewTask(TaskListContents& tasks, const EditorState& state);
// Replaces the edited task at its position; when it is gone, appends the edits as a new task.
Placement placeEditedTask(TaskListContents& tasks, const EditorState& state);

// What the window does around the placement, through the backup service, the list view, the task
// file and the run log. Called on the user-interface thread, without the task list's lock held.
class CommitHost {
public:
    virtual ~CommitHost() = default;
    // Ends the task's worker, if it has one (BackupService::stopWorker).
    virtual void stopWorker(std::int32_t taskId) = 0;
    // Gives the task a worker (BackupService::startWorker); may throw.
    virtual void startWorker(std::int32_t taskId) = 0;
    virtual void refreshTaskList() = 0;
    virtual void saveTaskFile() = 0;
    // One line for the run log.
    virtual void logNote(const std::string& text) = 0;
};

struct CommitResult {
    std::optional<Refusal> refusal;       // set: show it, focus its control, keep the editor open
    std::optional<Placement> placement;   // set: close the editor
};

// Checks; then (edit: stops the old worker before its record goes) places the task, starts its worker,
// refreshes the list view and saves the task file. A worker that cannot be started leaves the task
// stored and saved, and the log says why.
CommitResult commitNewTask(const EditorState& state, TaskList& tasks, CommitHost& host);
CommitResult commitEditedTask(const EditorState& state, TaskList& tasks, CommitHost& host);
// By the state's mode.
CommitResult commitEditor(const EditorState& state, TaskList& tasks, CommitHost& host);

}  // namespace corvallo::ui::model
