#pragma once
// The task editor's controls as data, and every rule that keeps them consistent while the user works.
//
// The window holds one EditorState as the truth: it shows the state in its controls and turns each
// user action into one of the functions below (which say what to show when something must be said),
// then shows the state again. Nothing here touches a window; everything runs on the user-interface
// thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/task.h"
#include "core/task_list.h"
#include "ui/model/message.h"
#include "ui/model/schedule_texts.h"

namespace corvallo::ui::model {

enum class EditorMode { Add, Edit };

// Which schedule radio button is checked; the value is the task's ScheduleKind (None: 0).
enum class ScheduleChoice : std::int32_t { None = 0, Date = 1, Weekly = 2, Daily = 3 };

// Pages of EditorTabs, as numbered on their tabs.
enum class EditorPage { Name = 1, Sources = 2, FileTypes = 3, Destinations = 4, Schedule = 5, Options = 6 };

enum class EditorList { Sources, FileTypes, Destinations };

struct EditorState {
    EditorMode mode = EditorMode::Add;
    // Edit mode: the id of the task found when the editor opened (0 when none was). The commit works
    // on this task, whatever the list view shows by then.
    std::int32_t editedTaskId = 0;
    // Edit mode: that task's weekday flags, stored again while the summary still says "未知！".
    std::string keptWeekdays;

    // Page 1.
    std::string name;
    // Pages 2 to 4, in the order added.
    std::vector<std::string> sources;
    std::vector<std::string> fileTypes;
    std::vector<std::string> destinations;

    // Page 5. DateLink and DateSummary show `date` (none: not chosen yet); WeekdayLink follows
    // `weekdaySummary` (schedule_texts.h).
    ScheduleChoice schedule = ScheduleChoice::Date;
    std::optional<CalendarDate> date;
    std::string weekdaySummary;
    bool repeatChecked = false;
    bool repeatCheckEnabled = false;  // follows the radio clicks, not the radio state (see the events)
    std::int32_t repeatHours = 1;     // RepeatHoursBox
    std::int32_t hour = 0;            // HourBox
    std::int32_t minute = 0;          // MinuteBox

    // Page 6.
    bool compress = false;
    bool notify = false;
    bool keepDaysChecked = false;
    std::int32_t keepDays = 1;  // KeepDaysBox
    // The PostAction value: the index of the selected PostActionBox entry. A stored value outside
    // 0..5 selects no entry and is stored again unless the user chooses one.
    std::int32_t postAction = 0;
};

// Which controls are enabled; every other control of the editor always is.
struct ControlEnabling {
    bool repeatCheck = false;
    bool repeatHours = false;  // RepeatHoursBox and RepeatHoursSpinner
    bool keepDays = false;     // KeepDaysBox and KeepDaysSpinner

    bool operator==(const ControlEnabling&) const = default;
};
ControlEnabling enablingOf(const EditorState& state);

// Texts of the frame that differ by mode.
struct EditorFrameTexts {
    std::string title;
    std::string heading;
    std::string secondLine;  // empty: the line is not shown
    std::string hint;        // HintLabel
    std::string commitCaption;
};
EditorFrameTexts editorFrameTexts(EditorMode mode);

// ---- Opening ----

// The design defaults, in which the add editor opens (and the edit editor when it finds no task).
EditorState editorDefaults(EditorMode mode);
// Fills the controls from a task, as the edit editor does when it opens, and remembers its id.
void fillEditorFromTask(EditorState& state, const BackupTask& task);
EditorState openAddEditor();
// `selectedId`: the first column of the selected list-view row as an integer (0 when none is
// selected). A task that is not in the list leaves the defaults under the edit title.
EditorState openEditEditor(const TaskListContents& tasks, std::int32_t selectedId);
EditorState openEditEditor(const TaskList& tasks, std::int32_t selectedId);

// ---- Schedule page ----

// A click on a radio button (which checks it): DateRadio and WeekdayRadio disable RepeatCheck,
// DailyRadio enables it. RepeatCheck's checked state and RepeatHoursBox stay as they are.
void clickScheduleRadio(EditorState& state, ScheduleChoice choice);
// Releasing the mouse on DateLink or WeekdayLink checks its radio button directly (RepeatCheck keeps
// its enabled state); the window then opens the picker.
void releaseDateLink(EditorState& state);
void releaseWeekdayLink(EditorState& state);
// The pickers' "确定".
void confirmDatePicker(EditorState& state, const CalendarDate& date);
void confirmWeekdayPicker(EditorState& state, const WeekdayChecks& checks);
// A click on RepeatCheck or KeepDaysCheck, with the box's checked state after the click.
void clickRepeatCheck(EditorState& state, bool checked);
void clickKeepDaysCheck(EditorState& state, bool checked);

// The index of the PostActionBox entry to select, none for a stored value outside 0..5.
std::optional<int> postActionEntry(const EditorState& state);
// An entry outside 0..5 (the list reports -1 for none) changes nothing.
void choosePostAction(EditorState& state, int entry);

// ---- Spinners ----

enum class Spinner { Hour, Minute, RepeatHours, KeepDays };
enum class SpinDirection { Up, Down };

// One step: Hour wraps 0..23, Minute 0..59, RepeatHours 1..4; KeepDays is held at 1 and 5. Values
// from outside a range step from where they are (RepeatHours 7: up gives 1, down gives 6).
std::int32_t spinStep(Spinner spinner, std::int32_t value, SpinDirection direction);
// Steps the spinner's box; a disabled spinner does nothing.
void spin(EditorState& state, Spinner spinner, SpinDirection direction);

// ---- Task name ----

// "任务名称中不能包含非法的字符，包括 | / \ ? * < > " :"
inline constexpr const char* kIllegalNameMessage = "任务名称中不能包含非法的字符，包括 | / \\ ? * < > \" :";

// One of | / \ ? * < > : and the double quote.
bool isIllegalNameChar(char32_t character);
// Whether any character of the name (UTF-8) is one of them.
bool hasIllegalNameChar(std::string_view name);

// What happens to a character typed into TaskNameBox: the add editor drops the nine characters and
// shows its balloon tip with kIllegalNameMessage; the edit editor takes every character (its commit
// refuses them). Pasted text is not filtered.
struct NameCharVerdict {
    bool accept = true;
    bool showBalloon = false;

    bool operator==(const NameCharVerdict&) const = default;
};
NameCharVerdict filterNameChar(EditorMode mode, char32_t typed);

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};
struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
// Where the balloon tip points: the window's screen position plus the positions of EditorTabs, the
// page's group and TaskNameBox, each within its parent, to the middle of the box and 15 below it
// (the client area's offset in the frame is not added).
Point nameBalloonPoint(Point window, Point tabs, Point group, const Box& nameBox);

// AutoNameButton: puts defaultTaskName into TaskNameBox, or returns the notice that the name shown
// is that name already. The edited task is in `tasks`, so its own name counts as taken.
std::optional<Message> clickAutoName(EditorState& state, const TaskListContents& tasks);

// ---- Lists (pages 2 to 4) ----

std::vector<std::string>& itemsOf(EditorState& state, EditorList list);
const std::vector<std::string>& itemsOf(const EditorState& state, EditorList list);

}  // namespace corvallo::ui::model
