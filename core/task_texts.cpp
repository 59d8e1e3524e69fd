#include "core/task_texts.h"

#include "core/text/text_rules.h"

namespace corvallo {

std::string weekdayText(std::string_view flags) {
    static constexpr const char* kNames[7] = {"星期日", " 星期一", " 星期二", " 星期三", " 星期四", " 星期五", " 星期六"};
    auto parts = text::splitText(flags, '|');
    if (parts.size() < 7) return "未知！";
    std::string out;
    for (int day = 0; day < 7; ++day) {
        if (parts[day] == "1") out += kNames[day];
    }
    return out;
}

std::string scheduleText(const BackupTask& task) {
    auto n = [](std::int32_t value) { return std::to_string(value); };
    switch (task.scheduleKind) {
        case static_cast<std::int32_t>(ScheduleKind::Date):
            return "指定日期：" + n(task.year) + "年" + n(task.month) + "月" + n(task.day) + "日" + n(task.hour) + ":" +
                   n(task.minute) + "执行";
        case static_cast<std::int32_t>(ScheduleKind::Weekly):
            return "每逢：" + weekdayText(task.weekdays) + "执行";
        case static_cast<std::int32_t>(ScheduleKind::Daily):
            if (task.repeatEnabled) return "每日每隔" + n(task.repeatHours) + "小时执行";
            return "每日" + n(task.hour) + ":" + n(task.minute) + "执行";
        default:
            return {};
    }
}

std::string contentText(const BackupTask& task) {
    return "备份" + std::to_string(task.sources.size()) + "个位置的文件";
}

TraySummary traySummary(const std::vector<BackupTask>& tasks) {
    if (tasks.empty()) return {false, "Pennavo（Corvallo）—当前无任务！"};
    std::size_t enabled = 0;
    for (const BackupTask& task : tasks) enabled += task.isEnabled() ? 1 : 0;
    if (enabled > 0) return {true, "Pennavo（Corvallo）—当前启用的任务" + std::to_string(enabled) + "个！"};
    return {false, "Pennavo（Corvallo）—当前未启用的任务" + std::to_string(tasks.size()) + "个！"};
}

}  // namespace corvallo
