#include "ui/model/editor_state.h"

#include "ui/model/editor_texts.h"

namespace corvallo::ui::model {

ControlEnabling enablingOf(const EditorState& state) {
    // The boxes follow their check boxes both when the editor is filled and when they are clicked.
    return {state.repeatCheckEnabled, state.repeatChecked, state.keepDaysChecked};
}

EditorFrameTexts editorFrameTexts(EditorMode mode) {
    if (mode == EditorMode::Add) {
        return {"添加一个备份任务", "添加一个定时备份任务到系统", "请您依次设定好下面的选项以便定时备份操作能够正确执行",
                "提示：新添加的定时任务将会立即生效！", "添加"};
    }
    return {"编辑一个任务", "编辑一个现有的定时任务", "", "提示：编辑后的定时任务将会立即生效！", "添加"};
}

EditorState editorDefaults(EditorMode mode) {
    EditorState state;
    state.mode = mode;
    return state;
}

void fillEditorFromTask(EditorState& state, const BackupTask& task) {
    state.editedTaskId = task.id;
    state.keptWeekdays = task.weekdays;
    state.name = task.name;
    state.sources = task.sources;
    state.fileTypes = task.fileTypes;
    state.destinations = task.destinations;

    switch (task.scheduleKind) {
        case static_cast<std::int32_t>(ScheduleKind::Date):
            state.schedule = ScheduleChoice::Date;
            state.repeatCheckEnabled = false;
            state.date = CalendarDate{task.year, task.month, task.day};
            break;
        case static_cast<std::int32_t>(ScheduleKind::Weekly):
            state.schedule = ScheduleChoice::Weekly;
            state.repeatCheckEnabled = false;
            state.weekdaySummary = weekdaySummaryFromFlags(task.weekdays);
            break;
        case static_cast<std::int32_t>(ScheduleKind::Daily):
            state.schedule = ScheduleChoice::Daily;
            state.repeatCheckEnabled = true;
            break;
        default:
            break;  // no schedule: the page keeps its defaults
    }

    state.repeatChecked = task.repeatEnabled;
    state.repeatHours = task.repeatHours;
    state.hour = task.hour;
    state.minute = task.minute;
    state.compress = task.compress == 1;
    state.notify = task.notify == 1;
    state.keepDaysChecked = task.keepDays != 0;
    state.keepDays = task.keepDays;
    state.postAction = task.postAction;
}

EditorState openAddEditor() { return editorDefaults(EditorMode::Add); }

EditorState openEditEditor(const TaskListContents& tasks, std::int32_t selectedId) {
    EditorState state = editorDefaults(EditorMode::Edit);
    if (const BackupTask* task = tasks.find(selectedId)) fillEditorFromTask(state, *task);
    return state;
}

EditorState openEditEditor(const TaskList& tasks, std::int32_t selectedId) {
    return tasks.locked(
        [selectedId](const TaskListContents& contents) { return openEditEditor(contents, selectedId); });
}

void clickScheduleRadio(EditorState& state, ScheduleChoice choice) {
    state.schedule = choice;
    state.repeatCheckEnabled = choice == ScheduleChoice::Daily;
}

void releaseDateLink(EditorState& state) { state.schedule = ScheduleChoice::Date; }

void releaseWeekdayLink(EditorState& state) { state.schedule = ScheduleChoice::Weekly; }

void confirmDatePicker(EditorState& state, const CalendarDate& date) { state.date = date; }

void confirmWeekdayPicker(EditorState& state, const WeekdayChecks& checks) {
    state.weekdaySummary = weekdaySummaryFromChecks(checks);
}

void clickRepeatCheck(EditorState& state, bool checked) { state.repeatChecked = checked; }

void clickKeepDaysCheck(EditorState& state, bool checked) { state.keepDaysChecked = checked; }

std::optional<int> postActionEntry(const EditorState& state) {
    const auto entries = static_cast<std::int32_t>(kPostActionEntries.size());
    if (state.postAction < 0 || state.postAction >= entries) return std::nullopt;
    return state.postAction;
}

void choosePostAction(EditorState& state, int entry) {
    // The drop-down list reports -1 when nothing is selected: that changes nothing.
    if (entry >= 0 && entry < static_cast<int>(kPostActionEntries.size())) state.postAction = entry;
}

std::int32_t spinStep(Spinner spinner, std::int32_t value, SpinDirection direction) {
    // 64 bits, so that a stored value at the ends of the 32-bit range steps like any other.
    const std::int64_t next = static_cast<std::int64_t>(value) + (direction == SpinDirection::Up ? 1 : -1);
    const bool up = direction == SpinDirection::Up;
    switch (spinner) {
        case Spinner::Hour:
            if (up) return next > 23 ? 0 : static_cast<std::int32_t>(next);
            return next < 0 ? 23 : static_cast<std::int32_t>(next);
        case Spinner::Minute:
            if (up) return next >= 60 ? 0 : static_cast<std::int32_t>(next);
            return next < 0 ? 59 : static_cast<std::int32_t>(next);
        case Spinner::RepeatHours:
            if (up) return next > 4 ? 1 : static_cast<std::int32_t>(next);
            return next < 1 ? 4 : static_cast<std::int32_t>(next);
        case Spinner::KeepDays:
            if (up) return next >= 5 ? 5 : static_cast<std::int32_t>(next);
            return next <= 1 ? 1 : static_cast<std::int32_t>(next);
    }
    return value;
}

void spin(EditorState& state, Spinner spinner, SpinDirection direction) {
    const ControlEnabling enabling = enablingOf(state);
    switch (spinner) {
        case Spinner::Hour:
            state.hour = spinStep(spinner, state.hour, direction);
            break;
        case Spinner::Minute:
            state.minute = spinStep(spinner, state.minute, direction);
            break;
        case Spinner::RepeatHours:
            if (enabling.repeatHours) state.repeatHours = spinStep(spinner, state.repeatHours, direction);
            break;
        case Spinner::KeepDays:
            if (enabling.keepDays) state.keepDays = spinStep(spinner, state.keepDays, direction);
            break;
    }
}

bool isIllegalNameChar(char32_t character) {
    switch (character) {
        case U'|':
        case U'/':
        case U'\\':
        case U'?':
        case U'*':
        case U'<':
        case U'>':
        case U':':
        case U'"':
            return true;
        default:
            return false;
    }
}

bool hasIllegalNameChar(std::string_view name) {
    // In UTF-8 an ASCII byte is always a character of its own, never part of a longer one.
    for (char byte : name) {
        if (isIllegalNameChar(static_cast<unsigned char>(byte))) return true;
    }
    return false;
}

NameCharVerdict filterNameChar(EditorMode mode, char32_t typed) {
    if (mode == EditorMode::Add && isIllegalNameChar(typed)) return {false, true};
    return {true, false};
}

Point nameBalloonPoint(Point window, Point tabs, Point group, const Box& nameBox) {
    return {window.x + tabs.x + group.x + nameBox.left + nameBox.width / 2,
            window.y + tabs.y + group.y + nameBox.top + nameBox.height / 2 + 15};
}

std::optional<Message> clickAutoName(EditorState& state, const TaskListContents& tasks) {
    std::string name = tasks.defaultTaskName();
    if (state.name != name) {
        state.name = std::move(name);
        return std::nullopt;
    }
    return Message{MessageIcon::Information, "自动生成任务名称", "编辑框内的名称是可以使用的，无需再生成！"};
}

std::vector<std::string>& itemsOf(EditorState& state, EditorList list) {
    switch (list) {
        case EditorList::Sources:
            return state.sources;
        case EditorList::FileTypes:
            return state.fileTypes;
        case EditorList::Destinations:
            break;
    }
    return state.destinations;
}

const std::vector<std::string>& itemsOf(const EditorState& state, EditorList list) {
    // The choice is made once, above; nothing is changed through the reference it gives.
    return itemsOf(const_cast<EditorState&>(state), list);
}

}  // namespace corvallo::ui::model
