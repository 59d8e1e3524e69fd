// Loads and saves a large task file with our INI document, and (on Windows) the same work done key
// by key through the Windows profile functions on a smaller file, for the ratio at equal size.
//
//   task_file_bench DIR      DIR: a scratch folder (Windows path under Wine, POSIX path natively)

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "bench/heap_counter.h"
#include "core/profile/profile_document.h"
#include "core/task_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace corvallo;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        best = std::min(best, seconds(start));
    }
    return best;
}

TaskListContents makeTasks(int tasks, int records) {
    TaskListContents contents;
    for (int t = 1; t <= tasks; ++t) {
        BackupTask task;
        task.id = t;
        task.enabled = 1;
        task.name = "每日备份任务 " + std::to_string(t);
        task.sources = {"D:\\我的文档\\项目" + std::to_string(t) + "\\", "D:\\照片\\"};
        task.fileTypes = {"*.doc", "*.xls", "*.jpg"};
        task.destinations = {"E:\\备份\\"};
        task.scheduleKind = 3;
        task.hour = 8;
        task.minute = 30;
        for (int r = 0; r < records; ++r)
            task.backupRecords.push_back({"E:\\备份\\我的文档\\每日备份\\", "2014-" + std::to_string(1 + r % 12) + "-" + std::to_string(1 + r % 28) +
                                                            " " + std::to_string(100000 + r), ""});
        contents.append(std::move(task));
    }
    return contents;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Measured {
    double load = 0;
    double save = 0;
    long long peak = 0;
    std::size_t bytes = 0;
    std::size_t keys = 0;
};

// Our load: read the bytes, parse, fill the list; our save: serialise and write.
Measured measureOurs(const std::string& path, int tasks, int records) {
    Measured m;
    writeAll(path, writeTasks(makeTasks(tasks, records)));
    m.bytes = readAll(path).size();
    m.keys = static_cast<std::size_t>(tasks) * (static_cast<std::size_t>(records) + 27) + 2;
    {
        long long base = bench::HeapCounter::current.load();
        bench::HeapCounter::resetPeak();
        TaskListContents loaded;
        readTasks(readAll(path), loaded);
        m.peak = bench::HeapCounter::peakAbove(base);
    }
    TaskListContents loaded;
    m.load = bestOf(3, [&] {
        TaskListContents fresh;
        readTasks(readAll(path), fresh);
        loaded = std::move(fresh);
    });
    m.save = bestOf(3, [&] { writeAll(path + ".out", writeTasks(loaded)); });
    return m;
}

#ifdef _WIN32
// The same load and save, one profile call per key, as a program without its own parser would do.
Measured measureProfileFunctions(const std::string& path, int tasks, int records) {
    Measured m;
    writeAll(path, writeTasks(makeTasks(tasks, records)));
    char buffer[10240];
    auto get = [&](const std::string& section, const std::string& key) {
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, path.c_str());
    };
    static const char* kScalarKeys[] = {"on", "times", "name", "type", "year", "mouth", "day", "week", "mps",
                                        "raps", "hours", "minutes", "usezip", "notice", "maxbak", "dolast"};
    auto start = Clock::now();
    get("task", "number");
    for (int t = 1; t <= tasks; ++t) {
        std::string section = std::to_string(t);
        for (const char* key : kScalarKeys) get(section, key);
        for (const char* list : {"source", "filetype", "dest", "bak"}) {
            get(section, list);
            int count = std::string(list) == "bak" ? records : (std::string(list) == "filetype" ? 3 : (std::string(list) == "source" ? 2 : 1));
            for (int k = 1; k <= count; ++k) get(section, list + std::to_string(k));
        }
        m.keys += 16 + 4 + 2 + 3 + 1 + static_cast<std::size_t>(records);
    }
    m.load = seconds(start);

    // Key by key into a fresh file, in the order of our save.
    auto document = profile::ProfileDocument::parse(readAll(path));
    std::string out = path + ".profile";
    DeleteFileA(out.c_str());
    start = Clock::now();
    TaskListContents loaded;
    readTasks(document, loaded);
    auto put = [&](const std::string& section, const std::string& key, const std::string& value) {
        WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), out.c_str());
    };
    put("task", "number", std::to_string(loaded.size()));
    for (std::size_t p = 1; p <= loaded.size(); ++p) {
        const auto& task = loaded.at(p);
        std::string s = std::to_string(p);
        put(s, "on", "1");
        put(s, "times", "0");
        put(s, "name", "x");
        for (std::size_t r = 0; r < task.backupRecords.size(); ++r)
            put(s, "bak" + std::to_string(r + 1), task.backupRecords[r].destination + "|" + task.backupRecords[r].folder + "|0");
        for (const char* key : kScalarKeys) put(s, key, "0");
    }
    m.save = seconds(start);
    m.bytes = readAll(path).size();
    return m;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: task_file_bench SCRATCH_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
#ifdef _WIN32
    const char* platform = "wine/windows";
    const char slash = '\\';
#else
    const char* platform = "native";
    const char slash = '/';
#endif
    Measured big = measureOurs(dir + slash + "big.ini", 100, 1000);
    std::printf("[%s] ours, 100 tasks x 1000 records: %zu keys, %.1f MB: load %.3f s, save %.3f s, load peak heap %.1f MB (%.2f x file)\n",
                platform, big.keys, big.bytes / 1e6, big.load, big.save, big.peak / 1e6, double(big.peak) / double(big.bytes));
    Measured small = measureOurs(dir + slash + "small.ini", 4, 970);
    std::printf("[%s] ours, %zu keys: load %.5f s, save %.5f s\n", platform, small.keys, small.load, small.save);
#ifdef _WIN32
    Measured profile = measureProfileFunctions(dir + slash + "profile.ini", 4, 970);
    std::printf("[%s] profile functions, %zu keys key by key: load %.3f s, save %.3f s\n", platform, profile.keys, profile.load,
                profile.save);
    std::printf("[%s] ratio at equal size (profile functions / ours): load %.0fx, save %.0fx\n", platform,
                profile.load / small.load, profile.save / small.save);
#endif
    std::printf("[%s] goals: 100,000-key load and save under %s s; peak under 4 x file + 10 MB (%.1f MB here)\n", platform,
#ifdef _WIN32
                "1", (4.0 * big.bytes + 10e6) / 1e6
#else
                "0.2", (4.0 * big.bytes + 10e6) / 1e6
#endif
    );
    return 0;
}
