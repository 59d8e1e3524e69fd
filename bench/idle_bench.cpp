// The resident program's idle cost: the backup service with waiting workers and nothing to do.
//
//   idle_bench SCHEDULED INTERVAL SECONDS
//
// Starts the service with SCHEDULED date tasks far in the future (their workers compare every 500 ms)
// and INTERVAL repeating tasks of 4 hours (a step every 10 minutes), prints "ready", and stays idle for
// SECONDS. The CPU time and memory are measured from outside (bench/run_idle_bench.sh), against the
// same program run with no tasks.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/task_file.h"
#include "core/task_list.h"
#include "platform/shell.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "service/backup_service.h"

namespace {

using namespace corvallo;

class QuietObserver : public service::ServiceObserver {
public:
    void taskListChanged() override {}
    void showNotice(const std::string&, std::stop_token) override {}
};

BackupTask benchTask(std::int32_t id, bool repeating) {
    BackupTask task;
    task.id = id;
    task.enabled = 1;
    task.name = "idle " + std::to_string(id);
    task.sources = {"C:\\nothing"};
    task.fileTypes = {"*.*"};
    task.destinations = {"C:\\nowhere"};
    if (repeating) {
        task.scheduleKind = static_cast<std::int32_t>(ScheduleKind::Daily);
        task.repeatEnabled = true;
        task.repeatHours = 4;
    } else {
        task.scheduleKind = static_cast<std::int32_t>(ScheduleKind::Date);
        task.year = 2099;
        task.month = 1;
        task.day = 1;
        task.hour = 8;
    }
    return task;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: idle_bench SCHEDULED INTERVAL SECONDS\n");
        return 2;
    }
    const int scheduled = std::atoi(argv[1]);
    const int interval = std::atoi(argv[2]);
    const int seconds = std::atoi(argv[3]);

    platform::win32::Win32Files files;
    platform::win32::Win32Clock clock;
    const std::string folder = platform::programDirectory();
    TaskList tasks;
    TaskFile taskFile(files, folder + "\\idle_bench_tasks.ini");  // written only when a task runs: never here
    service::ServiceLog log(files, folder + "\\idle_bench.log");
    QuietObserver observer;
    for (int i = 0; i < scheduled + interval; ++i) tasks.append(benchTask(i + 1, i >= scheduled));

    service::BackupService backup(service::ServiceEnvironment{tasks, taskFile, clock, observer, log});
    backup.startService();
    std::printf("ready: %zu workers\n", backup.workerCount());
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::printf("done: %zu workers\n", backup.workerCount());
    return 0;
}
