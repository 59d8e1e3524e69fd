#pragma once
// One backup task and its run records, as the task file keeps them.

#include <cstdint>
#include <string>
#include <vector>

namespace corvallo {

enum class ScheduleKind : std::int32_t { Date = 1, Weekly = 2, Daily = 3 };

enum class PostAction : std::int32_t { NoAction = 0, ScreenOff = 1, Standby = 2, LogOff = 3, Restart = 4, ShutDown = 5 };

// One run's copy into one destination.
struct BackupRecord {
    std::string destination;
    std::string folder;   // the run folder name, without a trailing backslash
    std::string archive;  // folder + ".zip" when the run was compressed, else empty

    bool isEmpty() const { return destination.empty() && folder.empty() && archive.empty(); }
    bool operator==(const BackupRecord&) const = default;
};

// Opaque token of a task's live worker; 0 when it has none. The service layer owns its meaning.
using WorkerHandle = std::uint64_t;

// Integer fields hold whatever the task file held (a schedule kind or post action outside the
// known values stays as it is and is written back unchanged).
struct BackupTask {
    std::int32_t id = 0;
    std::int32_t enabled = 0;
    std::string name;
    std::vector<std::string> sources;
    std::vector<std::string> fileTypes;
    std::vector<std::string> destinations;
    std::vector<BackupRecord> backupRecords;
    std::int32_t scheduleKind = 0;
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::string weekdays = "0";
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    bool repeatEnabled = false;
    std::int32_t repeatHours = 1;
    std::int32_t compress = 0;
    std::int32_t notify = 0;
    std::int32_t keepDays = 0;
    std::int32_t postAction = 1;
    std::int32_t runCount = 0;
    WorkerHandle worker = 0;
    std::string runFolder;

    bool isEnabled() const { return enabled == 1; }
    bool operator==(const BackupTask&) const = default;
};

}  // namespace corvallo
