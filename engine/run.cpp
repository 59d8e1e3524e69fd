#include "engine/run.h"

#include <random>
#include <set>

#include "engine/archive.h"
#include "engine/copier.h"
#include "engine/folder_chain.h"
#include "engine/paths.h"
#include "engine/retention.h"
#include "engine/run_folder_name.h"
#include "engine/walk.h"

namespace corvallo::engine {

using platform::FileErrorKind;

namespace {

std::string temporaryTag() {
    static constexpr char hex[] = "0123456789abcdef";
    std::random_device random;
    std::uint32_t value = random();
    std::string tag;
    for (int i = 0; i < 8; ++i, value >>= 4) tag += hex[value & 0xF];
    return tag;
}

std::string folderName(const std::string& runFolder) {
    std::string name = runFolder;
    while (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

FolderPacker zipPacker(platform::Clock& clock) {
    return [&clock](platform::Files& files, std::string_view folder, std::string_view archive, std::stop_token stop) {
        PackOptions options;
        options.utcOffsetMinutes = localOffsetMinutes(clock.now(), std::chrono::system_clock::now());
        return packFolder(files, folder, archive, stop, options);
    };
}

void packRunFolders(const BackupTask& task, RunEnvironment& environment, RunLog& log) {
    const FolderPacker pack = environment.pack ? environment.pack : zipPacker(environment.clock);
    const std::string folder = folderName(task.runFolder);
    std::set<std::string> done;
    for (const auto& destination : task.destinations) {
        if (environment.stop.stop_requested()) return;
        if (!done.insert(comparablePath(destination)).second) continue;
        const std::string runPath = withSeparator(destination) + folder;
        if (!environment.files.isFolder(runPath)) continue;  // nothing was copied there
        if (auto error = pack(environment.files, runPath, runPath + ".zip", environment.stop)) {
            if (error.kind != FileErrorKind::Cancelled) log.failed(std::move(error));
            continue;
        }
        if (auto error = environment.files.removeTree(runPath)) log.failed(std::move(error));
    }
}

void replaceIfOnlySeparatorAdded(const std::vector<std::string>& ran, std::vector<std::string>& live) {
    for (std::size_t i = 0; i < ran.size() && i < live.size(); ++i) {
        if (live[i] + "\\" == ran[i]) live[i] = ran[i];
    }
}

}  // namespace

RunResult runBackup(BackupTask& task, RunEnvironment& environment) {
    const auto began = std::chrono::steady_clock::now();
    const platform::LocalTime now = environment.clock.now();
    task.runCount += 1;
    task.runFolder = runFolderName(now);
    if (environment.started) environment.started(task);

    RunLog log;
    TargetFolders targets(environment.files);
    CopyContext copying{environment.files, environment.clock, environment.stop, targets, log,
                        environment.retryDelays, temporaryTag()};
    int unreadSources = 0;
    {
        auto copier = makeCopier(copying, environment.copyThreads);
        WalkContext walk{environment.files, environment.stop, targets, *copier, log};
        for (auto& source : task.sources) {
            if (environment.stop.stop_requested()) break;
            backupFolder(source, task.fileTypes, task.destinations, task.runFolder, walk);
        }
        copier->finish();
        unreadSources = walk.unreadSources;
    }
    recordRun(task);

    if (task.compress == 1 && !environment.stop.stop_requested()) packRunFolders(task, environment, log);
    if (task.keepDays > 0 && !environment.stop.stop_requested()) {
        // A source that is gone (a failed disk, a share that is down) would otherwise lose its last copies to
        // retention a few days later, the very copies it was backed up for.
        if (unreadSources > 0) {
            log.failed(platform::FileError{FileErrorKind::Other, "remove old runs", "",
                                           "kept, since a source could not be read in this run", 0});
        } else {
            removeExpiredRuns(environment.files, task.backupRecords, CalendarDate{now.year, now.month, now.day},
                              task.keepDays, task.runFolder, log);
        }
    }

    RunResult result = log.result();
    result.stopped = environment.stop.stop_requested();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return result;
}

void recordRun(BackupTask& task) {
    const std::string folder = folderName(task.runFolder);
    for (const auto& destination : task.destinations) {
        task.backupRecords.push_back(BackupRecord{destination, folder, task.compress == 1 ? folder + ".zip" : ""});
    }
}

void writeBackRunData(const BackupTask& ran, BackupTask& live) {
    live.runCount = ran.runCount;
    live.runFolder = ran.runFolder;
    live.backupRecords = ran.backupRecords;
    replaceIfOnlySeparatorAdded(ran.sources, live.sources);
    replaceIfOnlySeparatorAdded(ran.destinations, live.destinations);
}

}  // namespace corvallo::engine
