#include "service/schedule.h"

#include "service/weekday.h"

namespace corvallo::service {

ScheduledTarget::ScheduledTarget(const BackupTask& task)
    : fields_{task.year, task.month, task.day, task.hour, task.minute} {}

Comparison ScheduledTarget::compare(const platform::LocalTime& now) {
    const std::array<std::int32_t, 5> current{now.year, now.month, now.day, now.hour, now.minute};
    constexpr std::size_t kDateFields = 3;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i] < 0) return Comparison::Passed;
        if (i < kDateFields && fields_[i] == 0) fields_[i] = current[i];
        if (fields_[i] < current[i]) return Comparison::Passed;
        if (fields_[i] > current[i]) return Comparison::Wait;
    }
    return Comparison::Due;
}

DueToday dueToday(const BackupTask& task, int dayOfWeek) {
    switch (task.scheduleKind) {
        case static_cast<std::int32_t>(ScheduleKind::Date): return DueToday::RunAndDisable;
        case static_cast<std::int32_t>(ScheduleKind::Weekly):
            return weekdayFlagSet(dayOfWeek, task.weekdays) ? DueToday::Run : DueToday::Skip;
        case static_cast<std::int32_t>(ScheduleKind::Daily): return DueToday::Run;
        default: return DueToday::Skip;
    }
}

std::int64_t intervalPeriodMinutes(const BackupTask& task) { return std::int64_t{task.repeatHours} * 60; }

WorkerKind workerKindFor(const BackupTask& task) {
    const bool repeatingDaily = task.scheduleKind == static_cast<std::int32_t>(ScheduleKind::Daily) && task.repeatEnabled;
    return repeatingDaily ? WorkerKind::Interval : WorkerKind::Scheduled;
}

}  // namespace corvallo::service
