#include "ui/model/editor_state.h"

#include <gtest/gtest.h>

#include "ui/model/editor_texts.h"

namespace corvallo::ui::model {
namespace {

BackupTask storedTask(std::int32_t id, std::string name) {
    BackupTask task;
    task.id = id;
    task.enabled = 1;
    task.name = std::move(name);
    task.sources = {"D:\\文档", "E:\\照片\\"};
    task.fileTypes = {"*.doc", "*.xls"};
    task.destinations = {"F:\\备份"};
    task.backupRecords = {{"F:\\备份", "2014-8-15 937", ""}};
    task.runCount = 4;
    return task;
}

TEST(UiModelEditorTest, AddEditorOpensWithTheDesignDefaults) {
    const EditorState state = openAddEditor();
    EXPECT_EQ(state.mode, EditorMode::Add);
    EXPECT_EQ(state.name, "");
    EXPECT_TRUE(state.sources.empty());
    EXPECT_TRUE(state.fileTypes.empty());
    EXPECT_TRUE(state.destinations.empty());
    EXPECT_EQ(state.schedule, ScheduleChoice::Date);
    EXPECT_EQ(dateLinkCaption(state.date), "点击指定日期");
    EXPECT_EQ(dateSummaryCaption(state.date), "");
    EXPECT_EQ(weekdayLinkCaption(state.weekdaySummary), "点击指定");
    EXPECT_EQ(state.weekdaySummary, "");
    EXPECT_FALSE(state.repeatChecked);
    EXPECT_EQ(state.repeatHours, 1);
    EXPECT_EQ(state.hour, 0);
    EXPECT_EQ(state.minute, 0);
    EXPECT_FALSE(state.compress);
    EXPECT_FALSE(state.notify);
    EXPECT_FALSE(state.keepDaysChecked);
    EXPECT_EQ(state.keepDays, 1);
    EXPECT_EQ(postActionEntry(state), 0);
    EXPECT_EQ(kPostActionEntries[0], std::string("不执行其他操作"));
    EXPECT_EQ(enablingOf(state), (ControlEnabling{false, false, false}));
}

TEST(UiModelEditorTest, FrameTextsByMode) {
    const EditorFrameTexts add = editorFrameTexts(EditorMode::Add);
    EXPECT_EQ(add.title, "添加一个备份任务");
    EXPECT_EQ(add.heading, "添加一个定时备份任务到系统");
    EXPECT_EQ(add.secondLine, "请您依次设定好下面的选项以便定时备份操作能够正确执行");
    EXPECT_EQ(add.hint, "提示：新添加的定时任务将会立即生效！");
    EXPECT_EQ(add.commitCaption, "添加");
    const EditorFrameTexts edit = editorFrameTexts(EditorMode::Edit);
    EXPECT_EQ(edit.title, "编辑一个任务");
    EXPECT_EQ(edit.heading, "编辑一个现有的定时任务");
    EXPECT_EQ(edit.secondLine, "");
    EXPECT_EQ(edit.hint, "提示：编辑后的定时任务将会立即生效！");
    EXPECT_EQ(edit.commitCaption, "添加");
}

TEST(UiModelEditorTest, FillTakesTheListsAndOptionsOfTheTask) {
    BackupTask task = storedTask(3, "周报");
    task.hour = 8;
    task.minute = 5;
    task.compress = 1;
    task.notify = 1;
    task.keepDays = 3;
    task.postAction = 4;
    task.repeatHours = 2;

    TaskListContents tasks;
    tasks.append(storedTask(1, "a"));
    tasks.append(task);
    const EditorState state = openEditEditor(tasks, 3);

    EXPECT_EQ(state.mode, EditorMode::Edit);
    EXPECT_EQ(state.editedTaskId, 3);
    EXPECT_EQ(state.name, "周报");
    EXPECT_EQ(state.sources, task.sources);
    EXPECT_EQ(state.fileTypes, task.fileTypes);
    EXPECT_EQ(state.destinations, task.destinations);
    EXPECT_EQ(state.hour, 8);
    EXPECT_EQ(state.minute, 5);
    EXPECT_TRUE(state.compress);
    EXPECT_TRUE(state.notify);
    EXPECT_TRUE(state.keepDaysChecked);
    EXPECT_EQ(state.keepDays, 3);
    EXPECT_EQ(state.repeatHours, 2);
    EXPECT_EQ(postActionEntry(state), 4);
    EXPECT_TRUE(enablingOf(state).keepDays);
}

TEST(UiModelEditorTest, FillByScheduleKind) {
    struct Case {
        const char* what;
        std::int32_t kind;
        bool repeat;
        ScheduleChoice schedule;
        const char* dateLink;
        const char* dateSummary;
        const char* weekdayLink;
        const char* weekdaySummary;
        ControlEnabling enabling;
    };
    const Case cases[] = {
        {"date", 1, false, ScheduleChoice::Date, "2014年8月5日", "2014-8-5", "点击指定", "", {false, false, false}},
        {"weekly", 2, false, ScheduleChoice::Weekly, "点击指定日期", "", "已指定，点击查看",
         "星期日|无|无|无|无|无|星期六|", {false, false, false}},
        // RepeatCheck checked but disabled, its box enabled.
        {"weekly repeating", 2, true, ScheduleChoice::Weekly, "点击指定日期", "", "已指定，点击查看",
         "星期日|无|无|无|无|无|星期六|", {false, true, false}},
        {"daily", 3, false, ScheduleChoice::Daily, "点击指定日期", "", "点击指定", "", {true, false, false}},
        {"daily repeating", 3, true, ScheduleChoice::Daily, "点击指定日期", "", "点击指定", "", {true, true, false}},
        {"no schedule", 0, false, ScheduleChoice::Date, "点击指定日期", "", "点击指定", "", {false, false, false}},
        {"unknown kind repeating", 9, true, ScheduleChoice::Date, "点击指定日期", "", "点击指定", "", {false, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BackupTask task = storedTask(1, "t");
        task.scheduleKind = c.kind;
        task.year = 2014;
        task.month = 8;
        task.day = 5;
        task.weekdays = "1|0|0|0|0|0|1|";
        task.repeatEnabled = c.repeat;
        EditorState state = editorDefaults(EditorMode::Edit);
        fillEditorFromTask(state, task);
        EXPECT_EQ(state.schedule, c.schedule);
        EXPECT_EQ(dateLinkCaption(state.date), c.dateLink);
        EXPECT_EQ(dateSummaryCaption(state.date), c.dateSummary);
        EXPECT_EQ(weekdayLinkCaption(state.weekdaySummary), c.weekdayLink);
        EXPECT_EQ(state.weekdaySummary, c.weekdaySummary);
        EXPECT_EQ(state.repeatChecked, c.repeat);
        EXPECT_EQ(enablingOf(state), c.enabling);
    }
}

TEST(UiModelEditorTest, FillShowsStoredValuesUnchanged) {
    BackupTask task = storedTask(1, "t");
    task.scheduleKind = 2;
    task.weekdays = "0";      // a missing key's value
    task.repeatHours = 7;     // outside 1..4
    task.keepDays = 0;        // keeps everything: unchecked, box shows 0
    task.postAction = 9;      // no entry
    task.hour = 30;
    EditorState state = editorDefaults(EditorMode::Edit);
    fillEditorFromTask(state, task);
    EXPECT_EQ(state.weekdaySummary, "未知！");
    EXPECT_EQ(state.keptWeekdays, "0");
    EXPECT_EQ(state.repeatHours, 7);
    EXPECT_FALSE(state.keepDaysChecked);
    EXPECT_EQ(state.keepDays, 0);
    EXPECT_FALSE(enablingOf(state).keepDays);
    EXPECT_EQ(postActionEntry(state), std::nullopt);
    EXPECT_EQ(state.hour, 30);
}

TEST(UiModelEditorTest, KeepDaysCheckIsOnForEveryValueButZero) {
    struct Case {
        std::int32_t keepDays;
        bool checked;
    };
    const Case cases[] = {{0, false}, {1, true}, {5, true}, {12, true}, {-2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keepDays);
        BackupTask task = storedTask(1, "t");
        task.keepDays = c.keepDays;
        EditorState state = editorDefaults(EditorMode::Edit);
        fillEditorFromTask(state, task);
        EXPECT_EQ(state.keepDaysChecked, c.checked);
        EXPECT_EQ(enablingOf(state).keepDays, c.checked);
        EXPECT_EQ(state.keepDays, c.keepDays);
    }
}

TEST(UiModelEditorTest, EditWithoutATaskKeepsTheAddDefaults) {
    TaskListContents tasks;
    tasks.append(storedTask(1, "a"));
    for (std::int32_t selected : {0, 2}) {
        SCOPED_TRACE(selected);
        const EditorState state = openEditEditor(tasks, selected);
        EXPECT_EQ(state.editedTaskId, 0);
        EXPECT_EQ(state.name, "");
        EXPECT_TRUE(state.sources.empty());
        EXPECT_EQ(state.schedule, ScheduleChoice::Date);
        EXPECT_EQ(state.postAction, 0);
        EXPECT_EQ(editorFrameTexts(state.mode).title, "编辑一个任务");
    }
}

TEST(UiModelEditorTest, OpeningThroughTheLockedListFindsTheTask) {
    TaskList list;
    list.append(storedTask(1, "a"));
    list.append(storedTask(2, "b"));
    const EditorState state = openEditEditor(list, 2);
    EXPECT_EQ(state.editedTaskId, 2);
    EXPECT_EQ(state.name, "b");
}

// A sequence of clicks and what RepeatCheck and its box look like after each.
TEST(UiModelEditorTest, EnablingFollowsTheClicks) {
    enum class Click { DateRadio, WeekdayRadio, DailyRadio, DateLink, WeekdayLink, RepeatOn, RepeatOff };
    struct Step {
        Click click;
        ScheduleChoice schedule;
        bool repeatCheckEnabled;
        bool repeatHoursEnabled;
    };
    const Step steps[] = {
        {Click::DailyRadio, ScheduleChoice::Daily, true, false},
        {Click::RepeatOn, ScheduleChoice::Daily, true, true},
        // The links set the radio directly: RepeatCheck stays enabled.
        {Click::DateLink, ScheduleChoice::Date, true, true},
        {Click::WeekdayLink, ScheduleChoice::Weekly, true, true},
        // A radio click disables it, but leaves its check and its box alone.
        {Click::DateRadio, ScheduleChoice::Date, false, true},
        {Click::DailyRadio, ScheduleChoice::Daily, true, true},
        {Click::WeekdayRadio, ScheduleChoice::Weekly, false, true},
        {Click::DailyRadio, ScheduleChoice::Daily, true, true},
        {Click::RepeatOff, ScheduleChoice::Daily, true, false},
    };
    EditorState state = openAddEditor();
    int index = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(index++);
        switch (step.click) {
            case Click::DateRadio: clickScheduleRadio(state, ScheduleChoice::Date); break;
            case Click::WeekdayRadio: clickScheduleRadio(state, ScheduleChoice::Weekly); break;
            case Click::DailyRadio: clickScheduleRadio(state, ScheduleChoice::Daily); break;
            case Click::DateLink: releaseDateLink(state); break;
            case Click::WeekdayLink: releaseWeekdayLink(state); break;
            case Click::RepeatOn: clickRepeatCheck(state, true); break;
            case Click::RepeatOff: clickRepeatCheck(state, false); break;
        }
        EXPECT_EQ(state.schedule, step.schedule);
        EXPECT_EQ(enablingOf(state).repeatCheck, step.repeatCheckEnabled);
        EXPECT_EQ(enablingOf(state).repeatHours, step.repeatHoursEnabled);
    }
}

TEST(UiModelEditorTest, KeepDaysBoxFollowsItsCheck) {
    EditorState state = openAddEditor();
    clickKeepDaysCheck(state, true);
    EXPECT_TRUE(enablingOf(state).keepDays);
    clickKeepDaysCheck(state, false);
    EXPECT_FALSE(enablingOf(state).keepDays);
    EXPECT_EQ(state.keepDays, 1);
}

TEST(UiModelEditorTest, PickersWriteTheirResults) {
    EditorState state = openAddEditor();
    confirmDatePicker(state, {2014, 8, 5});
    EXPECT_EQ(dateLinkCaption(state.date), "2014年8月5日");
    EXPECT_EQ(dateSummaryCaption(state.date), "2014-8-5");
    confirmWeekdayPicker(state, WeekdayChecks{});
    EXPECT_EQ(state.weekdaySummary, "无|无|无|无|无|无|无|");
    EXPECT_EQ(weekdayLinkCaption(state.weekdaySummary), "已指定，点击查看");
    // Choosing the weekdays leaves the date in place.
    EXPECT_EQ(dateSummaryCaption(state.date), "2014-8-5");
}

TEST(UiModelEditorTest, SpinnerSteps) {
    using enum Spinner;
    constexpr auto Up = SpinDirection::Up;
    constexpr auto Down = SpinDirection::Down;
    struct Case {
        Spinner spinner;
        std::int32_t value;
        SpinDirection direction;
        std::int32_t expected;
    };
    const Case cases[] = {
        {Hour, 23, Up, 0},        {Hour, 0, Down, 23},       {Hour, 5, Up, 6},          {Hour, 5, Down, 4},
        {Hour, 30, Up, 0},        {Hour, 30, Down, 29},
        {Minute, 0, Down, 59},    {Minute, 59, Up, 0},       {Minute, 58, Up, 59},      {Minute, 75, Up, 0},
        {RepeatHours, 4, Up, 1},  {RepeatHours, 1, Down, 4}, {RepeatHours, 2, Up, 3},   {RepeatHours, 3, Down, 2},
        {RepeatHours, 7, Up, 1},  {RepeatHours, 7, Down, 6}, {RepeatHours, 0, Down, 4}, {RepeatHours, 0, Up, 1},
        {KeepDays, 5, Up, 5},     {KeepDays, 1, Down, 1},    {KeepDays, 0, Down, 1},    {KeepDays, 4, Up, 5},
        {KeepDays, 0, Up, 1},     {KeepDays, 3, Down, 2},    {KeepDays, 9, Down, 8},    {KeepDays, 9, Up, 5},
        // The ends of the 32-bit range step without overflowing.
        {Hour, INT32_MAX, Up, 0}, {Minute, INT32_MIN, Down, 59}, {KeepDays, INT32_MAX, Up, 5},
        {KeepDays, INT32_MIN, Down, 1}, {RepeatHours, INT32_MIN, Down, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.spinner) << " " << c.value
                                          << (c.direction == Up ? " up" : " down"));
        EXPECT_EQ(spinStep(c.spinner, c.value, c.direction), c.expected);
    }
}

TEST(UiModelEditorTest, SpinChangesOnlyItsOwnEnabledBox) {
    EditorState state = openAddEditor();
    state.hour = 23;
    state.minute = 0;
    spin(state, Spinner::Hour, SpinDirection::Up);
    spin(state, Spinner::Minute, SpinDirection::Down);
    EXPECT_EQ(state.hour, 0);
    EXPECT_EQ(state.minute, 59);

    // Disabled spinners change nothing.
    spin(state, Spinner::RepeatHours, SpinDirection::Up);
    spin(state, Spinner::KeepDays, SpinDirection::Up);
    EXPECT_EQ(state.repeatHours, 1);
    EXPECT_EQ(state.keepDays, 1);

    clickRepeatCheck(state, true);
    clickKeepDaysCheck(state, true);
    spin(state, Spinner::RepeatHours, SpinDirection::Down);
    spin(state, Spinner::KeepDays, SpinDirection::Up);
    EXPECT_EQ(state.repeatHours, 4);
    EXPECT_EQ(state.keepDays, 2);
    EXPECT_EQ(state.hour, 0);
    EXPECT_EQ(state.minute, 59);
}

TEST(UiModelEditorTest, PostActionChoice) {
    EditorState state = openAddEditor();
    choosePostAction(state, 5);
    EXPECT_EQ(state.postAction, 5);
    for (int entry : {-1, 6}) {
        choosePostAction(state, entry);
        EXPECT_EQ(state.postAction, 5) << entry;
    }
}

TEST(UiModelEditorTest, IllegalNameCharacters) {
    struct Case {
        const char* name;
        bool illegal;
    };
    const Case cases[] = {
        {"周报", false}, {"a|b", true}, {"a/b", true}, {"a\\b", true}, {"a?", true}, {"*", true}, {"<a", true},
        {"a>", true}, {"D:", true}, {"\"x\"", true}, {"", false}, {"a.b-c_d (1)", false},
        // Full-width forms are other characters.
        {"周报：２０１４｜？＊", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hasIllegalNameChar(c.name), c.illegal);
    }
}

TEST(UiModelEditorTest, NameFilterDropsIllegalCharactersInTheAddEditorOnly) {
    for (char32_t ch : {U'|', U'\\', U'/', U'?', U'<', U'>', U'*', U':', U'"'}) {
        SCOPED_TRACE(static_cast<std::uint32_t>(ch));
        EXPECT_EQ(filterNameChar(EditorMode::Add, ch), (NameCharVerdict{false, true}));
        EXPECT_EQ(filterNameChar(EditorMode::Edit, ch), (NameCharVerdict{true, false}));
    }
    for (char32_t ch : {U'a', U'.', U' ', U'周', U'：', U'｜'}) {
        SCOPED_TRACE(static_cast<std::uint32_t>(ch));
        EXPECT_EQ(filterNameChar(EditorMode::Add, ch), (NameCharVerdict{true, false}));
    }
}

TEST(UiModelEditorTest, IllegalNameMessageIsExact) {
    // The listed characters, then a double quote, a blank and a colon.
    const std::string expected = std::string("任务名称中不能包含非法的字符，包括 | / \\ ? * < > ") + '"' + " " + ":";
    EXPECT_EQ(kIllegalNameMessage, expected);
}

TEST(UiModelEditorTest, BalloonPointsBelowTheMiddleOfTheNameBox) {
    const Point point = nameBalloonPoint({100, 200}, {10, 40}, {7, 20}, Box{30, 50, 300, 21});
    EXPECT_EQ(point, (Point{100 + 10 + 7 + 30 + 150, 200 + 40 + 20 + 50 + 10 + 15}));
}

TEST(UiModelEditorTest, AutoNameFillsTheFirstFreeNameThenSaysItIsUsable) {
    TaskListContents tasks;
    tasks.append(storedTask(1, "定时备份任务(1)"));
    tasks.append(storedTask(2, "定时备份任务(3)"));
    EditorState state = openAddEditor();
    state.name = "手写的名称";
    EXPECT_EQ(clickAutoName(state, tasks), std::nullopt);
    EXPECT_EQ(state.name, "定时备份任务(2)");

    const auto notice = clickAutoName(state, tasks);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(*notice, (Message{MessageIcon::Information, "自动生成任务名称", "编辑框内的名称是可以使用的，无需再生成！"}));
    EXPECT_EQ(state.name, "定时备份任务(2)");
}

TEST(UiModelEditorTest, AutoNameInTheEditorCountsTheEditedTasksOwnName) {
    TaskListContents tasks;
    tasks.append(storedTask(1, "定时备份任务(1)"));
    EditorState state = openEditEditor(tasks, 1);
    EXPECT_EQ(clickAutoName(state, tasks), std::nullopt);
    EXPECT_EQ(state.name, "定时备份任务(2)");
}

}  // namespace
}  // namespace corvallo::ui::model
