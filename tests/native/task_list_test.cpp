#include "core/task_list.h"

#include <gtest/gtest.h>

#include <thread>

namespace corvallo {
namespace {

BackupTask taskWith(std::int32_t id, std::string name = {}) {
    BackupTask task;
    task.id = id;
    task.name = std::move(name);
    return task;
}

TaskListContents listOf(std::initializer_list<std::int32_t> ids) {
    TaskListContents contents;
    for (auto id : ids) contents.append(taskWith(id));
    return contents;
}

TEST(TaskListTest, NextTaskIdIsTheSmallestFreeId) {
    struct Case {
        std::vector<std::int32_t> ids;
        std::int32_t expected;
    };
    const Case cases[] = {{{}, 1}, {{1, 2, 4}, 3}, {{2, 3}, 1}, {{1, 2, 3}, 4}, {{3, 1, 2}, 4}, {{-1, 0, 1}, 2}};
    for (const auto& c : cases) {
        TaskListContents contents;
        for (auto id : c.ids) contents.append(taskWith(id));
        SCOPED_TRACE(::testing::PrintToString(c.ids));
        EXPECT_EQ(contents.nextTaskId(), c.expected);
    }
}

TEST(TaskListTest, RemovingATaskFreesItsIdAndShiftsLaterPositions) {
    auto contents = listOf({1, 2, 3});
    contents.remove(contents.positionOfTask(2));
    EXPECT_EQ(contents.positionOfTask(3), 2u);
    auto id = contents.nextTaskId();
    EXPECT_EQ(id, 2);
    contents.append(taskWith(id));
    EXPECT_EQ(contents.positionOfTask(2), 3u);
}

TEST(TaskListTest, PositionOfTaskFindsTheFirstMatchOrZero) {
    EXPECT_EQ(TaskListContents().positionOfTask(1), 0u);
    auto contents = listOf({5, 7, 7});
    EXPECT_EQ(contents.positionOfTask(7), 2u);
    EXPECT_EQ(contents.positionOfTask(6), 0u);
    EXPECT_EQ(contents.find(6), nullptr);
    ASSERT_NE(contents.find(5), nullptr);
    EXPECT_EQ(contents.find(5)->id, 5);
}

TEST(TaskListTest, DefaultTaskNameSkipsExactlyTakenNames) {
    struct Case {
        std::vector<std::string> names;
        std::string expected;
    };
    const Case cases[] = {
        {{}, "定时备份任务(1)"},
        {{"定时备份任务(1)", "定时备份任务(3)"}, "定时备份任务(2)"},
        {{"定时备份任务(1) "}, "定时备份任务(1)"},  // a trailing blank makes it another name
        {{"定时备份任务（1）"}, "定时备份任务(1)"},  // full-width parentheses are not the ASCII ones
        {{"定时备份任务(2)", "定时备份任务(1)"}, "定时备份任务(3)"},
    };
    for (const auto& c : cases) {
        TaskListContents contents;
        for (const auto& name : c.names) contents.append(taskWith(contents.nextTaskId(), name));
        SCOPED_TRACE(::testing::PrintToString(c.names));
        EXPECT_EQ(contents.defaultTaskName(), c.expected);
    }
}

TEST(TaskListTest, TasksAreStoredAsCopies) {
    TaskList list;
    BackupTask task = taskWith(1, "a");
    task.sources = {"D:\\data"};
    list.append(task);
    task.sources.push_back("E:\\more");
    auto snapshot = list.snapshot();
    ASSERT_EQ(snapshot.size(), 1u);
    EXPECT_EQ(snapshot[0].sources.size(), 1u);
    list.locked([](TaskListContents& c) { c.at(1).name = "b"; });
    EXPECT_EQ(snapshot[0].name, "a");
    EXPECT_EQ(list.taskWithId(1)->name, "b");
    EXPECT_FALSE(list.taskWithId(2).has_value());
}

TEST(TaskListTest, ConcurrentWritersAndReadersSeeWholeTasks) {
    TaskList list;
    constexpr int kTasks = 200;
    std::thread writer([&] {
        for (int i = 0; i < kTasks; ++i) {
            list.locked([i](TaskListContents& c) {
                BackupTask task = taskWith(c.nextTaskId(), "task" + std::to_string(i));
                task.sources.assign(static_cast<std::size_t>(i % 5), "D:\\x");
                task.runCount = i % 5;
                c.append(std::move(task));
            });
        }
    });
    std::thread reader([&] {
        for (int i = 0; i < kTasks; ++i) {
            for (const auto& task : list.snapshot()) {
                ASSERT_EQ(task.sources.size(), static_cast<std::size_t>(task.runCount));
            }
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(list.size(), static_cast<std::size_t>(kTasks));
    EXPECT_EQ(list.nextTaskId(), kTasks + 1);
}

}  // namespace
}  // namespace corvallo
