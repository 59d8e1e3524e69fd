#pragma once
// One backup run of one task.
//
// A run works on its own copy of the task: the service takes a snapshot under the task list's lock,
// runs on it with no lock held, and writes the run data back under the lock (writeBackRunData). The
// `started` observer lets it publish the new run count and run folder before the copying starts.

#include <chrono>
#include <functional>
#include <stop_token>
#include <string_view>
#include <vector>

#include "core/task.h"
#include "engine/run_log.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace corvallo::engine {

// Packs the run folder `folder` into the new archive `archivePath`; on failure leaves the folder as it was.
using FolderPacker = std::function<platform::FileError(platform::Files& files, std::string_view folder,
                                                       std::string_view archivePath, std::stop_token stop)>;

inline constexpr int kDefaultCopyThreads = 4;

struct RunEnvironment {
    platform::Files& files;
    platform::Clock& clock;
    std::stop_token stop{};
    // 1 copies on the calling thread; more copy on a pool while the calling thread walks.
    int copyThreads = 1;
    // Called on the calling thread once runCount and runFolder are set, before anything is copied.
    std::function<void(const BackupTask&)> started{};
    // Used when the task's compress is 1; when empty, the run folders are packed as zip archives.
    FolderPacker pack{};
    // Waits before new tries of a file another program holds locked.
    std::vector<std::chrono::milliseconds> retryDelays{std::chrono::milliseconds(100), std::chrono::milliseconds(250),
                                                       std::chrono::milliseconds(500)};
};

// Adds 1 to runCount, sets runFolder from the clock, passes over every source (appending "\" to sources
// and, once used, to destinations), appends one record per destination, then packs the run folders
// (compress 1) and removes runs older than keepDays, unless a source could not be read at all. After a
// stop it still records the run but packs and removes nothing. Blocking: runs on the caller's thread (a worker's, never the UI's).
RunResult runBackup(BackupTask& task, RunEnvironment& environment);

// Appends one BackupRecord per destination for the task's current run folder.
void recordRun(BackupTask& task);

// Carries what a run changed in its copy of a task into the live task: run count, run folder and
// records, and the trailing "\" it gave sources and destinations (only where the live text is still the
// one the run started with, so an edit made meanwhile is kept).
void writeBackRunData(const BackupTask& ran, BackupTask& live);

}  // namespace corvallo::engine
