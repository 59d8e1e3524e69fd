#pragma once
// Keeping only the last N days of runs at each destination.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "core/task.h"
#include "engine/run_log.h"
#include "platform/files.h"

namespace corvallo::engine {

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CalendarDate&) const = default;
};

// The date at the start of a run folder name ("2014-8-15 937" -> 2014-08-15); nothing when the name
// is not a run folder name or the date does not exist.
std::optional<CalendarDate> runDate(std::string_view folder);

// Positions (0-based, ascending) of the records whose run lies more than `keepDays` days before
// `today`. Never the current run's records (folder `currentRunFolder`, with or without its trailing
// "\"), never a record whose folder name does not parse; nothing when keepDays <= 0.
std::vector<std::size_t> expiredRecords(const std::vector<BackupRecord>& records, CalendarDate today, int keepDays,
                                        std::string_view currentRunFolder);

// True when the record names a folder (and an archive, if any, that is the folder + ".zip") directly
// below a destination that is a plain drive or network path: nothing else is ever removed.
bool namesRunBelowDestination(const BackupRecord& record);

// Removes the run folder and archive of every expired record and drops the record. A record whose
// destination cannot be reached or holds nothing of the current run (neither its folder nor its archive),
// whose names are not safe (namesRunBelowDestination) or whose removal fails is kept; failures are logged.
void removeExpiredRuns(platform::Files& files, std::vector<BackupRecord>& records, CalendarDate today, int keepDays,
                       std::string_view currentRunFolder, RunLog& log);

}  // namespace corvallo::engine
