#pragma once
// When a worker's task is due: the scheduled worker's target minute and its decision for the day, and
// the interval worker's period.

#include <array>
#include <cstdint>

#include "core/task.h"
#include "platform/clock.h"

namespace corvallo::service {

enum class Comparison { Wait, Due, Passed };

// The year, month, day, hour and minute a scheduled worker waits for, copied from its task when it
// starts; later edits of the task do not reach it. A 0 in year, month or day stands for the current one
// and is replaced by it the first time that field is compared, once for the worker's life: a worker
// serves one day.
class ScheduledTarget {
public:
    explicit ScheduledTarget(const BackupTask& task);

    // Field by field from the year down: a negative target, or one below the current value, means the
    // time has passed; one above it means not yet. Seconds are not compared.
    Comparison compare(const platform::LocalTime& now);

private:
    std::array<std::int32_t, 5> fields_;
};

enum class DueToday { Run, RunAndDisable, Skip };

// What a scheduled worker does in its minute: a Date task runs and disables itself, a Weekly task runs
// on its flagged days, a Daily task runs, any other kind does not.
DueToday dueToday(const BackupTask& task, int dayOfWeek);

// The interval worker's period in minutes (repeatHours x 60); 0 or less runs at once and then every step.
std::int64_t intervalPeriodMinutes(const BackupTask& task);

// The interval worker sleeps in steps of this many minutes and counts them.
inline constexpr std::int64_t kIntervalStepMinutes = 10;

// Which worker a task gets.
enum class WorkerKind { Scheduled, Interval };
WorkerKind workerKindFor(const BackupTask& task);

}  // namespace corvallo::service
