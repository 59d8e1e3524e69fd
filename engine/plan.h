#pragma once
// What a run would copy where, found without changing anything on the disk.

#include <string>
#include <vector>

#include "core/task.h"
#include "platform/clock.h"
#include "platform/file_error.h"
#include "platform/files.h"

namespace corvallo::engine {

struct PlannedCopy {
    std::string source;
    std::string target;
};

struct BackupPlan {
    std::string runFolder;
    std::vector<PlannedCopy> copies;  // in walk order
    // Files that could not be placed and folders that could not be listed.
    std::vector<platform::FileError> failures;
};

// Walks the task's sources as a run starting at `now` would and names each copy's target: collision names
// come from what the target folders hold now and what the plan itself places. Only lists and looks:
// no folder is made and nothing is copied. The task is not changed.
BackupPlan planBackup(const BackupTask& task, platform::Files& files, const platform::LocalTime& now);

}  // namespace corvallo::engine
