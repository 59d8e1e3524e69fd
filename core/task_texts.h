#pragma once
// How a task reads in the task list: its schedule and its weekdays, in the program's own words.

#include <string>
#include <string_view>
#include <vector>

#include "core/task.h"

namespace corvallo {

// Day names for a weekday flags text ("1|0|0|0|0|0|1|" -> "星期日 星期六"); "未知！" when it has fewer than seven flags.
std::string weekdayText(std::string_view flags);

// "每日8:5执行", "每逢： 星期一执行", "指定日期：2014年8月15日13:22执行", "每日每隔2小时执行", or empty.
std::string scheduleText(const BackupTask& task);

// "备份2个位置的文件"
std::string contentText(const BackupTask& task);

// What the tray icon shows for the whole list: the active picture while any task is enabled, and the tip.
struct TraySummary {
    bool active = false;
    std::string tip;
};
TraySummary traySummary(const std::vector<BackupTask>& tasks);

}  // namespace corvallo
