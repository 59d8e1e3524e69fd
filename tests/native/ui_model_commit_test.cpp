#include "ui/model/editor_commit.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvallo::ui::model {
namespace {

// An add editor that passes every check: a name, one source, one destination and a date.
EditorState filledEditor() {
    EditorState state = openAddEditor();
    state.name = "文档";
    state.sources = {"D:\\文档"};
    state.destinations = {"F:\\备份"};
    confirmDatePicker(state, {2014, 8, 5});
    return state;
}

BackupTask storedTask(std::int32_t id, std::string name) {
    BackupTask task;
    task.id = id;
    task.enabled = 1;
    task.name = std::move(name);
    task.sources = {"D:\\" + task.name};
    task.fileTypes = {"*.doc"};
    task.destinations = {"F:\\备份"};
    task.scheduleKind = 3;
    task.hour = 8;
    task.minute = 30;
    task.postAction = 0;
    return task;
}

TEST(UiModelCommitTest, ChecksRefuseInOrderWithTheirMessages) {
    struct Case {
        const char* what;
        std::function<void(EditorState&)> change;
        const char* message;
        EditorPage page;
        EditorControl control;
    };
    const std::string illegal = std::string("任务名称中不能包含非法的字符，包括 | / \\ ? * < > ") + '"' + " :";
    const Case cases[] = {
        {"no name", [](EditorState& s) { s.name.clear(); }, "请给这个备份任务指定一个名称！", EditorPage::Name,
         EditorControl::TaskNameBox},
        // The first failing check wins.
        {"nothing at all", [](EditorState& s) { s = openAddEditor(); }, "请给这个备份任务指定一个名称！",
         EditorPage::Name, EditorControl::TaskNameBox},
        {"pasted colon", [](EditorState& s) { s.name = "D:备份"; }, illegal.c_str(), EditorPage::Name,
         EditorControl::TaskNameBox},
        {"illegal name and no sources",
         [](EditorState& s) {
             s.name = "a|b";
             s.sources.clear();
         },
         illegal.c_str(), EditorPage::Name, EditorControl::TaskNameBox},
        {"no sources",
         [](EditorState& s) {
             s.sources.clear();
             s.destinations.clear();
         },
         "您必须为这个备份任务添加至少一个需要备份的源文件目录！", EditorPage::Sources, EditorControl::SourceList},
        {"no destinations", [](EditorState& s) { s.destinations.clear(); }, "您必须为备份的文件至少指定一个存放的目录！",
         EditorPage::Destinations, EditorControl::DestinationList},
        {"date radio without a date", [](EditorState& s) { s.date.reset(); },
         "您必须指定一个有效的任务执行日期才能让这个任务生效！", EditorPage::Schedule, EditorControl::DateLink},
        {"weekday link clicked, picker cancelled", [](EditorState& s) { releaseWeekdayLink(s); },
         "您必须指定任务执行的周星期才能让这个任务生效！", EditorPage::Schedule, EditorControl::WeekdayLink},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EditorState state = filledEditor();
        c.change(state);
        const auto refusal = firstRefusal(state);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(refusal->message, (Message{MessageIcon::Error, "错误", c.message}));
        EXPECT_EQ(refusal->page, c.page);
        EXPECT_EQ(refusal->control, c.control);
    }
}

TEST(UiModelCommitTest, ChecksPassWhatTheyDoNotExamine) {
    struct Case {
        const char* what;
        std::function<void(EditorState&)> change;
    };
    const Case cases[] = {
        {"as filled", [](EditorState&) {}},
        {"weekly with no day checked", [](EditorState& s) {
             clickScheduleRadio(s, ScheduleChoice::Weekly);
             confirmWeekdayPicker(s, WeekdayChecks{});
         }},
        {"daily without date", [](EditorState& s) {
             s.date.reset();
             clickScheduleRadio(s, ScheduleChoice::Daily);
         }},
        {"odd numbers, folders that do not exist", [](EditorState& s) {
             s.hour = 99;
             s.minute = -1;
             s.sources = {"no such folder"};
         }},
        {"full-width colon in the name", [](EditorState& s) { s.name = "备份：文档"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EditorState state = filledEditor();
        c.change(state);
        EXPECT_EQ(firstRefusal(state), std::nullopt);
    }
}

TEST(UiModelCommitTest, NewTaskIsBuiltFieldByField) {
    EditorState state = filledEditor();
    state.fileTypes = {"*.doc", "*.xls"};
    state.hour = 13;
    state.minute = 22;
    clickScheduleRadio(state, ScheduleChoice::Daily);
    clickRepeatCheck(state, true);
    spin(state, Spinner::RepeatHours, SpinDirection::Up);
    clickScheduleRadio(state, ScheduleChoice::Date);  // RepeatCheck disabled but still checked
    state.compress = true;
    state.notify = true;
    clickKeepDaysCheck(state, true);
    spin(state, Spinner::KeepDays, SpinDirection::Up);
    choosePostAction(state, 5);
    confirmWeekdayPicker(state, {true, false, false, false, false, false, false});  // ignored: Date is checked

    const BackupTask task = buildTask(state, 7, nullptr);
    BackupTask expected;
    expected.id = 7;
    expected.enabled = 1;
    expected.name = "文档";
    expected.sources = {"D:\\文档"};
    expected.fileTypes = {"*.doc", "*.xls"};
    expected.destinations = {"F:\\备份"};
    expected.scheduleKind = 1;
    expected.year = 2014;
    expected.month = 8;
    expected.day = 5;
    expected.weekdays = "";
    expected.hour = 13;
    expected.minute = 22;
    expected.repeatEnabled = true;
    expected.repeatHours = 2;
    expected.compress = 1;
    expected.notify = 1;
    expected.keepDays = 2;
    expected.postAction = 5;
    expected.runCount = 0;
    EXPECT_EQ(task, expected);
}

TEST(UiModelCommitTest, ScheduleFieldsByChoice) {
    struct Case {
        const char* what;
        std::function<void(EditorState&)> change;
        std::int32_t kind;
        std::int32_t year, month, day;
        const char* weekdays;
    };
    const Case cases[] = {
        {"date", [](EditorState&) {}, 1, 2014, 8, 5, ""},
        {"weekly: the date chosen before is ignored",
         [](EditorState& s) {
             clickScheduleRadio(s, ScheduleChoice::Weekly);
             confirmWeekdayPicker(s, {false, true, false, true, false, false, false});
         },
         2, 0, 0, 0, "0|1|0|1|0|0|0|"},
        {"weekly with no day", [](EditorState& s) {
             releaseWeekdayLink(s);
             confirmWeekdayPicker(s, WeekdayChecks{});
         },
         2, 0, 0, 0, "0|0|0|0|0|0|0|"},
        {"daily", [](EditorState& s) { clickScheduleRadio(s, ScheduleChoice::Daily); }, 3, 0, 0, 0, ""},
        {"none", [](EditorState& s) { s.schedule = ScheduleChoice::None; }, 0, 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EditorState state = filledEditor();
        c.change(state);
        const BackupTask task = buildTask(state, 1, nullptr);
        EXPECT_EQ(task.scheduleKind, c.kind);
        EXPECT_EQ(task.year, c.year);
        EXPECT_EQ(task.month, c.month);
        EXPECT_EQ(task.day, c.day);
        EXPECT_EQ(task.weekdays, c.weekdays);
    }
}

TEST(UiModelCommitTest, OptionsThatAreOffStoreTheirOffValues) {
    EditorState state = filledEditor();
    // Both boxes keep a number while their checks are off.
    clickKeepDaysCheck(state, true);
    spin(state, Spinner::KeepDays, SpinDirection::Up);
    spin(state, Spinner::KeepDays, SpinDirection::Up);
    clickKeepDaysCheck(state, false);
    clickRepeatCheck(state, true);
    spin(state, Spinner::RepeatHours, SpinDirection::Up);
    clickRepeatCheck(state, false);

    const BackupTask task = buildTask(state, 1, nullptr);
    EXPECT_EQ(task.keepDays, 0);
    EXPECT_FALSE(task.repeatEnabled);
    EXPECT_EQ(task.repeatHours, 2);  // the box is stored whether or not it is in use
    EXPECT_EQ(task.fileTypes, (std::vector<std::string>{"*.*"}));
    EXPECT_EQ(task.compress, 0);
    EXPECT_EQ(task.notify, 0);
    EXPECT_EQ(task.postAction, 0);
}

TEST(UiModelCommitTest, NewTaskTakesTheFirstFreeIdAndTheLastPosition) {
    TaskListContents tasks;
    tasks.append(storedTask(1, "a"));
    tasks.append(storedTask(3, "c"));
    const Placement placement = placeNewTask(tasks, filledEditor());
    EXPECT_EQ(placement, (Placement{2, 3, false}));
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_EQ(tasks.at(3).id, 2);
    EXPECT_EQ(tasks.at(3).name, "文档");
    EXPECT_EQ(tasks.at(1).name, "a");
    EXPECT_EQ(tasks.at(2).name, "c");
}

TEST(UiModelCommitTest, EditReplacesTheTaskAtItsPositionKeepingItsRecords) {
    TaskListContents tasks;
    tasks.append(storedTask(1, "a"));
    BackupTask edited = storedTask(2, "b");
    edited.enabled = 0;
    edited.runCount = 6;
    edited.runFolder = "2014-8-15 937\\";
    edited.backupRecords = {{"F:\\备份", "2014-8-15 937", ""}};
    tasks.append(edited);
    tasks.append(storedTask(3, "c"));

    EditorState state = openEditEditor(tasks, 2);
    state.name = "b2";
    state.destinations.push_back("G:\\备份");
    // A run finishes while the editor is open: its record is kept too.
    tasks.at(2).backupRecords.push_back({"F:\\备份", "2014-8-16 800", ""});

    const Placement placement = placeEditedTask(tasks, state);
    EXPECT_EQ(placement, (Placement{2, 2, true}));
    ASSERT_EQ(tasks.size(), 3u);
    const BackupTask& task = tasks.at(2);
    EXPECT_EQ(task.id, 2);
    EXPECT_EQ(task.name, "b2");
    EXPECT_EQ(task.destinations, (std::vector<std::string>{"F:\\备份", "G:\\备份"}));
    EXPECT_EQ(task.enabled, 1);
    EXPECT_EQ(task.runCount, 0);
    EXPECT_EQ(task.runFolder, "");
    EXPECT_EQ(task.backupRecords,
              (std::vector<BackupRecord>{{"F:\\备份", "2014-8-15 937", ""}, {"F:\\备份", "2014-8-16 800", ""}}));
    EXPECT_EQ(tasks.at(1), storedTask(1, "a"));
    EXPECT_EQ(tasks.at(3), storedTask(3, "c"));
}

TEST(UiModelCommitTest, EditWithoutChangesKeepsTheTask) {
    BackupTask weekly = storedTask(1, "周报");
    weekly.scheduleKind = 2;
    weekly.weekdays = "0|1|0|1|0|0|0|";
    weekly.repeatEnabled = true;
    weekly.repeatHours = 3;
    weekly.compress = 1;
    weekly.notify = 1;
    weekly.keepDays = 4;
    weekly.postAction = 3;
    BackupTask dated = storedTask(2, "一次");
    dated.scheduleKind = 1;
    dated.year = 2014;
    dated.month = 8;
    dated.day = 5;
    dated.weekdays = "";
    BackupTask daily = storedTask(3, "每天");
    daily.weekdays = "";
    for (const BackupTask& original : {weekly, dated, daily}) {
        SCOPED_TRACE(original.name);
        TaskListContents tasks;
        tasks.append(original);
        placeEditedTask(tasks, openEditEditor(tasks, original.id));
        EXPECT_EQ(tasks.at(1), original);
    }
}

TEST(UiModelCommitTest, UnknownWeekdaysAreKeptUntilThePickerIsConfirmed) {
    BackupTask task = storedTask(1, "周报");
    task.scheduleKind = 2;
    task.weekdays = "1|0|1";
    TaskListContents tasks;
    tasks.append(task);

    EditorState state = openEditEditor(tasks, 1);
    ASSERT_EQ(state.weekdaySummary, "未知！");
    releaseWeekdayLink(state);  // picker opened and cancelled
    placeEditedTask(tasks, state);
    EXPECT_EQ(tasks.at(1).weekdays, "1|0|1");

    confirmWeekdayPicker(state, {false, false, false, false, false, true, false});
    placeEditedTask(tasks, state);
    EXPECT_EQ(tasks.at(1).weekdays, "0|0|0|0|0|1|0|");
}

TEST(UiModelCommitTest, PostActionWithoutAnEntryIsKeptUntilOneIsChosen) {
    BackupTask task = storedTask(1, "a");
    task.postAction = 9;
    TaskListContents tasks;
    tasks.append(task);
    EditorState state = openEditEditor(tasks, 1);
    placeEditedTask(tasks, state);
    EXPECT_EQ(tasks.at(1).postAction, 9);
    choosePostAction(state, 2);
    placeEditedTask(tasks, state);
    EXPECT_EQ(tasks.at(1).postAction, 2);
}

TEST(UiModelCommitTest, EditOfAGoneTaskIsAddedAsNew) {
    struct Case {
        const char* what;
        std::int32_t openedOn;  // the id selected when the editor opened
        std::int32_t removed;   // the id removed while it was open, 0 for none
    };
    const Case cases[] = {
        {"task removed meanwhile", 2, 2},
        {"opened without a selection", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TaskListContents tasks;
        for (std::int32_t id : {1, 2, 3}) tasks.append(storedTask(id, "t" + std::to_string(id)));
        EditorState state = openEditEditor(tasks, c.openedOn);
        if (c.openedOn == 0) {
            state = filledEditor();
            state.mode = EditorMode::Edit;
        }
        state.name = "保留";
        if (c.removed != 0) tasks.remove(tasks.positionOfTask(c.removed));
        const std::size_t before = tasks.size();

        const Placement placement = placeEditedTask(tasks, state);
        EXPECT_FALSE(placement.replaced);
        EXPECT_EQ(placement.position, before + 1);
        ASSERT_EQ(tasks.size(), before + 1);
        EXPECT_EQ(tasks.at(before + 1).name, "保留");
        EXPECT_EQ(tasks.at(before + 1).id, placement.id);
        EXPECT_EQ(tasks.positionOfTask(placement.id), before + 1);  // the id is its own
        EXPECT_TRUE(tasks.at(before + 1).backupRecords.empty());
        EXPECT_EQ(tasks.at(1).name, "t1");
    }
}

// Records what the window would do, and what the task list held at each step.
class RecordingHost : public CommitHost {
public:
    explicit RecordingHost(TaskList& tasks) : tasks_(tasks) {}

    void stopWorker(std::int32_t taskId) override {
        auto task = tasks_.taskWithId(taskId);
        calls.push_back("stop " + std::to_string(taskId) + " " + (task ? task->name : "-"));
    }
    void startWorker(std::int32_t taskId) override {
        auto task = tasks_.taskWithId(taskId);
        calls.push_back("start " + std::to_string(taskId) + " " + (task ? task->name : "-"));
        if (failStart) throw std::runtime_error("no thread");
    }
    void refreshTaskList() override { calls.push_back("refresh"); }
    void saveTaskFile() override { calls.push_back("save " + std::to_string(tasks_.size())); }
    void logNote(const std::string& text) override { calls.push_back("log " + text); }

    bool failStart = false;
    std::vector<std::string> calls;

private:
    TaskList& tasks_;
};

TEST(UiModelCommitTest, CommitsStopPlaceStartRefreshAndSaveInOrder) {
    struct Case {
        const char* what;
        EditorMode mode;
        std::int32_t openedOn;
        bool failStart;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"add", EditorMode::Add, 0, false, {"start 3 文档", "refresh", "save 3"}},
        // The old worker goes while its old record is still there.
        {"edit", EditorMode::Edit, 2, false, {"stop 2 t2", "start 2 文档", "refresh", "save 2"}},
        {"edit without a task", EditorMode::Edit, 0, false, {"start 3 文档", "refresh", "save 3"}},
        {"worker cannot start",
         EditorMode::Edit,
         2,
         true,
         {"stop 2 t2", "start 2 文档", "log task 2 \"文档\": worker could not be started: no thread", "refresh",
          "save 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TaskList tasks;
        tasks.append(storedTask(1, "t1"));
        tasks.append(storedTask(2, "t2"));
        EditorState state = c.mode == EditorMode::Add ? openAddEditor() : openEditEditor(tasks, c.openedOn);
        const EditorState filled = filledEditor();
        state.name = filled.name;
        state.sources = filled.sources;
        state.destinations = filled.destinations;
        state.date = filled.date;

        RecordingHost host(tasks);
        host.failStart = c.failStart;
        const CommitResult result = commitEditor(state, tasks, host);
        EXPECT_EQ(result.refusal, std::nullopt);
        ASSERT_TRUE(result.placement.has_value());
        EXPECT_EQ(host.calls, c.calls);
        const auto stored = tasks.taskWithId(result.placement->id);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->name, "文档");
    }
}

TEST(UiModelCommitTest, RefusedCommitChangesNothing) {
    for (EditorMode mode : {EditorMode::Add, EditorMode::Edit}) {
        SCOPED_TRACE(mode == EditorMode::Add ? "add" : "edit");
        TaskList tasks;
        tasks.append(storedTask(1, "t1"));
        EditorState state = mode == EditorMode::Add ? filledEditor() : openEditEditor(tasks, 1);
        state.destinations.clear();
        RecordingHost host(tasks);
        const CommitResult result = mode == EditorMode::Add ? commitNewTask(state, tasks, host)
                                                            : commitEditedTask(state, tasks, host);
        ASSERT_TRUE(result.refusal.has_value());
        EXPECT_EQ(result.refusal->message.text, "您必须为备份的文件至少指定一个存放的目录！");
        EXPECT_EQ(result.placement, std::nullopt);
        EXPECT_TRUE(host.calls.empty());
        EXPECT_EQ(tasks.snapshot(), (std::vector<BackupTask>{storedTask(1, "t1")}));
    }
}

}  // namespace
}  // namespace corvallo::ui::model
