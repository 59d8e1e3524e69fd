// The texts of the task list: schedule column and tray summary.
#include <gtest/gtest.h>

#include "core/task_texts.h"

namespace corvallo {
namespace {

BackupTask taskOf(std::int32_t kind, std::int32_t hour, std::int32_t minute, std::string weekdays, bool repeat,
                  std::int32_t repeatHours) {
    BackupTask task;
    task.scheduleKind = kind;
    task.year = 2014;
    task.month = 8;
    task.day = 15;
    task.hour = hour;
    task.minute = minute;
    task.weekdays = std::move(weekdays);
    task.repeatEnabled = repeat;
    task.repeatHours = repeatHours;
    return task;
}

TEST(TaskTextsTest, ScheduleColumnReadsAsTheListShowsIt) {
    struct Case {
        BackupTask task;
        std::string expected;
    };
    const Case cases[] = {
        {taskOf(3, 8, 5, "0", false, 1), "每日8:5执行"},
        {taskOf(3, 8, 5, "0", true, 2), "每日每隔2小时执行"},
        {taskOf(2, 8, 5, "0|1|0|0|0|1|0|", false, 1), "每逢： 星期一 星期五执行"},
        {taskOf(2, 8, 5, "1|1|0|0|0|0|0|", false, 1), "每逢：星期日 星期一执行"},
        {taskOf(2, 8, 5, "0|0|0|0|0|0|0|", false, 1), "每逢：执行"},
        {taskOf(2, 8, 5, "0", false, 1), "每逢：未知！执行"},
        {taskOf(1, 13, 22, "0", false, 1), "指定日期：2014年8月15日13:22执行"},
        {taskOf(0, 8, 5, "0", false, 1), ""},
        {taskOf(7, 8, 5, "0", true, 1), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(scheduleText(c.task), c.expected);
    }
}

TEST(TaskTextsTest, TraySummaryCountsEnabledTasksOrElseAllOfThem) {
    auto tasks = [](std::initializer_list<std::int32_t> enabled) {
        std::vector<BackupTask> list;
        for (std::int32_t value : enabled) {
            BackupTask task;
            task.enabled = value;
            list.push_back(task);
        }
        return list;
    };
    struct Case {
        std::vector<BackupTask> tasks;
        bool active;
        std::string tip;
    };
    const Case cases[] = {
        {{}, false, "Pennavo（Corvallo）—当前无任务！"},
        {tasks({0, 1, 0}), true, "Pennavo（Corvallo）—当前启用的任务1个！"},
        {tasks({1, 1, 0}), true, "Pennavo（Corvallo）—当前启用的任务2个！"},
        {tasks({0, 0, 0}), false, "Pennavo（Corvallo）—当前未启用的任务3个！"},
        // Only exactly 1 counts as enabled.
        {tasks({2, -1}), false, "Pennavo（Corvallo）—当前未启用的任务2个！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip);
        const TraySummary summary = traySummary(c.tasks);
        EXPECT_EQ(summary.active, c.active);
        EXPECT_EQ(summary.tip, c.tip);
    }
}

}  // namespace
}  // namespace corvallo
